// SampleEvaluator reads the sample of a data file (FileSample) the way a Setting
// says, with record readers of its own, and tallies how cleanly its values decode
// (CCBRecordCheck): the measure by which `lyra diagnose` ranks the ways of reading a
// file. It also answers the questions by which the header before the first record is
// found: whether a layout's walk holds from a skip on, and which records from a skip
// on decode cleanly. It owns its readers, one per float format and active layout,
// made when first needed and reused; the options and the sample stay the caller's.
#ifndef LYRA_TOOLS_SAMPLE_EVALUATION_H_
#define LYRA_TOOLS_SAMPLE_EVALUATION_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <lyra/lyra.h>

#include "candidate_rows.h"
#include "file_sample.h"
#include "layout_facts.h"
#include "read_options.h"

// Where reading the sample went wrong first, in file order: a field that decodes
// badly, a bad record, a record of no layout, or a record at which reading stopped.
struct SampleProblem {
  bool found = false;
  int64_t record = -1;       // its number in the file; -1 where unknown
  int64_t recordOffset = 0;  // the file offset of the record's first byte (its descriptor word)
  int64_t fieldOffset = -1;  // the file offset of the bad field's first byte; -1: a bad record
  std::string column;        // the bad field's column, UTF-8; empty for a bad record
  std::string bytes;         // the field's bytes, or the first bytes of the record
  std::string expected;      // what the field should hold, or why the record is bad
  // The columns of the record before the bad field that decoded: name and value.
  std::vector<std::pair<std::string, std::string>> before;

  // Whether this problem comes before the other in the file.
  bool precedes(const SampleProblem& other) const;
};

struct SampleTally {
  int64_t clean = 0;    // values that decode cleanly
  int64_t unusual = 0;  // clean, but unlike what programs store
  int64_t bad = 0;      // values that do not, each bad record counting as all its columns
  int64_t null = 0;
  int64_t records = 0;     // read: bad ones and those of no layout included
  int64_t badRecords = 0;  // passed over, or of no layout
  double magnitude = 0;    // of the float values: lower is more plausible
  int64_t textScore = 0;   // of the display text, when asked for: higher is more plausible
  bool holds = true;       // the framing held through the sample
  SampleProblem first;

  int64_t judged() const { return clean + unusual + bad; }
  // The share of values that decode cleanly, from 0 to 1; 0 when none was judged.
  double share() const;
  // Whether every value read decoded cleanly, and there was one at least.
  bool allClean() const { return holds && bad == 0 && judged() > 0; }
};

class SampleEvaluator {
 public:
  SampleEvaluator(const ReadOptions& options, const FileSample& sample, const LayoutFacts& facts);
  SampleEvaluator(const SampleEvaluator&) = delete;
  SampleEvaluator& operator=(const SampleEvaluator&) = delete;

  // Reads records of each layout from the start of the sample until they hold about
  // startValues values and, where the framing finds records in the middle of a file
  // (fixed records, lines), otherValues from each other piece: fewer where records are
  // longer than 128 bytes a value, a few records at least.
  // scoreText also scores the display text.
  SampleTally evaluate(const Setting& setting, int64_t startValues, int64_t otherValues,
                       bool scoreText);
  // The first skip (an index of skips that is true, within the sample's start) from
  // which the walk of the records holds through the start of the sample (and, where the
  // sample is the whole file, ends at its end), reading up to maxRecords records of the
  // first layout; -1 for none.
  int64_t firstWalkingSkip(const Setting& setting, const std::vector<bool>& skips, int maxRecords);
  // For the first records from the setting's skip on, up to record count and to the
  // last record of a layout read, the share of each one's values that decode cleanly;
  // 0 for a record of no layout or a bad one.
  std::vector<double> recordShares(const Setting& setting, int count);

  // Why a reader could not be made, once one could not.
  const std::string& error() const { return error_; }

 private:
  // A reader with one layout active, and what the evaluation needs of its columns.
  struct LayoutReader {
    RecordReaderPtr reader;
    std::vector<CCBColumnUsage> usages;
    std::vector<bool> text;          // display text columns
    std::vector<std::string> names;  // UTF-8
    std::vector<int64_t> offsets;    // in the record where fixed; -1 where variable
  };
  // Where and how one pass reads a piece of the sample.
  struct PieceRead {
    const SamplePiece* piece;
    int64_t skip;        // within the piece
    size_t usable;       // bytes of the piece read
    int64_t numberBase;  // added to the reader's record numbers; -1: numbers unknown
    bool cut;            // the piece ends before the file does
  };
  class Pass;

  // The reader of the layout with the setting's float format and tables' layout.
  LayoutReader* readerFor(const Setting& setting, size_t layout);
  std::vector<PieceRead> pieceReads(const Setting& setting, bool startOnly) const;
  CCBReadOptions readOptionsOf(const Setting& setting) const;
  bool openPiece(CCBRecordReader* reader, CCBReadOptions readOptions, const PieceRead& read);
  bool walkHolds(CCBRecordReader* reader, const CCBReadOptions& readOptions, const PieceRead& read,
                 int maxRecords);

  const ReadOptions& options_;
  const FileSample& sample_;
  const LayoutFacts& facts_;
  // By float format, tables at their maximum, layout.
  std::map<std::tuple<int, bool, size_t>, std::unique_ptr<LayoutReader>> readers_;
  std::unique_ptr<CCBRecordCheck, void (*)(CCBRecordCheck*)> check_;
  std::string error_;
};

#endif  // LYRA_TOOLS_SAMPLE_EVALUATION_H_
