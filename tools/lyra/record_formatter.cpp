#include "record_formatter.h"

#include <algorithm>
#include <charconv>

#include "output_text.h"

namespace {

struct AddedColumn {
  const char* name;
  ColumnSource source;
};

// The columns the tool adds, in their order; which of them a read writes, the options
// say (wantedAdded).
const AddedColumn ADDED_COLUMNS[] = {
    {"_layout", SOURCE_LAYOUT},
    {"_record", SOURCE_RECORD},
    {"_offset", SOURCE_OFFSET},
    {"_parent", SOURCE_PARENT},
};

bool wantedAdded(const ReadOptions& options, ColumnSource source) {
  const bool tree = !options.children.empty();
  switch (source) {
    case SOURCE_LAYOUT:
      return tree || (options.allLayouts && options.format == FORMAT_JSONL);
    case SOURCE_RECORD:
      return tree || options.withPosition;
    case SOURCE_OFFSET:
      return options.withPosition;
    case SOURCE_PARENT:
      return tree;
  }
  return false;
}

// The edit distance of two names, letter case ignored: how many characters must be
// added, removed or changed to make one the other.
size_t distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const bool same = std::toupper(static_cast<unsigned char>(a[i - 1])) ==
                        std::toupper(static_cast<unsigned char>(b[j - 1]));
      const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = row[j];
      row[j] = next;
    }
  }
  return row[b.size()];
}

const size_t MAX_CLOSE_NAMES = 5;

// The usage error for a --columns name that no column has: the names closest to it,
// those that differ in a third of its characters at most, or hold it, or that it holds.
std::string unknownColumnMessage(const std::string& name, const std::vector<std::string>& names) {
  std::vector<std::pair<size_t, std::string>> close;
  const size_t most = std::max<size_t>(2, name.size() / 3);
  for (const std::string& other : names) {
    const size_t d = distance(name, other);
    const bool within =
        other.find(name) != std::string::npos || name.find(other) != std::string::npos;
    if (d <= most || within) close.emplace_back(d, other);
  }
  std::stable_sort(close.begin(), close.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string message = "--columns: no column is named '" + name + "'";
  if (close.empty()) return message + " ('lyra columns' lists them)";
  message += "; close ones: ";
  for (size_t i = 0; i < close.size() && i < MAX_CLOSE_NAMES; ++i) {
    message += (i > 0 ? ", " : "") + close[i].second;
  }
  return message;
}

// The reader columns the options write of the active layout, in order; false for a
// --columns name that none has.
bool chooseColumns(const ReadOptions& options, CCBRecordReader* reader,
                   const std::vector<std::string>& names, std::vector<int>* chosen,
                   std::string* error) {
  if (options.columns.empty()) {
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
      if (!options.dropFiller || !reader->isFillerColumn(i)) chosen->push_back(i);
    }
    return true;
  }
  for (const std::string& name : options.columns) {
    const auto at = std::find(names.begin(), names.end(), name);
    if (at == names.end()) {
      *error = unknownColumnMessage(name, names);
      return false;
    }
    chosen->push_back(static_cast<int>(at - names.begin()));
  }
  return true;
}

// The names are gathered first, where each ends noted; the views follow once the
// block of names no longer moves.
bool describeLayout(const ReadOptions& options, CCBRecordReader* reader, LayoutColumns* layout,
                    std::string* error) {
  const int count = reader->getOutputCount();
  std::vector<std::string> names(static_cast<size_t>(count));
  std::vector<int> types(static_cast<size_t>(count));
  std::vector<int> lengths(static_cast<size_t>(count));
  layout->numeric.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    QvbString name;
    const size_t at = static_cast<size_t>(i);
    reader->getOutputInfo(i, name, types[at], lengths[at]);
    names[at] = toUtf8(name.str());  // the copybook's bytes, read as ISO-8859-1
    layout->numeric[at] = types[at] == QVB_TYPE_INTEGER || types[at] == QVB_TYPE_REAL;
  }
  std::vector<int> chosen;
  if (!chooseColumns(options, reader, names, &chosen, error)) return false;
  // Neither a record number nor an offset has more digits than the file's size.
  const int digits = static_cast<int>(std::to_string(reader->getDataFileSize()).size());
  OutputColumns& columns = layout->output;
  std::vector<size_t> nameEnds;
  for (const AddedColumn& added : ADDED_COLUMNS) {
    if (!wantedAdded(options, added.source)) continue;
    const bool text = added.source == SOURCE_LAYOUT;
    columns.list.push_back({std::string_view(added.name), text ? QVB_TYPE_STRING : QVB_TYPE_INTEGER,
                            text ? static_cast<int>(layout->id.size()) : digits, !text});
    layout->sources.push_back(added.source);
  }
  const size_t added = columns.list.size();
  for (int index : chosen) {
    const size_t at = static_cast<size_t>(index);
    columns.names.insert(columns.names.end(), names[at].begin(), names[at].end());
    nameEnds.push_back(columns.names.size());
    columns.list.push_back({std::string_view(), types[at], lengths[at], false});
    layout->sources.push_back(index);
  }
  for (size_t i = 0, start = 0; i < nameEnds.size(); start = nameEnds[i++]) {
    columns.list[added + i].name =
        std::string_view(columns.names.data() + start, nameEnds[i] - start);
  }
  return true;
}

}  // namespace

