#include "diagnosis.h"

#include <algorithm>

#include "header_search.h"
#include "layout_facts.h"

namespace {

// The values an evaluation reads, about: from the start of the sample, and from each
// other piece where the framing finds records there. Records of 40 columns give 400
// records and 50 from each other piece.
const int64_t START_VALUES = 16000;
const int64_t OTHER_VALUES = 2000;
// The candidates whose float formats are all tried, and those whose code page is
// chosen within its family.
const size_t FLOAT_TRIALS = 3;

// The first page row of a family: its page where nothing tells the pages apart.
int familyPage(PageFamily family) {
  for (int i = 0; i < PAGE_ROW_COUNT; ++i) {
    if (PAGE_ROWS[i].family == family) return PAGE_ROWS[i].ccsid;
  }
  return 0;
}

PageFamily familyOf(int ccsid) {
  for (int i = 0; i < PAGE_ROW_COUNT; ++i) {
    if (PAGE_ROWS[i].ccsid == ccsid) return PAGE_ROWS[i].family;
  }
  return FAMILY_ASCII;
}

// Whether native binary items are read in the byte order of the machine that wrote
// the rest: that of the floats where there are floats (IEEE little-endian on x86, big-
// endian elsewhere), otherwise little-endian for ASCII-based text, as x86 writes it, and
// big-endian for EBCDIC, as mainframes write it. Files rarely mix them.
bool nativeOrderFits(const Setting& setting, const LayoutFacts& facts) {
  if (!facts.native) return true;
  const bool little = setting.comp5LittleEndian || setting.binaryLittleEndian;
  const bool machineLittle = facts.floats ? setting.floatFormat == CCB_FLOAT_IEEE_LE
                                          : familyOf(setting.codePage) == FAMILY_ASCII;
  return little == machineLittle;
}

// Whether a reads its sample more plausibly than b: its framing holds; more of its
// values decode cleanly; it takes a shorter header (a longer one that decodes as well
// has passed over bytes); it lays tables out as their counts say (tables at their
// maximum read records that end after a table as cleanly, the items past their end
// unread); fewer of its values are unusual; its native binary items
// have the byte order of the machine; its floats lie nearer 1 in magnitude. Equal
// candidates keep their order: the rows' order, simplest first.
bool better(const DiagnoseCandidate& x, const DiagnoseCandidate& y, const LayoutFacts& facts) {
  const SampleTally& a = x.tally;
  const SampleTally& b = y.tally;
  if (a.holds != b.holds) return a.holds;
  if ((a.judged() > 0) != (b.judged() > 0)) return a.judged() > 0;
  const long double cleanA = static_cast<long double>(a.clean + a.unusual) * b.judged();
  const long double cleanB = static_cast<long double>(b.clean + b.unusual) * a.judged();
  if (cleanA != cleanB) return cleanA > cleanB;
  if (x.setting.records.skip != y.setting.records.skip) {
    return x.setting.records.skip < y.setting.records.skip;
  }
  if (x.setting.odoMax != y.setting.odoMax) return !x.setting.odoMax;
  const long double unusualA = static_cast<long double>(a.unusual) * b.judged();
  const long double unusualB = static_cast<long double>(b.unusual) * a.judged();
  if (unusualA != unusualB) return unusualA < unusualB;
  const bool fitsA = nativeOrderFits(x.setting, facts);
  if (fitsA != nativeOrderFits(y.setting, facts)) return fitsA;
  const double magnitudeA = a.magnitude / static_cast<double>(std::max<int64_t>(1, a.judged()));
  const double magnitudeB = b.magnitude / static_cast<double>(std::max<int64_t>(1, b.judged()));
  return magnitudeA < magnitudeB;
}

void rank(std::vector<DiagnoseCandidate>* candidates, const LayoutFacts& facts) {
  std::stable_sort(
      candidates->begin(), candidates->end(),
      [&](const DiagnoseCandidate& a, const DiagnoseCandidate& b) { return better(a, b, facts); });
}

// The ways of reading a file of the layouts tries.
class Trials {
 public:
  Trials(const ReadOptions& options, const FileSample& sample, const LayoutFacts& facts)
      : facts_(facts), evaluator_(options, sample, facts) {
    const CCBFloatFormat given = options.layout.getFloatFormat();
    floatGiven_ = given != CCB_FLOAT_NONE;
    if (floatGiven_ || !facts.floats) {
      floats_.push_back(given);
    } else {
      floats_.assign(FLOAT_ROWS, FLOAT_ROWS + FLOAT_ROW_COUNT);
    }
    // Tables of OCCURS DEPENDING ON may be stored at their maximum, unless the
    // options say they are.
    if (facts.variable && options.layout.getOdoLayout() == CCB_ODO_SHIFT) {
      odoMaxima_.push_back(true);
    }
    for (int i = 0; i < BYTE_ORDER_ROW_COUNT; ++i) {
      const ByteOrderRow& row = BYTE_ORDER_ROWS[i];
      const bool binary = row.binaryLittleEndian || row.comp5LittleEndian;
      if ((!binary || facts.binary) && (!row.needsNative || facts.native)) byteOrders_.push_back(i);
    }
  }

