#include "layout/ccb_data_table.h"

namespace {

const int TABLE_PROPERTY_COUNT = 9;

}  // namespace

CCBDataTable::CCBDataTable() : CCBData(TABLE_PROPERTY_COUNT, false) {
  constValue_.setNull();
}
