// Numbers read back from texts: numeric-edited texts as numeric editing prints them (the
// forms GnuCOBOL writes, worked out by hand), what is no number, the zero of pictures
// whose every digit position may be suppressed, and numbers too long for one division.
#include "format/ccb_number_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The canonical text of the number an edited text states, "no number" where it is none.
std::string edited(const char* text, int zeroFraction = -1) {
  CCBFixedPointText number;
  if (!scanEditedNumber(text, static_cast<int>(std::strlen(text)), zeroFraction, &number)) {
    return "no number";
  }
  std::string canonical(static_cast<size_t>(canonicalLength(number)), '\0');
  canonical.resize(static_cast<size_t>(writeCanonical(number, &canonical[0])));
  return canonical;
}

TEST(EditedNumberTest, SignsCurrencyAndCheckProtection) {
  const std::pair<const char*, const char*> cases[] = {
      // A sign after the digits: '-' or '+', CR and DB below zero, blanks above it.
      {"1234-", "-1234"},
      {"1234+", "1234"},
      {"1234 ", "1234"},
      {" 12.50CR", "-12.50"},
      {" 12.50DB", "-12.50"},
      {" 12.50  ", "12.50"},
      {"12.50 CR", "-12.50"},
      {" 1250-", "-1250"},
      {".05-", "-0.05"},
      // A sign before them, also apart from them; a floating sign.
      {"-1234", "-1234"},
      {"+0007", "7"},
      {"-   7", "-7"},
      {"   -7", "-7"},
      {" +12.50", "12.50"},
      // Currency signs and check protection before the digits.
      {" $12.50", "12.50"},
      {"$  0.05", "0.05"},
      {"  $0.05-", "-0.05"},
      {"$*12.50CR", "-12.50"},
      {"**0.05", "0.05"},
      {"  $.00  ", "0.00"},
      // Zero is never negative; every digit and fraction digit stays.
      {"0000-", "0"},
      {"-0.00", "0.00"},
      {"999.99DB", "-999.99"},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(want, edited(text)) << '"' << text << '"';
}

TEST(EditedNumberTest, RefusesWhatIsNoNumber) {
  const char* const texts[] = {
      "",     "#ERR#", "    ",  "***.**", "$",     "CR",      "-",        "-12-",
      "+-12", "12CR-", "-12CR", "12-3",   "12 34", "12.50cr", "12.50CRX", "12.50C",
      "1e5",  "1.2.3", "12$",   "12*",    "1,234", "\t12",
  };
  for (const char* text : texts) EXPECT_EQ("no number", edited(text)) << '"' << text << '"';
}

// Where every digit position may be suppressed, zero prints as blanks, or as '*' with the
// point under check protection (GnuCOBOL: ZZZZ "    ", **.** "**.**", **.**CR "**.****");
// that zero has the picture's fraction digits. Other texts without digits stay no number.
TEST(EditedNumberTest, ZeroWithoutDigits) {
  const struct {
    const char* text;
    int zeroFraction;
    const char* want;
  } cases[] = {
      {"    ", 0, "0"},
      {"      ", 2, "0.00"},
      {"**.**", 2, "0.00"},
      {"**.****", 2, "0.00"},
      {"  .  ", 2, "0.00"},
      {" ", MAX_ZERO_FRACTION, "0.000000000000000000"},
      {" ", MAX_ZERO_FRACTION + 1, "no number"},
      {"", 0, "no number"},
      {"-   ", 0, "no number"},
      {"   $", 0, "no number"},
      {"  CR", 0, "no number"},
      {"#ERR#", 0, "no number"},
      {"  7 ", 0, "7"},  // digits read as ever
      {" 1 2", 0, "no number"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.want, edited(c.text, c.zeroFraction)) << '"' << c.text << "\" " << c.zeroFraction;
  }
}

// More significant digits than one division by a power of ten makes exact: the value
// comes from the digits, and the sign, wherever it stood, from the scan.
TEST(EditedNumberTest, LongNumbersKeepTheirSign) {
  const struct {
    const char* text;
    bool editedText;
    double want;
  } cases[] = {
      {"-12345678901234567890.5", false, -12345678901234567890.5},
      {"12345678901234567890.5", false, 12345678901234567890.5},
      {" 12345678901234567890.5CR", true, -12345678901234567890.5},
      {"-  98765432109876543210", true, -98765432109876543210.0},
  };
  for (const auto& c : cases) {
    CCBFixedPointText number;
    const int length = static_cast<int>(std::strlen(c.text));
    ASSERT_TRUE(c.editedText ? scanEditedNumber(c.text, length, -1, &number)
                             : scanFixedPoint(c.text, length, &number))
        << c.text;
    EXPECT_EQ(c.want, fixedPointToDouble(number)) << c.text;
  }
}

}  // namespace
