// CCBRecordBuilder lays the values of one layout's columns out as the bytes of a
// record, as the record reader's walk reads them back: each item after the one before
// it, a redefining item where the item it redefines starts, OCCURS repetitions one
// after another, as many of an OCCURS DEPENDING ON table as its count holds. An area
// and its redefinitions are written from the first of them whose columns hold a value
// (with segments, the one the record's identifier names), and the others are read back
// from the bytes so written, each value given for them compared with what its bytes
// give. A null value takes its field's default.
//
// A builder compiles its layout once into a table of nodes and an encoder per field;
// it points into the layout tree, which the caller owns and must keep unchanged, and
// owns nothing else. Building changes its per-record state: one thread at a time.
#ifndef LYRA_INTERFACE_CCB_RECORD_BUILDER_H_
#define LYRA_INTERFACE_CCB_RECORD_BUILDER_H_

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "format/ccb_field_encoder.h"
#include "format/ccb_format.h"
#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"

// The value of one column of a record being built: none (null), text in the host's
// encoding, or a typed number. Text points to bytes that outlive the build.
struct CCBValueSlot {
  enum Kind : uint8_t { NONE, TEXT, INTEGER, UNSIGNED, REAL };
  Kind kind = NONE;
  int length = 0;
  const char* text = nullptr;
  union {
    int64_t integer;
    uint64_t unsignedValue;
    double real = 0;
  };
};

// Why a record could not be built: the column whose value is bad (-1 for the whole
// record) and the reason.
struct CCBBuildFault {
  int column = -1;
  std::string reason;
};

// A segment: records whose identifier is recordId hold item.
struct CCBBuildSegment {
  const CCBData* item;
  QvbString recordId;
};

class CCBRecordBuilder {
 public:
  // Compiles the layout under root. False with a message for a layout whose records
  // cannot be written: a REDEFINES of an item that is no earlier item of its group.
  bool init(CCBDataRoot* root, std::string* error);
  // Segments of an area (see CCBRecordReader::addSegment) and the identifier field
  // that names them, which the caller keeps.
  void setSegments(const std::vector<CCBBuildSegment>& segments, const CCBData* area,
                   const CCBDataField* idField, int idOffset);

  int columnCount() const { return columns_; }
  int maxLength() const { return maxLength_; }  // the furthest byte a record can reach

  // Builds the record of the values (columnCount() of them) into record, which has room
  // for maxLength() bytes, and sets *length, and *valued, where the last field written
  // that holds a value, is a FILLER or lies in a repetition of an OCCURS DEPENDING ON
  // table ends: a record of a variable format ends there, as the reader reads the
  // fields past the end of a shorter record as null. False with the fault.
  bool build(const CCBValueSlot* values, const CCBEncoding& encoding, const CCBDecoding& decoding,
             unsigned char* record, int* length, int* valued, CCBBuildFault* fault);

  // The identifier of a record built (its field at the identifier offset, trimmed);
  // false without an identifier field or when the record is too short for it.
  static bool readIdentifier(const CCBDataField* idField, int idOffset, const unsigned char* record,
                             int length, const CCBDecoding& decoding, QvbString* id);

 private:
  enum Mode { MODE_WRITE, MODE_CHECK };

  struct Node {
    const CCBData* data = nullptr;
    int firstChild = -1;
    int nextSibling = -1;
    int columnOffset = 0;  // of its first column, from its parent repetition's first
    int columnCount = 0;   // every repetition's
    int perRepetition = 0;
    int repetitions = 1;         // at most
    int minimum = 0;             // OCCURS DEPENDING ON: the fewest
    int counter = -1;            // OCCURS DEPENDING ON: the node of the count
    bool redefinition = false;   // written with the area it redefines
    int firstRedefinition = -1;  // an area: the first item redefining it
    int nextRedefinition = -1;   // a redefinition: the next item of its area
    int field = -1;              // a field: its index in fields_
  };
  struct Field {
    const CCBDataField* data = nullptr;
    CCBFieldEncoder encoder;
    int storage = 0;
    bool constant = false;  // a VALUE entry: no bytes
    bool filler = false;    // a FILLER: kept in records of variable formats, value or not
    bool counter = false;   // an OCCURS DEPENDING ON count
  };

  int compile(const CCBData* data, int columnOffset,
              std::unordered_map<const CCBData*, int>* indexes, std::string* error);
  bool linkRedefinitions(int parent, const std::unordered_map<const CCBData*, int>& indexes,
                         std::string* error);
  bool walkNode(int n, int column, int start, int* end, Mode mode);
  bool walkGroup(int n, int column, int start, int* end, Mode mode);
  bool walkArea(int area, int column, int start, int* end, Mode mode);
  bool walkField(int n, int column, int at, Mode mode);
  bool writeValue(const Field& field, int column, unsigned char* out);
  bool checkValue(const Field& field, int column, const unsigned char* bytes);
  bool encodeSlot(const Field& field, const CCBValueSlot& slot, unsigned char* out,
                  CCBEncodeFault* fault) const;
  bool repetitionCount(const Node& node, int column, int* count, Mode mode);
  bool hasValues(int n, int column) const;
  int nextMember(int area, int m) const;
  int chooseMember(int area, int column, int start);
  bool fail(int column, const std::string& reason);
  void noteCount(int n, const Field& field, const unsigned char* bytes, int column);

  // A layout without OCCURS DEPENDING ON, redefinitions or segments has its fields at the
  // same offsets in every record: each field occurrence's column and offset, in order.
  struct Step {
    int column;
    int offset;
    int field;
  };
  void planNode(int n, int column, int* position);
  bool buildByPlan(int* length);

  std::vector<Node> nodes_;
  std::vector<Field> fields_;
  std::vector<Step> plan_;
  bool planned_ = false;  // the plan stands for the walk
  int planLength_ = 0;
  int columns_ = 0;
  int maxLength_ = 0;
  // Segments: their nodes and identifiers, the area node and the identifier field.
  std::vector<std::pair<int, QvbString>> segments_;
  int segmentArea_ = -1;
  const CCBDataField* idField_ = nullptr;
  int idOffset_ = 0;

  // The build under way.
  const CCBValueSlot* values_ = nullptr;
  const CCBEncoding* encoding_ = nullptr;
  const CCBDecoding* decoding_ = nullptr;
  unsigned char* record_ = nullptr;
  CCBBuildFault* fault_ = nullptr;
  std::vector<int> counts_;        // per node: the count an OCCURS DEPENDING ON field holds
  std::vector<int> countColumns_;  // per node: the column it was last written from
  std::vector<unsigned char> scratch_;
  CCBEncodeFault encodeFault_;  // of the value being encoded; reused
  std::string readText_;
  int valued_ = 0;                        // where the last field written with a value ends
  const CCBData* writtenItem_ = nullptr;  // the item an area was written from
  int segmentChosen_ = -1;                // the segment area's item chosen by values
};

#endif  // LYRA_INTERFACE_CCB_RECORD_BUILDER_H_
