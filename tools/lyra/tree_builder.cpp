#include "tree_builder.h"

#include <algorithm>

#include "output_text.h"

namespace {

// The slot of the layout with the identifier, letter case ignored as the reader matches
// identifiers; layouts.size() for none.
size_t slotWithId(const std::vector<LayoutColumns>& layouts, const std::string& id) {
  size_t slot = 0;
  while (slot < layouts.size() &&
         QvbString(layouts[slot].id.c_str()).compare(id.c_str(), false) != 0) {
    ++slot;
  }
  return slot;
}

}  // namespace

TreeBuilder::TreeBuilder(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
                         NestedWriter* writer)
    : writer_(writer),
      maxBytes_(options.maxTreeBytes),
      childSlots_(layouts.size()),
      childKeys_(layouts.size()) {
  for (const ChildLink& link : options.children) {
    const size_t parent = slotWithId(layouts, repairUtf8(link.parent));
    const size_t child = slotWithId(layouts, repairUtf8(link.child));
    if (parent < layouts.size() && child < layouts.size()) childSlots_[parent].push_back(child);
  }
  for (size_t slot = 0; slot < layouts.size(); ++slot) {
    appendJsonString(layouts[slot].record, &childKeys_[slot]);
    childKeys_[slot] += ":[";
  }
}

size_t TreeBuilder::heldBytes() const {
  return text_.size() + input_.size() + nodes_.size() * sizeof(Node) + waitingBytes_;
}

// The node of the record numbered number; the records held are in file order.
size_t TreeBuilder::parentOf(int64_t number) const {
  const auto at = std::lower_bound(nodes_.begin(), nodes_.end(), number,
                                   [](const Node& node, int64_t n) { return node.number < n; });
  return at != nodes_.end() && at->number == number ? static_cast<size_t>(at - nodes_.begin())
                                                    : NONE;
}

// A record past the bound, or (never met) one whose parent is not held, is bad.
void TreeBuilder::add(CCBRecordReader* reader, size_t slot, int64_t unknownsBefore,
                      ChunkOutput* chunk) {
  const int64_t parentNumber = reader->getParentRecordNumber();
  const bool root = parentNumber < 0;
  if (root) {
    endTree(chunk);
    overflowed_ = false;
    rootNumber_ = reader->getRecordNumber();
  }
  const size_t parent = root ? NONE : parentOf(parentNumber);
  if (overflowed_ || (!root && parent == NONE)) {
    passOver(reader, unknownsBefore, chunk);
    return;
  }
  hold(reader, slot, root, unknownsBefore);
  if (!root) {
    const size_t index = nodes_.size() - 1;
    Node& up = nodes_[parent];
    (up.lastChild == NONE ? up.firstChild : nodes_[up.lastChild].nextSibling) = index;
    up.lastChild = index;
  }
  if (static_cast<int64_t>(heldBytes()) > maxBytes_) letGo(chunk);
}

// Keeps the record's object, without its closing brace, and its bytes.
void TreeBuilder::hold(CCBRecordReader* reader, size_t slot, bool root, int64_t unknownsBefore) {
  Node node;
  node.slot = slot;
  node.number = reader->getRecordNumber();
  node.offset = reader->getRecordOffset();
  node.unknownsBefore = unknownsBefore;
  node.textStart = text_.size();
  writer_->write(reader, slot, root, &text_);
  node.textEnd = text_.size();
  int length = 0;
  const unsigned char* bytes = reader->getRecordInputBytes(length);
  node.inputStart = input_.size();
  if (bytes != nullptr) {
    input_.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
  }
  node.inputEnd = input_.size();
  nodes_.push_back(node);
}

void TreeBuilder::badRecord(BadRecordNote note, ChunkOutput* chunk) {
  if (nodes_.empty()) {
    pushNote(std::move(note), chunk);
    return;
  }
  waitingBytes_ += note.bytes.size() + sizeof(BadRecordNote);
  waiting_.push_back(std::move(note));
  if (static_cast<int64_t>(heldBytes()) > maxBytes_) letGo(chunk);
}

