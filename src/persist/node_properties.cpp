// The named properties of the three node kinds: a fixed, ordered list per kind
// whose values are texts. The XML layout document writes and reads exactly these,
// the debug printer prints them, and hosts read and change them by index.

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_data_table.h"

namespace {

struct PropertyDef {
  const char* name;
  bool optional;  // free text a document may leave empty
};

// Indices 0 to 6 are shared by fields and tables.
enum CommonProperty {
  PROP_NAME = 0,
  PROP_DESC = 1,
  PROP_OUTPUT_NAME = 2,
  PROP_LEVEL_NUMBER = 3,
  PROP_OCCURS_MAX = 4,
  PROP_OCCURS_DEPEND = 5,
  PROP_REDEFINE = 6,
};

enum FieldProperty {
  FIELD_PROP_FIELD_TYPE = 7,
  FIELD_PROP_OUTPUT_LENGTH = 8,
  FIELD_PROP_PICTURE = 9,
  FIELD_PROP_CONST_VALUE = 10,
  FIELD_PROP_USAGE = 11,
  FIELD_PROP_SIGN_LEADING = 12,
  FIELD_PROP_SIGN_SEPARATE = 13,
};

enum TableProperty {
  TABLE_PROP_CONST_VALUE = 7,
  TABLE_PROP_USAGE = 8,
};

enum RootProperty {
  ROOT_PROP_SOURCE_FILE = 0,
  ROOT_PROP_USAGE = 1,
  ROOT_PROP_MAX_RECORD_SIZE = 2,
};

const PropertyDef FIELD_PROPERTIES[] = {
    {"name", false},           // 0  plain
    {"desc", true},            // 1  plain
    {"output_name", true},     // 2  plain
    {"level_number", false},   // 3  integer
    {"occurs_max", false},     // 4  integer
    {"occurs_depend", false},  // 5  link to a field
    {"redefine", false},       // 6  link to a field or table
    {"field_type", false},     // 7  "Field", "Filler" or "Value"
    {"output_length", false},  // 8  derived from the format
    {"picture", false},        // 9  plain
    {"const_value", false},    // 10 plain
    {"usage", false},          // 11 plain
    {"sign_leading", false},   // 12 flag
    {"sign_separate", false},  // 13 flag
};

const PropertyDef TABLE_PROPERTIES[] = {
    {"name", false},           // 0 plain
    {"desc", true},            // 1 plain
    {"output_name", true},     // 2 plain
    {"level_number", false},   // 3 integer
    {"occurs_max", false},     // 4 integer
    {"occurs_depend", false},  // 5 link to a field
    {"redefine", false},       // 6 link to a field or table
    {"const_value", false},    // 7 plain
    {"usage", false},          // 8 plain
};

const PropertyDef ROOT_PROPERTIES[] = {
    {"Source_File", true},       // 0 plain
    {"usage", false},            // 1 plain
    {"max_record_size", false},  // 2 derived: the longest record
};

bool inRange(int index, int count) {
  return index >= 0 && index < count;
}

QvbString propertyName(const PropertyDef* table, int count, int index) {
  return inRange(index, count) ? QvbString(table[index].name) : QvbString();
}

// Sets *optional (false first, then the entry's marker) and tells whether index is
// a property of the table.
bool lookUp(const PropertyDef* table, int count, int index, bool* optional) {
  if (optional != nullptr) *optional = false;
  if (!inRange(index, count)) return false;
  if (optional != nullptr) *optional = table[index].optional;
  return true;
}

int propertyIndex(const PropertyDef* table, int count, const QvbString& name) {
  for (int i = 0; i < count; ++i) {
    if (name.compare(table[i].name, false) == 0) return i;
  }
  return -1;
}

QvbString integerText(int value) {
  QvbString text;
  text.assign(value);
  return text;
}

QvbString flagText(bool flag) {
  return QvbString(flag ? "1" : "0");
}

bool flagValue(const QvbString& text) {
  return text.asInt() != 0;
}

QvbString linkText(const CCBData* node) {
  return node != nullptr ? node->getName() : QvbString("");
}

}  // namespace

QvbString CCBData::getCommonProperty(int index) const {
  switch (index) {
    case PROP_NAME:
      return getName();
    case PROP_DESC:
      return getDescription();
    case PROP_OUTPUT_NAME:
      return getOutputName();
    case PROP_LEVEL_NUMBER:
      return integerText(getLevelNumber());
    case PROP_OCCURS_MAX:
      return integerText(getOccursMax());
    case PROP_OCCURS_DEPEND:
      return linkText(getOccursDependingNode());
    case PROP_REDEFINE:
      return linkText(getRedefines());
    default:
      return QvbString();
  }
}

