// CCBRecordBatch: the column kinds by picture, then on records built by hand the
// values of each kind, extremes, errors, the batch settings and the failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "interface/service_test_util.h"
#include "lyra/lyra.h"
#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

using test_support::own;

// Records built by hand, read as fixed records; by default a packed integer, a display
// integer, a packed number of 27 digits and text.
const std::vector<std::string> HAND = {"01 R.", "05 A PIC S9(3) COMP-3.", "05 B PIC 9(3).",
                                       "05 C PIC S9(25)V99 COMP-3.", "05 D PIC X(5)."};
const std::string PACKED_27_NEGATIVE = "\x12\x34\x56\x78\x90\x12\x34\x56\x78\x90\x12\x34\x56\x7d";
const std::string PACKED_27_ZERO(std::string(13, '\0') + "\x0c");
const std::string HAND_RECORD = std::string("\x12\x3c", 2) + "045" + PACKED_27_ZERO + "AB   ";

class RecordBatchTest : public ::testing::Test {
 protected:
  void open(const std::string& bytes, const std::vector<std::string>& copybook = HAND,
            CCBZeroBytes zeroBytes = CCB_ZERO_BYTES_SPACE,
            CCBRecordFormat format = CCB_RECORD_FIXED) {
    reader_->clearCopybooks();
    ASSERT_TRUE(reader_->addCopybook(dir_.write("r.cpy", copybook_test::source(copybook)).c_str(),
                                     "", true));
    data_ = bytes;
    CCBReadOptions options;
    options.setRecordFormat(format);
    options.setZeroBytes(zeroBytes);
    ASSERT_TRUE(reader_->openDataMemory(reinterpret_cast<const unsigned char*>(data_.data()),
                                        data_.size(), options))
        << reader_->getErrorMessage().str();
  }
  std::string error() { return batch_->getErrorMessage().str(); }
  std::string text(int c, int r) {
    const int64_t* offsets = batch_->getTextOffsets(c);
    if (offsets == nullptr) return "no text";
    return std::string(batch_->getTextBytes(c) + offsets[r],
                       static_cast<size_t>(offsets[r + 1] - offsets[r]));
  }

  test_support::TempDir dir_;
  test_support::Owned<CCBRecordReader> reader_ = own(createCCBRecordReader());
  test_support::Owned<CCBRecordBatch> batch_ = own(createCCBRecordBatch());
  std::string data_;
  bool failed_ = true;
};