  SampleEvaluator* evaluator() { return &evaluator_; }

  // The settings under which headers are looked for: each family's first page, each
  // byte order, the first float format, each layout of the tables.
  std::vector<Setting> probes() const {
    std::vector<Setting> probes;
    for (PageFamily family : {FAMILY_ASCII, FAMILY_EBCDIC}) {
      for (int order : byteOrders_) {
        for (bool odoMax : odoMaxima_) {
          probes.push_back(withNumbers(Setting(), family, order));
          probes.back().odoMax = odoMax;
        }
      }
    }
    return probes;
  }

  // Those under which a walk is tried: a walk reads only the repetition counts and the
  // identifiers, so pages matter where they are text and byte orders where they are
  // binary. Tables at their maximum make every record as long as fixed records are.
  std::vector<Setting> walkProbes(const ReadOptions& options) const {
    const bool pages = facts_.displayCounts || options.layouts.size() > 1;
    std::vector<Setting> probes;
    for (PageFamily family : {FAMILY_ASCII, FAMILY_EBCDIC}) {
      for (int order : byteOrders_) {
        if ((family == FAMILY_EBCDIC && !pages) || (order > 0 && !facts_.binaryCounts)) continue;
        probes.push_back(withNumbers(Setting(), family, order));
      }
    }
    return probes;
  }

  // Each framing in each family and byte order, with the first float format.
  std::vector<DiagnoseCandidate> framingTrials(const std::vector<Setting>& framings) {
    std::vector<DiagnoseCandidate> candidates;
    for (const Setting& framing : framings) {
      for (const Setting& probe : probes()) {
        Setting setting = probe;
        setting.records = framing.records;
        candidates.push_back(trial(setting, false));
      }
    }
    return candidates;
  }

  // The other float formats of the best candidates.
  void floatTrials(std::vector<DiagnoseCandidate>* candidates) {
    const size_t count = std::min(FLOAT_TRIALS, candidates->size());
    for (size_t i = 0; i < count; ++i) {
      for (size_t f = 1; f < floats_.size(); ++f) {
        Setting setting = (*candidates)[i].setting;
        setting.floatFormat = floats_[f];
        candidates->push_back(trial(setting, false));
      }
    }
  }

  // The best candidate's page within its family: the one whose values decode most
  // cleanly, then whose text reads most plausibly, then the first row. The other
  // candidates of that family take the same page.
  void choosePage(std::vector<DiagnoseCandidate>* candidates) {
    if (candidates->empty()) return;
    const DiagnoseCandidate& best = candidates->front();
    const PageFamily family = familyOf(best.setting.codePage);
    DiagnoseCandidate chosen = trial(best.setting, true);
    for (int i = 0; i < PAGE_ROW_COUNT; ++i) {
      if (PAGE_ROWS[i].family != family || PAGE_ROWS[i].ccsid == best.setting.codePage) continue;
      Setting setting = best.setting;
      setting.codePage = PAGE_ROWS[i].ccsid;
      DiagnoseCandidate other = trial(setting, true);
      if (better(other, chosen, facts_) ||
          (!better(chosen, other, facts_) && other.tally.textScore > chosen.tally.textScore)) {
        chosen = other;
      }
    }
    for (size_t i = 1; i < candidates->size() && i < SHOWN_CANDIDATES; ++i) {
      DiagnoseCandidate& candidate = (*candidates)[i];
      if (familyOf(candidate.setting.codePage) != family ||
          candidate.setting.codePage == chosen.setting.codePage) {
        continue;
      }
      Setting setting = candidate.setting;
      setting.codePage = chosen.setting.codePage;
      candidate = trial(setting, false);
    }
    candidates->front() = chosen;
  }

