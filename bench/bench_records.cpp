#include "bench_records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const int RECORD_LENGTH = 200;
const size_t WRITE_BLOCK_RECORDS = 4096;  // records written per fwrite

const BenchRecord BENCH_RECORDS[] = {
    {"mixed", "txnrec.cpy", RECORD_LENGTH},      // BENCH_RECORD_MIXED
    {"display", "custaddr.cpy", RECORD_LENGTH},  // BENCH_RECORD_DISPLAY
};

const char* const LAST_NAMES[] = {
    "SMITH",        "JOHNSON",   "WILLIAMS", "GARCIA", "O'BRIEN",         "NGUYEN",
    "VAN DER BERG", "KOWALSKI",  "MUELLER",  "ROSSI",  "FERNANDEZ-LOPEZ", "TANAKA",
    "OKAFOR",       "LINDQVIST", "DUBOIS",   "PATEL",
};
const char* const FIRST_NAMES[] = {
    "JAMES", "MARY", "ROBERT", "PATRICIA", "JOHN", "JENNIFER", "MICHAEL", "LINDA",
    "WEI",   "AMIT", "SOFIA",  "LUCAS",    "EMMA", "NOAH",     "OLIVIA",  "CHRISTOPHER",
};
const char* const MERCHANTS[] = {
    "CORNER GROCERY #1182", "CITY PARKING GARAGE", "ONLINE BOOKS LTD",  "FUEL STOP 0042",
    "CAFE DEL SOL",         "HARDWARE DEPOT",      "AIRLINE TICKETING", "PHARMACY PLUS",
};
const char* const CURRENCIES[] = {"USD", "EUR", "GBP", "CAD", "JPY", "CHF"};
const char* const FEE_CODES[] = {"AT", "FX", "OD", "WD", "SV", "  "};
const char* const STREETS[] = {
    "MAIN ST", "OAK AVENUE", "ELM STREET", "HARBOR BLVD", "MILL ROAD", "SUNSET DRIVE",
};
const char* const CITIES[] = {
    "SPRINGFIELD", "RIVERSIDE", "FAIRVIEW", "GEORGETOWN", "SALT LAKE CITY", "BROOKLYN",
};
const char* const STATES[] = {"CA", "NY", "TX", "IL", "WA", "FL", "OH", "UT"};
const char* const DOMAINS[] = {"EXAMPLE.COM", "MAIL.EXAMPLE.ORG", "BANK.TEST"};
const char* const SEGMENTS[] = {"RT", "PB", "SB", "CO"};
const char* const RECORD_TYPES[] = {"A", "B", "C"};
const char* const MIDDLE_INITIALS[] = {" ", "A", "E", "J", "M", "R"};
const char* const STATUSES[] = {"A", "I", "D", "X"};

const uint64_t MIXED_SEED = 0x5EED0001;
const uint64_t DISPLAY_SEED = 0x5EED0002;

template <typename T, size_t N>
size_t countOf(const T (&)[N]) {
  return N;
}

// splitmix64: a small, fast generator whose sequence is fixed by its seed.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  uint64_t below(uint64_t n) { return next() % n; }
  int64_t between(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(below(static_cast<uint64_t>(high - low + 1)));
  }
  template <typename T, size_t N>
  const T& pick(const T (&items)[N]) {
    return items[below(N)];
  }
  // A value of up to digits digits with a varied number of digits, negative in about
  // one case of four when allowed.
  int64_t amount(int digits, bool allowNegative) {
    int64_t limit = 1;
    for (int i = between(1, digits); i > 0; --i) limit *= 10;
    const int64_t magnitude = static_cast<int64_t>(below(static_cast<uint64_t>(limit)));
    return allowNegative && below(4) == 0 ? -magnitude : magnitude;
  }

 private:
  uint64_t state_;
};

// Writes field values at byte offsets of one record.
class RecordWriter {
 public:
  explicit RecordWriter(char* record) : record_(record) {}

