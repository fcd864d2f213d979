#include "layout/ccb_data_field.h"

#include "format/ccb_format.h"
#include "input/ccb_data_file.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_output_array.h"

namespace {

const int FIELD_PROPERTY_COUNT = 14;

// The texts of the field kinds, indexed by kind.
const char* const FIELD_KIND_TEXTS[] = {"Field", "Filler", "Value"};

// The rules of the layout the field is part of; the classic rules for a field
// outside any layout.
CCBFormatRules formatRulesOf(const CCBData* node) {
  while (node->getParent() != nullptr) node = node->getParent();
  return node->isRoot() ? static_cast<const CCBDataRoot*>(node)->formatRules() : CCBFormatRules();
}

}  // namespace

CCBDataField::CCBDataField() : CCBData(FIELD_PROPERTY_COUNT, true) {
  picture_.setNull();
  constValue_.setNull();
}

CCBDataField::~CCBDataField() = default;

QvbString CCBDataField::getConditionName(int index) const {
  if (index < 0 || index >= getConditionCount()) return QvbString();
  return conditions_[static_cast<size_t>(index)].first;
}

QvbString CCBDataField::getConditionValue(int index) const {
  if (index < 0 || index >= getConditionCount()) return QvbString();
  return conditions_[static_cast<size_t>(index)].second;
}

bool CCBDataField::addCondition(const QvbString& name, const QvbString& value) {
  conditions_.emplace_back(name, value);
  return true;
}

bool CCBDataField::createFormat() {
  const int signFlags = (signLeading_ ? SIGN_LEADING : 0) | (signSeparate_ ? SIGN_SEPARATE : 0);
  return buildFormat(getUsage(), signFlags);
}

// Replaces the format with one built from the picture. The picture rules refuse a
// few pictures without a message (a count without its ')', a second V); the field
// then names the picture, so that a failed load never reports an empty reason.
bool CCBDataField::buildFormat(const QvbString& usage, int signFlags) {
  format_.reset();
  QvbString error;
  error.setNull();
  format_.reset(CCBFormat::create(picture_, usage, signFlags, error, formatRulesOf(this)));
  if (format_ != nullptr) return true;
  errorMessage_ =
      error.isNull() ? qvbStringFormat("Invalid picture clause: %s", picture_.asCstr()) : error;
  return false;
}

bool CCBDataField::setPicture(const QvbString& picture) {
  picture_ = picture;
  return createFormat();
}

int CCBDataField::getStorageLength(bool zeroIfRedefines) const {
  if (zeroIfRedefines && getRedefines() != nullptr) return 0;
  return format_ != nullptr ? format_->storageLength() : 0;
}

int CCBDataField::getOutputLength() const {
  return format_ != nullptr ? format_->outputLength() : -1;
}

int CCBDataField::getOutputType() const {
  return format_ != nullptr ? format_->outputType() : 4;
}

void CCBDataField::setFieldKind(int kind) {
  fieldKind_ = kind;
  if (kind == FIELD_KIND_FILLER) setName(QvbString("FILLER"));
}

QvbString CCBDataField::getFieldKindText() const {
  if (fieldKind_ < FIELD_KIND_FIELD || fieldKind_ > FIELD_KIND_VALUE) return QvbString();
  return QvbString(FIELD_KIND_TEXTS[fieldKind_], false);
}

void CCBDataField::setFieldKindText(const QvbString& text) {
  if (text.compare("Filler", true) == 0) {
    fieldKind_ = FIELD_KIND_FILLER;
  } else if (text.compare("Value", true) == 0) {
    fieldKind_ = FIELD_KIND_VALUE;
  } else {
    fieldKind_ = FIELD_KIND_FIELD;
  }
}

// Sets the value from the field's bytes at offset, decoded straight from the window.
inline bool CCBDataField::readValue(int offset, int* nextOffset) {
  if (format_ == nullptr) {
    setErrorMessage("Empty picture object");
    return false;
  }
  CCBDataFile* file = getDataSource();
  if (file == nullptr) {
    setErrorMessage("Data file is not open");
    return false;
  }
  const unsigned char* bytes =
      file->view(offset, format_->storageLength(), nextOffset, format_->isNational());
  if (bytes == nullptr) return readPastRecord(offset, nextOffset);
  const CCBDecoding& decoding = *getDecoding();
  int length = 0;
  const char* text = format_->decodeText(bytes, decoding, &length);
  value_.assignBytes(text, length);
  if (decoding.zeroBytes == CCB_ZERO_BYTES_KEEP) keptText_.assign(text, length);
  return true;
}