 private:
  Setting withNumbers(Setting setting, PageFamily family, int order) const {
    const ByteOrderRow& row = BYTE_ORDER_ROWS[order];
    setting.codePage = familyPage(family);
    setting.binaryLittleEndian = row.binaryLittleEndian;
    setting.comp5LittleEndian = row.comp5LittleEndian;
    setting.floatFormat = floats_.front();
    return setting;
  }

  DiagnoseCandidate trial(const Setting& setting, bool scoreText) {
    DiagnoseCandidate candidate;
    candidate.setting = setting;
    candidate.tally = evaluator_.evaluate(setting, START_VALUES, OTHER_VALUES, scoreText);
    candidate.arguments = settingArguments(setting, !floatGiven_);
    return candidate;
  }

  const LayoutFacts& facts_;
  SampleEvaluator evaluator_;
  bool floatGiven_ = false;
  std::vector<CCBFloatFormat> floats_;
  std::vector<int> byteOrders_;            // rows of BYTE_ORDER_ROWS that apply
  std::vector<bool> odoMaxima_ = {false};  // whether tables are tried at their maximum
};

// Whether the candidate reads the sample as the kept one does: the same arguments, or
// a spanned format that met whole segments alone where the kept one reads the same
// records as rdw or vb with the same other arguments.
bool readsAlike(const DiagnoseCandidate& candidate, const DiagnoseCandidate& kept) {
  if (kept.arguments == candidate.arguments) return true;
  const CCBRecordFormat format = candidate.setting.records.format;
  if (format != CCB_RECORD_VS && format != CCB_RECORD_VBS) return false;
  std::vector<std::string> simpler = candidate.arguments;
  simpler[1] = ccbRecordFormatName(format == CCB_RECORD_VS ? CCB_RECORD_RDW : CCB_RECORD_VB);
  const SampleTally& a = candidate.tally;
  const SampleTally& b = kept.tally;
  return simpler == kept.arguments && a.records == b.records && a.clean == b.clean &&
         a.unusual == b.unusual && a.bad == b.bad;
}

// The candidates that read the sample as one before them left out, then those past the
// ones shown.
void keepShown(std::vector<DiagnoseCandidate>* candidates) {
  std::vector<DiagnoseCandidate> kept;
  for (DiagnoseCandidate& candidate : *candidates) {
    const bool seen = std::any_of(kept.begin(), kept.end(), [&](const DiagnoseCandidate& k) {
      return readsAlike(candidate, k);
    });
    if (!seen && kept.size() < SHOWN_CANDIDATES) kept.push_back(std::move(candidate));
  }
  *candidates = std::move(kept);
}

bool loadSample(const ReadOptions& options, FileSample* sample, std::string* error) {
  if (options.dataBytes != nullptr) {
    return sample->loadMemory(options.dataBytes, options.dataSize, error);
  }
  if (options.dataFile == STANDARD_INPUT) {
    *error = "standard input: diagnose reads a file at its start, middle and end; give a file";
    return false;
  }
  return sample->load(options.dataFile, error);
}

}  // namespace

bool diagnoseData(const ReadOptions& options, Diagnosis* diagnosis, std::string* error) {
  LayoutFacts facts;
  FileSample sample;
  if (!readLayoutFacts(options, &facts, error) || !loadSample(options, &sample, error)) {
    return false;
  }
  diagnosis->fileSize = sample.fileSize();
  diagnosis->wholeFile = sample.whole();
  diagnosis->compression = sample.compression();
  diagnosis->sampledBytes = static_cast<int64_t>(sample.start().bytes.size());
  diagnosis->decompressionStop = sample.decompressionStop();
  Trials trials(options, sample, facts);
  const std::vector<Setting> framings = findFramings(
      sample, facts, options, trials.probes(), trials.walkProbes(options), trials.evaluator());
  std::vector<DiagnoseCandidate> candidates = trials.framingTrials(framings);
  if (!trials.evaluator()->error().empty()) {
    *error = trials.evaluator()->error();
    return false;
  }
  rank(&candidates, facts);
  trials.floatTrials(&candidates);
  rank(&candidates, facts);
  keepShown(&candidates);
  trials.choosePage(&candidates);
  rank(&candidates, facts);
  keepShown(&candidates);
  diagnosis->candidates = std::move(candidates);
  return true;
}
