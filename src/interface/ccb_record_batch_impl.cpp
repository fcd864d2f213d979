#include "interface/ccb_record_batch_impl.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "format/ccb_float.h"
#include "format/ccb_format.h"
#include "interface/ccb_column_type.h"
#include "interface/ccb_reader_impl.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_output_value.h"

namespace {

// The names of the kinds, indexed by kind.
const char* const COLUMN_KIND_NAMES[] = {
    "integer",      // CCB_COLUMN_INTEGER
    "unsigned",     // CCB_COLUMN_UNSIGNED
    "decimal",      // CCB_COLUMN_DECIMAL
    "big_decimal",  // CCB_COLUMN_BIG_DECIMAL
    "float",        // CCB_COLUMN_FLOAT
    "text",         // CCB_COLUMN_TEXT
};

const int RESERVED_RECORDS = 64 * 1024;  // room made at once, at most, for a read
const int STAGED_RECORDS = 256;          // records that wait to be decoded, at most,
const int STAGED_BYTES = 1 << 20;        // and their bytes, at most
const char ERROR_TEXT[] = "#ERR#";
const int ERROR_TEXT_LENGTH = sizeof ERROR_TEXT - 1;

// The length of the text without its trailing blanks, which fill most text fields:
// eight at a time while there are so many.
int withoutTrailingBlanks(const char* text, int length) {
  const uint64_t blanks = 0x2020202020202020ULL;
  uint64_t word = 0;
  while (length >= 8 && (std::memcpy(&word, text + length - 8, sizeof word), word == blanks)) {
    length -= 8;
  }
  while (length > 0 && text[length - 1] == ' ') --length;
  return length;
}

bool hasZeroByte(uint64_t word) {
  return ((word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL) != 0;
}

#ifdef __SSE2__
// copyPlainText for 16 bytes or more: blocks of 16, the last of them ending at the
// last byte.
int copyTextBlocks(const char* text, int width, bool trim, char* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i blank = _mm_set1_epi8(' ');
  int end = 0;
  for (int at = 0;; at += 16) {
    if (at > width - 16) at = width - 16;
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)) != 0) return -1;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), block);
    const unsigned kept =
        ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, blank))) & 0xFFFFu;
    if (kept != 0) end = at + 32 - __builtin_clz(kept);  // just past its last non-blank
    if (at == width - 16) return trim ? end : width;
  }
}
#endif

// Copies the width bytes at text to out and returns how many of them make the value:
// those up to the last one that is no blank when trim is set, all of them otherwise;
// -1 when one of them is a zero byte, whose rule the text path applies. Plain text
// fields are short, so the copy and the checks are done together in a few whole
// words rather than by a scan and a copy that cost more to set up than to run.
int copyPlainText(const char* text, int width, bool trim, char* out) {
#ifdef __SSE2__
  if (width >= 16) return copyTextBlocks(text, width, trim, out);
#endif
  if (width >= 8 && width <= 16) {  // the first 8 and the last 8
    uint64_t first = 0, last = 0;
    std::memcpy(&first, text, sizeof first);
    std::memcpy(&last, text + width - 8, sizeof last);
    if (hasZeroByte(first) || hasZeroByte(last)) return -1;
    std::memcpy(out, &first, sizeof first);
    std::memcpy(out + width - 8, &last, sizeof last);
  } else {
    for (int i = 0; i < width; ++i) {
      if (text[i] == '\0') return -1;
      out[i] = text[i];
    }
  }
  return trim ? withoutTrailingBlanks(out, width) : width;
}

}  // namespace

const char* ccbColumnKindName(CCBColumnKind kind) {
  if (kind < CCB_COLUMN_INTEGER || kind > CCB_COLUMN_TEXT) return "";
  return COLUMN_KIND_NAMES[kind];
}

CCBRecordBatch::~CCBRecordBatch() = default;

CCBRecordBatch* createCCBRecordBatch() {
  return new (std::nothrow) CCBRecordBatchImpl();
}

void CCBRecordBatchImpl::setColumns(const int* indexes, int count) {
  everyColumn_ = indexes == nullptr || count < 0;
  indexes_.clear();
  if (!everyColumn_) indexes_.assign(indexes, indexes + count);
}

