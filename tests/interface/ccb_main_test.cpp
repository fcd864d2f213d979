// The layout service as a host uses it: its states and error texts, its output
// columns, XML round trips, the size limits of a layout, and the columns of the
// realistic copybooks, worked out by hand from their text.

#include "lyra/ccb_main.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "parse/copybook_test_util.h"
#include "test_util.h"

namespace {

using copybook_test::source;
using test_support::dataPath;
using test_support::TempDir;

// Output value types.
const int INT = 2;
const int REAL = 3;
const int TEXT = 4;

struct ServiceRelease {
  void operator()(CCBMain* service) const { service->release(); }
};
typedef std::unique_ptr<CCBMain, ServiceRelease> ServicePtr;

ServicePtr newService() {
  ServicePtr service(createCCBMain());
  EXPECT_NE(nullptr, service);
  return service;
}

struct Column {
  int index;
  std::string name;
  int type;
  int length;

  bool operator==(const Column& other) const {
    return index == other.index && name == other.name && type == other.type &&
           length == other.length;
  }
};

std::ostream& operator<<(std::ostream& out, const Column& c) {
  return out << c.index << " " << c.name << " " << c.type << " " << c.length;
}

Column columnOf(CCBMain* service, int index) {
  Column column{index, "", -1, -1};
  QvbString name("none");
  service->getOutputInfo(index, name, column.type, column.length);
  column.name = name.asCstr();
  return column;
}

std::vector<Column> columnsOf(CCBMain* service) {
  std::vector<Column> columns;
  for (int i = 0; i < service->getOutputCount(); ++i) columns.push_back(columnOf(service, i));
  return columns;
}

// A property of the root as the host reads it, by name; "absent" without it.
std::string rootProperty(CCBMain* service, const char* name) {
  CCBDefNode* root = service->getRoot();
  if (root == nullptr) return "no root";
  for (int i = 0; i < root->getPropertyCount(); ++i) {
    if (root->getPropertyName(i).compare(name, true) == 0) {
      return root->getProperty(i, nullptr).asCstr();
    }
  }
  return "absent";
}

// Loads content lines written to a copybook file in dir.
bool loadLines(CCBMain* service, const TempDir& dir, const std::vector<std::string>& lines) {
  return service->loadCopybook(dir.write("test.cpy", source(lines)).c_str());
}

const std::vector<std::string> SMALL = {"01 R.", "05 A PIC X(3).", "05 B PIC S9(5) COMP-3."};

TEST(CCBMainTest, NeverLoadedServiceHasNoLayout) {
  ServicePtr service = newService();
  EXPECT_EQ(nullptr, service->getRoot());
  EXPECT_EQ(0, service->getOutputCount());
  EXPECT_STREQ("", service->getErrorMessage().asCstr());
  QvbString xml("untouched");
  EXPECT_FALSE(service->saveLayoutXml(xml));
  EXPECT_STREQ("Empty Root node", service->getErrorMessage().asCstr());
  EXPECT_STREQ("untouched", xml.asCstr());
  TempDir dir;
  EXPECT_FALSE(service->saveLayoutFile(dir.path("layout.xml").c_str()));
  EXPECT_STREQ("Empty Root node", service->getErrorMessage().asCstr());
  EXPECT_EQ("", test_support::readFile(dir.path("layout.xml")));
  EXPECT_EQ((Column{0, "none", -1, -1}), columnOf(service.get(), 0));
}

TEST(CCBMainTest, FailedLoadAfterASuccessLeavesNoLayout) {
  TempDir dir;
  ServicePtr service = newService();
  ASSERT_TRUE(loadLines(service.get(), dir, SMALL)) << service->getErrorMessage().asCstr();
  EXPECT_NE(nullptr, service->getRoot());
  EXPECT_EQ(2, service->getOutputCount());

  EXPECT_FALSE(service->loadCopybook(dir.path("missing.cpy").c_str()));
  EXPECT_EQ(
      "Cannot open file '" + dir.path("missing.cpy") + "': No such file or directory, Line: 0\n",
      service->getErrorMessage().asCstr());
  EXPECT_EQ(nullptr, service->getRoot());
  EXPECT_EQ(0, service->getOutputCount());
  QvbString xml;
  EXPECT_FALSE(service->saveLayoutXml(xml));
  EXPECT_STREQ("Empty Root node", service->getErrorMessage().asCstr());
}

TEST(CCBMainTest, ErrorTextOutlivesALaterSuccess) {
  TempDir dir;
  ServicePtr service = newService();
  EXPECT_FALSE(loadLines(service.get(), dir, {"01 R.", "05 A PIC X PIC X."}));
  const std::string failure = "No syntax match found for statement, Line: 2\n";
  EXPECT_EQ(failure, service->getErrorMessage().asCstr());
  EXPECT_TRUE(loadLines(service.get(), dir, SMALL));
  EXPECT_EQ(failure, service->getErrorMessage().asCstr());
  QvbString xml;
  EXPECT_TRUE(service->saveLayoutXml(xml));
  EXPECT_EQ(failure, service->getErrorMessage().asCstr());
}

TEST(CCBMainTest, OutputInfoOutsideTheColumnsChangesNothing) {
  TempDir dir;
  ServicePtr service = newService();
  ASSERT_TRUE(loadLines(service.get(), dir, SMALL));
  EXPECT_EQ((Column{0, "A", TEXT, 5}), columnOf(service.get(), 0));
  EXPECT_EQ((Column{1, "B", INT, 7}), columnOf(service.get(), 1));
  for (int index : {-1, 2, 1000}) {
    SCOPED_TRACE(index);
    QvbString name("keep");
    int type = 77;
    int length = 88;
    service->getOutputInfo(index, name, type, length);
    EXPECT_STREQ("keep", name.asCstr());
    EXPECT_EQ(77, type);
    EXPECT_EQ(88, length);
  }
}

TEST(CCBMainTest, LayoutXmlRoundTripKeepsTheColumns) {
  ServicePtr service = newService();
  ASSERT_TRUE(service->loadCopybook(dataPath("copybooks/custmast.cpy").c_str()));
  const std::vector<Column> columns = columnsOf(service.get());
  ASSERT_EQ(31u, columns.size());
  QvbString xml;
  ASSERT_TRUE(service->saveLayoutXml(xml)) << service->getErrorMessage().asCstr();

  ServicePtr copy = newService();
  ASSERT_TRUE(copy->loadLayoutXml(xml)) << copy->getErrorMessage().asCstr();
  EXPECT_EQ(columns, columnsOf(copy.get()));
  EXPECT_EQ("200", rootProperty(copy.get(), "max_record_size"));

  TempDir dir;
  const std::string file = dir.path("custmast.xml");
  ASSERT_TRUE(service->saveLayoutFile(file.c_str())) << service->getErrorMessage().asCstr();
  EXPECT_EQ(xml.asCstr(), test_support::readFile(file));
  ServicePtr fromFile = newService();
  ASSERT_TRUE(fromFile->loadLayoutFile(file.c_str())) << fromFile->getErrorMessage().asCstr();
  EXPECT_EQ(columns, columnsOf(fromFile.get()));
}

TEST(CCBMainTest, SaveToAnUnwritablePathGivesTheDocumentsMessage) {
  TempDir dir;
  ServicePtr service = newService();
  ASSERT_TRUE(loadLines(service.get(), dir, SMALL));
  const std::string path = dir.path("no-such-folder/layout.xml");
  EXPECT_FALSE(service->saveLayoutFile(path.c_str()));
  EXPECT_EQ("Cannot write file '" + path + "': No such file or directory",
            service->getErrorMessage().asCstr());
  EXPECT_EQ(2, service->getOutputCount());  // the layout stays
}

TEST(CCBMainTest, DocumentsThatCannotBeLoaded) {
  TempDir dir;
  ServicePtr service = newService();
  ASSERT_TRUE(loadLines(service.get(), dir, SMALL));
  EXPECT_FALSE(service->loadLayoutXml("<CCBLayout><node"));
  EXPECT_STREQ("Error Loading xml", service->getErrorMessage().asCstr());
  EXPECT_EQ(nullptr, service->getRoot());
  ASSERT_TRUE(loadLines(service.get(), dir, SMALL));
  EXPECT_FALSE(service->loadLayoutFile(dir.path("missing.xml").c_str()));
  EXPECT_STREQ("Error Loading xml", service->getErrorMessage().asCstr());
  EXPECT_EQ(nullptr, service->getRoot());
}

TEST(CCBMainTest, LayoutsBeyondTheSizeLimitsAreRefused) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    const char* message;
  };
  const Case cases[] = {
      {"257 MiB",
       {"01 BIG PIC X(1048576) OCCURS 257."},
       "Record length exceeds the maximum of 268435456 bytes"},
      {"a length beyond 32 bits",
       {"01 T OCCURS 100000.", "05 U OCCURS 100000.", "10 F PIC X(100)."},
       "Record length exceeds the maximum of 268435456 bytes"},
      // The root, 5000 times T, and 1000 times U and F within each T.
      {"ten million entries",
       {"01 T OCCURS 5000.", "05 U OCCURS 1000.", "10 F PIC X."},
       "Layout needs 10005001 output entries (repetitions of its items), more than the "
       "maximum of 4000000"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ServicePtr service = newService();
    ASSERT_TRUE(loadLines(service.get(), dir, SMALL));
    EXPECT_FALSE(loadLines(service.get(), dir, c.lines));
    EXPECT_STREQ(c.message, service->getErrorMessage().asCstr());
    EXPECT_EQ(nullptr, service->getRoot());
    EXPECT_EQ(0, service->getOutputCount());
  }
  ServicePtr service = newService();
  ASSERT_TRUE(loadLines(service.get(), dir, {"01 BIG PIC X(1048576) OCCURS 256."}))
      << service->getErrorMessage().asCstr();
  EXPECT_EQ("268435456", rootProperty(service.get(), "max_record_size"));
  EXPECT_EQ(256, service->getOutputCount());
  EXPECT_EQ((Column{255, "BIG_255", TEXT, 1048576}), columnOf(service.get(), 255));
}

