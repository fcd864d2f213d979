// CCBDataTable is the node of a data description entry without a picture: a plain
// group, or a table when it has an OCCURS clause. Everything but its constant value
// and its properties is the common node's.
#ifndef LYRA_LAYOUT_CCB_DATA_TABLE_H_
#define LYRA_LAYOUT_CCB_DATA_TABLE_H_

#include "layout/ccb_data.h"

class CCBDataTable : public CCBData {
 public:
  CCBDataTable();

  QvbString getPropertyName(int index) const override;
  QvbString getProperty(int index, bool* optional) const override;
  bool setProperty(int index, const QvbString& value) override;
  bool createFormat() override { return true; }
  void setConstValue(const QvbString& value) override { constValue_ = value; }
  QvbString getConstValue() const override { return constValue_; }
  QvbString getNodeTypeName() const override { return QvbString("table"); }
  int getPropertyIndex(const QvbString& name) const override;
  bool isTable() const override { return true; }

 private:
  QvbString constValue_;
};

#endif  // LYRA_LAYOUT_CCB_DATA_TABLE_H_
