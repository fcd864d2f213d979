// NestedRecords takes a line of json-nested input apart into the records it holds, as
// `lyra read --format json-nested` wrote them: the record's object (each group an
// object, each table an array of at most its OCCURS elements, each elementary item a
// string, a number or null), and with --child, inside each record's object, per child
// layout an array named as that layout's level-01 item holding the objects of its
// children. The records come in file order: the record, then each child with its own
// children before the next child, in the order of the line's keys; or, when every
// record holds _record (lyra read --with-position), by those numbers, which keep the
// order of children of several layouts. Each record is its layout and the values of its
// columns, texts pointing into the parsed line; a value left out or null is none.
//
// A key that is no item of its group, a table longer than its OCCURS, an object or an
// array where a value belongs or the reverse, true or false: a problem, with the path
// of the key (HC-CUSTOMER.HA-ACCOUNT[2].HA-BALANCE, elements counted from 1).
//
// It owns the shapes of the writer's layouts, made once; one thread at a time.
#ifndef LYRA_TOOLS_NESTED_RECORDS_H_
#define LYRA_TOOLS_NESTED_RECORDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include <lyra/lyra.h>
#include <rapidjson/document.h>

#include "nested_layout.h"
#include "read_options.h"

struct NestedValue {
  int column;
  const char* text;
  int length;
};

struct NestedRecord {
  int layout = 0;
  int64_t number = -1;  // its _record; -1 without
  std::vector<NestedValue> values;
};

// Why a line's records cannot be written: the key's path, its value where it is text
// or a number, the reason.
struct NestedProblem {
  std::string path, value, reason;
};

class NestedRecords {
 public:
  // The shapes of every layout of the writer (which stays active on the layout it was),
  // and the child layouts of each by the links; false with a message.
  bool build(CCBRecordWriter* writer, const std::vector<ChildLink>& links, std::string* error);
  // The records of the line, its root of the layout; false with *problem.
  bool take(const rapidjson::Value& line, int layout, std::vector<NestedRecord>* records,
            NestedProblem* problem);

 private:
  bool addRecord(const rapidjson::Value& object, int layout);
  bool addMember(const rapidjson::Value::Member& member, int layout, size_t record, size_t* hint);
  bool addChildren(const rapidjson::Value& array, int layout);
  bool place(const rapidjson::Value& value, const NestedLayout& shape, size_t node, size_t record);
  bool placeMembers(const rapidjson::Value& object, const NestedLayout& shape,
                    const NestedLayout::Node& group, size_t record);
  bool placeElements(const rapidjson::Value& array, const NestedLayout& shape,
                     const NestedLayout::Node& table, size_t record);
  bool fail(const rapidjson::Value* value, const std::string& reason);
  std::string idWithBlank(int layout) const;
  void sortByNumbers();

  std::vector<NestedLayout> shapes_;
  std::vector<std::string> ids_;            // per layout
  std::vector<std::vector<int>> children_;  // per layout, its child layouts
  // During take.
  std::vector<NestedRecord>* records_ = nullptr;
  NestedProblem* problem_ = nullptr;
  std::string path_;
};

#endif  // LYRA_TOOLS_NESTED_RECORDS_H_