// Every column of a copybook, worked out from its text: a display picture of X, A or
// an edited one with a comma is text of its characters; numeric pictures are
// integers up to 9 digit positions, reals with V, leading P, an inserted point or up
// to 15 positions, text beyond. Output lengths never fall below 5.
struct CopybookColumns {
  const char* copybook;
  int recordLength;
  int columnCount;
  std::vector<Column> columns;  // all of them, or a sample
};

const CopybookColumns FULL_LAYOUTS[] = {
    {"custmast.cpy",
     200,
     31,
     {
         {0, "CUST-REC-TYPE", TEXT, 5},          // X
         {1, "CUST-NUMBER", INT, 11},            // 9(9) COMP: 4 bytes
         {2, "CUST-BRANCH", INT, 5},             // 9(4)
         {3, "CUST-STATUS", TEXT, 5},            // X
         {4, "CUST-LAST-NAME", TEXT, 20},        // X(20)
         {5, "CUST-FIRST-NAME", TEXT, 15},       // X(15)
         {6, "CUST-MIDDLE-INIT", TEXT, 5},       // X
         {7, "CUST-ADDR-LINE", TEXT, 25},        // X(25) OCCURS 2
         {8, "CUST-ADDR-LINE_1", TEXT, 25},      //
         {9, "CUST-CITY", TEXT, 15},             // X(15)
         {10, "CUST-STATE", TEXT, 5},            // XX
         {11, "CUST-ZIP", INT, 5},               // 9(5)
         {12, "CUST-ADDRESS-FLAT", TEXT, 72},    // X(72), redefines the address
         {13, "CUST-BIRTH-DATE", INT, 8},        // 9(8)
         {14, "CUST-BIRTH-YYYY", INT, 5},        // 9(4), in the redefining group
         {15, "CUST-BIRTH-MM", INT, 5},          // 99
         {16, "CUST-BIRTH-DD", INT, 5},          // 99
         {17, "CUST-PHONE-TYPE", TEXT, 5},       // X, group OCCURS 2
         {18, "CUST-PHONE-NUMBER", REAL, 10},    // 9(10): 10 digit positions
         {19, "CUST-PHONE-TYPE_1", TEXT, 5},     //
         {20, "CUST-PHONE-NUMBER_1", REAL, 10},  //
         {21, "CUST-SEGMENT", INT, 5},           // 99
         {22, "CUST-CREDIT-LIMIT", REAL, 11},    // S9(7)V99 COMP-3: 9 digits + sign, point
         {23, "CUST-BALANCE", REAL, 13},         // S9(9)V99 LEADING SEPARATE: 12 bytes + point
         {24, "CUST-YTD-INTEREST", REAL, 9},     // S9(5)V99: 7 bytes + point, sign
         {25, "CUST-RISK-SCORE", INT, 5},        // S9(3) LEADING: 3 bytes + sign
         {26, "CUST-OVERDRAFT-COUNT", INT, 6},   // S9(4) COMP: 4 digits + sign, point
         {27, "FILLER", TEXT, 5},                // X(3)
         {28, "FILLER_1", TEXT, 5},              // X(2), no name
         {29, "CUST-LAST-MAINT-USER", TEXT, 8},  // X(8)
         {30, "CUST-LAST-MAINT-DATE", INT, 8},   // 9(8)
     }},
    {"policy.cpy",
     185,
     41,
     {
         {0, "POL-NUMBER", TEXT, 10},           // X(10)
         {1, "POL-PRODUCT", TEXT, 5},           // X(4)
         {2, "POL-STATUS", TEXT, 5},            // X
         {3, "POL-HOLDER-NAME", TEXT, 30},      // X(30)
         {4, "POL-HOLDER-CUST-NO", INT, 11},    // 9(9) COMP
         {5, "POL-EFFECTIVE-DATE", INT, 8},     // 9(8)
         {6, "POL-EXPIRY-DATE", INT, 8},        // 9(8)
         {7, "POL-TERM-TEXT", TEXT, 16},        // X(16), redefines the term
         {8, "POL-SUM-INSURED", INT, 5},        // 9(3)PP: 3 bytes + 2 scaling zeros
         {9, "POL-LOADING-RATE", REAL, 5},      // PP99: 2 bytes + point and 2 zeros
         {10, "POL-AGG-LIMIT", INT, 6},         // 9(2)P(4): 2 bytes + 4 zeros
         {11, "POL-ANNUAL-PREMIUM", REAL, 11},  // S9(7)V99 COMP-3
         {12, "COV-CODE", TEXT, 5},             // X(3), group OCCURS 3
         {13, "COV-LIMIT", INT, 7},             // 9(3)PP COMP-3: 3 digits + 2, + 2 zeros
         {14, "COV-RATE", REAL, 7},             // PP99 COMP-3: 2 digits + 2, point, 2 zeros
         {15, "COV-DEDUCTIBLE", INT, 7},        // S9(5) COMP-3
         {16, "RIDER-CODE", TEXT, 5},           // XX, group OCCURS 2 within
         {17, "RIDER-PREMIUM", REAL, 9},        // S9(5)V99
         {18, "RIDER-CODE_1", TEXT, 5},         //
         {19, "RIDER-PREMIUM_1", REAL, 9},      //
         {20, "COV-CODE_1", TEXT, 5},           // second coverage
         {21, "COV-LIMIT_1", INT, 7},           //
         {22, "COV-RATE_1", REAL, 7},           //
         {23, "COV-DEDUCTIBLE_1", INT, 7},      //
         {24, "RIDER-CODE_2", TEXT, 5},         //
         {25, "RIDER-PREMIUM_2", REAL, 9},      //
         {26, "RIDER-CODE_3", TEXT, 5},         //
         {27, "RIDER-PREMIUM_3", REAL, 9},      //
         {28, "COV-CODE_2", TEXT, 5},           // third coverage
         {29, "COV-LIMIT_2", INT, 7},           //
         {30, "COV-RATE_2", REAL, 7},           //
         {31, "COV-DEDUCTIBLE_2", INT, 7},      //
         {32, "RIDER-CODE_4", TEXT, 5},         //
         {33, "RIDER-PREMIUM_4", REAL, 9},      //
         {34, "RIDER-CODE_5", TEXT, 5},         //
         {35, "RIDER-PREMIUM_5", REAL, 9},      //
         {36, "POL-RESERVE-ADJ", INT, 7},       // S9(3)PP BINARY: 3 digits + 2, + 2 zeros
         {37, "POL-TAX-RATE", REAL, 7},         // PP99 COMP
         {38, "POL-CLAIMS-YTD", REAL, 9},       // S9(5)V99 LEADING
         {39, "POL-AGENT-CODE", TEXT, 5},       // X(5) JUSTIFIED RIGHT
         {40, "FILLER", TEXT, 8},               // X(8)
     }},
    {"txndtl.cpy",
     116,
     16,
     {
         {0, "DT-REC-TYPE", TEXT, 5},         // XX
         {1, "DT-SEQ-NO", INT, 5},            // 9(5)
         {2, "DT-CARD-NUMBER", TEXT, 16},     // X(16)
         {3, "DT-TXN-DATE", INT, 8},          // 9(8)
         {4, "DT-TXN-TIME", INT, 6},          // 9(6)
         {5, "DT-TXN-TYPE", TEXT, 5},         // X
         {6, "DT-AMOUNT", REAL, 11},          // S9(7)V99 TRAILING SEPARATE: 10 bytes + point
         {7, "DT-TIP", REAL, 7},              // S9(3)V99: 5 bytes + point, sign
         {8, "DT-FEE", REAL, 7},              // S9(3)V99 COMP-3
         {9, "DT-AUTH-CODE", TEXT, 6},        // X(6)
         {10, "DT-MCC", INT, 6},              // 9(4) BINARY
         {11, "DT-AMOUNT-ED", TEXT, 11},      // ZZZ,ZZ9.99-: the comma makes it text
         {12, "DT-FEE-ED", REAL, 9},          // $$$9.99CR: the point makes it real
         {13, "DT-POINTS-ED", INT, 5},        // 9(3)DB
         {14, "DT-ITEMS-ED", INT, 5},         // -ZZZ9
         {15, "DT-MERCHANT-NAME", TEXT, 22},  // X(22)
     }},
    {"jobstats.cpy",
     69,
     14,
     {
         {0, "JS-JOB-NAME", TEXT, 8},       // X(8); the 77 entry before gives nothing
         {1, "JS-STEP-NAME", TEXT, 8},      // X(8)
         {2, "JS-STEP-COUNT", INT, 6},      // 9(4) COMP: 2 bytes
         {3, "JS-RETURN-CODE", INT, 6},     // S9(4) COMP
         {4, "JS-CPU-MS", INT, 11},         // 9(9) BINARY: 4 bytes
         {5, "JS-ELAPSED-DELTA", INT, 11},  // S9(9) COMP-4
         {6, "JS-EXCP-COUNT", REAL, 12},    // 9(10) COMP: 8 bytes
         {7, "JS-BYTES-READ", TEXT, 20},    // 9(18) COMP: beyond 15 digits
         {8, "JS-NET-CHANGE", TEXT, 20},    // S9(18) BINARY
         {9, "JS-AVG-WAIT", REAL, 9},       // S9(5)V99 COMP: 4 bytes
         {10, "JS-CPU-RATE", REAL, 6},      // S99V99 COMP: 2 bytes
         {11, "JS-COST", REAL, 15},         // S9(11)V99 COMP-4: 8 bytes
         {12, "JS-IO-SCALED", INT, 7},      // 9(3)PP COMP: 2 bytes
         {13, "JS-END-FLAG", TEXT, 5},      // X
     }},
};