bool CCBRecordBatchImpl::describe(CCBRecordReader* reader) {
  CCBReaderImpl* impl = dynamic_cast<CCBReaderImpl*>(reader);
  if (impl == nullptr) {
    errorMessage_ = QvbString("A batch reads only record readers made by createCCBRecordReader");
    return false;
  }
  bool described = false;
  try {
    described = describeColumns(impl->activeColumnArray());
  } catch (const std::bad_alloc&) {
    errorMessage_ = QvbString("Buffer Allocation failed");
  }
  detach();
  if (described) return true;
  described_ = nullptr;
  columns_.clear();
  clear();
  return false;
}

// Points the columns at the array's entries and types them; the buffers of the
// columns already there are kept.
bool CCBRecordBatchImpl::describeColumns(const CCBOutputArray* array) {
  if (array == nullptr) {
    errorMessage_ = QvbString("The reader has no active layout to read the records of");
    return false;
  }
  const int available = array->getColumnCount();
  const int count = everyColumn_ ? available : static_cast<int>(indexes_.size());
  for (int i = 0; i < count; ++i) {
    const int index = everyColumn_ ? i : indexes_[static_cast<size_t>(i)];
    if (index < 0 || index >= available) {
      errorMessage_ = qvbStringFormat(
          "Column index %d is out of range: the active layout has %d columns", index, available);
      return false;
    }
  }
  attach(array);
  columns_.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const int index = everyColumn_ ? i : indexes_[static_cast<size_t>(i)];
    describeColumn(array->getColumn(index), index, &columns_[static_cast<size_t>(i)]);
  }
  described_ = array;
  stagingKnown_ = false;
  stageWidth_ = 0;
  clear();
  return true;
}

// Records set from the plan can wait to be decoded when every column is a field
// with a plan offset: they wait as the bytes up to the end of the last such field.
// The plan is made when the first record is read, so this is known from then on.
void CCBRecordBatchImpl::describeStaging() {
  stagingKnown_ = true;
  int width = 0;
  for (Column& column : columns_) {
    const int offset = column.entry->planOffset();
    if (offset < 0 || column.storageLength == 0) {
      width = 0;
      break;
    }
    width = std::max(width, offset + column.storageLength);
  }
  stageWidth_ = width;
  stageRecords_ = width > 0 ? std::max(1, std::min(STAGED_RECORDS, STAGED_BYTES / width)) : 0;
  staged_.resize(static_cast<size_t>(stageWidth_) * static_cast<size_t>(stageRecords_));
}

void CCBRecordBatchImpl::describeColumn(const CCBOutputEntry* entry, int index,
                                        Column* column) const {
  column->index = index;
  column->name = entry->getName();
  column->entry = entry;
  const CCBData* node = entry->node();
  const CCBFormat* format =
      node->isField() ? static_cast<const CCBDataField*>(node)->format() : nullptr;
  const CCBColumnType type = columnTypeOf(*entry);
  column->kind = type.kind;
  column->digits = type.digits;
  column->fraction = type.fraction;
  column->edited = type.edited;
  column->zeroFraction = type.zeroFraction;
  column->single = type.single;
  column->errorText = type.errorText;
  column->keepsText = column->kind == CCB_COLUMN_TEXT || column->kind == CCB_COLUMN_BIG_DECIMAL ||
                      (column->kind == CCB_COLUMN_DECIMAL && decimalText_);
  const bool typedOnly = column->kind == CCB_COLUMN_INTEGER ||
                         column->kind == CCB_COLUMN_UNSIGNED ||
                         (column->kind == CCB_COLUMN_DECIMAL && !column->keepsText);
  column->direct = typedOnly && !type.edited && decoding_ != nullptr ? format : nullptr;
  const bool plain = column->kind == CCB_COLUMN_TEXT && format != nullptr && decoding_ != nullptr &&
                     format->textIsBytes(*decoding_);
  column->plainText = plain;
  column->storageLength = format != nullptr ? format->storageLength() : 0;
}