// Kinds, digit positions and digits after the point, by picture.
TEST_F(RecordBatchTest, TypesColumnsByPicture) {
  const struct {
    const char* copybook;
    const char* column;
    CCBColumnKind kind;
    int digits, fraction;
  } cases[] = {
      {"jobstats.cpy", "JS-NET-CHANGE", CCB_COLUMN_INTEGER, 18, 0},      // S9(18) BINARY
      {"jobstats.cpy", "JS-EXCP-COUNT", CCB_COLUMN_UNSIGNED, 10, 0},     // 9(10) COMP: 8 bytes
      {"jobstats.cpy", "JS-COST", CCB_COLUMN_DECIMAL, 13, 2},            // S9(11)V99 COMP-4
      {"jobstats.cpy", "JS-IO-SCALED", CCB_COLUMN_INTEGER, 5, 0},        // 9(3)PP COMP
      {"policy.cpy", "POL-LOADING-RATE", CCB_COLUMN_DECIMAL, 4, 4},      // PP99
      {"payroll.cpy", "PAY-NET", CCB_COLUMN_TEXT, 0, 0},                 // ZZZ,ZZ9.99-: a comma
      {"edited.cpy", "ED-TRAIL-MINUS", CCB_COLUMN_INTEGER, 4, 0},        // 9(4)-
      {"edited.cpy", "ED-FLOAT-PLUS", CCB_COLUMN_INTEGER, 4, 0},         // ++++9
      {"edited.cpy", "ED-DOLLAR-STARS-CR", CCB_COLUMN_DECIMAL, 5, 2},    // $**9.99CR
      {"edited.cpy", "ED-IMPLIED", CCB_COLUMN_DECIMAL, 5, 2},            // ZZ9V99-
      {"edited.cpy", "ED-FRACTION", CCB_COLUMN_DECIMAL, 2, 2},           // .99+
      {"payroll.cpy", "PAY-TAX", CCB_COLUMN_DECIMAL, 7, 2},              // S9(5)V99, trailing sign
      {"itemprice.cpy", "item-markdown-pct", CCB_COLUMN_DECIMAL, 2, 2},  // sv99 separate
      {"measures.cpy", "M-RATE", CCB_COLUMN_FLOAT, 0, 0},                // COMP-1
  };
  CCBLayoutOptions floats;
  floats.setFloatFormat(CCB_FLOAT_IEEE_LE);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.column);
    auto reader = own(createCCBRecordReader());
    reader->setLayoutOptions(floats);
    ASSERT_TRUE(reader->addCopybook(
        test_support::dataPath(std::string("copybooks/") + c.copybook).c_str(), "", true));
    ASSERT_TRUE(batch_->describe(reader.get()));
    int found = batch_->getColumnCount() - 1;
    while (found >= 0 && batch_->getColumnName(found).compare(c.column, true) != 0) --found;
    ASSERT_LE(0, found);
    EXPECT_STREQ(ccbColumnKindName(c.kind), ccbColumnKindName(batch_->getColumnKind(found)));
    EXPECT_EQ(c.digits, batch_->getColumnDigits(found));
    EXPECT_EQ(c.fraction, batch_->getColumnFractionDigits(found));
  }
}

TEST_F(RecordBatchTest, TypesValuesAndKeepsBuffersFromBatchToBatch) {
  open(std::string("\x12\x3c", 2) + "045" + PACKED_27_NEGATIVE + "AB   " +
       std::string("\x00\x0d", 2) + "000" + PACKED_27_ZERO + "     ");
  batch_->setTrimText(true);
  ASSERT_EQ(1, batch_->read(reader_.get(), 1, failed_));
  const unsigned char* validity = batch_->getValidity(0);
  EXPECT_EQ(123, batch_->getIntegers(0)[0]);
  EXPECT_EQ(45, batch_->getIntegers(1)[0]);
  EXPECT_EQ("-1234567890123456789012345.67", text(2, 0));
  EXPECT_EQ(-1234567890123456789012345.67, batch_->getReals(2)[0]);
  EXPECT_EQ("AB", text(3, 0));
  EXPECT_STREQ("big_decimal", ccbColumnKindName(batch_->getColumnKind(2)));
  EXPECT_EQ(nullptr, batch_->getReals(0));
  EXPECT_EQ(nullptr, batch_->getIntegers(2));
  // The next batch of the same size reuses every buffer; zero is never negative.
  ASSERT_EQ(1, batch_->read(reader_.get(), 1, failed_));
  EXPECT_EQ(validity, batch_->getValidity(0));
  EXPECT_EQ(0, batch_->getIntegers(0)[0]);
  EXPECT_EQ("0.00", text(2, 0));
  EXPECT_FALSE(std::signbit(batch_->getReals(2)[0]));
  EXPECT_EQ("", text(3, 0));
  EXPECT_EQ(0, batch_->read(reader_.get(), 1, failed_));
  EXPECT_FALSE(failed_);
}