TEST(CCBMainTest, RealisticCopybooksGiveEveryColumn) {
  for (const CopybookColumns& layout : FULL_LAYOUTS) {
    SCOPED_TRACE(layout.copybook);
    const std::string path = dataPath(std::string("copybooks/") + layout.copybook);
    ServicePtr service = newService();
    ASSERT_TRUE(service->loadCopybook(path.c_str())) << service->getErrorMessage().asCstr();
    EXPECT_EQ(layout.columnCount, static_cast<int>(layout.columns.size()));
    EXPECT_EQ(layout.columns, columnsOf(service.get()));
    EXPECT_EQ(std::to_string(layout.recordLength), rootProperty(service.get(), "max_record_size"));
    EXPECT_EQ(path, rootProperty(service.get(), "Source_File"));
  }
}

// The first node in preorder below node named name, through the host's interface.
CCBDefNode* findNode(CCBDefNode* node, const char* name) {
  for (CCBDefNode* child = node->getFirstChild(); child != nullptr;
       child = child->getNextSibling()) {
    if (child->getName().compare(name, true) == 0) return child;
    CCBDefNode* found = findNode(child, name);
    if (found != nullptr) return found;
  }
  return nullptr;
}

TEST(CCBMainTest, ConditionValuesOfARealisticCopybook) {
  ServicePtr service = newService();
  ASSERT_TRUE(service->loadCopybook(dataPath("copybooks/custmast.cpy").c_str()));
  // The value 'D' of CUST-INACTIVE ends in column 72, the last one read.
  CCBDefNode* status = findNode(service->getRoot(), "CUST-STATUS");
  ASSERT_NE(nullptr, status);
  const char* const expected[][2] = {
      {"CUST-ACTIVE", "A"},
      {"CUST-INACTIVE", "I"},
      {"CUST-INACTIVE", "D"},
      {"CUST-INACTIVE", "X"},
  };
  ASSERT_EQ(4, status->getConditionCount());
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(expected[i][0], status->getConditionName(i).asCstr()) << i;
    EXPECT_STREQ(expected[i][1], status->getConditionValue(i).asCstr()) << i;
  }
  CCBDefNode* segment = findNode(service->getRoot(), "CUST-SEGMENT");
  ASSERT_NE(nullptr, segment);
  ASSERT_EQ(4, segment->getConditionCount());
  EXPECT_STREQ("CUST-SEG-PRIVATE", segment->getConditionName(3).asCstr());
  EXPECT_STREQ("7", segment->getConditionValue(3).asCstr());
  EXPECT_EQ(nullptr, findNode(service->getRoot(), "CUST-KEY"));  // the level-66 entry
}

