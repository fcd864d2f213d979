// NestedWriter writes the record a reader holds as one JSON object shaped as its
// copybook (--format json-nested): each group an object keyed by its name, each table an
// array of its elements (as many as the record holds), each elementary item a value, a
// string, or with typed output a number for an integer or real column (null where its
// text holds none); a null value is null. FILLER items and level-88 names are not
// written (the walk's rules, lyra/ccb_record_visitor.h). Before the record's items come
// the keys the tool adds: _layout for the top record of a line with --all-layouts,
// _record and _offset with --with-position.
//
// It writes the object without its closing brace, which the caller adds after anything
// it puts inside (a tree's child arrays). Keys are made once per item of each layout and
// kept. One thread at a time; each thread that formats records has its own writer.
#ifndef LYRA_TOOLS_NESTED_WRITER_H_
#define LYRA_TOOLS_NESTED_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

#include <lyra/lyra.h>

#include "output_buffer.h"
#include "read_options.h"
#include "record_formatter.h"

class NestedWriter : public CCBRecordVisitor {
 public:
  // layouts: as describeLayouts gives them; they outlive the writer.
  NestedWriter(const ReadOptions& options, const std::vector<LayoutColumns>& layouts);

  // Appends the record reader has just read, of layouts[layout], as an object without
  // its closing brace; top: the record starts a line.
  void write(CCBRecordReader* reader, size_t layout, bool top, OutputBuffer* out);

  void beginGroup(int item, const QvbString& name) override;
  void endGroup(int item) override;
  void beginArray(int item, const QvbString& name, int count) override;
  void endArray(int item) override;
  void value(int item, const QvbString& name, int column, const char* text, int length) override;

 private:
  // Opens an item inside the current group or array: the comma before it and its key.
  void open(int item, const QvbString& name);
  void writeAdded(CCBRecordReader* reader, const LayoutColumns& layout, bool top);

  const std::vector<LayoutColumns>& layouts_;
  bool typed_, strip_, withPosition_, layoutKey_;
  std::vector<std::vector<std::string>> keys_;  // per layout, per item: "name": made once
  // During a write.
  OutputBuffer* out_ = nullptr;
  std::vector<std::string>* itemKeys_ = nullptr;
  const std::vector<char>* numeric_ = nullptr;
  std::vector<char> inArray_;  // per open group or array below the record: an array
  bool comma_ = false;         // the next item follows another
};

#endif  // LYRA_TOOLS_NESTED_WRITER_H_