// Records set from the layout's plan wait to be decoded a column at a time, others,
// such as a record too short for the layout, are decoded at once; either way they
// come out in the order read, with the values that need their text among them. A
// record cut short ends the batch after the records before it.
TEST_F(RecordBatchTest, RecordsComeOutInOrderHoweverTheyAreDecoded) {
  const std::vector<std::string> keyed = {"01 R.", "05 K PIC X(4).", "05 N PIC S9(3)."};
  std::string data;
  for (const std::string record : {"ABCD123", "EF", "GH J45N", "KLMN7x9", "OPQR999"}) {
    data += std::string{0, static_cast<char>(record.size() + 4), 0, 0} + record;
  }
  data[17 + 4 + 2] = '\0';  // GH J
  open(data, keyed, CCB_ZERO_BYTES_SPACE, CCB_RECORD_RDW);
  ASSERT_EQ(5, batch_->read(reader_.get(), 10, failed_)) << error();
  EXPECT_FALSE(failed_);
  std::string values;  // number@offset:K=N; EF is too short, 7x9 an error
  for (int r = 0; r < 5; ++r) {
    values += std::to_string(batch_->getRecordNumbers()[r]) + "@" +
              std::to_string(batch_->getRecordOffsets()[r]) + ":" +
              (batch_->getValidity(0)[r] ? text(0, r) : "~") + "=" +
              (batch_->getValidity(1)[r] ? std::to_string(batch_->getIntegers(1)[r]) : "~") + ";";
  }
  EXPECT_EQ("1@0:ABCD=123;2@11:~=~;3@17:GH J=-455;4@28:KLMN=~;5@39:OPQR=999;", values);
  EXPECT_EQ(1, batch_->getErrorCount(1));

  open("ABCD123EFGH456IJ", keyed);
  EXPECT_EQ(2, batch_->read(reader_.get(), 10, failed_));
  EXPECT_TRUE(failed_);
  EXPECT_EQ("EFGH", text(0, 1));
  EXPECT_EQ(456, batch_->getIntegers(1)[1]);
  EXPECT_NE("", error());
}

// A batch of more records than the buffers make room for at once grows as it fills.
TEST_F(RecordBatchTest, ABatchOfManyRecordsKeepsEveryValue) {
  const int count = 150000;
  std::string data;
  for (int i = 0; i < count; ++i) data += std::to_string(100000 + i % 100000).substr(1) + "T";
  open(data, {"01 R.", "05 N PIC 9(5).", "05 T PIC X."});
  ASSERT_EQ(count, batch_->read(reader_.get(), count + 1, failed_));
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(i % 100000, batch_->getIntegers(0)[i]) << i;
    ASSERT_EQ(i + 1, batch_->getRecordNumbers()[i]) << i;
    ASSERT_EQ("T", text(1, i)) << i;
  }
}

// Binary words at their limits, a binary picture whose point comes last (an integer),
// and a decimal of more digits than a double holds, read as the nearest double.
TEST_F(RecordBatchTest, TypesTheExtremesOfEachKind) {
  open(std::string("\x80\0\0\0\0\0\0\0", 8) + std::string(8, '\xff') + "\xff\x85" +
           std::string("\x01\x23\x45\x67\x89\x01\x23\x45\x67\x8d", 10),
       {"01 R.", "05 I PIC S9(18) COMP.", "05 U PIC 9(18) COMP.", "05 V PIC S9(4)V COMP.",
        "05 D PIC S9(17)V9 COMP-3."});
  ASSERT_EQ(1, batch_->read(reader_.get(), 4, failed_));
  EXPECT_EQ(INT64_MIN, batch_->getIntegers(0)[0]);
  EXPECT_EQ(UINT64_MAX, batch_->getUnsigned(1)[0]);
  EXPECT_EQ(-123, batch_->getIntegers(2)[0]);
  EXPECT_EQ(-12345678901234567.8, batch_->getReals(3)[0]);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(1, batch_->getValidity(c)[0]) << c;
}

