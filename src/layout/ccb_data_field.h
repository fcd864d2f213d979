// CCBDataField is the node of an elementary data item. It keeps the clauses as
// written (picture, usage, sign options, constant value), owns the field format
// built from them, keeps the level-88 condition names attached to the item, and
// holds the value decoded from the current record. The record reader also uses one
// stand-alone field, outside any layout, to read record identifiers.
#ifndef LYRA_LAYOUT_CCB_DATA_FIELD_H_
#define LYRA_LAYOUT_CCB_DATA_FIELD_H_

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "format/ccb_format.h"
#include "layout/ccb_data.h"
#include "lyra/qvb_datavar.h"

class CCBOutputEntry;

enum CCBFieldKind {
  FIELD_KIND_FIELD = 0,   // decoded from the record
  FIELD_KIND_FILLER = 1,  // an unnamed item, named "FILLER"
  FIELD_KIND_VALUE = 2,   // its value is its constant value, not record data
};

class CCBDataField : public CCBData {
 public:
  CCBDataField();
  ~CCBDataField() override;

  QvbString getPropertyName(int index) const override;
  QvbString getProperty(int index, bool* optional) const override;
  bool setProperty(int index, const QvbString& value) override;
  // Rebuilds the format from picture, usage and sign options; false, with no format
  // and the reason in the error text, when they do not make one.
  bool createFormat() override;
  int getConditionCount() const override { return static_cast<int>(conditions_.size()); }
  QvbString getConditionName(int index) const override;
  QvbString getConditionValue(int index) const override;
  bool addCondition(const QvbString& name, const QvbString& value) override;
  void clearConditions() override { conditions_.clear(); }
  void setConstValue(const QvbString& value) override { constValue_ = value; }
  QvbString getConstValue() const override { return constValue_; }
  // Reads and decodes the field at offset into its value and its output column
  // (none when column is negative); *nextOffset is the offset after the field.
  bool decodeValue(int offset, int* nextOffset, int column) override;
  int getStorageLength(bool zeroIfRedefines) const override;
  int getOutputLength() const override;
  int getOutputType() const override;
  QvbString getNodeTypeName() const override { return QvbString("field"); }
  int getPropertyIndex(const QvbString& name) const override;
  bool isField() const override { return true; }

  void setFieldKind(int kind);  // the Filler kind also names the field "FILLER"
  int getFieldKind() const { return fieldKind_; }
  QvbString getFieldKindText() const;
  void setFieldKindText(const QvbString& text);  // leaves the name alone
  bool setPicture(const QvbString& picture);     // stores it, then createFormat()
  QvbString getPicture() const { return picture_; }
  void setSignLeading(bool leading) { signLeading_ = leading; }
  void setSignSeparate(bool separate) { signSeparate_ = separate; }
  bool getSignLeading() const { return signLeading_; }
  bool getSignSeparate() const { return signSeparate_; }
  // Builds the format of the record identifier field from the picture, usage and
  // sign flags (1 leading + 2 separate) of its clause text; the field's own usage
  // and sign options are left as they are.
  bool setIdFormat(const QvbString& picture, const QvbString& usage, int signFlags);
  QvbDatavar getValue() const { return value_; }
  const QvbDatavar& value() const { return value_; }
  const CCBFormat* format() const { return format_.get(); }
  // The field is a DEPENDING ON count, which the walk reads: it is decoded at once.
  void setReadByWalk() { readByWalk_ = true; }
  // Decodes the field's bytes as its format and the decoding say (see
  // CCBFormat::decodeText); the text lies in the format's buffer until the next call.
  const char* decodeBytes(const unsigned char* bytes, const CCBDecoding& decoding,
                          int* length) const {
    return format_->decodeText(bytes, decoding, length);
  }

 private:
  bool reserveOwnText(int expansion) override;
  bool buildFormat(const QvbString& usage, int signFlags);
  __attribute__((always_inline)) bool readValue(int offset, int* nextOffset);
  __attribute__((noinline)) void sendDebugLine(int offset, int end) const;
  __attribute__((noinline)) bool readPastRecord(int offset, int* nextOffset);
  bool decodeLater(int offset, int* nextOffset, CCBOutputEntry* entry);
  bool planLater(int offset, int* nextOffset, CCBOutputEntry* entry);

  std::vector<std::pair<QvbString, QvbString>> conditions_;  // name, value
  std::unique_ptr<CCBFormat> format_;
  int fieldKind_ = FIELD_KIND_FIELD;
  QvbString picture_;
  QvbString constValue_;
  bool signLeading_ = true;
  bool signSeparate_ = false;
  bool readByWalk_ = false;
  QvbDatavar value_;
  std::string keptText_;  // the value's text with its zero bytes, when they are kept
};

#endif  // LYRA_LAYOUT_CCB_DATA_FIELD_H_
