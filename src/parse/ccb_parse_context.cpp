#include "parse/ccb_parse_context.h"

#include "parse/copybook_grammar.h"

void CCBParseContext::resetStatement() {
  occursMinimum = -1;
  occursMaximum = -1;
  objectName.setNull();
  dependingName.setNull();
  picture.setNull();
  usage.setNull();
  dataName.setNull();
  redefines = false;
  occurs = false;
  depending = false;
  signLeading = false;
  signSeparate = false;
  values.clear();
}

namespace {

CCBParseContext& contextOf(void* context) {
  return *static_cast<CCBParseContext*>(context);
}

bool readCount(const QvbString& token, int* count) {
  bool failed = false;
  *count = token.asInt(&failed);
  return !failed;
}

bool isQuote(char c) {
  return c == '"' || c == '\'';
}

bool onOccursMax(void* context, const QvbString& token) {
  return readCount(token, &contextOf(context).occursMaximum);
}

bool onOccursMin(void* context, const QvbString& token) {
  return readCount(token, &contextOf(context).occursMinimum);
}

// The name after REDEFINES comes right after the data name, so a name seen once
// DEPENDING was matched belongs to DEPENDING ON; the two are kept apart so that an
// entry carrying both clauses resolves each name where it belongs.
bool onObjectName(void* context, const QvbString& token) {
  CCBParseContext& c = contextOf(context);
  (c.depending ? c.dependingName : c.objectName) = token;
  return true;
}

bool onPicture(void* context, const QvbString& token) {
  contextOf(context).picture = token;
  return true;
}

bool onUsage(void* context, const QvbString& token) {
  contextOf(context).usage = token;
  return true;
}

// A literal still wrapped in one pair of matching quotes loses that pair.
bool onValue(void* context, const QvbString& token) {
  const int n = token.length();
  const char* text = token.asCstr();
  const bool quoted = n >= 2 && isQuote(text[0]) && text[0] == text[n - 1];
  contextOf(context).values.push_back(quoted ? token.mid(1, n - 2) : token);
  return true;
}

bool onDataName(void* context, const QvbString& token) {
  contextOf(context).dataName = token;
  return true;
}

bool onOccurs(void* context, const QvbString&) {
  contextOf(context).occurs = true;
  return true;
}

bool onDependingOn(void* context, const QvbString&) {
  contextOf(context).depending = true;
  return true;
}

bool onRedefines(void* context, const QvbString&) {
  contextOf(context).redefines = true;
  return true;
}

bool onSignPosition(void* context, const QvbString& token) {
  contextOf(context).signLeading = token.compare("LEADING", false) == 0;
  return true;
}

bool onSignSeparate(void* context, const QvbString&) {
  contextOf(context).signSeparate = true;
  return true;
}

}  // namespace

const ParseHandler CopybookHandlers[COPYBOOK_HANDLER_COUNT] = {
    nullptr,         // 0  no handler
    onOccursMax,     // 1  OCCURS count, or n of m TO n
    onOccursMin,     // 2  m of OCCURS m TO n
    onObjectName,    // 3  name after REDEFINES or DEPENDING ON
    onPicture,       // 4  PICTURE string
    onUsage,         // 5  usage word
    onValue,         // 6  VALUE literal
    onDataName,      // 7  data name
    nullptr,         // 8  not used by the grammar
    onOccurs,        // 9  OCCURS
    onDependingOn,   // 10 DEPENDING
    onRedefines,     // 11 REDEFINES
    onSignPosition,  // 12 LEADING or TRAILING
    onSignSeparate,  // 13 SEPARATE
};