void CCBRecordBatchImpl::clear() {
  numbers_.clear();
  offsets_.clear();
  stagedNumbers_.clear();
  stagedOffsets_.clear();
  for (Column& column : columns_) {
    column.validity.clear();
    column.integers.clear();
    column.reals.clear();
    column.text.clear();
    column.textOffsets.clear();
    column.textOffsets.push_back(0);
    column.errors = 0;
  }
}

void CCBRecordBatchImpl::reserve(int records) {
  const size_t room = static_cast<size_t>(records < RESERVED_RECORDS ? records : RESERVED_RECORDS);
  numbers_.reserve(room);
  offsets_.reserve(room);
  for (Column& column : columns_) {
    column.validity.reserve(room);
    if (hasIntegers(column)) column.integers.reserve(room);
    if (hasReals(column)) column.reals.reserve(room);
    if (column.keepsText) column.textOffsets.reserve(room + 1);
  }
}

// Cuts every buffer back to the first records records: the values of a record that
// could not be completed go.
void CCBRecordBatchImpl::truncate(size_t records) {
  numbers_.resize(records);
  offsets_.resize(records);
  for (Column& column : columns_) {
    if (column.validity.size() > records) column.validity.resize(records);
    if (column.integers.size() > records) column.integers.resize(records);
    if (column.reals.size() > records) column.reals.resize(records);
    if (column.textOffsets.size() > records + 1) {
      column.textOffsets.resize(records + 1);
      column.text.resize(static_cast<size_t>(column.textOffsets.back()));
    }
  }
}

int CCBRecordBatchImpl::read(CCBRecordReader* reader, int maxRecords, bool& failed) {
  failed = true;
  if (maxRecords < 1) {
    errorMessage_ =
        qvbStringFormat("Invalid batch size %d: a batch holds at least one record", maxRecords);
    return 0;
  }
  if (!describe(reader)) return 0;
  CCBReaderImpl* impl = static_cast<CCBReaderImpl*>(reader);
  if (impl->readsAllLayouts()) {
    detach();
    errorMessage_ = QvbString(
        "A batch reads the records of one layout: this reader reads every layout's (append "
        "takes them one at a time)");
    return 0;
  }
  try {
    attach(described_);
    reserve(maxRecords);
    failed = !readRecords(impl, maxRecords);
  } catch (const std::bad_alloc&) {
    stagedNumbers_.clear();  // the records waiting are lost with the values of the last
    stagedOffsets_.clear();
    truncate(numbers_.size());
    errorMessage_ = QvbString("Buffer Allocation failed");
  }
  detach();
  return getRecordCount();
}

// Points the batch at the array's entries and at the decoding of the data it holds (a
// layout with none open yet has no root).
void CCBRecordBatchImpl::attach(const CCBOutputArray* array) {
  const bool any = array->getColumnCount() > 0;
  const CCBData* root = any ? array->getColumn(0)->node()->getLayoutRoot() : nullptr;
  decoding_ = root != nullptr ? &static_cast<const CCBDataRoot*>(root)->decoding() : nullptr;
  for (Column& column : columns_) column.entry = array->getColumn(column.index);
  array_ = array;
}

// Between calls the batch points to nothing of the reader's.
void CCBRecordBatchImpl::detach() {
  for (Column& column : columns_) column.entry = nullptr;
  decoding_ = nullptr;
  array_ = nullptr;
}

bool CCBRecordBatchImpl::append(CCBRecordReader* reader) {
  CCBReaderImpl* impl = dynamic_cast<CCBReaderImpl*>(reader);
  if (impl == nullptr || described_ == nullptr || impl->activeColumnArray() != described_) {
    errorMessage_ = QvbString(
        "The batch appends records of the layout it last described: describe the reader's "
        "active layout first");
    return false;
  }
  try {
    attach(described_);
    appendRecord();
    numbers_.push_back(reader->getRecordNumber());
    offsets_.push_back(reader->getRecordOffset());
  } catch (const std::bad_alloc&) {
    truncate(numbers_.size());
    errorMessage_ = QvbString("Buffer Allocation failed");
    detach();
    return false;
  }
  detach();
  return true;
}

