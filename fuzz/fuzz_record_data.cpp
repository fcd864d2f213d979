// Reads arbitrary bytes as a data file in memory with record layouts that together
// use every kind of field (display with every sign convention, binary, packed,
// scaling, a variable table, a redefinition, floats in each format, native binary,
// UTF-16 national text), in every record format and character set, and fetches
// every column, the position and the bytes of every record; then reads the same data
// again as typed columns through a record batch, in small batches, and checks the
// buffers it gives.
//
// The first input byte chooses the options: bits 0-2 the record format (fixed, layout,
// rdw, vb, lines, vbs, vs, or rdw in GnuCOBOL's variable-file form of bits 4-5), bit 3
// a decoding byte follows, bit 4 little-endian descriptor words, bit 5 lengths without
// the descriptor, bit 6 pass over every bad record, bit 7 a range from the offset in
// the next two bytes (big-endian). The decoding byte: bits 0-4 the code page (modulo
// their number; the mixed double-byte pages first), bit 5 UTF-8 results, bit 6
// little-endian COMP-5, bit 7 little-endian binary. The rest is the data, which is
// decompressed where its first bytes are those of gzip, bzip2 or zstd data. Layout
// "M" is layout A with its table laid out at its maximum.
//
// One reader serves every run: its layouts are parsed once per process, from
// files that exist only while they are added.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_layouts.h"
#include "lyra/ccb_record_batch.h"
#include "lyra/ccb_record_reader.h"

namespace {

// The code pages by CCSID.
const int CODE_PAGES[] = {930,  933,  935,  937,  939,  1364, 1371, 1388, 1390, 1399, 37,  273,
                          277,  278,  280,  284,  285,  297,  500,  871,  1047, 1140, 819, 1252,
                          1208, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149};
const int CODE_PAGE_COUNT = sizeof CODE_PAGES / sizeof CODE_PAGES[0];

const int FIXED_LENGTH = 64;
const int MAX_RECORDS = 1000;
const int BATCH_RECORDS = 7;

struct FuzzReader {
  CCBRecordReader* reader = createCCBRecordReader();
  CCBRecordBatch* batch = createCCBRecordBatch();
  unsigned checksum = 0;  // the record bytes are read, so a bad view shows
  FuzzReader() {
    if (reader == nullptr || batch == nullptr || !addLayoutText(reader, LAYOUT_A, "A", true) ||
        !addLayoutText(reader, LAYOUT_B, "B", false) ||
        !addLayoutText(reader, LAYOUT_DOUBLE_BYTE, "D", false) || !addNumberLayouts() ||
        !addTablesAtMaximum() || !reader->setIdentifierField(0, "PIC X")) {
      abort();  // no run could read anything
    }
  }
  // Layouts "I", "E" and "L": the number layout with IBM, IEEE and little-endian IEEE
  // floats.
  bool addNumberLayouts() {
    const CCBFloatFormat formats[] = {CCB_FLOAT_IBM, CCB_FLOAT_IEEE, CCB_FLOAT_IEEE_LE};
    const char* const ids[] = {"I", "E", "L"};
    for (int i = 0; i < 3; ++i) {
      CCBLayoutOptions layout;
      layout.setFloatFormat(formats[i]);
      layout.setNationalUtf16(true);
      reader->setLayoutOptions(layout);
      if (!addLayoutText(reader, LAYOUT_NUMBERS, ids[i], false)) return false;
    }
    return true;
  }
  bool addTablesAtMaximum() {
    CCBLayoutOptions layout;
    layout.setOdoLayout(CCB_ODO_MAX);
    reader->setLayoutOptions(layout);
    return addLayoutText(reader, LAYOUT_A, "M", false);
  }
  ~FuzzReader() {
    batch->release();
    reader->release();
  }
};

// Every value of a column of the batch is where its kind puts it: text offsets that
// never go back, and NaN for a real that is none.
void checkColumn(CCBRecordBatch* batch, int column, unsigned* checksum) {
  const int count = batch->getRecordCount();
  const unsigned char* valid = batch->getValidity(column);
  const double* reals = batch->getReals(column);
  const int64_t* offsets = batch->getTextOffsets(column);
  const char* text = batch->getTextBytes(column);
  if (valid == nullptr || batch->getErrorCount(column) > count) abort();
  for (int r = 0; r < count; ++r) {
    if (reals != nullptr && valid[r] == 0 && reals[r] == reals[r]) abort();
    if (offsets == nullptr) continue;
    if (offsets[r + 1] < offsets[r]) abort();
    for (int64_t i = offsets[r]; i < offsets[r + 1]; ++i)
      *checksum += static_cast<unsigned char>(text[i]);
  }
}

void readBatches(FuzzReader* fuzz) {
  CCBRecordBatch* batch = fuzz->batch;
  batch->setDecimalText(true);
  batch->setTrimText(true);
  bool failed = false;
  for (int records = 0; records < MAX_RECORDS;) {
    const int count = batch->read(fuzz->reader, BATCH_RECORDS, failed);
    if (count < 0 || count > BATCH_RECORDS) abort();
    for (int c = 0; c < batch->getColumnCount(); ++c) checkColumn(batch, c, &fuzz->checksum);
    if (count < BATCH_RECORDS) return;
    records += count;
  }
}

CCBReadOptions optionsFrom(const uint8_t* data, size_t size, size_t* used) {
  CCBReadOptions options;
  const uint8_t bits = data[0];
  const bool varseq = (bits & 7) == 7;
  options.setRecordFormat(varseq ? CCB_RECORD_RDW : static_cast<CCBRecordFormat>(bits & 7));
  options.setRecordLength(FIXED_LENGTH);
  options.setVarseqFormat(varseq ? (bits >> 4) & 3 : -1);
  options.setRdwLittleEndian(!varseq && (bits & 16) != 0);
  options.setRdwExcludesHeader(!varseq && (bits & 32) != 0);
  options.setMaxErrors((bits & 64) != 0 ? -1 : 0);
  *used = 1;
  if ((bits & 8) != 0 && size >= 2) {
    const uint8_t decoding = data[1];
    options.setCodePage(CODE_PAGES[(decoding & 31) % CODE_PAGE_COUNT]);
    options.setResultEncoding((decoding & 32) != 0 ? CCB_RESULT_UTF8 : CCB_RESULT_LATIN1);
    options.setComp5LittleEndian((decoding & 64) != 0);
    options.setBinaryLittleEndian((decoding & 128) != 0);
    *used = 2;
  }
  if ((bits & 128) != 0 && size >= *used + 2) {
    options.setRange(data[*used] << 8 | data[*used + 1], -1);
    options.setFirstRecord(1);
    *used += 2;
  }
  return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzReader fuzz;
  if (size == 0) return 0;
  size_t used = 0;
  const CCBReadOptions options = optionsFrom(data, size, &used);
  CCBRecordReader* reader = fuzz.reader;
  if (!reader->openDataMemory(data + used, size - used, options)) return 0;
  bool failed = false;
  for (int records = 0; records < MAX_RECORDS && reader->readNextRecord(failed); ++records) {
    for (int i = 0; i < reader->getOutputCount(); ++i) reader->getOutputValue(i);
    const unsigned char* bytes = reader->getRecordBytes();
    const int length = reader->getRecordSize();
    if (length < 0 || (length > 0 && bytes == nullptr) || reader->getRecordOffset() < 0) abort();
    for (int i = 0; i < length; ++i) fuzz.checksum += bytes[i];
  }
  if (reader->openDataMemory(data + used, size - used, options)) readBatches(&fuzz);
  return 0;
}
