// RecordRows makes the output of each record a reader reads, as the options shape it: a
// row or line of a flat format (RecordFormatter), a JSON line of the record as its
// copybook shapes it (NestedWriter), or with json-nested and --child the line of each
// root's tree once the tree ends (TreeBuilder). With --all-layouts each record is
// written by its own layout's formatter, into the output of its layout where each
// layout has a file (-o FILE holding {layout}). It owns its formatters and writers; one
// per thread that formats records.
#ifndef LYRA_TOOLS_RECORD_ROWS_H_
#define LYRA_TOOLS_RECORD_ROWS_H_

#include <memory>
#include <vector>

#include <lyra/lyra.h>

#include "chunk_output.h"
#include "nested_writer.h"
#include "read_options.h"
#include "record_formatter.h"
#include "tree_builder.h"

class RecordRows {
 public:
  // layouts: as describeLayouts gives them; they outlive the rows.
  RecordRows(const ReadOptions& options, const std::vector<LayoutColumns>& layouts);

  // Appends the headers of the output of layouts[slot] (all outputs have the same).
  void writeHeader(size_t slot, OutputBuffer* out) const;
  // Appends the row or line of the record reader has just read, as a record on its own;
  // returns the output it goes to (0 but with a file per layout).
  size_t write(CCBRecordReader* reader, OutputBuffer* out);

  // A range's records, into its chunk: the record just read (unknownsBefore: the records
  // of unknown type the chunk's part has before it), a bad record passed over, and the
  // end of the range (complete: read to its end).
  void add(CCBRecordReader* reader, int64_t unknownsBefore, ChunkOutput* chunk);
  void badRecord(BadRecordNote note, ChunkOutput* chunk);
  void finish(bool complete, ChunkOutput* chunk);
  // Whether a tree is held, whose bad records must not be handed over before it.
  bool holding() const { return tree_ != nullptr && tree_->holding(); }
  // The rows and lines made so far.
  int64_t rows() const { return rows_ + (tree_ != nullptr ? tree_->lines() : 0); }

 private:
  size_t slotOf(CCBRecordReader* reader) const;

  const std::vector<LayoutColumns>& layouts_;
  bool nested_;
  bool perLayout_;                                            // a file per layout
  std::vector<std::unique_ptr<RecordFormatter>> formatters_;  // per slot, flat formats
  std::unique_ptr<NestedWriter> nestedWriter_;
  std::unique_ptr<TreeBuilder> tree_;  // json-nested with --child
  int64_t rows_ = 0;
};

#endif  // LYRA_TOOLS_RECORD_ROWS_H_
