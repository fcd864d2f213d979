// Encodes values into layouts made from the input and decodes them back. The input
// chooses the options, the fields of a layout (display text, zoned numbers with every
// sign convention, packed, binary, floats, national text, a numeric-edited amount, a
// table) and, record by record, each field's value: null, a number that fits its
// picture, or arbitrary bytes. The record writer writes the records to memory, the
// record reader reads them back with the same options, and then:
//   - a number that fits is written, and reads back as the same value;
//   - text of letters and digits is written, and reads back as given, blanks padding it;
//   - a record the writer refused is not in the output, which holds every other record;
//   - every value read back writes the same bytes again (the bytes are canonical).
//
// The first input byte chooses the options: bits 0-1 the record format (fixed, layout,
// rdw, vb), bits 2-3 the code page (037, latin1, utf8, 273), bit 4 overpunch signs, bit
// 5 little-endian binary, bits 6-7 the float format (IBM, IEEE, IEEE little-endian).
// The second the number of fields (1 to 8, its low bits) and, in its top bit, spanned
// records: rdw becomes vs and vb vbs, in blocks of 23 bytes, so that records are cut
// into segments. Then three bytes a field (kind, digits, digits after the point); then
// records, a byte per field saying what its value is, followed by the bytes the value
// takes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "format/ccb_decimal.h"
#include "lyra/ccb_record_reader.h"
#include "lyra/ccb_record_writer.h"

