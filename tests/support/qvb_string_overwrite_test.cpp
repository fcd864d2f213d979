// Copies and byte assignments into a string that already holds text: the same
// result whether the new text is as long as the old one (written in place), longer
// or shorter, and when it comes from the string's own characters.
#include <gtest/gtest.h>

#include <string>

#include "lyra/qvb_datavar.h"
#include "lyra/qvb_string.h"

namespace {

struct OverwriteCase {
  const char* before;  // the string's text first; null: a null string
  const char* source;  // what is copied or assigned; null: a null string
  const char* want;    // the text afterwards
};

const OverwriteCase OVERWRITE_CASES[] = {
    {"HELLO", "WORLD", "WORLD"},    // same length
    {"-12.50", "12.50", "12.50"},   // one shorter
    {"12.50", "-12.50", "-12.50"},  // one longer
    {"AB", "A LONGER TEXT THAN THE SMALL BUFFER", "A LONGER TEXT THAN THE SMALL BUFFER"},
    {"A LONGER TEXT THAN THE SMALL BUFFER", "AB", "AB"},  // shrinks
    {"", "X", "X"},                                       // from empty
    {"X", "", ""},                                        // to empty
    {nullptr, "ABC", "ABC"},                              // from null
};

TEST(QvbStringOverwriteTest, CopyGivesTheSourceWhateverWasHeld) {
  for (const OverwriteCase& c : OVERWRITE_CASES) {
    SCOPED_TRACE(c.source);
    QvbString target(c.before);
    const QvbString source(c.source);
    target = source;
    EXPECT_EQ(c.want, target.str());
    EXPECT_FALSE(target.isNull());
    EXPECT_EQ(source.str(), target.str());
  }
}

TEST(QvbStringOverwriteTest, AssignBytesGivesTheSourceWhateverWasHeld) {
  for (const OverwriteCase& c : OVERWRITE_CASES) {
    SCOPED_TRACE(c.source);
    QvbString target(c.before);
    target.assign(c.source, static_cast<int>(std::string(c.source).size()));
    EXPECT_EQ(c.want, target.str());
    EXPECT_FALSE(target.isNull());
  }
}

TEST(QvbStringOverwriteTest, NullStateTravelsWithTheCopy) {
  QvbString null(nullptr);
  QvbString target("ABC");
  target = null;  // same length 0 would not do: "ABC" has 3 characters
  EXPECT_TRUE(target.isNull());
  EXPECT_STREQ("", target.asCstr());
  QvbString empty("");
  QvbString nullAgain(nullptr);
  nullAgain = empty;  // both hold no characters
  EXPECT_FALSE(nullAgain.isNull());
  nullAgain = null;
  EXPECT_TRUE(nullAgain.isNull());
}

TEST(QvbStringOverwriteTest, SourceInsideTheStringItself) {
  QvbString text("ABCDE");
  const QvbString& same = text;
  text = same;
  EXPECT_EQ("ABCDE", text.str());
  text.assign(text.asCstr(), text.length());  // the same characters, in place
  EXPECT_EQ("ABCDE", text.str());
  text.assign(text.asCstr() + 1, 3);
  EXPECT_EQ("BCD", text.str());
  text.assign(text.asCstr(), 2);
  EXPECT_EQ("BC", text.str());
}

// The first zero byte ends the text, also when the length stays as it was.
TEST(QvbStringOverwriteTest, AssignStopsAtAZeroByteAtAnyLength) {
  QvbString text("ABCDE");
  text.assign("AB\0DE", 5);
  EXPECT_EQ("AB", text.str());
  text.assign("XY\0DE", 5);  // two characters again
  EXPECT_EQ("XY", text.str());
  text.assign("\0BCDE", 5);
  EXPECT_EQ("", text.str());
  EXPECT_FALSE(text.isNull());
  text.assign(nullptr, 3);
  EXPECT_TRUE(text.isNull());
}

TEST(QvbStringOverwriteTest, DatavarCopiesKeepTypeAndNullState) {
  QvbDatavar value;
  value.assignBytes("12345", 5);
  QvbDatavar copy;
  copy.assignBytes("ABCDE", 5);
  copy.setType(QVB_TYPE_STRING);
  copy = value;
  EXPECT_EQ(QVB_TYPE_STRING, copy.getType());
  EXPECT_EQ("12345", copy.text().str());
  copy = QvbDatavar();
  EXPECT_TRUE(copy.isNull());
  EXPECT_TRUE(copy.text().isNull());
}

}  // namespace