const CopybookColumns SAMPLED_LAYOUTS[] = {
    {"acctrec.cpy",
     400,  // 56 bytes, 12 activity entries of 28 at their maximum, 8
     60,
     {
         {0, "ACCT-BRANCH", INT, 5},           // 9(4)
         {1, "ACCT-NUMBER", REAL, 10},         // 9(10)
         {5, "ACCT-LEDGER-BAL", REAL, 15},     // S9(11)V99 USAGE IS COMP-3
         {7, "ACCT-INT-RATE", REAL, 7},        // 9V9(4) COMP-3
         {8, "ACCT-HOLD-AMT", REAL, 10},       // S9(6)V99 PACKED-DECIMAL
         {10, "ACCT-TXN-COUNT", INT, 6},       // S9(4) COMP
         {11, "TXN-POST-DATE", INT, 8},        // OCCURS 0 TO 12: columns for all 12
         {12, "TXN-CODE", TEXT, 5},            // X(3)
         {13, "TXN-AMOUNT", REAL, 11},         // S9(7)V99 COMP-3
         {14, "TXN-REFERENCE", TEXT, 12},      // X(12)
         {55, "TXN-POST-DATE_11", INT, 8},     // 11 + 4 x 11
         {58, "TXN-REFERENCE_11", TEXT, 12},   //
         {59, "ACCT-LAST-STMT-DATE", INT, 8},  // the last of 60
     }},
    {"itemprice.cpy",
     90,
     19,
     {
         {0, "item-sku", INT, 8},             // pic 9(8)
         {2, "item-upc-mfr", TEXT, 6},        // x(6), in the redefining group
         {7, "item-size", REAL, 5},           // 9(3)v9: 4 bytes + point
         {9, "item-reg-price", REAL, 9},      // s9(5)v99 comp-3
         {11, "item-unit-cost", REAL, 9},     // s9(3)v9(4) comp-3
         {12, "item-qty-on-hand", INT, 9},    // s9(7) comp
         {13, "item-case-pack", INT, 5},      // 9(3) binary
         {16, "item-markdown-pct", REAL, 5},  // sv99 trailing separate: 3 bytes + point
         {18, "FILLER", TEXT, 6},             // the last of 19
     }},
    {"txnhdr.cpy",
     61,
     7,
     {
         {0, "HD-REC-TYPE", TEXT, 5},       // XX
         {5, "HD-EXPECTED-COUNT", INT, 7},  // 9(5) COMP: 4 bytes
         {6, "HD-DESCRIPTION", TEXT, 30},   // the last of 7
     }},
    {"txntrl.cpy",
     45,
     8,
     {
         {2, "TR-RECORD-COUNT", INT, 9},    // 9(7) COMP-4
         {3, "TR-TOTAL-AMOUNT", REAL, 17},  // S9(13)V99 COMP-3: 15 digits
         {4, "TR-TOTAL-FEES", REAL, 13},    // S9(9)V99 TRAILING SEPARATE: 12 bytes + point
         {5, "TR-HASH-TOTAL", TEXT, 20},    // S9(18) COMP
         {7, "FILLER", TEXT, 5},            // the last of 8
     }},
};

TEST(CCBMainTest, RealisticCopybooksSampled) {
  for (const CopybookColumns& layout : SAMPLED_LAYOUTS) {
    SCOPED_TRACE(layout.copybook);
    ServicePtr service = newService();
    ASSERT_TRUE(
        service->loadCopybook(dataPath(std::string("copybooks/") + layout.copybook).c_str()))
        << service->getErrorMessage().asCstr();
    EXPECT_EQ(layout.columnCount, service->getOutputCount());
    for (const Column& column : layout.columns) {
      EXPECT_EQ(column, columnOf(service.get(), column.index));
    }
    EXPECT_EQ(std::to_string(layout.recordLength), rootProperty(service.get(), "max_record_size"));
  }
}

}  // namespace