  void text(int offset, int width, const char* value) {
    const size_t n = std::min(std::strlen(value), static_cast<size_t>(width));
    std::memcpy(record_ + offset, value, n);
    std::memset(record_ + offset + n, ' ', static_cast<size_t>(width) - n);
  }
  void digits(int offset, int width, uint64_t value) {
    for (int i = width - 1; i >= 0; --i, value /= 10) record_[offset + i] = char('0' + value % 10);
  }
  void date(int offset, Random& random, int firstYear, int lastYear) {
    const int64_t year = random.between(firstYear, lastYear);
    const int64_t month = random.between(1, 12);
    const int64_t day = random.between(1, 28);
    digits(offset, 8, static_cast<uint64_t>((year * 100 + month) * 100 + day));
  }
  // Packed decimal of an odd digit count: the digits, then sign nibble C or D.
  void packed(int offset, int digitCount, int64_t value) {
    uint64_t magnitude = value < 0 ? static_cast<uint64_t>(-value) : static_cast<uint64_t>(value);
    const int bytes = (digitCount + 1) / 2;
    unsigned char* out = reinterpret_cast<unsigned char*>(record_ + offset);
    unsigned nibble = value < 0 ? 0x0D : 0x0C;
    for (int i = 2 * bytes - 1; i >= 0; --i) {
      if (i != 2 * bytes - 1) {
        nibble = static_cast<unsigned>(magnitude % 10);
        magnitude /= 10;
      }
      if (i % 2 == 1) {
        out[i / 2] = static_cast<unsigned char>(nibble);
      } else {
        out[i / 2] = static_cast<unsigned char>(out[i / 2] | nibble << 4);
      }
    }
  }
  // Big-endian two's complement of bytes bytes.
  void binary(int offset, int bytes, int64_t value) {
    uint64_t bits = static_cast<uint64_t>(value);
    for (int i = bytes - 1; i >= 0; --i, bits >>= 8) {
      record_[offset + i] = static_cast<char>(bits & 0xFF);
    }
  }
  // Zoned digits whose last byte carries the sign: '0'-'9' positive, 'p'-'y' negative.
  void zonedTrailingSign(int offset, int width, int64_t value) {
    const uint64_t magnitude =
        value < 0 ? static_cast<uint64_t>(-value) : static_cast<uint64_t>(value);
    digits(offset, width, magnitude);
    if (value < 0) record_[offset + width - 1] = char('p' + magnitude % 10);
  }

 private:
  char* record_;
};

// TXNREC: see txnrec.cpy for the offsets.
void writeMixedRecord(char* record, uint64_t number, Random& random) {
  RecordWriter out(record);
  char buffer[64];
  snprintf(buffer, sizeof buffer, "TX%010llu",
           static_cast<unsigned long long>(number % 10000000000));
  out.text(0, 12, buffer);
  snprintf(buffer, sizeof buffer, "%c%c%c%07llu", char('A' + random.below(26)),
           char('A' + random.below(26)), char('A' + random.below(26)),
           static_cast<unsigned long long>(random.below(10000000)));
  out.text(12, 10, buffer);
  snprintf(buffer, sizeof buffer, "%s, %s", random.pick(LAST_NAMES), random.pick(FIRST_NAMES));
  out.text(22, 30, buffer);
  out.text(52, 25, random.pick(MERCHANTS));
  out.text(77, 3, random.pick(CURRENCIES));
  out.date(80, random, 2015, 2024);
  out.packed(88, 11, random.amount(11, true));
  out.binary(94, 2, random.between(-9999, 9999));
  out.binary(96, 4, random.between(-999999999, 999999999));
  out.zonedTrailingSign(100, 9, random.amount(9, true));
  for (int i = 0; i < 5; ++i) {
    out.text(109 + 6 * i, 2, random.pick(FEE_CODES));
    out.packed(111 + 6 * i, 7, random.amount(7, true));
  }
  out.text(139, 61, "");
}

// CUSTADDR: see custaddr.cpy for the offsets.
void writeDisplayRecord(char* record, uint64_t number, Random& random) {
  RecordWriter out(record);
  char buffer[64];
  const char* last = random.pick(LAST_NAMES);
  const char* first = random.pick(FIRST_NAMES);
  out.digits(0, 10, 1000000000 + number % 9000000000);
  out.text(10, 1, random.pick(RECORD_TYPES));
  out.text(11, 20, last);
  out.text(31, 15, first);
  out.text(46, 1, random.pick(MIDDLE_INITIALS));
  snprintf(buffer, sizeof buffer, "%llu %s",
           static_cast<unsigned long long>(random.between(1, 9999)), random.pick(STREETS));
  out.text(47, 30, buffer);
  out.text(77, 20, random.pick(CITIES));
  out.text(97, 2, random.pick(STATES));
  out.digits(99, 5, static_cast<uint64_t>(random.between(1000, 99999)));
  out.digits(104, 4, random.below(10000));
  out.digits(108, 10, static_cast<uint64_t>(random.between(2000000000, 9899999999)));
  snprintf(buffer, sizeof buffer, "%s.%s@%s", first, last, random.pick(DOMAINS));
  out.text(118, 40, buffer);
  out.date(158, random, 1935, 2005);
  out.date(166, random, 1990, 2024);
  out.digits(174, 4, random.below(10000));
  out.text(178, 2, random.pick(SEGMENTS));
  out.digits(180, 3, static_cast<uint64_t>(random.between(300, 850)));
  out.digits(183, 11, static_cast<uint64_t>(random.amount(11, false)));
  out.text(194, 1, random.pick(STATUSES));
  out.text(195, 5, "");
}

}  // namespace