void TreeBuilder::finish(bool complete, ChunkOutput* chunk) {
  if (complete) {
    endTree(chunk);
  } else {
    flushWaiting(chunk);
    clear();
  }
}

// The bad records met in the tree go before its line.
void TreeBuilder::endTree(ChunkOutput* chunk) {
  flushWaiting(chunk);
  if (nodes_.empty()) return;
  render(0, &chunk->text);
  chunk->text.push_back('\n');
  chunk->rowEnds.push_back(chunk->text.size());
  ++lines_;
  clear();
}

// A record's object, then an array per child layout of its children of that layout.
void TreeBuilder::render(size_t index, OutputBuffer* out) const {
  const Node& node = nodes_[index];
  const std::string_view object =
      text_.view().substr(node.textStart, node.textEnd - node.textStart);
  out->append(object);
  bool comma = object.size() > 1;  // more than the opening brace
  for (size_t slot : childSlots_[node.slot]) {
    if (comma) out->push_back(',');
    comma = true;
    out->append(childKeys_[slot]);
    bool first = true;
    for (size_t child = node.firstChild; child != NONE; child = nodes_[child].nextSibling) {
      if (nodes_[child].slot != slot) continue;
      if (!first) out->push_back(',');
      first = false;
      render(child, out);
    }
    out->push_back(']');
  }
  out->push_back('}');
}

QvbString TreeBuilder::overflowReason() const {
  return qvbStringFormat(
      "The tree of root record %lld holds more than %lld bytes (--max-tree-bytes)",
      static_cast<long long>(rootNumber_), static_cast<long long>(maxBytes_));
}

// Past the bound: every record held is a bad record, in file order with the bad records
// met among them, and so is each record of the tree still to come.
void TreeBuilder::letGo(ChunkOutput* chunk) {
  const QvbString reason = overflowReason();
  std::vector<BadRecordNote> notes;
  notes.reserve(nodes_.size() + waiting_.size());
  for (const Node& node : nodes_) {
    notes.push_back({node.number, node.offset,
                     input_.substr(node.inputStart, node.inputEnd - node.inputStart), reason, 0,
                     node.unknownsBefore});
  }
  for (BadRecordNote& note : waiting_) notes.push_back(std::move(note));
  std::stable_sort(notes.begin(), notes.end(), [](const BadRecordNote& a, const BadRecordNote& b) {
    return a.offset < b.offset;
  });
  waiting_.clear();
  waitingBytes_ = 0;
  clear();
  overflowed_ = true;
  for (BadRecordNote& note : notes) pushNote(std::move(note), chunk);
}

void TreeBuilder::flushWaiting(ChunkOutput* chunk) {
  for (BadRecordNote& note : waiting_) pushNote(std::move(note), chunk);
  waiting_.clear();
  waitingBytes_ = 0;
}

// A bad record goes to the chunk after the rows it holds.
void TreeBuilder::pushNote(BadRecordNote note, ChunkOutput* chunk) {
  note.recordsBefore = chunk->rowEnds.size();
  chunk->badBytes += note.bytes.size() + sizeof(BadRecordNote);
  chunk->badRecords.push_back(std::move(note));
}

void TreeBuilder::passOver(CCBRecordReader* reader, int64_t unknownsBefore, ChunkOutput* chunk) {
  int length = 0;
  const unsigned char* bytes = reader->getRecordInputBytes(length);
  badRecord({reader->getRecordNumber(), reader->getRecordOffset(),
             std::string(reinterpret_cast<const char*>(bytes), bytes != nullptr ? length : 0),
             overflowReason(), 0, unknownsBefore},
            chunk);
}

void TreeBuilder::clear() {
  nodes_.clear();
  text_.clear();
  input_.clear();
}