// Floats hold their whole range: an IBM COMP-1 (0.F x 16^(E-64), its exponent biased
// by 64) reaches far past a binary32 at both ends, an IEEE COMP-1 is a binary32.
TEST_F(RecordBatchTest, FloatsKeepTheRangeOfTheirFormat) {
  const struct {
    CCBFloatFormat format;
    const char* bytes;
    double value;
  } cases[] = {
      {CCB_FLOAT_IBM, "\x70\x10\x00\x00", std::ldexp(1.0, 188)},        // 1/16 x 16^48
      {CCB_FLOAT_IBM, "\x7f\xff\xff\xff", std::ldexp(0xFFFFFF, 228)},   // the largest
      {CCB_FLOAT_IBM, "\xff\xff\xff\xff", -std::ldexp(0xFFFFFF, 228)},  // the lowest
      {CCB_FLOAT_IBM, "\x00\x10\x00\x00", std::ldexp(1.0, -260)},       // 1/16 x 16^-64
      {CCB_FLOAT_IBM, "\x00\x00\x00\x01", std::ldexp(1.0, -280)},       // unnormalised
      {CCB_FLOAT_IBM, "\xc2\x64\x00\x00", -100.0},                      // -0x64/256 x 16^2
      {CCB_FLOAT_IEEE, "\x3d\xcc\xcc\xcd", static_cast<double>(0.1f)},  // not 0.1
      {CCB_FLOAT_IEEE, "\x7f\x7f\xff\xff", static_cast<double>(FLT_MAX)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    CCBLayoutOptions floats;
    floats.setFloatFormat(c.format);
    reader_->setLayoutOptions(floats);
    open(std::string(c.bytes, 4), {"01 R.", "05 F COMP-1."});
    ASSERT_EQ(1, batch_->read(reader_.get(), 1, failed_)) << error();
    EXPECT_STREQ("float", ccbColumnKindName(batch_->getColumnKind(0)));
    EXPECT_EQ(1, batch_->getValidity(0)[0]);
    EXPECT_EQ(c.value, batch_->getReals(0)[0]);
  }
}

// Text of each width that the batch copies in its own way, whose last non-blank is
// at each place, then holding a zero byte at each place (read as a space): trimmed,
// it loses every trailing blank and only those.
TEST_F(RecordBatchTest, TextOfEachWidthTrimsTrailingBlanksOnly) {
  for (const size_t width : {3, 8, 12, 16, 17, 40}) {
    std::vector<std::string> texts;
    for (size_t end = 0; end <= width; ++end) {  // with a blank inside when it can
      std::string t(end, 'x');
      if (end > 2) t[end / 2] = ' ';
      texts.push_back(t + std::string(width - end, ' '));
    }
    for (size_t zero = 0; zero < width; ++zero) {
      texts.push_back(std::string(width, 'z').replace(zero, 1, 1, '\0'));
    }
    std::string data;
    for (const std::string& t : texts) data += t;
    for (const bool trim : {false, true}) {
      SCOPED_TRACE("width " + std::to_string(width) + (trim ? " trimmed" : ""));
      open(data, {"01 R.", "05 T PIC X(" + std::to_string(width) + ")."});
      batch_->setTrimText(trim);
      ASSERT_EQ(static_cast<int>(texts.size()), batch_->read(reader_.get(), 1000, failed_))
          << error();
      for (size_t r = 0; r < texts.size(); ++r) {
        std::string want = texts[r];
        std::replace(want.begin(), want.end(), '\0', ' ');
        if (trim) want.erase(want.find_last_not_of(' ') + 1);
        EXPECT_EQ(want, text(0, static_cast<int>(r))) << r;
      }
    }
  }
}

// Text is taken from its bytes unless they hold a zero byte, whose rule then applies:
// the text ends there, the zero reads as a space, or it stays.
TEST_F(RecordBatchTest, TextWithZeroBytesFollowsTheRule) {
  const std::string data = std::string("AB\0CD  ", 7) + std::string("ABCDEFGHIJ\0\0\0", 13);
  const std::pair<CCBZeroBytes, std::string> rules[] = {
      {CCB_ZERO_BYTES_END, "AB"},
      {CCB_ZERO_BYTES_SPACE, "AB CD"},
      {CCB_ZERO_BYTES_KEEP, std::string("AB\0CD", 5)},
  };
  batch_->setTrimText(true);
  for (const auto& rule : rules) {
    SCOPED_TRACE(rule.second);
    open(data, {"01 R.", "05 T PIC X(7).", "05 U PIC X(13)."}, rule.first);
    ASSERT_EQ(1, batch_->read(reader_.get(), 2, failed_));
    EXPECT_EQ(rule.second, text(0, 0));
    const std::string tail = rule.first == CCB_ZERO_BYTES_KEEP ? std::string(3, '\0') : "";
    EXPECT_EQ("ABCDEFGHIJ" + tail, text(1, 0));
  }
}

// Numeric-edited numbers as GnuCOBOL printed them in edited.dat (signs before and after
// the digits, CR and DB, currency signs, check protection, an implied point), each the
// value the program printed for it in edited.dat.values; read in batches of 3, with their
// exact texts.
TEST_F(RecordBatchTest, EditedNumbersAsGnuCobolPrintedThem) {
  std::map<int, std::vector<std::pair<std::string, std::string>>> want;  // by record number
  std::ifstream values(test_support::dataPath("files/edited.dat.values"));
  int number = 0;
  for (std::string name, value; values >> number >> name >> value;) {
    want[number].emplace_back(name, value);
  }
  ASSERT_EQ(7u, want.size());
  ASSERT_TRUE(
      reader_->addCopybook(test_support::dataPath("copybooks/edited.cpy").c_str(), "", true));
  CCBReadOptions options;
  options.setRecordFormat(CCB_RECORD_FIXED);
  ASSERT_TRUE(reader_->openData(test_support::dataPath("files/edited.dat").c_str(), options));
  batch_->setDecimalText(true);
  std::map<int, std::vector<std::pair<std::string, std::string>>> read;
  while (batch_->read(reader_.get(), 3, failed_) > 0) {
    for (int r = 0; r < batch_->getRecordCount(); ++r) {
      auto& record = read[static_cast<int>(batch_->getRecordNumbers()[r])];
      for (int c = 0; c < batch_->getColumnCount(); ++c) {
        std::string value = batch_->getValidity(c)[r] == 0 ? "none" : text(c, r);
        if (batch_->getColumnKind(c) == CCB_COLUMN_INTEGER) {
          value = std::to_string(batch_->getIntegers(c)[r]);
        } else {
          EXPECT_EQ(std::strtod(value.c_str(), nullptr), batch_->getReals(c)[r]) << value;
        }
        record.emplace_back(batch_->getColumnName(c).str(), value);
      }
    }
    for (int c = 0; c < batch_->getColumnCount(); ++c) EXPECT_EQ(0, batch_->getErrorCount(c)) << c;
  }
  EXPECT_FALSE(failed_) << error();
  EXPECT_EQ(want, read);
}

// An edited text that is no number is an error, and so is one without digits, unless
// every digit position of the picture may be suppressed: then it is the zero that
// numeric editing prints so, blanks or check protection's '*' and point.
TEST_F(RecordBatchTest, EditedTextsThatAreNoNumberAreErrors) {
  open(std::string(" 12.50CR") + "  12" + "  -7" + "**.**" +  // a value each
           "12.5XCR " + "    " + "    " + "*1.05" +           // a letter; blanks
           "        " + "12 4" + "--12" + "1.05*",            // no number
       {"01 R.", "05 E PIC ZZ9.99CR.", "05 F PIC ZZZZ.", "05 G PIC ---9.", "05 H PIC **.**."});
  batch_->setDecimalText(true);
  ASSERT_EQ(3, batch_->read(reader_.get(), 10, failed_)) << error();
  // Each value as its integer or exact text, after '~' where it is none.
  const auto shown = [&](int c, int r) {
    const bool integer = batch_->getColumnKind(c) == CCB_COLUMN_INTEGER;
    return (batch_->getValidity(c)[r] == 0 ? "~" : "") +
           (integer ? std::to_string(batch_->getIntegers(c)[r]) : text(c, r));
  };
  std::string values;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) values += (c > 0 ? " " : r > 0 ? "; " : "") + shown(c, r);
  }
  EXPECT_EQ("-12.50 12 -7 0.00; ~ 0 ~0 1.05; ~ ~0 ~0 ~", values);
  EXPECT_TRUE(std::isnan(batch_->getReals(0)[1]));
  const int64_t errors[] = {2, 1, 2, 1};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(errors[c], batch_->getErrorCount(c)) << c;
}