const BenchRecord& benchRecord(BenchRecordKind kind) {
  return BENCH_RECORDS[kind];
}

bool findBenchRecord(const std::string& name, BenchRecordKind* kind) {
  for (size_t i = 0; i < countOf(BENCH_RECORDS); ++i) {
    if (name == BENCH_RECORDS[i].name) {
      *kind = static_cast<BenchRecordKind>(i);
      return true;
    }
  }
  return false;
}

bool writeBenchFile(BenchRecordKind kind, const std::string& path, int64_t bytes,
                    std::string* error) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) {
    *error = "cannot create " + path;
    return false;
  }
  const int length = benchRecord(kind).length;
  Random random(kind == BENCH_RECORD_MIXED ? MIXED_SEED : DISPLAY_SEED);
  std::vector<char> block(WRITE_BLOCK_RECORDS * static_cast<size_t>(length));
  const uint64_t records = static_cast<uint64_t>(bytes / length);
  for (uint64_t done = 0; done < records;) {
    const size_t count =
        static_cast<size_t>(std::min<uint64_t>(WRITE_BLOCK_RECORDS, records - done));
    for (size_t i = 0; i < count; ++i, ++done) {
      char* record = block.data() + i * static_cast<size_t>(length);
      if (kind == BENCH_RECORD_MIXED) {
        writeMixedRecord(record, done + 1, random);
      } else {
        writeDisplayRecord(record, done + 1, random);
      }
    }
    if (std::fwrite(block.data(), static_cast<size_t>(length), count, file.get()) != count) {
      *error = "cannot write " + path;
      return false;
    }
  }
  if (std::fclose(file.release()) != 0) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

namespace {

const size_t VB_BLOCK_LIMIT = 27998;  // a common largest block on tape and disk

void appendWord(std::string* out, size_t length) {
  const char word[4] = {static_cast<char>(length >> 8), static_cast<char>(length & 0xFF), 0, 0};
  out->append(word, 4);
}

}  // namespace

bool writeFramedFile(const std::string& fixedPath, int length, CCBRecordFormat format,
                     const std::string& path, std::string* error) {
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(fixedPath.c_str(), "rb"), std::fclose);
  std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!in || !out) {
    *error = "cannot open " + fixedPath + " or create " + path;
    return false;
  }
  std::vector<char> record(static_cast<size_t>(length));
  std::string block;  // vb: the records of the block being filled
  std::string framed;
  const size_t recordSize = static_cast<size_t>(length) + 4;
  bool written = true;
  for (bool more = true; more && written;) {
    more = std::fread(record.data(), record.size(), 1, in.get()) == 1;
    framed.clear();
    if (format == CCB_RECORD_VB && !block.empty() &&
        (!more || 4 + block.size() + recordSize > VB_BLOCK_LIMIT)) {
      appendWord(&framed, 4 + block.size());
      framed += block;
      block.clear();
    }
    if (more && format == CCB_RECORD_LINES) {
      framed.append(record.data(), record.size()).push_back('\n');
    } else if (more) {
      std::string& to = format == CCB_RECORD_VB ? block : framed;
      appendWord(&to, recordSize);
      to.append(record.data(), record.size());
    }
    written = std::fwrite(framed.data(), 1, framed.size(), out.get()) == framed.size();
  }
  if (!written || std::fclose(out.release()) != 0) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

std::string benchCopybook(BenchRecordKind kind) {
  return std::string(LYRA_BENCH_SOURCE_DIR) + "/" + benchRecord(kind).copybook;
}

CCBReader* openBenchReader(BenchRecordKind kind, const std::string& path, std::string* error) {
  CCBReader* reader = createCCBReader();
  if (reader == nullptr) {
    *error = "createCCBReader failed";
    return nullptr;
  }
  const std::string copybook = benchCopybook(kind);
  if (!reader->addCopybook(QvbString(copybook.c_str()), QvbString(benchRecord(kind).name), true) ||
      !reader->openDataFile(QvbString(path.c_str()), 0, true, true, 0)) {
    *error = reader->getErrorMessage().asCstr();
    reader->release();
    return nullptr;
  }
  return reader;
}
