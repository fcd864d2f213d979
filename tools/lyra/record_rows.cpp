#include "record_rows.h"

RecordRows::RecordRows(const ReadOptions& options, const std::vector<LayoutColumns>& layouts)
    : layouts_(layouts),
      nested_(options.format == FORMAT_JSON_NESTED),
      perLayout_(outputPaths(options).size() > 1) {
  if (nested_) {
    nestedWriter_.reset(new NestedWriter(options, layouts));
    if (!options.children.empty())
      tree_.reset(new TreeBuilder(options, layouts, nestedWriter_.get()));
    return;
  }
  for (const LayoutColumns& layout : layouts) {
    formatters_.emplace_back(new RecordFormatter(options, layout));
  }
}

// The layouts are every layout, in order, or the active one alone.
size_t RecordRows::slotOf(CCBRecordReader* reader) const {
  return layouts_.size() > 1 ? static_cast<size_t>(reader->getActiveLayout()) : 0;
}

void RecordRows::writeHeader(size_t slot, OutputBuffer* out) const {
  if (!nested_) formatters_[slot]->writeHeader(out);
}

size_t RecordRows::write(CCBRecordReader* reader, OutputBuffer* out) {
  const size_t slot = slotOf(reader);
  if (nested_) {
    nestedWriter_->write(reader, slot, true, out);
    out->append("}\n");
  } else {
    formatters_[slot]->write(reader, out);
  }
  ++rows_;
  return perLayout_ ? slot : 0;
}

void RecordRows::add(CCBRecordReader* reader, int64_t unknownsBefore, ChunkOutput* chunk) {
  if (tree_ != nullptr) {
    tree_->add(reader, slotOf(reader), unknownsBefore, chunk);
    return;
  }
  const size_t output = write(reader, &chunk->text);
  chunk->rowEnds.push_back(chunk->text.size());
  if (perLayout_) chunk->rowOutputs.push_back(output);
}

void RecordRows::badRecord(BadRecordNote note, ChunkOutput* chunk) {
  if (tree_ != nullptr) {
    tree_->badRecord(std::move(note), chunk);
    return;
  }
  note.recordsBefore = chunk->rowEnds.size();
  chunk->badBytes += note.bytes.size() + sizeof(BadRecordNote);
  chunk->badRecords.push_back(std::move(note));
}

void RecordRows::finish(bool complete, ChunkOutput* chunk) {
  if (tree_ != nullptr) tree_->finish(complete, chunk);
}