// Reads records into the batch until it holds maxRecords; false when reading failed.
bool CCBRecordBatchImpl::readRecords(CCBReaderImpl* reader, int maxRecords) {
  bool failed = false;
  while (getRecordCount() + static_cast<int>(stagedNumbers_.size()) < maxRecords &&
         reader->readNextRecord(failed)) {
    const unsigned char* planned = array_->plannedRecord();
    if (planned != nullptr && !stagingKnown_) describeStaging();
    if (planned != nullptr && stageWidth_ > 0) {
      stage(planned, reader->getRecordNumber(), reader->getRecordOffset());
      continue;
    }
    appendStaged();  // in the order read
    appendRecord();
    numbers_.push_back(reader->getRecordNumber());
    offsets_.push_back(reader->getRecordOffset());
  }
  appendStaged();
  if (failed) errorMessage_ = reader->getErrorMessage();
  return !failed;
}

// Copies a record set from the plan aside, after appending those waiting when there
// is no room for it.
void CCBRecordBatchImpl::stage(const unsigned char* record, int64_t number, int64_t offset) {
  if (stagedNumbers_.size() == static_cast<size_t>(stageRecords_)) appendStaged();
  const size_t width = static_cast<size_t>(stageWidth_);
  std::memcpy(staged_.data() + stagedNumbers_.size() * width, record, width);
  stagedNumbers_.push_back(number);
  stagedOffsets_.push_back(offset);
}

// Appends the records waiting, a column at a time, then their numbers and offsets.
void CCBRecordBatchImpl::appendStaged() {
  const size_t count = stagedNumbers_.size();
  if (count == 0) return;
  for (Column& column : columns_) {
    appendRun(column, staged_.data() + column.entry->planOffset(), static_cast<size_t>(stageWidth_),
              count);
  }
  numbers_.append(stagedNumbers_.data(), count);
  offsets_.append(stagedOffsets_.data(), count);
  stagedNumbers_.clear();
  stagedOffsets_.clear();
}

// The values of the record just read, each from its field's bytes while they are
// still to be decoded.
void CCBRecordBatchImpl::appendRecord() {
  for (Column& column : columns_) {
    const unsigned char* bytes = column.entry->laterBytes();
    if (bytes != nullptr) {
      appendRun(column, bytes, 0, 1);
    } else {
      appendValue(column);
    }
  }
}

// The values of count records from the column's bytes at bytes, stride apart:
// numbers and plain text straight from them where they can be, every other value
// from its text.
void CCBRecordBatchImpl::appendRun(Column& column, const unsigned char* bytes, size_t stride,
                                   size_t count) {
  if (column.direct != nullptr) {
    appendNumbers(column, bytes, stride, count);
  } else if (column.plainText) {
    appendPlainTexts(column, bytes, stride, count);
  } else {
    for (size_t r = 0; r < count; ++r, bytes += stride) appendDecoded(column, bytes);
  }
}

// Numbers taken straight from the bytes and stored in place, as many at a time as
// can be. A value that the format cannot give so, or that does not fit the column as
// its text would, comes from its text, which then decides, errors included.
void CCBRecordBatchImpl::appendNumbers(Column& column, const unsigned char* bytes, size_t stride,
                                       size_t count) {
  const CCBFormat& format = *column.direct;
  const CCBDecoding& decoding = *decoding_;
  const bool reals = column.kind == CCB_COLUMN_DECIMAL;
  const bool isSigned = column.kind == CCB_COLUMN_INTEGER;
  for (size_t r = 0; r < count; ++r, bytes += stride) {
    unsigned char* valid = column.validity.spare(count - r);
    int64_t* integers = reals ? nullptr : column.integers.spare(count - r);
    double* doubles = reals ? column.reals.spare(count - r) : nullptr;
    size_t n = 0;
    for (CCBFixedPointValue number; r < count; ++r, ++n, bytes += stride) {
      if (!format.decodeFixedPoint(bytes, decoding, &number)) break;
      const bool fits =
          reals ? exactFixedPointToDouble(number.negative, number.magnitude, number.fraction,
                                          &doubles[n])
                : number.fraction == 0 &&
                      integerBits(number.negative, number.magnitude, isSigned, &integers[n]);
      if (!fits) break;
      valid[n] = 1;
    }
    column.validity.commit(n);
    if (reals) {
      column.reals.commit(n);
    } else {
      column.integers.commit(n);
    }
    if (r < count) appendDecoded(column, bytes);
  }
}

