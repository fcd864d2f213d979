#include "row_encoder.h"

#include <strings.h>

#include <cstring>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include "layout_source.h"
#include "output_text.h"

namespace {

bool isKey(const char* text, int length, const char* key) {
  return static_cast<size_t>(length) == std::strlen(key) &&
         std::memcmp(text, key, static_cast<size_t>(length)) == 0;
}

// The columns `lyra read` adds, which name no column of a layout.
bool isIgnored(const char* text, int length) {
  return isKey(text, length, RECORD_KEY) || isKey(text, length, OFFSET_KEY);
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// Why a row that names no layout is bad: no layout, or several, match its identifier.
std::string unnamedLayoutReason(const std::vector<std::string>& matching) {
  return matching.empty() ? "The row names no layout (_layout), and its values put no layout's "
                            "identifier at the identifier field"
                          : "The row names no layout (_layout), and its values make a record "
                            "of each of the layouts " +
                                joined(matching);
}

}  // namespace

RecordWriterPtr createWriter(const WriteOptions& options, std::string* error) {
  RecordWriterPtr writer(createCCBRecordWriter());
  if (writer == nullptr) {
    *error = "cannot create a record writer";
    return nullptr;
  }
  const ReadOptions& read = options.read;
  writer->setLayoutOptions(read.layout);
  for (size_t i = 0; i < read.layouts.size(); ++i) {
    const LayoutSource& source = read.layouts[i];
    LayoutKind kind = source.kind;
    std::string unreadable;  // the add itself says why
    detectLayoutKind(source.path, &kind, &unreadable);
    const QvbString path(source.path.c_str());
    const QvbString id(source.id.c_str());
    const bool active = i == read.activeLayout;
    if (!(kind == LAYOUT_XML ? writer->addLayoutFile(path, id, active)
                             : writer->addCopybook(path, id, active))) {
      *error = source.path + ": " + messageText(writer->getErrorMessage());
      return nullptr;
    }
  }
  const bool identified = read.layouts.size() > 1 || !read.segments.empty();
  if (identified && !writer->setIdentifierField(read.idOffset, read.idClauses.c_str())) {
    *error = "--id-field: " + messageText(writer->getErrorMessage());
    return nullptr;
  }
  for (const auto& [item, id] : read.segments) {
    if (!writer->addSegment(item.c_str(), id.c_str())) {
      *error = "--segment " + item + "=" + id + ": " + messageText(writer->getErrorMessage());
      return nullptr;
    }
  }
  writer->setActiveLayout(static_cast<int>(read.activeLayout));
  return writer;
}

void ColumnNames::build(CCBRecordWriter* writer) {
  layouts_ = writer->getLayoutCount();
  const int active = writer->getActiveLayout();
  for (int layout = 0; layout < layouts_; ++layout) {
    writer->setActiveLayout(layout);
    ids_.push_back(writer->getLayoutId(layout).str());
    for (int i = 0; i < writer->getOutputCount(); ++i) {
      QvbString name;
      int type = 0;
      int length = 0;
      writer->getOutputInfo(i, name, type, length);
      std::vector<int>& columns = columns_[toUtf8(name.str())];
      columns.resize(static_cast<size_t>(layouts_), -1);
      if (columns[static_cast<size_t>(layout)] < 0) columns[static_cast<size_t>(layout)] = i;
    }
  }
  writer->setActiveLayout(active);
}

const std::vector<int>* ColumnNames::find(const std::string& name) const {
  const auto found = columns_.find(name);
  return found != columns_.end() ? &found->second : nullptr;
}

int ColumnNames::findLayout(const std::string& id) const {
  const std::string value = trimmed(id);
  for (size_t i = 0; i < ids_.size(); ++i) {
    if (strcasecmp(trimmed(ids_[i]).c_str(), value.c_str()) == 0) return static_cast<int>(i);
  }
  return -1;
}

bool RowEncoder::prepare(std::string* error) {
  writer_ = createWriter(options_, error);
  if (writer_ == nullptr) return false;
  if (!writer_->prepareEncoding(writerOptions(options_))) {
    *error = messageText(writer_->getErrorMessage());
    return false;
  }
  for (size_t i = 0; i < header_.size(); ++i) {
    if (header_[i] == LAYOUT_KEY) layoutField_ = static_cast<int>(i);
    headerColumns_.push_back(names_.find(header_[i]));
  }
  return options_.format != INPUT_JSON_NESTED ||
         nested_.build(writer_.get(), options_.read.children, error);
}

void RowEncoder::encode(EncodedChunk* chunk) {
  chunk->records.clear();
  chunk->rows.clear();
  CsvRows csv(&chunk->text);
  JsonRows json(&chunk->text);
  std::string refused;
  size_t begin = 0;
  size_t end = 0;
  const bool nested = options_.format == INPUT_JSON_NESTED;
  bool blank = false;
  for (int64_t row = 1;; ++row) {
    const bool more = nested                         ? json.nextLine(&begin, &end, &blank)
                      : options_.format == INPUT_CSV ? csv.next(&fields_, &begin, &end)
                                                     : json.next(&fields_, &begin, &end, &refused);
    if (!more) break;
    chunk->rows.emplace_back();
    RowOutcome& outcome = chunk->rows.back();
    outcome.row = row;
    outcome.begin = begin;
    outcome.end = end;
    if (nested) {
      if (!blank) encodeNested(&chunk->text[begin], &outcome, chunk);
    } else if (!refused.empty()) {
      bad(&outcome, "The row " + refused);
    } else if (!fields_.empty()) {
      encodeRow(fields_, &outcome, chunk);
    }
  }
}

void RowEncoder::bad(RowOutcome* outcome, const std::string& reason) {
  outcome->bad = true;
  outcome->reason = reason;
}

void RowEncoder::encodeRow(const std::vector<InputField>& fields, RowOutcome* outcome,
                           EncodedChunk* chunk) {
  if (options_.format == INPUT_CSV && fields.size() != header_.size()) {
    bad(outcome, "The row has " + std::to_string(fields.size()) + " fields, the header " +
                     std::to_string(header_.size()));
    return;
  }
  int layout = 0;
  if (!chooseLayout(fields, outcome, &layout) || !setValues(fields, layout, outcome)) return;
  const unsigned char* bytes = nullptr;
  int length = 0;
  if (!writer_->encodeRecord(bytes, length)) {
    badValue(outcome);
    return;
  }
  outcome->offset = static_cast<int64_t>(chunk->records.size());
  outcome->length = length;
  chunk->records.insert(chunk->records.end(), bytes, bytes + length);
}

// The columns of a field's name: the header's, or the member's key.
const std::vector<int>* RowEncoder::columnsOf(const InputField& field, size_t index) {
  if (options_.format == INPUT_CSV) return headerColumns_[index];
  // Rows of JSON lines mostly name their members in the same order: the member at the
  // same place as in an earlier row is looked up once.
  if (index >= keyCache_.size()) keyCache_.resize(index + 1);
  std::pair<std::string, const std::vector<int>*>& cached = keyCache_[index];
  const size_t length = static_cast<size_t>(field.keyLength);
  if (cached.second != nullptr && cached.first.size() == length &&
      std::memcmp(cached.first.data(), field.key, length) == 0) {
    return cached.second;
  }
  key_.assign(field.key, length);
  cached.first = key_;
  cached.second = names_.find(key_);
  return cached.second;
}

// The row's layout: the one its _layout names; the active one for CSV, one layout, or
// --active; else the one whose identifier its values put at the identifier field.
bool RowEncoder::chooseLayout(const std::vector<InputField>& fields, RowOutcome* outcome,
                              int* layout) {
  const InputField* named = nullptr;
  std::vector<std::string> unknown;
  for (size_t i = 0; i < fields.size(); ++i) {
    const InputField& field = fields[i];
    const bool isLayout = options_.format == INPUT_CSV
                              ? static_cast<int>(i) == layoutField_
                              : isKey(field.key, field.keyLength, LAYOUT_KEY);
    if (isLayout && !field.null) named = &field;
    if (options_.format == INPUT_JSONL && !isLayout && !isIgnored(field.key, field.keyLength) &&
        columnsOf(field, i) == nullptr) {
      unknown.push_back(key_);
    }
  }
  if (!unknown.empty()) {
    outcome->usage = true;
    outcome->reason = "no layout has the columns " + joined(unknown);
    return false;
  }
  if (named != nullptr) {
    const std::string id(named->text, static_cast<size_t>(named->length));
    *layout = names_.findLayout(id);
    if (*layout >= 0) return true;
    outcome->column = LAYOUT_KEY;
    outcome->value = id;
    bad(outcome, "no layout has the record identifier '" + id + "'");
    return false;
  }
  *layout = static_cast<int>(options_.read.activeLayout);
  if (names_.layoutCount() == 1 || options_.format == INPUT_CSV || options_.activeGiven) {
    return true;
  }
  std::vector<std::string> matching;
  for (int candidate = 0; candidate < names_.layoutCount(); ++candidate) {
    RowOutcome trial;
    bool matches = false;
    if (setValues(fields, candidate, &trial) && writer_->identifierMatches(matches) && matches) {
      *layout = candidate;
      matching.push_back(names_.layoutId(candidate));
    }
  }
  if (matching.size() == 1) return true;
  bad(outcome, unnamedLayoutReason(matching));
  return false;
}

bool RowEncoder::setValues(const std::vector<InputField>& fields, int layout, RowOutcome* outcome) {
  writer_->setActiveLayout(layout);
  for (size_t i = 0; i < fields.size(); ++i) {
    const InputField& field = fields[i];
    if (field.null) continue;
    const std::vector<int>* columns = columnsOf(field, i);
    if (columns == nullptr) continue;  // _layout, _record, _offset
    const int column = (*columns)[static_cast<size_t>(layout)];
    if (column < 0) {
      outcome->column = options_.format == INPUT_CSV
                            ? header_[i]
                            : std::string(field.key, static_cast<size_t>(field.keyLength));
      outcome->value.assign(field.text, static_cast<size_t>(field.length));
      bad(outcome, "is no column of the layout " + names_.layoutId(layout));
      return false;
    }
    writer_->setValue(column, field.text, field.length);
  }
  return true;
}

// A json-nested row: parsed in place, its records taken apart and encoded one after
// another; nothing of it when one of them is bad.
void RowEncoder::encodeNested(char* line, RowOutcome* outcome, EncodedChunk* chunk) {
  rapidjson::Document document;
  // Iterative parsing keeps deep nesting off the stack; numbers stay text, as written.
  const unsigned FLAGS = rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag;
  document.ParseInsitu<FLAGS>(line);
  if (document.HasParseError()) {
    bad(outcome, std::string("The row is no JSON object: ") +
                     rapidjson::GetParseError_En(document.GetParseError()));
    return;
  }
  if (!document.IsObject()) {
    bad(outcome, "The row is no JSON object");
    return;
  }
  int layout = 0;
  if (!chooseNestedLayout(document, outcome, &layout) || !takeRecords(document, layout, outcome)) {
    return;
  }
  appendRecords(outcome, chunk);
}

// The root's layout: the one _layout names; the active one with one layout or --active;
// else the one whose identifier the root's values put at the identifier field.
bool RowEncoder::chooseNestedLayout(const rapidjson::Value& line, RowOutcome* outcome,
                                    int* layout) {
  const auto named = line.FindMember(LAYOUT_KEY);
  if (named != line.MemberEnd() && named->value.IsString()) {
    const std::string id(named->value.GetString(), named->value.GetStringLength());
    *layout = names_.findLayout(id);
    if (*layout >= 0) return true;
    outcome->column = LAYOUT_KEY;
    outcome->value = id;
    bad(outcome, "no layout has the record identifier '" + id + "'");
    return false;
  }
  *layout = static_cast<int>(options_.read.activeLayout);
  if (names_.layoutCount() == 1 || options_.activeGiven) return true;
  std::vector<std::string> matching;
  NestedProblem problem;
  for (int candidate = 0; candidate < names_.layoutCount(); ++candidate) {
    bool matches = false;
    if (!nested_.take(line, candidate, &records_, &problem)) continue;
    setRecordValues(records_.front());
    if (writer_->identifierMatches(matches) && matches) {
      *layout = candidate;
      matching.push_back(names_.layoutId(candidate));
    }
  }
  if (matching.size() == 1) return true;
  bad(outcome, unnamedLayoutReason(matching));
  return false;
}

bool RowEncoder::takeRecords(const rapidjson::Value& line, int layout, RowOutcome* outcome) {
  NestedProblem problem;
  if (nested_.take(line, layout, &records_, &problem)) return true;
  outcome->column = problem.path;
  outcome->value = problem.value;
  bad(outcome, problem.reason);
  return false;
}

void RowEncoder::setRecordValues(const NestedRecord& record) {
  writer_->setActiveLayout(record.layout);
  for (const NestedValue& value : record.values) {
    writer_->setValue(value.column, value.text, value.length);
  }
}

// The row's records after the chunk's records; none when one of them is bad.
void RowEncoder::appendRecords(RowOutcome* outcome, EncodedChunk* chunk) {
  const size_t start = chunk->records.size();
  for (const NestedRecord& record : records_) {
    setRecordValues(record);
    const unsigned char* bytes = nullptr;
    int length = 0;
    if (!writer_->encodeRecord(bytes, length)) {
      badValue(outcome);
      chunk->records.resize(start);
      outcome->lengths.clear();
      return;
    }
    chunk->records.insert(chunk->records.end(), bytes, bytes + length);
    outcome->lengths.push_back(length);
  }
  outcome->offset = static_cast<int64_t>(start);
  outcome->length = static_cast<int>(chunk->records.size() - start);
}

void RowEncoder::badValue(RowOutcome* outcome) {
  int64_t record = 0;
  int column = -1;
  QvbString value;
  QvbString reason;
  writer_->getBadValue(record, column, value, reason);
  if (column >= 0) {
    QvbString name;
    int type = 0;
    int length = 0;
    writer_->getOutputInfo(column, name, type, length);
    outcome->column = toUtf8(name.str());
    outcome->value = value.str();
  }
  bad(outcome, reason.str());
}
