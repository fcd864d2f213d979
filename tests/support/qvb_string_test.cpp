#include "lyra/qvb_string.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "lyra/qvb_datavar.h"

namespace {

TEST(QvbStringTest, NullIsDistinctFromEmpty) {
  QvbString empty;
  EXPECT_FALSE(empty.isNull());
  EXPECT_EQ(0, empty.length());

  QvbString null;
  null.setNull();
  EXPECT_TRUE(null.isNull());
  EXPECT_STREQ("", null.asCstr());  // never a null pointer
  EXPECT_NE(0, null.compare(empty, true));
  EXPECT_LT(null.compare("", true), 0);
  EXPECT_EQ(0, null.compare(QvbString(nullptr), true));

  QvbString fromNullPointer(nullptr);
  EXPECT_TRUE(fromNullPointer.isNull());
  fromNullPointer.append("x");
  EXPECT_FALSE(fromNullPointer.isNull());
  EXPECT_STREQ("x", fromNullPointer.asCstr());
}

TEST(QvbStringTest, CopiesAreDeepAndCarryNullState) {
  QvbString a("ABC");
  QvbString b = a;
  b.append("D");
  EXPECT_STREQ("ABC", a.asCstr());
  EXPECT_STREQ("ABCD", b.asCstr());

  QvbString null;
  null.setNull();
  QvbString copy(null);
  EXPECT_TRUE(copy.isNull());
  b = null;
  EXPECT_TRUE(b.isNull());
}

TEST(QvbStringTest, AssignForms) {
  QvbString s;
  s.assign("HELLO", 3);
  EXPECT_STREQ("HEL", s.asCstr());
  s.assign("AB\0CD", 5);  // stops at the zero byte
  EXPECT_EQ(2, s.length());
  s.assign(-42);
  EXPECT_STREQ("-42", s.asCstr());
  s.assign(INT_MIN);
  EXPECT_STREQ("-2147483648", s.asCstr());
  s.assign(static_cast<const char*>(nullptr));
  EXPECT_TRUE(s.isNull());
}

TEST(QvbStringTest, CaseFlagFalseIgnoresCaseTrueComparesExactly) {
  QvbString word("Pic");
  EXPECT_EQ(0, word.compare("PIC", false));
  EXPECT_NE(0, word.compare("PIC", true));
  EXPECT_EQ(0, word.compare("Pic", true));
  // ISO-8859-1 letters fold too.
  EXPECT_EQ(0, QvbString("\xe9t\xe9").compare("\xc9T\xc9", false));
}

TEST(QvbStringTest, CompareIsATotalOrder) {
  EXPECT_LT(QvbString("A").compare("B", true), 0);
  EXPECT_GT(QvbString("B").compare("A", true), 0);
  EXPECT_LT(QvbString("A").compare("AB", true), 0);
  EXPECT_GT(QvbString("ab").compare("AA", false), 0);
  EXPECT_LT(QvbString("").compare("A", false), 0);
}

TEST(QvbStringTest, SubstringsAndTrim) {
  QvbString s("  CUST-ID  ");
  s.trim(true, true);
  EXPECT_STREQ("CUST-ID", s.asCstr());
  EXPECT_STREQ("ST-", s.mid(2, 3).asCstr());
  EXPECT_STREQ("ST-ID", s.mid(2).asCstr());
  EXPECT_STREQ("", s.mid(50).asCstr());
  EXPECT_STREQ("CUST-ID", s.mid(-3, 100).asCstr());
  EXPECT_STREQ("ID", s.right(2).asCstr());
  EXPECT_STREQ("CUST-ID", s.right(99).asCstr());
  s.truncate(4);
  EXPECT_STREQ("CUST", s.asCstr());
  s.truncate(-1);
  EXPECT_STREQ("", s.asCstr());

  QvbString tabs("\t x \r\n");
  tabs.trim(false, true);
  EXPECT_STREQ("\t x", tabs.asCstr());
}

TEST(QvbStringTest, AsIntReadsIntegersAndFlagsTheRest) {
  struct Case {
    const char* text;
    int value;
    bool failed;
  };
  const Case cases[] = {
      {"05", 5, false},
      {" -12 ", -12, false},
      {"+7", 7, false},
      {"2147483647", INT_MAX, false},
      {"-2147483648", INT_MIN, false},
      {"2147483648", 0, true},
      {"99999999999999999999999999", 0, true},
      {"-99999999999999999999999999", 0, true},
      {"12AB", 12, true},
      {"FD", 0, true},
      {"", 0, true},
      {"-", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    bool failed = false;
    EXPECT_EQ(c.value, QvbString(c.text).asInt(&failed));
    EXPECT_EQ(c.failed, failed);
    EXPECT_EQ(c.value, QvbString(c.text).asInt());  // no flag pointer: no crash
  }
  QvbString null;
  null.setNull();
  bool failed = false;
  EXPECT_EQ(0, null.asInt(&failed));
  EXPECT_TRUE(failed);
}

TEST(QvbStringTest, FormatHandlesLongOutput) {
  EXPECT_STREQ("x, Line: 5\n", qvbStringFormat("%s, Line: %d\n", "x", 5).asCstr());
  const std::string longText(1000, 'a');
  const QvbString s = qvbStringFormat("[%s]%c", longText.c_str(), '!');
  EXPECT_EQ(1003, s.length());
  EXPECT_EQ('!', s.asCstr()[1002]);
}

TEST(QvbDatavarTest, DefaultIsNull) {
  QvbDatavar v;
  EXPECT_TRUE(v.isNull());
  EXPECT_TRUE(v.asString().isNull());
  v.assign(QvbString("X"));
  EXPECT_EQ(QVB_TYPE_STRING, v.getType());
  v.setNull();
  EXPECT_TRUE(v.isNull());
}

TEST(QvbDatavarTest, AssignBytesStopsAtFirstZeroByte) {
  QvbDatavar v;
  v.assignBytes("AB\0CD", 5);
  v.setType(QVB_TYPE_STRING);
  EXPECT_STREQ("AB", v.asString().asCstr());
  v.assignBytes("123456", 3);
  EXPECT_STREQ("123", v.asString().asCstr());
  QvbDatavar copy = v;
  v.assignBytes("9", 1);
  EXPECT_STREQ("123", copy.asString().asCstr());
}

TEST(QvbDatavarTest, ConvertsBetweenTypes) {
  QvbDatavar v;
  v.assign(QvbString(" 42"));
  EXPECT_EQ(42, v.asInt());
  v.setType(QVB_TYPE_INTEGER);
  EXPECT_EQ(QVB_TYPE_INTEGER, v.getType());
  EXPECT_STREQ("42", v.asString().asCstr());

  v.assign(QvbString("-1.25"));
  v.setType(QVB_TYPE_REAL);
  EXPECT_EQ(QVB_TYPE_REAL, v.getType());
  v.assign(QvbString("#ERR#"));
  v.setType(QVB_TYPE_REAL);
  EXPECT_TRUE(v.isNull());

  bool failed = false;
  QvbDatavar text;
  text.assign(QvbString("abc"));
  EXPECT_EQ(0, text.asInt(&failed));
  EXPECT_TRUE(failed);
}

}  // namespace