namespace {

const CCBRecordFormat FORMATS[] = {CCB_RECORD_FIXED, CCB_RECORD_LAYOUT, CCB_RECORD_RDW,
                                   CCB_RECORD_VB};
const int CODE_PAGES[] = {37, 819, 1208, 273};
const CCBFloatFormat FLOATS[] = {CCB_FLOAT_IBM, CCB_FLOAT_IEEE, CCB_FLOAT_IEEE_LE, CCB_FLOAT_IEEE};
const int MAX_FIELDS = 8;
const int MAX_RECORDS = 16;

// What a field holds, and how its picture is made from its digits (d) and fraction (f).
enum Kind { TEXT, ZONED, LEADING, SEPARATE, PACKED, BINARY, NATIVE, FLOAT, NATIONAL, EDITED };
const int KIND_COUNT = 10;

struct Field {
  Kind kind;
  int digits;    // integer digits, or characters of text
  int fraction;  // digits after the point
  bool isSigned;
};

std::string digitsPicture(const Field& f) {
  std::string picture = f.isSigned ? "S" : "";
  if (f.digits > 0) picture += "9(" + std::to_string(f.digits) + ")";
  if (f.fraction > 0) picture += "V9(" + std::to_string(f.fraction) + ")";
  return picture;
}

// The copybook line of field i.
std::string fieldLine(const Field& f, int i) {
  const std::string name = "           05  F" + std::to_string(i) + " ";
  switch (f.kind) {
    case TEXT:
      return name + "PIC X(" + std::to_string(f.digits) + ").";
    case ZONED:
      return name + "PIC " + digitsPicture(f) + ".";
    case LEADING:
      return name + "PIC " + digitsPicture(f) + " SIGN LEADING.";
    case SEPARATE:
      return name + "PIC " + digitsPicture(f) + " SIGN LEADING SEPARATE.";
    case PACKED:
      return name + "PIC " + digitsPicture(f) + " COMP-3.";
    case BINARY:
      return name + "PIC " + digitsPicture(f) + " COMP.";
    case NATIVE:
      return name + "PIC " + digitsPicture(f) + " COMP-5.";
    case FLOAT:
      return name + (f.digits % 2 == 0 ? "COMP-1." : "COMP-2.");
    case NATIONAL:
      return name + "PIC N(" + std::to_string(f.digits) + ").";
    default:
      return name + "PIC -(" + std::to_string(f.digits + 1) + ")9.99.";
  }
}

Field makeField(const uint8_t* bytes) {
  Field f;
  f.kind = static_cast<Kind>(bytes[0] % KIND_COUNT);
  f.isSigned = (bytes[0] & 0x80) != 0 && f.kind != SEPARATE;
  f.digits = 1 + bytes[1] % 9;
  f.fraction = bytes[2] % 4;
  if (f.kind == SEPARATE || f.kind == LEADING) f.isSigned = true;
  if (f.kind == BINARY || f.kind == NATIVE) f.digits = 1 + bytes[1] % 14;
  if (f.kind == EDITED) f.fraction = 2;
  return f;
}

// A value of a field that fits it: digits, a sign where it may have one.
std::string fittingNumber(const Field& f, const uint8_t* bytes, size_t size, size_t* used) {
  std::string value = f.isSigned && size > 0 && (bytes[0] & 1) != 0 ? "-" : "";
  const int integer = f.kind == EDITED ? f.digits + 1 : f.digits;
  for (int i = 0; i < integer + f.fraction; ++i) {
    if (i == integer) value += '.';
    const uint8_t b = static_cast<size_t>(i + 1) < size ? bytes[i + 1] : 0;
    value += static_cast<char>('0' + b % 10);
  }
  *used = std::min(size, static_cast<size_t>(integer + f.fraction + 1));
  return value;
}

bool sameNumber(const std::string& a, const std::string& b) {
  CCBDecimal x, y;
  if (!parseDecimal(a.data(), static_cast<int>(a.size()), &x) ||
      !parseDecimal(b.data(), static_cast<int>(b.size()), &y)) {
    return false;
  }
  if (x.zero || y.zero) return x.zero == y.zero;
  if (x.negative != y.negative || x.high != y.high || x.low != y.low) return false;
  for (int w = x.low; w <= x.high; ++w) {
    if (x.digitAt(w) != y.digitAt(w)) return false;
  }
  return true;
}

struct Given {
  enum What { NONE, NUMBER, TEXT_VALUE, ANY } what = NONE;
  std::string value;
};

// The records of the input: a value per field each.
std::vector<std::vector<Given>> makeRecords(const std::vector<Field>& fields, const uint8_t* data,
                                            size_t size) {
  std::vector<std::vector<Given>> records;
  size_t at = 0;
  while (at < size && records.size() < static_cast<size_t>(MAX_RECORDS)) {
    std::vector<Given> record;
    for (const Field& f : fields) {
      Given given;
      const uint8_t choice = at < size ? data[at++] : 0;
      const size_t rest = size - at;
      size_t used = 0;
      if (choice % 4 == 1 && f.kind != TEXT && f.kind != NATIONAL && f.kind != FLOAT) {
        given.what = Given::NUMBER;
        given.value = fittingNumber(f, data + at, rest, &used);
      } else if (choice % 4 == 2) {
        given.what = Given::TEXT_VALUE;
        used = std::min(rest, static_cast<size_t>(choice >> 4));
        for (size_t i = 0; i < used; ++i) {
          given.value += "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[data[at + i] % 36];
        }
      } else if (choice % 4 == 3) {
        given.what = Given::ANY;
        used = std::min(rest, static_cast<size_t>(choice >> 4));
        given.value.assign(reinterpret_cast<const char*>(data + at), used);
      }
      at += used;
      record.push_back(given);
    }
    records.push_back(record);
  }
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[0];
  const int fieldCount = 1 + data[1] % MAX_FIELDS;
  if (size < 2 + 3 * static_cast<size_t>(fieldCount)) return 0;
  std::vector<Field> fields;
  std::string copybook = "       01  R.\n";
  for (int i = 0; i < fieldCount; ++i) {
    fields.push_back(makeField(data + 2 + 3 * i));
    copybook += fieldLine(fields.back(), i) + "\n";
  }
  const size_t first = 2 + 3 * static_cast<size_t>(fieldCount);
  const std::vector<std::vector<Given>> records = makeRecords(fields, data + first, size - first);

  CCBLayoutOptions layout;
  layout.setFloatFormat(FLOATS[options >> 6]);
  layout.setNationalUtf16(true);
  CCBReadOptions read;
  const bool spanned = (data[1] & 0x80) != 0;
  CCBRecordFormat format = FORMATS[options & 3];
  if (spanned && format == CCB_RECORD_RDW) format = CCB_RECORD_VS;
  if (spanned && format == CCB_RECORD_VB) format = CCB_RECORD_VBS;
  read.setRecordFormat(format);
  read.setCodePage(CODE_PAGES[(options >> 2) & 3]);
  read.setOverpunchSigns((options & 0x10) != 0);
  read.setBinaryLittleEndian((options & 0x20) != 0);
  read.setResultEncoding(CCB_RESULT_UTF8);
  read.setZeroBytes(CCB_ZERO_BYTES_KEEP);
  read.setMaxErrors(-1);
  read.setBlockSize(spanned ? 23 : 100);

  CCBRecordWriter* writer = createCCBRecordWriter();
  writer->setLayoutOptions(layout);
  if (!writer->addCopybookText(copybook.data(), copybook.size(), "", true)) abort();
  std::vector<unsigned char> memory(65536);
  if (!writer->openMemory(memory.data(), memory.size(), read)) abort();
  std::vector<const std::vector<Given>*> written;
  for (const std::vector<Given>& record : records) {
    for (size_t i = 0; i < record.size(); ++i) {
      if (record[i].what != Given::NONE) {
        writer->setValue(static_cast<int>(i), record[i].value.data(),
                         static_cast<int>(record[i].value.size()));
      }
    }
    bool failed = false;
    const bool wrote = writer->writeRecord(failed);
    if (failed) abort();  // bad records are passed over; the memory holds them all
    // Numbers that fit and text of letters and digits that fits are written.
    bool fits = true;
    for (size_t i = 0; i < record.size(); ++i) {
      const Given& g = record[i];
      const Field& f = fields[i];
      const bool text = f.kind == TEXT || f.kind == NATIONAL;
      if (g.what == Given::ANY ||
          (g.what == Given::TEXT_VALUE && (!text || static_cast<int>(g.value.size()) > f.digits))) {
        fits = false;
      }
    }
    const bool variable = (options & 3) >= 2;
    if (fits && !wrote && !variable) abort();
    if (wrote) written.push_back(&record);
  }
  if (!writer->close()) abort();
  memory.resize(static_cast<size_t>(writer->getOutputSize()));

  CCBRecordReader* reader = createCCBRecordReader();
  reader->setLayoutOptions(layout);
  if (!reader->addCopybookText(copybook.data(), copybook.size(), "", true)) abort();
  if (!reader->openDataMemory(memory.data(), memory.size(), read)) abort();
  CCBRecordWriter* again = createCCBRecordWriter();
  again->setLayoutOptions(layout);
  if (!again->addCopybookText(copybook.data(), copybook.size(), "", true) ||
      !again->prepareEncoding(read)) {
    abort();
  }
  bool failed = false;
  size_t count = 0;
  while (reader->readNextRecord(failed)) {
    if (count >= written.size()) abort();
    const std::vector<Given>& record = *written[count++];
    again->clearValues();
    for (size_t i = 0; i < record.size(); ++i) {
      const char* bytes = nullptr;
      int length = 0;
      if (!reader->getOutputBytes(static_cast<int>(i), bytes, length)) continue;
      const std::string text(bytes, static_cast<size_t>(length));
      const Given& g = record[i];
      const Field& f = fields[i];
      if (g.what == Given::NUMBER && !sameNumber(g.value, text)) abort();
      if (g.what == Given::TEXT_VALUE && (f.kind == TEXT || f.kind == NATIONAL) &&
          text.compare(0, g.value.size(), g.value) != 0) {
        abort();
      }
      again->setValue(static_cast<int>(i), text.data(), static_cast<int>(text.size()));
    }
    // What was read writes the same bytes again.
    const unsigned char* bytes = nullptr;
    int length = 0;
    if (!again->encodeRecord(bytes, length) || length != reader->getRecordSize() ||
        std::memcmp(bytes, reader->getRecordBytes(), static_cast<size_t>(length)) != 0) {
      abort();
    }
  }
  if (failed || count != written.size()) abort();
  again->release();
  reader->release();
  writer->release();
  return 0;
}
