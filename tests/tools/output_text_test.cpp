// Typed JSON numbers: decoded texts written by hand, and the numeric-edited texts GnuCOBOL
// printed in tests/data/files/edited.dat, read by the tool against the values the same
// program printed.
#include "output_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data_variants.h"
#include "test_util.h"

namespace {

// The JSON number of a text, or "null" where it holds none.
std::string jsonNumber(const std::string& text) {
  std::string out(jsonNumberMost(text.size()), '\0');
  char* end = &out[0];
  if (!writeJsonNumber(text, &end)) return "null";
  out.resize(static_cast<size_t>(end - out.data()));
  return out;
}

TEST(JsonNumberTest, DecodedAndEditedTexts) {
  const std::pair<const char*, const char*> cases[] = {
      // Texts of the decoders: a leading sign or blank, leading zeros, floats.
      {" 007.50", "7.50"},
      {"-.05", "-0.05"},
      {"+12.", "12"},
      {"-00012.50", "-12.50"},
      {"45600", "45600"},
      {"1e-20", "1e-20"},
      {"-2.5E+38", "-2.5E+38"},
      // Numeric editing: trailing signs, CR and DB below zero and blanks above it.
      {"1234-", "-1234"},
      {"1234+", "1234"},
      {"1234 ", "1234"},
      {"12.50CR", "-12.50"},
      {"12.50DB", "-12.50"},
      {" 12.50  ", "12.50"},
      {".05-", "-0.05"},
      // A sign apart from the digits, currency signs and check protection before them.
      {"-   7", "-7"},
      {"  $1.50", "1.50"},
      {"$  1.50-", "-1.50"},
      {"$**1.50CR", "-1.50"},
      {"***12.50", "12.50"},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(want, jsonNumber(text)) << '"' << text << '"';
  // No number: nothing but editing, two signs, a sign in the digits, another text.
  for (const char* text : {"#ERR#", "    ", "***.**", "$", "CR", "-12-", "+-12", "12CR-", "12-3",
                           "12 34", "12.50cr", "12.50CRX", "1e"}) {
    EXPECT_EQ("null", jsonNumber(text)) << '"' << text << '"';
  }
}

// Every record of edited.dat as typed JSON: the values wedited.cob printed, as numbers.
TEST(JsonNumberTest, EditedNumbersAsGnuCobolPrintedThem) {
  std::ifstream values(test_support::dataPath("files/edited.dat.values"));
  std::map<int, std::string> records;  // record number: its JSON members
  std::string line;
  while (std::getline(values, line)) {
    std::istringstream fields(line);
    int record = 0;
    std::string name, value;
    fields >> record >> name >> value;
    std::string& members = records[record];
    members += (members.empty() ? "\"" : ",\"") + name + "\":" + value;
  }
  ASSERT_EQ(7u, records.size());
  std::string want;
  for (const auto& record : records) want += "{" + record.second + "}\n";
  const data_variants::ToolRun read = data_variants::lyra(
      {"read", "--format", "jsonl", "--typed", "-c", test_support::dataPath("copybooks/edited.cpy"),
       test_support::dataPath("files/edited.dat")});
  EXPECT_EQ(want, read.out);
}

}  // namespace
