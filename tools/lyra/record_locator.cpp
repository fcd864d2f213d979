#include "record_locator.h"

#include <vector>

#include "reader_setup.h"
#include "record_span_tracker.h"
#include "scratch_file.h"

namespace {

const size_t COPYBOOK_LAST_COLUMN = 72;
const char CLAUSE_INDENT[] = "               ";  // clauses start in column 16

// The clause text as words, a quoted literal kept in one piece.
std::vector<std::string> clauseWords(const std::string& text) {
  std::vector<std::string> words;
  char quote = 0;
  std::string word;
  for (char c : text) {
    if (quote == 0 && (c == ' ' || c == '\t')) {
      if (!word.empty()) words.push_back(word);
      word.clear();
      continue;
    }
    if (c == '\'' || c == '"') quote = quote == 0 ? c : (quote == c ? 0 : quote);
    word.push_back(c);
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// A copybook whose one field is the identifier field, where records have it.
std::string identifierCopybook(int offset, const std::string& clauses) {
  std::string text = "       01  LYRA-IDENTIFIER-RECORD.\n";
  if (offset > 0) text += "           05  FILLER PIC X(" + std::to_string(offset) + ").\n";
  text += "           05  LYRA-RECORD-ID\n";
  std::string line = CLAUSE_INDENT;
  for (const std::string& word : clauseWords(clauses)) {
    if (line.size() >= sizeof CLAUSE_INDENT && line.size() + word.size() > COPYBOOK_LAST_COLUMN) {
      text += line + "\n";
      line = CLAUSE_INDENT;
    }
    line += word + " ";
  }
  return text + line + ".\n";
}

}  // namespace

bool RecordLocator::locate(long long written, RecordLocation* location) const {
  if (!options_.fixedLength) return locateByLength(location);
  if (options_.layouts.size() > 1) return locateByIdentifier(written, location);
  *location = {written + 1, options_.skip + written * recordLength_};
  return true;
}

bool RecordLocator::locateByIdentifier(long long written, RecordLocation* location) const {
  const ScratchFile copybook(identifierCopybook(options_.idOffset, options_.idClauses));
  if (copybook.path().empty()) return false;
  std::string error;
  ReaderPtr reader = createReader(ReadOptions(), &error);
  if (reader == nullptr ||
      !addLayout(reader.get(), {LAYOUT_COPYBOOK, copybook.path(), ""}, true, &error) ||
      !openDataFile(reader.get(), options_, recordLength_, &error)) {
    return false;
  }
  const QvbString active(options_.layouts[options_.activeLayout].id.c_str());
  long long activeSeen = 0;
  bool failed = false;
  for (long long index = 0;; ++index) {
    if (!reader->readNextRecord(failed)) {
      if (!failed) return false;
    } else {
      QvbString id = reader->getOutputValue(reader->getOutputCount() - 1).asString();
      id.trim(true, true);
      if (id.compare(active, false) != 0 || ++activeSeen <= written) continue;
    }
    *location = {index + 1, options_.skip + index * recordLength_};
    return true;
  }
}

bool RecordLocator::locateByLength(RecordLocation* location) const {
  long long records = 0;
  long long bytes = 0;
  for (size_t t = 0; t < options_.layouts.size(); ++t) {
    if (!measureLayout(t, &records, &bytes)) return false;
  }
  *location = {records + 1, options_.skip + bytes};
  return true;
}

// Only a layout added after the data file is open receives the callback given since,
// so the other layouts are added and the file opened before it is set.
bool RecordLocator::measureLayout(size_t t, long long* count, long long* bytes) const {
  std::string error;
  ReaderPtr reader = createReader(options_, &error);
  if (reader == nullptr) return false;
  const bool others = options_.layouts.size() > 1;
  for (size_t i = 0; i < options_.layouts.size(); ++i) {
    if (i != t && !addLayout(reader.get(), options_.layouts[i], false, &error)) return false;
  }
  if (others && !openDataFile(reader.get(), options_, 0, &error)) return false;
  RecordSpanTracker tracker;
  reader->setDebugCallback(&tracker);
  if (!addLayout(reader.get(), options_.layouts[t], true, &error)) return false;
  if (!others && !openDataFile(reader.get(), options_, 0, &error)) return false;
  bool failed = false;
  for (tracker.reset(); reader->readNextRecord(failed); tracker.reset()) {
    ++*count;
    *bytes += tracker.length();
  }
  return failed;
}