// Undecodable bytes and digits that are no number are errors, counted per column: no
// value, 0 or NaN and an empty text in its place.
TEST_F(RecordBatchTest, CountsErrorsAsValuesThatAreNone) {
  open(std::string("\x12\x35", 2) + "1a5" + std::string(13, '\x00') + "\xfc" + "#ERR " +
       std::string("\x99\x9d", 2) + " 12" + PACKED_27_ZERO + "#ERR#");
  ASSERT_EQ(2, batch_->read(reader_.get(), 10, failed_));
  EXPECT_FALSE(failed_);
  EXPECT_EQ(0, batch_->getValidity(0)[0]);  // a digit where the sign belongs
  EXPECT_EQ(0, batch_->getIntegers(0)[0]);
  EXPECT_EQ(-999, batch_->getIntegers(0)[1]);
  EXPECT_EQ(0, batch_->getValidity(1)[0]);   // "1a5"
  EXPECT_EQ(12, batch_->getIntegers(1)[1]);  // a leading blank is no error
  EXPECT_EQ(0, batch_->getValidity(2)[0]);   // a digit nibble F
  EXPECT_TRUE(std::isnan(batch_->getReals(2)[0]));
  EXPECT_EQ("", text(2, 0));
  EXPECT_EQ("#ERR#", text(3, 1));  // display text holds any characters
  const int64_t errors[] = {1, 1, 1, 0};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(errors[c], batch_->getErrorCount(c)) << c;
}