// A field that reaches past the end of a record shorter than its layout is null;
// any other failed read fails the record.
bool CCBDataField::readPastRecord(int offset, int* nextOffset) {
  const CCBDataFile* file = getDataSource();
  if (!file->pastRecordEnd()) {
    errorMessage_ = file->getErrorMessage();
    return false;
  }
  value_.setNull();
  *nextOffset = offset + format_->storageLength();
  return true;
}

bool CCBDataField::reserveOwnText(int expansion) {
  return format_ == nullptr || format_->reserveText(expansion);
}

bool CCBDataField::decodeValue(int offset, int* nextOffset, int column) {
  if (fieldKind_ == FIELD_KIND_VALUE) {  // a constant: no bytes, no column
    value_.assign(constValue_);
    *nextOffset = offset;
    return true;
  }
  CCBOutputEntry* entry = nullptr;
  if (column >= 0) {
    entry = getOutputArray() != nullptr ? getOutputArray()->getColumn(column) : nullptr;
    if (entry == nullptr) {
      setErrorMessage("Output array error mismatch");
      return false;
    }
    // A column is decoded when it is asked for, unless the walk needs the value or a
    // debug callback shows it now.
    const CCBDataRoot* root = static_cast<const CCBDataRoot*>(getLayoutRoot());
    if (root != nullptr && root->planning()) return planLater(offset, nextOffset, entry);
    if (!readByWalk_ && getDebugCallback() == nullptr && root != nullptr && root->decodesLater()) {
      return decodeLater(offset, nextOffset, entry);
    }
  }
  if (!readValue(offset, nextOffset)) return false;
  if (getDebugCallback() != nullptr) sendDebugLine(offset, *nextOffset);
  if (entry == nullptr) return true;
  if (entry->isSoleColumn()) {
    entry->showFieldValue();
  } else {
    entry->setValue(value_);
  }
  if (getDecoding()->zeroBytes == CCB_ZERO_BYTES_KEEP) entry->keepText(keptText_);
  return true;
}

// Notes where the field's bytes are for the column to decode them when asked; a field
// past the end of a short record is null at once.
bool CCBDataField::decodeLater(int offset, int* nextOffset, CCBOutputEntry* entry) {
  if (format_ == nullptr) {
    setErrorMessage("Empty picture object");
    return false;
  }
  CCBDataFile* file = getDataSource();
  if (file->view(offset, format_->storageLength(), nextOffset) == nullptr) {
    if (!readPastRecord(offset, nextOffset)) return false;
    entry->setValue(value_);
    return true;
  }
  static_cast<CCBDataRoot*>(getLayoutRoot())->noteLaterField(*nextOffset);
  entry->setLater(offset);
  return true;
}

// The planning walk's step: the field's column and offset, with no bytes read. A
// field the walk must decode (or cannot) leaves the layout without a plan.
bool CCBDataField::planLater(int offset, int* nextOffset, CCBOutputEntry* entry) {
  if (format_ == nullptr || readByWalk_) return false;
  *nextOffset = offset + format_->storageLength();
  static_cast<CCBDataRoot*>(getLayoutRoot())->notePlanned(entry, offset, *nextOffset);
  return true;
}

// Out of line: a debug callback is the exception, decoding is done per field.
void CCBDataField::sendDebugLine(int offset, int end) const {
  getDebugCallback()->debugMessage(
      qvbStringFormat("Column: (%s), Data: (%s), File Offset: %d, End Offset: %d",
                      getName().asCstr(), value_.text().asCstr(), offset, end));
}

bool CCBDataField::setIdFormat(const QvbString& picture, const QvbString& usage, int signFlags) {
  picture_ = picture;
  return buildFormat(usage, signFlags);
}
