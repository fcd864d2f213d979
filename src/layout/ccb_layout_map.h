// CCBLayoutMap says where the output columns of one layout lie in its records: for
// every column, in the order and number of the root's output columns, the byte
// offset of its field occurrence, its storage length and usage, and whether that
// offset varies from record to record; and the layout's record length, the furthest
// byte any item reaches, redefining items included (getMaxLength leaves them out).
//
// The tree is laid out as the record walk lays it over a record, with every
// variable (OCCURS DEPENDING ON) table at its maximum: an item starts where the one
// before it ended, a redefining item where the item it redefines started, the item
// after a redefining one at the further of the two ends, and each repetition of a
// table where the one before it ended. An item that redefines one the layout has
// not placed yet starts at the record's start, as in a first record's walk. A layout
// whose tables always take their maximum size (the odo_layout max) lays them out
// the same way.
//
// A column is variable when a variable table's count moves it or decides whether it
// is there: it lies inside a variable table, or the place it starts from was
// reached past one (the items after a variable table in its group or an enclosing
// one, the later repetitions of a table holding one). An item redefining one that
// lies before every variable table is not variable. Where tables take their maximum
// size, only the items inside them are variable.
//
// A map is a value built once from a tree, which must not change meanwhile; it
// keeps no pointer into the tree. Its const methods may be called from many threads.
#ifndef LYRA_LAYOUT_CCB_LAYOUT_MAP_H_
#define LYRA_LAYOUT_CCB_LAYOUT_MAP_H_

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "layout/ccb_data.h"
#include "lyra/ccb_column_usage.h"

class CCBDataField;

class CCBLayoutMap {
 public:
  // 16 bytes: a layout may have millions of columns.
  struct Column {
    int64_t offset;     // of the occurrence's first byte, from the record's start
    int storageLength;  // bytes it occupies; 0 for a constant or a field without a format
    CCBColumnUsage usage : 8;
    bool variable;  // its offset varies from record to record
  };

  // Maps the layout under root (laid out from offset 0); withColumns false keeps only
  // the record length. False when memory ran out, leaving the map empty.
  bool build(const CCBData* root, bool withColumns);

  int getColumnCount() const { return static_cast<int>(columns_.size()); }
  const Column* getColumn(int index) const {  // null out of range
    return index >= 0 && index < getColumnCount() ? &columns_[static_cast<size_t>(index)] : nullptr;
  }
  // The column's place, as the services' getColumnLayout gives it; false out of range.
  bool describeColumn(int index, int64_t& offset, int& storageLength, CCBColumnUsage& usage,
                      bool& variable) const {
    const Column* column = getColumn(index);
    if (column == nullptr) return false;
    offset = column->offset;
    storageLength = column->storageLength;
    usage = column->usage;
    variable = column->variable;
    return true;
  }
  // The furthest byte any item reaches (0 for an empty layout); saturates far above
  // any length a layout is accepted with.
  int64_t getRecordLength() const { return recordLength_; }

  // The bytes one repetition of node takes with every table under it at its maximum;
  // -1 when memory ran out.
  static int64_t repetitionLength(const CCBData* node);

 private:
  // A place in the record, and whether a variable table's count moves it.
  struct Position {
    int64_t offset;
    bool variable;
  };

  void noteRedefinedNodes(const CCBData* first);
  Position place(const CCBData* node, Position start, bool insideVariable);
  Position placeChildren(const CCBData* node, Position start, bool insideVariable);
  Position placeField(const CCBDataField* field, Position start, bool insideVariable);

  std::vector<Column> columns_;
  bool withColumns_ = true;
  bool tablesAtMaximum_ = false;  // the layout's tables always take their maximum size
  int64_t recordLength_ = 0;
  // Where each redefined node last started, for the items that redefine it.
  std::unordered_map<const CCBData*, Position> redefinedStarts_;
};

#endif  // LYRA_LAYOUT_CCB_LAYOUT_MAP_H_
