// PyNestedRecords gives a reader's records as Python objects shaped as their copybooks
// (lyra.open(..., nested=True)): each record a dict of its items, a group a dict, a
// table a list of its elements, a value as read_pandas types it (from the record's
// row in its layout's batch, PyLayoutBatches), FILLER items and level-88 names left
// out, by the walk of CCBRecordReader::walkRecord. First come the keys the options add:
// _layout for a top record with every layout read, _record and _offset with
// with_position.
//
// With child layouts it gives each root with its tree: each record's dict gains, per
// child layout in order, a key named as that layout's record holding the list of its
// children in file order. A tree is held until the next root (or the end); one that
// grows past max_tree_bytes (each record's bytes in the input and 64 per value) makes its
// root and every record of it bad records. Then the bad records are judged here against
// max_errors, in file order, the reader passing over every one: a read stopped at one
// gives no tree it falls in.
//
// It holds references to the objects it makes, the tree held among them; the GIL
// must be held. One thread at a time.
#ifndef LYRA_PYTHON_PY_NESTED_H_
#define LYRA_PYTHON_PY_NESTED_H_

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "py_layout_batches.h"

class PyNestedRecords : public CCBRecordVisitor {
 public:
  struct Settings {
    std::vector<std::string> ids;            // per layout: its identifier
    std::vector<std::string> records;        // per layout: its record's name
    std::vector<std::vector<int>> children;  // per layout: its child layouts, in order
    bool layoutKey = false;                  // a top record gets _layout
    bool withPosition = false;
    int64_t maxTreeBytes = 0;
    int64_t maxErrors = 0;  // with children: bad records allowed; -1: any number
  };

  explicit PyNestedRecords(Settings settings);

  // Reads records until maxItems records (or trees) are made or reading ends; returns
  // a list of (object, record number, offset). Afterwards failure() tells where
  // reading stopped at a failure or a bad record past max_errors, ended() whether it
  // is over.
  pybind11::list read(CCBRecordReader* reader, PyLayoutBatches* batches, int maxItems);
  pybind11::object failure() const { return failure_; }
  bool ended() const { return ended_; }

  void beginGroup(int item, const QvbString& name) override;
  void endGroup(int item) override;
  void beginArray(int item, const QvbString& name, int count) override;
  void endArray(int item) override;
  void value(int item, const QvbString& name, int column, const char* text, int length) override;

 private:
  struct Held {
    int64_t number, offset;
    pybind11::dict object;
    std::string bytes;
  };

  pybind11::dict makeRecord(CCBRecordReader* reader, CCBRecordBatch* batch, size_t layout, int row,
                            bool top);
  void put(int item, const QvbString& name, pybind11::object value);
  void addToTree(CCBRecordReader* reader, PyLayoutBatches* batches, size_t layout, int row,
                 pybind11::list* made);
  void endTree(pybind11::list* made);
  void letGo(PyLayoutBatches* batches);
  void passOver(int64_t number, int64_t offset, std::string bytes, PyLayoutBatches* batches) const;
  std::string overflowReason() const;
  bool judge(PyLayoutBatches* batches, size_t* judged);

  Settings settings_;
  pybind11::object decimalType_;
  std::vector<std::vector<pybind11::object>> keys_;  // per layout, per item
  // During a walk.
  CCBRecordBatch* batch_ = nullptr;
  int row_ = 0;
  size_t layout_ = 0;
  std::vector<pybind11::object> open_;  // the dicts and lists being filled
  int64_t values_ = 0;
  // The tree held.
  std::vector<Held> tree_;
  int64_t treeBytes_ = 0;
  bool overflowed_ = false;
  int64_t rootNumber_ = -1;
  int64_t badRecords_ = 0;
  pybind11::object failure_ = pybind11::none();
  bool ended_ = false;
};

#endif  // LYRA_PYTHON_PY_NESTED_H_