RecordFormatter::RecordFormatter(const ReadOptions& options, const LayoutColumns& columns)
    : columns_(columns),
      strip_(options.strip),
      writer_(createRecordWriter(options.format, options.typed, columns.output.list)),
      values_(columns.output.list.size()) {}

// A number below 0 is none: an unknown record number, a root's parent.
OutputValue RecordFormatter::position(int64_t number, int slot) {
  if (number < 0) return OutputValue();
  char* text = positions_[slot];
  char* end = std::to_chars(text, text + POSITION_DIGITS, number).ptr;
  return OutputValue{std::string_view(text, static_cast<size_t>(end - text)), false};
}

// The added columns' texts are kept in positions_, the others are views of the reader's
// text, whole with any zero bytes it keeps, or stripped.
void RecordFormatter::write(CCBRecordReader* reader, OutputBuffer* out) {
  const std::vector<int>& sources = columns_.sources;
  for (size_t i = 0; i < sources.size(); ++i) {
    const int source = sources[i];
    if (source < 0) {
      switch (source) {
        case SOURCE_LAYOUT:
          values_[i] = OutputValue{columns_.id, false};
          break;
        case SOURCE_RECORD:
          values_[i] = position(reader->getRecordNumber(), 0);
          break;
        case SOURCE_OFFSET:
          values_[i] = position(reader->getRecordOffset(), 1);
          break;
        default:
          values_[i] = position(reader->getParentRecordNumber(), 2);
      }
      continue;
    }
    const char* bytes = nullptr;
    int length = 0;
    const bool present = strip_ ? reader->getStrippedOutputBytes(source, bytes, length)
                                : reader->getOutputBytes(source, bytes, length);
    values_[i] = present ? OutputValue{std::string_view(bytes, static_cast<size_t>(length)), false}
                         : OutputValue();
  }
  writer_->write(values_, out);
}

bool describeLayouts(const ReadOptions& options, CCBRecordReader* reader,
                     std::vector<LayoutColumns>* layouts, std::string* error) {
  const size_t count = options.allLayouts ? options.layouts.size() : 1;
  layouts->resize(count);
  for (size_t i = 0; i < count; ++i) {
    LayoutColumns& layout = (*layouts)[i];
    layout.layout = options.allLayouts ? static_cast<int>(i) : reader->getActiveLayout();
    if (options.allLayouts) reader->setActiveLayout(layout.layout);
    layout.id = repairUtf8(options.layouts[static_cast<size_t>(layout.layout)].id);
    layout.record = toUtf8(layoutRecordName(reader).str());
    if (!describeLayout(options, reader, &layout, error)) return false;
  }
  return true;
}

// The name of the layout's record: its first top-level item's, the entry whose parent is
// the root's; empty without one.
QvbString layoutRecordName(CCBRecordReader* reader) {
  int rootId = -1;
  for (int i = 0; i < reader->getNodeCount(); ++i) {
    QvbString name;
    int entryId = 0, parentId = 0, type = 0, length = 0;
    bool field = false;
    reader->getNodeInfo(i, entryId, parentId, field, name, type, length);
    if (parentId == 0) rootId = entryId;
    if (parentId == rootId && rootId > 0) return name;
  }
  return QvbString();
}
