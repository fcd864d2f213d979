// CCBRecordWalk hands the record a layout's output array holds to a CCBRecordVisitor
// as the layout shapes it (see lyra/ccb_record_visitor.h). It is made once per layout:
// the layout tree becomes a list of steps, one per item in record order, each knowing
// where its columns start within its parent's, how many columns a repetition of it
// takes and where its repetition count comes from; a walk then follows the steps with
// nothing to allocate. It points into the layout tree, which must outlive it and keep
// its shape; the skipped state of segments is read at each walk.
#ifndef LYRA_INTERFACE_CCB_RECORD_WALK_H_
#define LYRA_INTERFACE_CCB_RECORD_WALK_H_

#include <vector>

#include "interface/ccb_column_type.h"
#include "layout/ccb_data.h"
#include "layout/ccb_output_array.h"
#include "lyra/ccb_record_visitor.h"

class CCBDataRoot;

class CCBRecordWalk {
 public:
  explicit CCBRecordWalk(const CCBDataRoot* root);
  CCBRecordWalk(const CCBRecordWalk&) = delete;
  CCBRecordWalk& operator=(const CCBRecordWalk&) = delete;

  // Hands the array's record to the visitor: each value's text as the column's whole
  // text, or with strip as stripValue cleans it (a value that is none of its column is
  // then null).
  void walk(const CCBOutputArray& array, bool strip, CCBRecordVisitor* visitor);
  // Hands the layout itself to the visitor: every table at its most repetitions, every
  // item that segments may skip, each value null.
  void walkLayout(CCBRecordVisitor* visitor);

 private:
  struct Step {
    const CCBData* node;
    QvbString name;
    int end;             // the index of the step after this one's items
    int columnOffset;    // of its first column, from its parent's repetition's first
    int columnsEach;     // the columns of one repetition
    int repetitions;     // at most; 1 for an item without OCCURS
    bool repeated;       // has OCCURS
    int dependingStep;   // the step of its DEPENDING ON count; -1 for none
    bool field;          // elementary
    bool walked;         // a walk passes it (not a FILLER group without named items)
    bool shown;          // handed to the visitor (not a FILLER, nor a FILLER group
                         // whose items belong to the group around it)
    CCBColumnType type;  // of a field's columns
  };

  void addStep(const CCBData* node, int columnOffset, int column);
  void addItems(const CCBData* parent, int column);
  void walkRecord();
  void walkItems(int step, int column);
  void walkItem(int step, int column);
  void walkElement(int step, int column);
  void handValue(const Step& step, int index, int column);
  int repetitionsOf(const Step& step) const;

  std::vector<Step> steps_;
  std::vector<int> lastColumn_;  // per step: the column a walk last passed it at; -1: none
  std::vector<int> counts_;      // the steps that are DEPENDING ON counts
  // During a walk.
  const CCBOutputArray* array_ = nullptr;  // null: the layout's walk
  bool strip_ = false;
  CCBRecordVisitor* visitor_ = nullptr;
  std::vector<char> scratch_;
};

// Whether the node is an unnamed item or a FILLER.
bool isFillerNode(const CCBData* node);

#endif  // LYRA_INTERFACE_CCB_RECORD_WALK_H_
