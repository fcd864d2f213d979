// TreeBuilder holds the tree of one root record for json-nested output with --child:
// the root and the records that belong to it, each written as its object (NestedWriter)
// into one buffer, with its bytes as they stand in the input. When the next root comes,
// or the range ends at one or at the end of the input, the tree becomes one line: each
// record's object gains, per child layout (in --child order), a key named as that
// layout's record holding the array of its children in file order, empty when there
// are none. The bad records the reader passes over while a tree is held wait with it
// and go to the chunk before its line, so that a read stopped at one of them writes
// no tree it could not complete.
//
// A tree may hold --max-tree-bytes at most (its objects, bytes, notes and their
// bookkeeping); past that the root and every record of its tree are bad records, the
// ones held and those that follow up to the next root, and the tree is let go. The
// builder owns what it holds; the writer and the layouts stay the caller's.
#ifndef LYRA_TOOLS_TREE_BUILDER_H_
#define LYRA_TOOLS_TREE_BUILDER_H_

#include <cstdint>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "chunk_output.h"
#include "nested_writer.h"
#include "read_options.h"
#include "record_formatter.h"

class TreeBuilder {
 public:
  TreeBuilder(const ReadOptions& options, const std::vector<LayoutColumns>& layouts,
              NestedWriter* writer);

  // The record the reader has just read, of layouts[slot]: a root ends the tree held
  // (its line goes to the chunk) and starts one; any other record joins it.
  // unknownsBefore: the records of unknown type the chunk's part has before it.
  void add(CCBRecordReader* reader, size_t slot, int64_t unknownsBefore, ChunkOutput* chunk);
  // A bad record the reader passed over.
  void badRecord(BadRecordNote note, ChunkOutput* chunk);
  // The range's records are all read: complete, its last tree is whole and goes to the
  // chunk; otherwise (reading failed or stopped) only the bad records held go.
  void finish(bool complete, ChunkOutput* chunk);
  // Whether anything is held: a part of the chunk handed over now would leave notes
  // behind that come before its rows.
  bool holding() const { return !nodes_.empty() || !waiting_.empty(); }
  // The lines written to chunks so far.
  int64_t lines() const { return lines_; }

 private:
  static const size_t NONE = SIZE_MAX;

  struct Node {
    size_t slot;
    int64_t number, offset;
    size_t textStart, textEnd;    // its object in text_, without the closing brace
    size_t inputStart, inputEnd;  // its bytes in input_
    int64_t unknownsBefore;
    size_t firstChild = NONE, lastChild = NONE, nextSibling = NONE;
  };

  size_t heldBytes() const;
  void hold(CCBRecordReader* reader, size_t slot, bool root, int64_t unknownsBefore);
  size_t parentOf(int64_t number) const;
  void endTree(ChunkOutput* chunk);
  void render(size_t node, OutputBuffer* out) const;
  void letGo(ChunkOutput* chunk);
  void flushWaiting(ChunkOutput* chunk);
  void pushNote(BadRecordNote note, ChunkOutput* chunk);
  void passOver(CCBRecordReader* reader, int64_t unknownsBefore, ChunkOutput* chunk);
  QvbString overflowReason() const;
  void clear();

  NestedWriter* writer_;
  int64_t maxBytes_;
  std::vector<std::vector<size_t>> childSlots_;  // per slot, in --child order
  std::vector<std::string> childKeys_;           // per slot: "record name":[
  std::vector<Node> nodes_;                      // the tree held, in file order
  OutputBuffer text_;
  std::string input_;
  std::vector<BadRecordNote> waiting_;  // bad records met while the tree is held
  size_t waitingBytes_ = 0;
  bool overflowed_ = false;  // the current root's tree grew past the bound
  int64_t rootNumber_ = -1;
  int64_t lines_ = 0;
};

#endif  // LYRA_TOOLS_TREE_BUILDER_H_
