#include "interface/ccb_record_check_impl.h"

#include <algorithm>
#include <new>
#include <string>

#include "format/ccb_format.h"
#include "interface/ccb_reader_impl.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_output_value.h"

namespace {

// What the bytes of a bad value should have held, by fault, for inputs read in an
// EBCDIC page and in an ASCII-based one; "%s" stands for the field's picture or the
// page's name where a phrase has it. A display number's embedded sign adds its phrase.
struct ExpectedPhrase {
  CCBValueFault fault;
  const char* ebcdic;
  const char* ascii;
};

const ExpectedPhrase EXPECTED_PHRASES[] = {
    {VALUE_BAD_ZONED, "digits F0 to F9 of PIC %s", "digits 30 to 39 of PIC %s"},
    {VALUE_BAD_SIGN, "a sign byte 4E (+) or 60 (-) of PIC %s",
     "a sign byte 2B (+) or 2D (-) of PIC %s"},
    {VALUE_BAD_PACKED,
     "packed digits of PIC %s: nibbles 0 to 9, the last a sign C, D or F, an unused first "
     "nibble 0",
     "packed digits of PIC %s: nibbles 0 to 9, the last a sign C, D or F, an unused first "
     "nibble 0"},
    {VALUE_BAD_BINARY, "a binary value of no more digits than PIC %s holds",
     "a binary value of no more digits than PIC %s holds"},
    {VALUE_BAD_FLOAT, "a finite float (no NaN or infinity)", "a finite float (no NaN or infinity)"},
    {VALUE_BAD_EDITED, "a number as the edited PIC %s writes it",
     "a number as the edited PIC %s writes it"},
    {VALUE_BAD_TEXT, "characters printable in code page %s",
     "characters printable in code page %s"},
    {VALUE_BAD_UNDECODED, "bytes its usage can be decoded from",
     "bytes its usage can be decoded from"},
};

// How an embedded sign stands in a display number's first or last byte.
const char EBCDIC_EMBEDDED_SIGN[] = ", the sign in the zone of its %s byte: C, D or F";
const char ASCII_EMBEDDED_SIGN[] =
    ", its %s byte a digit or a signed one: 'p' to 'y', '{', '}', 'A' to 'R'";

// The name of the page the decoding reads text in, as the tool names it.
const char* pageName(const CCBDecoding& decoding) {
  const char* name = ccbCodePageName(decoding.codec.ccsid());
  return *name != '\0' ? name : "latin1";
}

}  // namespace

CCBRecordCheck::~CCBRecordCheck() = default;

CCBRecordCheck* createCCBRecordCheck() {
  return new (std::nothrow) CCBRecordCheckImpl();
}

bool CCBRecordCheckImpl::check(CCBRecordReader* reader) {
  CCBReaderImpl* impl = dynamic_cast<CCBReaderImpl*>(reader);
  if (impl == nullptr) {
    errorMessage_ = QvbString("A check reads only record readers made by createCCBRecordReader");
    return false;
  }
  array_ = impl->activeColumnArray();
  const int count = array_ != nullptr ? array_->getColumnCount() : 0;
  if (count == 0) {
    errorMessage_ = QvbString("The reader has no active layout to check the records of");
    return false;
  }
  const CCBDataRoot* root =
      static_cast<const CCBDataRoot*>(array_->column(0).node()->getLayoutRoot());
  decoding_ = &root->decoding();
  if (decoding_->codec.ccsid() != classesPage_) {
    classesPage_ = decoding_->codec.ccsid();
    classifyBytes(classesPage_, &classes_);
  }
  try {
    states_.resize(static_cast<size_t>(count));
    faults_.resize(static_cast<size_t>(count));
    offsets_.resize(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    errorMessage_ = QvbString("Buffer Allocation failed");
    states_.clear();
    return false;
  }
  for (size_t i = 0; i < states_.size(); ++i) checkColumn(i, root->keptRecord());
  return true;
}

// The value judged by the field's format: from the field's bytes where the entry
// decodes from them and they tell, otherwise from its text as the reader gives it.
void CCBRecordCheckImpl::checkColumn(size_t index, const unsigned char* record) {
  const CCBOutputEntry& entry = array_->column(static_cast<int>(index));
  const CCBFormat* format = static_cast<const CCBDataField*>(entry.node())->format();
  const unsigned char* bytes = entry.laterBytes();  // null also for a null value
  offsets_[index] = bytes != nullptr ? static_cast<int>(bytes - record) : -1;
  CCBValueFault fault = VALUE_CLEAN;
  if (bytes == nullptr || format == nullptr ||
      !format->checkBytes(bytes, *decoding_, classes_, &fault)) {
    const char* text = nullptr;
    int length = 0;
    if (!entry.viewText(&text, &length)) {
      faults_[index] = VALUE_CLEAN;
      states_[index] = CCB_VALUE_NULL;
      return;
    }
    if (format != nullptr) fault = format->checkValue(text, length, bytes, *decoding_);
  }
  faults_[index] = fault;
  states_[index] = fault == VALUE_CLEAN    ? CCB_VALUE_CLEAN
                   : isUnusualValue(fault) ? CCB_VALUE_UNUSUAL
                                           : CCB_VALUE_BAD;
}

int CCBRecordCheckImpl::getStateCount(CCBValueState state) {
  return static_cast<int>(std::count(states_.begin(), states_.end(), state));
}

int CCBRecordCheckImpl::getFieldOffset(int column) {
  return hasColumn(column) ? offsets_[static_cast<size_t>(column)] : -1;
}

int CCBRecordCheckImpl::getFieldLength(int column) {
  if (!hasColumn(column)) return 0;
  const CCBFormat* format =
      static_cast<const CCBDataField*>(array_->column(column).node())->format();
  return format != nullptr ? format->storageLength() : 0;
}

QvbString CCBRecordCheckImpl::getExpected(int column) {
  if (!hasColumn(column) || states_[static_cast<size_t>(column)] != CCB_VALUE_BAD) {
    return QvbString("");
  }
  const CCBValueFault fault = faults_[static_cast<size_t>(column)];
  const CCBDataField* field = static_cast<const CCBDataField*>(array_->column(column).node());
  for (const ExpectedPhrase& phrase : EXPECTED_PHRASES) {
    if (phrase.fault != fault) continue;
    const char* pattern = decoding_->codec.ebcdic() ? phrase.ebcdic : phrase.ascii;
    const std::string filler =
        fault == VALUE_BAD_TEXT ? pageName(*decoding_) : field->getPicture().str();
    std::string expected = qvbStringFormat(pattern, filler.c_str()).str();
    const bool embedded = field->format() != nullptr && field->format()->numberShape().isSigned &&
                          !field->getSignSeparate();
    if (fault == VALUE_BAD_ZONED && embedded) {
      const char* sign = decoding_->codec.ebcdic() ? EBCDIC_EMBEDDED_SIGN : ASCII_EMBEDDED_SIGN;
      expected += qvbStringFormat(sign, field->getSignLeading() ? "first" : "last").str();
    }
    return QvbString(expected.c_str());
  }
  return QvbString("");
}