// Text that is the field's bytes, stored in place as many at a time as can be. Bytes
// that hold a zero byte give their text, where the zero byte's rule applies.
void CCBRecordBatchImpl::appendPlainTexts(Column& column, const unsigned char* bytes, size_t stride,
                                          size_t count) {
  const int width = column.storageLength;
  for (size_t r = 0; r < count; ++r, bytes += stride) {
    unsigned char* valid = column.validity.spare(count - r);
    int64_t* ends = column.textOffsets.spare(count - r);
    char* out = column.text.spare((count - r) * static_cast<size_t>(width));
    const int64_t start = static_cast<int64_t>(column.text.size());
    int64_t used = 0;
    size_t n = 0;
    for (; r < count; ++r, ++n, bytes += stride) {
      const int length =
          copyPlainText(reinterpret_cast<const char*>(bytes), width, trimText_, out + used);
      if (length < 0) break;
      used += length;
      valid[n] = 1;
      ends[n] = start + used;
    }
    column.validity.commit(n);
    column.textOffsets.commit(n);
    column.text.commit(static_cast<size_t>(used));
    if (r < count) appendDecoded(column, bytes);
  }
}

void CCBRecordBatchImpl::appendDecoded(Column& column, const unsigned char* bytes) {
  const char* text = nullptr;
  int length = 0;
  column.entry->textOf(bytes, &text, &length);
  appendValueText(column, text, length);
}

void CCBRecordBatchImpl::appendValue(Column& column) {
  const char* bytes = nullptr;
  int length = 0;
  if (column.entry->viewText(&bytes, &length)) {
    appendValueText(column, bytes, length);
  } else {
    appendNone(column, false);
  }
}

// The value of a text, typed by the column's kind; an edited number's text reads as one.
void CCBRecordBatchImpl::appendValueText(Column& column, const char* bytes, int length) {
  switch (column.kind) {
    case CCB_COLUMN_TEXT:
      if (column.errorText && length == ERROR_TEXT_LENGTH &&
          std::memcmp(bytes, ERROR_TEXT, ERROR_TEXT_LENGTH) == 0) {
        appendNone(column, true);
        return;
      }
      if (trimText_) length = withoutTrailingBlanks(bytes, length);
      column.validity.push_back(1);
      appendText(column, bytes, length);
      return;
    case CCB_COLUMN_FLOAT: {
      double value = 0.0;
      if (!parseFloatText(bytes, length, column.single, &value)) {
        appendNone(column, true);
        return;
      }
      column.validity.push_back(1);
      column.reals.push_back(value);
      return;
    }
    default:
      appendFixedPoint(column, bytes, length);
  }
}

// The value of a fixed-point or edited number's text, or an error where it is none.
void CCBRecordBatchImpl::appendFixedPoint(Column& column, const char* bytes, int length) {
  CCBFixedPointText number;
  const bool scanned = column.edited ? scanEditedNumber(bytes, length, column.zeroFraction, &number)
                                     : scanFixedPoint(bytes, length, &number);
  if (!scanned) {
    appendNone(column, true);
    return;
  }
  if (column.kind == CCB_COLUMN_INTEGER || column.kind == CCB_COLUMN_UNSIGNED) {
    int64_t value = 0;
    uint64_t bits = 0;
    const bool fits = column.kind == CCB_COLUMN_INTEGER ? fixedPointToInt64(number, &value)
                                                        : fixedPointToUint64(number, &bits);
    if (!fits) {
      appendNone(column, true);
      return;
    }
    column.validity.push_back(1);
    column.integers.push_back(column.kind == CCB_COLUMN_INTEGER ? value
                                                                : static_cast<int64_t>(bits));
    return;
  }
  column.validity.push_back(1);
  column.reals.push_back(fixedPointToDouble(number));
  if (column.keepsText) appendCanonical(column, number);
}

