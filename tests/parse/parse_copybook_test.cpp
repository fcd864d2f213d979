// Copybook loads that succeed: the tree the level numbers build, what each clause
// leaves on its node, the debug messages of a load, source forms (lower case, CRLF,
// tabs), and the clause text of a single entry.

#include "parse/parse_copybook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copybook_test_util.h"
#include "format/ccb_format.h"
#include "layout/ccb_data_field.h"

namespace {

using copybook_test::describe;
using copybook_test::find;
using copybook_test::Loaded;
using copybook_test::parseText;
using copybook_test::source;

// Loads content lines that must parse.
Loaded load(const std::vector<std::string>& lines, LYRADebugCallback* callback = nullptr) {
  Loaded loaded = parseText(source(lines), callback);
  EXPECT_NE(nullptr, loaded.root) << loaded.error << " at line " << loaded.line;
  return loaded;
}

CCBDataField* fieldOf(const Loaded& loaded, const char* name) {
  CCBData* node = loaded.root != nullptr ? find(loaded.root.get(), name) : nullptr;
  EXPECT_TRUE(node != nullptr && node->isField()) << name;
  return node != nullptr && node->isField() ? static_cast<CCBDataField*>(node) : nullptr;
}

CCBData* nodeOf(const Loaded& loaded, const char* name) {
  CCBData* node = loaded.root != nullptr ? find(loaded.root.get(), name) : nullptr;
  EXPECT_NE(nullptr, node) << name;
  return node;
}

struct ShapeCase {
  const char* what;
  std::vector<std::string> lines;
  const char* tree;  // as describe() writes it
};

const ShapeCase SHAPE_CASES[] = {
    {"group with two fields", {"01 A.", "05 B PIC X(3).", "05 C PIC 9(2)."}, "A(B C)"},
    {"climb past an equal level", {"01 R.", "05 G.", "10 F PIC X.", "05 H PIC X."}, "R(G(F) H)"},
    {"only the order of levels counts",
     {"01 R.", "02 G.", "03 F PIC X.", "02 H PIC X."},
     "R(G(F) H)"},
    {"several 01 entries", {"01 A PIC X.", "01 B.", "05 C PIC X."}, "A B(C)"},
    {"lower level than every earlier one", {"05 A.", "10 B PIC X.", "03 C PIC X."}, "A(B) C"},
    {"elementary item followed by a higher level",
     {"01 R.", "05 F PIC X.", "10 G PIC X."},
     "R(F<G>)"},
    {"level number alone", {"01."}, "FILLER()"},
    {"FILLER and unnamed entries",
     {"01 R.", "05 PIC X.", "05 FILLER PIC X(2).", "05 FILLER.", "10 X PIC X.", "05."},
     "R(FILLER FILLER FILLER(X) FILLER())"},
    {"no entries", {}, ""},
    {"77 entries make nothing",
     {"77 W PIC X.", "01 R.", "05 A PIC X.", "77 V PIC 9.", "05 B PIC X."},
     "R(A B)"},
    {"66 entries make nothing",
     {"01 R.", "05 A PIC X.", "66 AA RENAMES A.", "05 B PIC X."},
     "R(A B)"},
    {"88 entries leave the last node",
     {"01 R.", "05 A PIC X.", "88 A-Y VALUE 'Y'.", "10 B PIC X."},
     "R(A<B>)"},
    {"a line holding only a period", {"01 R.", ".", "05 A PIC X.", ".", "."}, "R(A)"},
    {"entry over three lines", {"01 R.", "05 A", "PIC X(3)", "VALUE 'ABC'."}, "R(A)"},
};

TEST(ParseCopybookTest, LevelNumbersBuildTheTree) {
  for (const ShapeCase& c : SHAPE_CASES) {
    SCOPED_TRACE(c.what);
    Loaded loaded = load(c.lines);
    if (loaded.root == nullptr) continue;
    EXPECT_EQ(c.tree, describe(loaded.root.get()));
    EXPECT_EQ("", loaded.error);
    EXPECT_EQ(static_cast<int>(c.lines.size()), loaded.line);
    EXPECT_EQ(0, loaded.root->getLevelNumber());
  }
}

TEST(ParseCopybookTest, EntriesBecomeTablesOrFieldsWithTheirLevelsAndKinds) {
  Loaded loaded = load({"01 R.", "05 G.", "10 F PIC X.", "10 PIC X.", "05 FILLER."});
  CCBData* group = nodeOf(loaded, "G");
  CCBDataField* field = fieldOf(loaded, "F");
  if (group == nullptr || field == nullptr) return;
  EXPECT_TRUE(group->isTable());
  EXPECT_EQ(5, group->getLevelNumber());
  EXPECT_EQ(10, field->getLevelNumber());
  EXPECT_EQ(FIELD_KIND_FIELD, field->getFieldKind());
  const CCBData* unnamed = field->getNextSibling();
  ASSERT_TRUE(unnamed != nullptr && unnamed->isField());
  EXPECT_EQ(FIELD_KIND_FILLER, static_cast<const CCBDataField*>(unnamed)->getFieldKind());
  EXPECT_STREQ("FILLER", unnamed->getName().asCstr());
  const CCBData* filler = group->getNextSibling();
  ASSERT_TRUE(filler != nullptr && filler->isTable());
  EXPECT_STREQ("FILLER", filler->getName().asCstr());
}

TEST(ParseCopybookTest, ConditionsAttachToTheFieldBefore) {
  Loaded loaded = load({
      "01 R.",
      "05 A PIC X.",
      "88 A-Y VALUE 'Y' 'y'.",
      "88 A-N VALUES ARE \"N\".",
      "88 A-SPACE VALUE SPACES.",           // a figurative constant is not kept
      "88 A-ZERO VALUE ZERO.",              // neither is ZERO unquoted
      "88 A-WORD VALUE 'ZERO'.",            // quoted, it is a literal
      "88 A-QUOTED VALUE \"'Q'\".",         // both quote pairs come off
      "88 A-MIXED VALUE 'M' HIGH-VALUES.",  // only the literal is kept
      "05 B PIC 9.",
      "88 B-LOW VALUES 1 2",
      "3.",
  });
  CCBDataField* a = fieldOf(loaded, "A");
  CCBDataField* b = fieldOf(loaded, "B");
  if (a == nullptr || b == nullptr) return;
  const char* const expectedA[][2] = {
      {"A-Y", "Y"},       {"A-Y", "y"},      {"A-N", "N"},
      {"A-WORD", "ZERO"}, {"A-QUOTED", "Q"}, {"A-MIXED", "M"},
  };
  ASSERT_EQ(6, a->getConditionCount());
  for (int i = 0; i < 6; ++i) {
    EXPECT_STREQ(expectedA[i][0], a->getConditionName(i).asCstr()) << i;
    EXPECT_STREQ(expectedA[i][1], a->getConditionValue(i).asCstr()) << i;
  }
  ASSERT_EQ(3, b->getConditionCount());
  EXPECT_STREQ("B-LOW", b->getConditionName(2).asCstr());
  EXPECT_STREQ("1", b->getConditionValue(0).asCstr());
  EXPECT_STREQ("2", b->getConditionValue(1).asCstr());
  EXPECT_STREQ("3", b->getConditionValue(2).asCstr());
  EXPECT_EQ("R(A B)", describe(loaded.root.get()));
}

TEST(ParseCopybookTest, ValueClausesGiveTheConstantValue) {
  Loaded loaded = load({
      "01 R.",
      "05 N PIC 9 VALUE 5.",
      "05 T PIC X(5) VALUE IS 'A B'.",
      "05 G VALUE 'P' 'Q'.",  // a value list makes a group; its first value is kept
      "05 S PIC X VALUE SPACES.",
      "05 U PIC X.",
  });
  CCBDataField* n = fieldOf(loaded, "N");
  CCBDataField* t = fieldOf(loaded, "T");
  CCBData* g = nodeOf(loaded, "G");
  CCBDataField* s = fieldOf(loaded, "S");
  CCBDataField* u = fieldOf(loaded, "U");
  if (n == nullptr || t == nullptr || g == nullptr || s == nullptr || u == nullptr) return;
  EXPECT_STREQ("5", n->getConstValue().asCstr());
  EXPECT_STREQ("DISPLAY", n->getUsage().asCstr());
  EXPECT_STREQ("A B", t->getConstValue().asCstr());
  EXPECT_TRUE(g->isTable());
  EXPECT_STREQ("P", g->getConstValue().asCstr());
  EXPECT_TRUE(s->getConstValue().isNull());
  EXPECT_TRUE(u->getConstValue().isNull());
  EXPECT_EQ(0, n->getConditionCount());
}

TEST(ParseCopybookTest, SignClausesAndUsageReachTheFormat) {
  struct Case {
    const char* entry;  // an elementary entry named F
    const char* usage;
    bool leading;
    bool separate;
    int storage;
  };
  const Case cases[] = {
      {"05 F PIC S9(3) SIGN LEADING SEPARATE.", "DISPLAY", true, true, 4},
      {"05 F PIC S9(3) SIGN IS LEADING.", "DISPLAY", true, false, 3},
      {"05 F PIC S9(3) TRAILING SEPARATE CHARACTER.", "DISPLAY", false, true, 4},
      {"05 F PIC S9(3) LEADING.", "DISPLAY", true, false, 3},
      {"05 F PIC S9(3).", "DISPLAY", false, false, 3},  // no SIGN clause: trailing, embedded
      {"05 F PIC S9(5) COMP-3.", "COMP-3", false, false, 3},
      {"05 F PIC S9(5) USAGE IS BINARY.", "BINARY", false, false, 4},
      {"05 F USAGE COMPUTATIONAL-3 PIC S9(4).", "COMPUTATIONAL-3", false, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    Loaded loaded = load({"01 R.", c.entry});
    CCBDataField* f = fieldOf(loaded, "F");
    if (f == nullptr) continue;
    EXPECT_STREQ(c.usage, f->getUsage().asCstr());
    EXPECT_EQ(c.leading, f->getSignLeading());
    EXPECT_EQ(c.separate, f->getSignSeparate());
    EXPECT_EQ(c.storage, f->getStorageLength(false));
    ASSERT_NE(nullptr, f->format());
    EXPECT_EQ((c.leading ? SIGN_LEADING : 0) | (c.separate ? SIGN_SEPARATE : 0) | SIGNED,
              f->format()->flags());
  }
}

TEST(ParseCopybookTest, OccursForms) {
  Loaded loaded = load({
      "01 R.",
      "05 N PIC 9(2).",
      "05 T1 OCCURS 1 TO 10 DEPENDING ON N.",
      "10 F1 PIC X.",
      "05 T2 PIC X OCCURS 10 DEPENDING N.",
      "05 T3 PIC X OCCURS 5 TIMES.",
      "05 T4 OCCURS 4 ASCENDING KEY IS K1 INDEXED BY I1 I2.",
      "10 K1 PIC X.",
      "05 T5 PIC X OCCURS 0 TO 3 TIMES DEPENDING ON N.",
      "05 T6 OCCURS 7.",
  });
  struct Case {
    const char* name;
    int max;
    bool depending;  // on N; otherwise fixed
  };
  const Case cases[] = {
      {"T1", 10, true}, {"T2", 10, true}, {"T3", 5, false},
      {"T4", 4, false}, {"T5", 3, true},  {"T6", 7, false},
  };
  const CCBData* n = nodeOf(loaded, "N");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CCBData* node = nodeOf(loaded, c.name);
    if (node == nullptr) continue;
    EXPECT_EQ(c.max, node->getOccursMax());
    EXPECT_EQ(c.depending, node->isOccursDepending());
    EXPECT_EQ(!c.depending, node->isOccursFixed());
    EXPECT_EQ(c.depending ? n : nullptr, node->getOccursDependingNode());
  }
  EXPECT_EQ("N T1(F1) T2 T3 T4(K1) T5 T6()", describe(nodeOf(loaded, "R")));
}

TEST(ParseCopybookTest, RedefinesAndDependingOnInOneEntryKeepTheirNames) {
  Loaded loaded = load({
      "01 R.",
      "05 N PIC 9.",
      "05 A PIC X(4).",
      "05 B REDEFINES A",
      "OCCURS 1 TO 4 DEPENDING ON N PIC X.",
      "05 G.",
      "10 C PIC X(2).",
      "05 H REDEFINES G.",
      "10 D PIC X.",
  });
  const CCBData* b = nodeOf(loaded, "B");
  const CCBData* h = nodeOf(loaded, "H");
  if (b == nullptr || h == nullptr) return;
  EXPECT_EQ(nodeOf(loaded, "A"), b->getRedefines());
  EXPECT_EQ(nodeOf(loaded, "N"), b->getOccursDependingNode());
  EXPECT_EQ(4, b->getOccursMax());
  EXPECT_EQ(nodeOf(loaded, "G"), h->getRedefines());
  EXPECT_EQ(nullptr, nodeOf(loaded, "A")->getRedefines());
  // N, A, G: 1 + 4 + 2 bytes; B and H redefine.
  EXPECT_EQ(7, loaded.root->getMaxLength());
}

TEST(ParseCopybookTest, LowerCaseCopybook) {
  Loaded loaded = load({
      "01 rec.",
      "05 cnt pic 9 comp-3.",
      "05 tab occurs 1 to 3 times depending on CNT.",
      "10 v pic x.",
      "88 v-yes value 'y'.",
      "05 r redefines TAB pic x(3) value 'abc'.",
      "05 filler pic s9v9 sign leading separate.",
  });
  EXPECT_EQ("rec(cnt tab(v) r FILLER)", describe(loaded.root.get()));
  CCBDataField* cnt = fieldOf(loaded, "cnt");
  CCBData* tab = nodeOf(loaded, "tab");
  CCBDataField* r = fieldOf(loaded, "r");
  CCBDataField* v = fieldOf(loaded, "v");
  CCBDataField* filler = fieldOf(loaded, "FILLER");
  if (cnt == nullptr || tab == nullptr || r == nullptr || v == nullptr || filler == nullptr) {
    return;
  }
  EXPECT_STREQ("comp-3", cnt->getUsage().asCstr());
  EXPECT_EQ(1, cnt->getStorageLength(false));
  EXPECT_EQ(cnt, tab->getOccursDependingNode());
  EXPECT_EQ(tab, r->getRedefines());
  EXPECT_STREQ("abc", r->getConstValue().asCstr());
  EXPECT_EQ(1, v->getConditionCount());
  EXPECT_EQ(FIELD_KIND_FILLER, filler->getFieldKind());
  EXPECT_TRUE(filler->getSignLeading());
  EXPECT_TRUE(filler->getSignSeparate());
  EXPECT_EQ(3, filler->getStorageLength(false));
}

TEST(ParseCopybookTest, CrlfAndTabsReadLikePlainSource) {
  // A tab moves to the next of columns 9, 17, 25, ...: the seven tabs after the
  // entry of C put the word IGNORED in column 73.
  const std::string tabbed =
      "\t01 REC.\r\n"
      "      *\ta comment\r\n"
      "\t    05 A\tPIC X(3).\r\n"
      "\t    05 B\tPIC S9(4)\r\n"
      "\t\t\tCOMP.\r\n"
      "\t05 C PIC X.\t\t\t\t\t\t\tIGNORED\r\n"
      "\t    05 D\tPIC X.\r\n";
  const std::string plain = source({
      " 01 REC.",
      "        05 A    PIC X(3).",
      "        05 B    PIC S9(4) COMP.",
      " 05 C PIC X.",
      "        05 D    PIC X.",
  });
  Loaded fromTabs = parseText(tabbed);
  Loaded fromPlain = parseText(plain);
  ASSERT_NE(nullptr, fromTabs.root) << fromTabs.error << " at line " << fromTabs.line;
  ASSERT_NE(nullptr, fromPlain.root) << fromPlain.error;
  EXPECT_EQ("REC(A B C D)", describe(fromTabs.root.get()));
  EXPECT_EQ(describe(fromPlain.root.get()), describe(fromTabs.root.get()));
  EXPECT_EQ(7, fromTabs.line);
  EXPECT_EQ(3 + 2 + 1 + 1, fromTabs.root->getMaxLength());
  CCBDataField* b = fieldOf(fromTabs, "B");
  ASSERT_NE(nullptr, b);
  EXPECT_STREQ("COMP", b->getUsage().asCstr());
}

TEST(ParseCopybookTest, DebugMessagesOfALoad) {
  copybook_test::RecordingCallback callback;
  Loaded loaded = load(
      {
          "01 REC.",              // 1
          "77 WS-FLAG PIC X.",    // 2
          "05 A PIC X.",          // 3
          "88 A-ON VALUE 'Y'.",   // 4
          "05 G.",                // 5
          "88 G-BAD VALUE 'N'.",  // 6
          "66 ALIAS RENAMES A.",  // 7
          "10 C PIC X(3)",        // 8
          "VALUE 'ABC'.",         // 9
      },
      &callback);
  const std::vector<std::string> expected = {
      "LINE 1 PARSE: 01 REC",
      "LINE 2 LEVEL 77 FOUND",
      "LINE 3 PARSE: 05 A PIC X",
      "LINE 4 PARSE: 88 A-ON VALUE 'Y'",
      "LINE 5 PARSE: 05 G",
      "LINE 6 PARSE: 88 G-BAD VALUE 'N'",
      "Level 88 item found without parent field. Line 6.",
      "LINE 7 LEVEL 66 FOUND",
      "LINE 9 PARSE: 10 C PIC X(3) VALUE 'ABC'",
  };
  EXPECT_EQ(expected, callback.messages);
  EXPECT_EQ("REC(A G(C))", describe(loaded.root.get()));
  CCBDataField* a = fieldOf(loaded, "A");
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(1, a->getConditionCount());  // G-BAD went nowhere
}

TEST(ParseCopybookTest, FailedLoadSendsMessagesUpToTheFailingEntry) {
  copybook_test::RecordingCallback callback;
  Loaded loaded = parseText(source({"01 REC.", "05 A PIC Q.", "05 B PIC X."}), &callback);
  EXPECT_EQ(nullptr, loaded.root);
  EXPECT_EQ("Unrecognized character 'Q' found", loaded.error);
  const std::vector<std::string> expected = {"LINE 1 PARSE: 01 REC", "LINE 2 PARSE: 05 A PIC Q"};
  EXPECT_EQ(expected, callback.messages);
}

struct ClauseCase {
  const char* text;
  bool matched;
  const char* picture;  // null: the null string
  const char* usage;
  int signFlags;
};

// usage and signFlags start as "unchanged" and -1, which a failed match keeps.
const ClauseCase CLAUSE_CASES[] = {
    {"ID PIC S9(5) COMP-3", true, "S9(5)", "COMP-3", 0},
    {"ID PIC X SIGN LEADING SEPARATE", true, "X", "DISPLAY", 3},
    {"ID PIC S9 TRAILING SEPARATE", true, "S9", "DISPLAY", 2},
    {"ID PIC S9 LEADING", true, "S9", "DISPLAY", 1},
    {"ID PICTURE IS X(2) USAGE IS DISPLAY", true, "X(2)", "DISPLAY", 0},
    {"ID pic 9(4) binary", true, "9(4)", "binary", 0},
    {"ID", true, nullptr, "DISPLAY", 0},
    {"", true, nullptr, "DISPLAY", 0},
    {"PIC X(8)", true, "X(8)", "DISPLAY", 0},  // the name is optional
    {"ID PIC X PIC X", false, nullptr, "unchanged", -1},
    {"ID PIC", false, nullptr, "unchanged", -1},
    // Quoted words are looked up as keywords here: 'PIC' is the keyword PIC.
    {"ID VALUE 'PIC' PIC X", false, nullptr, "unchanged", -1},
    {"ID VALUE 'A B' PIC X", true, "X", "DISPLAY", 0},
};

TEST(ParseClauseTextTest, PictureUsageAndSignFlags) {
  for (const ClauseCase& c : CLAUSE_CASES) {
    SCOPED_TRACE(c.text);
    QvbString picture("unchanged");
    QvbString usage("unchanged");
    int signFlags = -1;
    EXPECT_EQ(c.matched, parseClauseText(c.text, picture, usage, signFlags));
    if (c.picture == nullptr) {
      EXPECT_TRUE(picture.isNull());
    } else {
      EXPECT_STREQ(c.picture, picture.asCstr());
    }
    EXPECT_STREQ(c.usage, usage.asCstr());
    EXPECT_EQ(c.signFlags, signFlags);
  }
}

TEST(ParseClauseTextTest, QuotedKeywordIsALiteralOnlyInACopybook) {
  Loaded loaded = load({"05 ID VALUE 'PIC' PIC X."});
  CCBDataField* id = fieldOf(loaded, "ID");
  if (id == nullptr) return;
  EXPECT_STREQ("PIC", id->getConstValue().asCstr());
  EXPECT_STREQ("X", id->getPicture().asCstr());
}

}  // namespace
