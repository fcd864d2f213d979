#include "record_formatter.h"

#include <charconv>

#include "output_text.h"

namespace {

const char* const POSITION_COLUMNS[] = {
    "_record",  // the record's number in the file, from 1; null where unknown
    "_offset",  // the byte offset of its first byte in the file
};
const size_t POSITION_COUNT = sizeof POSITION_COLUMNS / sizeof POSITION_COLUMNS[0];

}  // namespace

RecordFormatter::RecordFormatter(const ReadOptions& options,
                                 const std::vector<OutputColumn>& columns)
    : withPosition_(options.withPosition),
      writer_(createRecordWriter(options.format, options.typed, columns)),
      values_(columns.size()) {}

// The position columns' texts are kept in positions_, the others are views of the
// reader's text, whole with any zero bytes it keeps.
void RecordFormatter::write(CCBRecordReader* reader, OutputBuffer* out) {
  size_t at = 0;
  if (withPosition_) {
    const int64_t number = reader->getRecordNumber();
    const int64_t position[] = {number, reader->getRecordOffset()};
    for (size_t i = 0; i < POSITION_COUNT; ++i) {
      char* end = std::to_chars(positions_[i], positions_[i] + POSITION_DIGITS, position[i]).ptr;
      values_[at++] = OutputValue{std::string_view(positions_[i], end - positions_[i]), false};
    }
    values_[0].null = number < 0;
  }
  for (int i = 0; at < values_.size(); ++i) {
    const char* bytes = nullptr;
    int length = 0;
    const bool present = reader->getOutputBytes(i, bytes, length);
    values_[at++] = present
                        ? OutputValue{std::string_view(bytes, static_cast<size_t>(length)), false}
                        : OutputValue();
  }
  writer_->write(values_, out);
}

// The names are gathered first, where each ends noted; the views follow once the
// block of names no longer moves.
OutputColumns describeColumns(const ReadOptions& options, CCBRecordReader* reader) {
  OutputColumns columns;
  const int count = reader->getOutputCount();
  const size_t positions = options.withPosition ? POSITION_COUNT : 0;
  columns.list.reserve(positions + static_cast<size_t>(count));
  // Neither a record number nor an offset has more digits than the file's size.
  const int digits = static_cast<int>(std::to_string(reader->getDataFileSize()).size());
  for (size_t i = 0; i < positions; ++i) {
    columns.list.push_back({POSITION_COLUMNS[i], QVB_TYPE_INTEGER, digits, true});
  }
  std::vector<size_t> nameEnds(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    QvbString name;
    OutputColumn column{std::string_view(), QVB_TYPE_STRING, 0, false};
    reader->getOutputInfo(i, name, column.type, column.length);
    const std::string utf8 = toUtf8(name.str());  // the copybook's bytes, read as ISO-8859-1
    columns.names.insert(columns.names.end(), utf8.begin(), utf8.end());
    nameEnds[static_cast<size_t>(i)] = columns.names.size();
    columns.list.push_back(column);
  }
  for (size_t i = 0, start = 0; i < nameEnds.size(); start = nameEnds[i++]) {
    columns.list[positions + i].name =
        std::string_view(columns.names.data() + start, nameEnds[i] - start);
  }
  return columns;
}
