#include "py_nested.h"

#include <algorithm>

namespace py = pybind11;

namespace {

const int64_t VALUE_BYTES = 64;  // what a value counts toward a tree's bytes

}  // namespace

PyNestedRecords::PyNestedRecords(Settings settings)
    : settings_(std::move(settings)),
      decimalType_(py::module_::import("decimal").attr("Decimal")),
      keys_(settings_.ids.size()) {}

py::list PyNestedRecords::read(CCBRecordReader* reader, PyLayoutBatches* batches, int maxItems) {
  py::list made;
  if (ended_) return made;
  batches->clear(reader);
  bool trees = false;
  for (const std::vector<int>& children : settings_.children) trees = trees || !children.empty();
  size_t judged = batches->rejects().size();
  while (static_cast<int>(py::len(made)) < maxItems) {
    size_t layout = 0;
    const bool got = batches->readNext(reader, &layout);
    if (got) {
      const int row = batches->batch(layout)->getRecordCount() - 1;
      if (trees) {
        addToTree(reader, batches, layout, row, &made);
      } else {
        made.append(py::make_tuple(makeRecord(reader, batches->batch(layout), layout, row, true),
                                   reader->getRecordNumber(), reader->getRecordOffset()));
      }
    }
    if (trees && !judge(batches, &judged)) break;
    if (got) continue;
    if (batches->failed()) {
      failure_ = batches->failure();
    } else {
      endTree(&made);
    }
    ended_ = true;
    break;
  }
  if (!failure_.is_none()) {
    ended_ = true;
    tree_.clear();
  }
  return made;
}

// The bad records met since the last look count against max_errors: the first past it
// stops the reading there, and those after it go.
bool PyNestedRecords::judge(PyLayoutBatches* batches, size_t* judged) {
  const std::vector<PyBatchPipeline::Reject>& rejects = batches->rejects();
  for (; *judged < rejects.size(); ++*judged) {
    const int64_t allowed = settings_.maxErrors;
    if (allowed < 0 || badRecords_ < allowed) {
      ++badRecords_;
      continue;
    }
    const PyBatchPipeline::Reject& bad = rejects[*judged];
    failure_ = py::make_tuple(bad.reason, bad.number, bad.offset);
    batches->keepRejects(*judged);
    return false;
  }
  return true;
}

py::dict PyNestedRecords::makeRecord(CCBRecordReader* reader, CCBRecordBatch* batch, size_t layout,
                                     int row, bool top) {
  py::dict record;
  if (top && settings_.layoutKey) record["_layout"] = py::str(settings_.ids[layout]);
  if (settings_.withPosition) {
    const int64_t number = reader->getRecordNumber();
    record["_record"] = number >= 0 ? py::object(py::int_(number)) : py::none();
    record["_offset"] = py::int_(reader->getRecordOffset());
  }
  batch_ = batch;
  layout_ = layout;
  row_ = row;
  open_.assign(1, record);
  reader->walkRecord(this, false);
  open_.clear();
  for (int child : settings_.children[layout]) {
    record[py::str(settings_.records[static_cast<size_t>(child)])] = py::list();
  }
  return record;
}

// The walk's items go into the dict or list last opened; the record's own dict is open
// already.
void PyNestedRecords::put(int item, const QvbString& name, py::object value) {
  py::object& into = open_.back();
  if (py::isinstance<py::list>(into)) {
    py::reinterpret_borrow<py::list>(into).append(std::move(value));
    return;
  }
  std::vector<py::object>& keys = keys_[layout_];
  const size_t at = static_cast<size_t>(item);
  if (at >= keys.size()) keys.resize(at + 1);
  if (!keys[at]) {
    PyObject* key = PyUnicode_DecodeLatin1(name.asCstr(), name.length(), nullptr);
    if (key == nullptr) throw py::error_already_set();
    keys[at] = py::reinterpret_steal<py::object>(key);
  }
  PyDict_SetItem(into.ptr(), keys[at].ptr(), value.ptr());
}

void PyNestedRecords::beginGroup(int item, const QvbString& name) {
  if (item == 0) return;
  py::dict group;
  put(item, name, group);
  open_.push_back(std::move(group));
}

void PyNestedRecords::endGroup(int item) {
  if (item != 0) open_.pop_back();
}

void PyNestedRecords::beginArray(int item, const QvbString& name, int) {
  py::list array;
  put(item, name, array);
  open_.push_back(std::move(array));
}

void PyNestedRecords::endArray(int) {
  open_.pop_back();
}

void PyNestedRecords::value(int item, const QvbString& name, int column, const char*, int) {
  ++values_;
  put(item, name, batchValue(batch_, column, row_, decimalType_));
}

// A root ends the tree held and starts one; another record joins its parent's list.
void PyNestedRecords::addToTree(CCBRecordReader* reader, PyLayoutBatches* batches, size_t layout,
                                int row, py::list* made) {
  const int64_t parent = reader->getParentRecordNumber();
  const int64_t number = reader->getRecordNumber(), offset = reader->getRecordOffset();
  int length = 0;
  const unsigned char* bytes = reader->getRecordInputBytes(length);
  std::string kept(reinterpret_cast<const char*>(bytes), bytes != nullptr ? length : 0);
  if (parent < 0) {
    endTree(made);
    overflowed_ = false;
    rootNumber_ = number;
  }
  const auto up = std::lower_bound(tree_.begin(), tree_.end(), parent,
                                   [](const Held& held, int64_t n) { return held.number < n; });
  if (overflowed_ || (parent >= 0 && (up == tree_.end() || up->number != parent))) {
    passOver(number, offset, std::move(kept), batches);
    return;
  }
  values_ = 0;
  py::dict record = makeRecord(reader, batches->batch(layout), layout, row, parent < 0);
  if (parent >= 0) {
    py::reinterpret_borrow<py::list>(up->object[py::str(settings_.records[layout])]).append(record);
  }
  treeBytes_ += static_cast<int64_t>(kept.size()) + VALUE_BYTES * values_;
  tree_.push_back({number, offset, std::move(record), std::move(kept)});
  if (treeBytes_ > settings_.maxTreeBytes) letGo(batches);
}

void PyNestedRecords::endTree(py::list* made) {
  if (!tree_.empty()) {
    made->append(py::make_tuple(tree_[0].object, tree_[0].number, tree_[0].offset));
  }
  tree_.clear();
  treeBytes_ = 0;
}

std::string PyNestedRecords::overflowReason() const {
  return "The tree of root record " + std::to_string(rootNumber_) + " holds more than " +
         std::to_string(settings_.maxTreeBytes) + " bytes (max_tree_bytes)";
}

// Past the bound, the root and every record of its tree are bad records: those held,
// and those up to the next root.
void PyNestedRecords::letGo(PyLayoutBatches* batches) {
  for (Held& held : tree_) passOver(held.number, held.offset, std::move(held.bytes), batches);
  tree_.clear();
  treeBytes_ = 0;
  overflowed_ = true;
}

void PyNestedRecords::passOver(int64_t number, int64_t offset, std::string bytes,
                               PyLayoutBatches* batches) const {
  batches->addReject({number, offset, std::move(bytes), overflowReason()});
}
