#include "json_check.h"

#include <gtest/gtest.h>

namespace {

using test_support::JsonCheck;

// The checker that judges the tool's JSON lines must itself tell good from bad.
TEST(JsonCheckTest, TellsValidFromInvalidJson) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {R"({"a":"b","c":-0.05,"d":null,"e":[1,true,false]})", true},
      {R"({"k":"caf\u00e9 \"x\" \\ \/"})", true},
      {"{\"k\":\"M\xC3\xBCller\"}", true},  // UTF-8 ü
      {R"({"n":0})", true},
      {R"({"n":12.50})", true},
      {R"({"n":1e-3})", true},
      {R"({})", true},
      {R"({"n":007})", false},           // leading zeros
      {R"({"n":.5})", false},            // no digit before the point
      {R"({"n":5.})", false},            // no digit after the point
      {R"({"n":+5})", false},            // plus sign
      {R"({"n": 12})", true},            // blank before a value
      {R"({"s":"#ERR#"})", true},        //
      {R"({"n":#ERR#})", false},         // bare text
      {"{\"s\":\"M\xFCller\"}", false},  // ISO-8859-1 ü is not UTF-8
      {"{\"s\":\"a\tb\"}", false},       // raw control character
      {R"({"s":"\x41"})", false},        // no such escape
      {R"({"a":1,})", false},            // trailing comma
      {R"({"a":1} x)", false},           // text after the value
      {R"({"a":1)", false},              // unclosed
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.valid, JsonCheck::isValid(c.text)) << c.text;
  }
}

}  // namespace
