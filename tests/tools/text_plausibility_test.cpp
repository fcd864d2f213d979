// The plausibility of text by which diagnose tells code pages apart: pairs of readings of
// the same bytes in two pages, the page's own reading first, from the test files (the
// German customers in 273 read as 037, the customer addresses in 273 and 500 read as
// 037), each more plausible than the other.
#include "text_plausibility.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(TextPlausibilityTest, APagesOwnReadingScoresAboveAnothers) {
  const std::pair<const char*, const char*> readings[] = {
      {"J\xC3\xBCrgen Wei\xC3\x9F", "J}rgen Wei~"},               // ü and ß in 273, 037's
      {"M\xC3\xBCller & S\xC3\xB6hne", "M}ller & S\xC2\xA6hne"},  // ü, ö; } and ¦
      {"UNIT 4B [REAR ENTRANCE]", "UNIT 4B \xC3\x84REAR ENTRANCE\xC3\x9C"},  // [ ] and Ä Ü
      {"PO BOX 12|DOCK 7", "PO BOX 12]DOCK 7"},                              // an unpaired ]
      {"BLDG C ^ LOADING", "BLDG C \xC2\xAC LOADING"},                       // ^ and ¬
      {"Bonus 10 \xE2\x82\xAC", "Bonus 10 \xC2\xA4"},                        // € and ¤
      {"J\xC3\xBCrgen", "J\xC3\x83\xC2\xBCrgen"},                            // UTF-8 read as latin1
  };
  for (const auto& [own, other] : readings) {
    SCOPED_TRACE(own);
    EXPECT_GT(textPlausibility(own), textPlausibility(other)) << other;
  }
}

TEST(TextPlausibilityTest, PlainTextScoresNothingAndControlsCost) {
  EXPECT_EQ(0, textPlausibility("HARTMANN   ELISABETH 1402"));
  EXPECT_EQ(0, textPlausibility(""));
  EXPECT_EQ(0, textPlausibility("O'BRIEN-SMITH C/O A&P"));  // punctuation words hold
  EXPECT_LT(textPlausibility("AB\x01"
                             "CD"),
            0);
  EXPECT_LT(textPlausibility("AB\xEF\xBF\xBD"
                             "CD"),
            0);                              // U+FFFD
  EXPECT_GT(textPlausibility("(NOTE)"), 0);  // brackets that pair up
}

}  // namespace