bool CCBData::setCommonProperty(int index, const QvbString& value) {
  switch (index) {
    case PROP_NAME:
      setName(value);
      return true;
    case PROP_DESC:
      setDescription(value);
      return true;
    case PROP_OUTPUT_NAME:
      setOutputName(value);
      return true;
    case PROP_LEVEL_NUMBER:
      setLevelNumber(value.asInt());
      return true;
    case PROP_OCCURS_MAX:
      setOccursMax(value.asInt());
      return true;
    case PROP_OCCURS_DEPEND:
      return setOccursDepending(value, getOccursMax());
    case PROP_REDEFINE:
      return setRedefines(value);
    default:
      return false;
  }
}

QvbString CCBDataField::getPropertyName(int index) const {
  return propertyName(FIELD_PROPERTIES, getPropertyCount(), index);
}

int CCBDataField::getPropertyIndex(const QvbString& name) const {
  return propertyIndex(FIELD_PROPERTIES, getPropertyCount(), name);
}

QvbString CCBDataField::getProperty(int index, bool* optional) const {
  if (!lookUp(FIELD_PROPERTIES, getPropertyCount(), index, optional)) return QvbString();
  switch (index) {
    case FIELD_PROP_FIELD_TYPE:
      return getFieldKindText();
    case FIELD_PROP_OUTPUT_LENGTH:
      return integerText(getOutputLength());
    case FIELD_PROP_PICTURE:
      return picture_;
    case FIELD_PROP_CONST_VALUE:
      return constValue_;
    case FIELD_PROP_USAGE:
      return getUsage();
    case FIELD_PROP_SIGN_LEADING:
      return flagText(signLeading_);
    case FIELD_PROP_SIGN_SEPARATE:
      return flagText(signSeparate_);
    default:
      return getCommonProperty(index);
  }
}

bool CCBDataField::setProperty(int index, const QvbString& value) {
  if (!inRange(index, getPropertyCount())) return false;
  switch (index) {
    case FIELD_PROP_FIELD_TYPE:
      setFieldKindText(value);
      return true;
    case FIELD_PROP_OUTPUT_LENGTH:
      return true;
    case FIELD_PROP_PICTURE:
      picture_ = value;
      return true;
    case FIELD_PROP_CONST_VALUE:
      constValue_ = value;
      return true;
    case FIELD_PROP_USAGE:
      setUsage(value);
      return true;
    case FIELD_PROP_SIGN_LEADING:
      signLeading_ = flagValue(value);
      return true;
    case FIELD_PROP_SIGN_SEPARATE:
      signSeparate_ = flagValue(value);
      return true;
    default:
      return setCommonProperty(index, value);
  }
}

QvbString CCBDataTable::getPropertyName(int index) const {
  return propertyName(TABLE_PROPERTIES, getPropertyCount(), index);
}

int CCBDataTable::getPropertyIndex(const QvbString& name) const {
  return propertyIndex(TABLE_PROPERTIES, getPropertyCount(), name);
}

QvbString CCBDataTable::getProperty(int index, bool* optional) const {
  if (!lookUp(TABLE_PROPERTIES, getPropertyCount(), index, optional)) return QvbString();
  switch (index) {
    case TABLE_PROP_CONST_VALUE:
      return constValue_;
    case TABLE_PROP_USAGE:
      return getUsage();
    default:
      return getCommonProperty(index);
  }
}

bool CCBDataTable::setProperty(int index, const QvbString& value) {
  if (!inRange(index, getPropertyCount())) return false;
  switch (index) {
    case TABLE_PROP_CONST_VALUE:
      constValue_ = value;
      return true;
    case TABLE_PROP_USAGE:
      setUsage(value);
      return true;
    default:
      return setCommonProperty(index, value);
  }
}

QvbString CCBDataRoot::getPropertyName(int index) const {
  return propertyName(ROOT_PROPERTIES, getPropertyCount(), index);
}

int CCBDataRoot::getPropertyIndex(const QvbString& name) const {
  return propertyIndex(ROOT_PROPERTIES, getPropertyCount(), name);
}

QvbString CCBDataRoot::getProperty(int index, bool* optional) const {
  if (!lookUp(ROOT_PROPERTIES, getPropertyCount(), index, optional)) return QvbString();
  switch (index) {
    case ROOT_PROP_SOURCE_FILE:
      return sourceFile_;
    case ROOT_PROP_USAGE:
      return getUsage();
    default:
      return integerText(getMaxLength());
  }
}

bool CCBDataRoot::setProperty(int index, const QvbString& value) {
  switch (index) {
    case ROOT_PROP_SOURCE_FILE:
      sourceFile_ = value;
      return true;
    case ROOT_PROP_USAGE:
      setUsage(value);
      return true;
    case ROOT_PROP_MAX_RECORD_SIZE:
      return true;
    default:
      return false;
  }
}