// The chosen columns are filled in their order; a batch of no records, a column out of
// range, a reader without an active layout or of another kind are refused.
TEST_F(RecordBatchTest, ChosenColumnsAndWhatItRefuses) {
  open(HAND_RECORD);
  failed_ = false;
  EXPECT_EQ(0, batch_->read(reader_.get(), 0, failed_));
  EXPECT_TRUE(failed_);
  EXPECT_EQ("Invalid batch size 0: a batch holds at least one record", error());
  const int chosen[] = {3, 0}, beyond[] = {4};
  batch_->setColumns(chosen, 2);
  ASSERT_EQ(1, batch_->read(reader_.get(), 8, failed_));
  ASSERT_EQ(2, batch_->getColumnCount());
  EXPECT_EQ(3, batch_->getColumnIndex(0));
  EXPECT_EQ("D", batch_->getColumnName(0).str());
  EXPECT_EQ("AB   ", text(0, 0));
  EXPECT_EQ(123, batch_->getIntegers(1)[0]);
  EXPECT_EQ(-1, batch_->getColumnIndex(2));
  EXPECT_EQ(nullptr, batch_->getValidity(2));
  batch_->setColumns(beyond, 1);
  EXPECT_FALSE(batch_->describe(reader_.get()));
  EXPECT_EQ("Column index 4 is out of range: the active layout has 4 columns", error());
  EXPECT_FALSE(batch_->describe(own(createCCBRecordReader()).get()));
  EXPECT_EQ("The reader has no active layout to read the records of", error());
  EXPECT_FALSE(batch_->describe(nullptr));
  EXPECT_EQ("A batch reads only record readers made by createCCBRecordReader", error());
}

}  // namespace