// A null value, or an error: validity 0, and 0, NaN or an empty text.
void CCBRecordBatchImpl::appendNone(Column& column, bool error) {
  column.validity.push_back(0);
  if (hasIntegers(column)) column.integers.push_back(0);
  if (hasReals(column)) column.reals.push_back(std::nan(""));
  if (column.keepsText) column.textOffsets.push_back(column.textOffsets.back());
  if (error) ++column.errors;
}

void CCBRecordBatchImpl::appendText(Column& column, const char* bytes, int length) {
  column.text.append(bytes, static_cast<size_t>(length));
  column.textOffsets.push_back(static_cast<int64_t>(column.text.size()));
}

void CCBRecordBatchImpl::appendCanonical(Column& column, const CCBFixedPointText& number) {
  const size_t start = column.text.size();
  column.text.resize(start + static_cast<size_t>(canonicalLength(number)));
  const int length = writeCanonical(number, column.text.data() + start);
  column.text.resize(start + static_cast<size_t>(length));
  column.textOffsets.push_back(static_cast<int64_t>(column.text.size()));
}

bool CCBRecordBatchImpl::hasIntegers(const Column& column) const {
  return column.kind == CCB_COLUMN_INTEGER || column.kind == CCB_COLUMN_UNSIGNED;
}

bool CCBRecordBatchImpl::hasReals(const Column& column) const {
  return column.kind == CCB_COLUMN_DECIMAL || column.kind == CCB_COLUMN_BIG_DECIMAL ||
         column.kind == CCB_COLUMN_FLOAT;
}

const CCBRecordBatchImpl::Column* CCBRecordBatchImpl::columnAt(int column) const {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return nullptr;
  return &columns_[static_cast<size_t>(column)];
}

int CCBRecordBatchImpl::getColumnIndex(int column) {
  const Column* c = columnAt(column);
  return c != nullptr ? c->index : -1;
}

QvbString CCBRecordBatchImpl::getColumnName(int column) {
  const Column* c = columnAt(column);
  return c != nullptr ? c->name : QvbString(nullptr);
}

CCBColumnKind CCBRecordBatchImpl::getColumnKind(int column) {
  const Column* c = columnAt(column);
  return c != nullptr ? c->kind : CCB_COLUMN_TEXT;
}

int CCBRecordBatchImpl::getColumnDigits(int column) {
  const Column* c = columnAt(column);
  return c != nullptr ? c->digits : 0;
}

int CCBRecordBatchImpl::getColumnFractionDigits(int column) {
  const Column* c = columnAt(column);
  return c != nullptr ? c->fraction : 0;
}

const unsigned char* CCBRecordBatchImpl::getValidity(int column) {
  const Column* c = columnAt(column);
  return c != nullptr ? c->validity.data() : nullptr;
}

const int64_t* CCBRecordBatchImpl::getIntegers(int column) {
  const Column* c = columnAt(column);
  return c != nullptr && c->kind == CCB_COLUMN_INTEGER ? c->integers.data() : nullptr;
}

const uint64_t* CCBRecordBatchImpl::getUnsigned(int column) {
  const Column* c = columnAt(column);
  // The bits of each value were stored as an int64, its unsigned counterpart.
  return c != nullptr && c->kind == CCB_COLUMN_UNSIGNED
             ? reinterpret_cast<const uint64_t*>(c->integers.data())
             : nullptr;
}

const double* CCBRecordBatchImpl::getReals(int column) {
  const Column* c = columnAt(column);
  return c != nullptr && hasReals(*c) ? c->reals.data() : nullptr;
}

const char* CCBRecordBatchImpl::getTextBytes(int column) {
  const Column* c = columnAt(column);
  if (c == nullptr || !c->keepsText) return nullptr;
  return c->text.empty() ? "" : c->text.data();
}

const int64_t* CCBRecordBatchImpl::getTextOffsets(int column) {
  const Column* c = columnAt(column);
  return c != nullptr && c->keepsText ? c->textOffsets.data() : nullptr;
}

int64_t CCBRecordBatchImpl::getErrorCount(int column) {
  const Column* c = columnAt(column);
  return c != nullptr ? c->errors : 0;
}
