#include "parse/parse_copybook.h"

#include <memory>
#include <vector>

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_table.h"
#include "parse/ccb_copybook_source.h"
#include "parse/ccb_parse_context.h"
#include "parse/copybook_grammar.h"

namespace {

const int LEVEL_RENAMES = 66;
const int LEVEL_INDEPENDENT = 77;
const int LEVEL_CONDITION = 88;
const size_t TOKENS_RESERVED = 16;  // token slots made at once, enough for most entries

struct ParserDeleter {
  void operator()(SyntaxParser* parser) const { parser->release(); }
};
using ParserPtr = std::unique_ptr<SyntaxParser, ParserDeleter>;

// A parser over the copybook grammar whose handlers write into context; null when
// the grammar cannot be built, with the reason in error.
ParserPtr buildParser(CCBParseContext* context, LYRADebugCallback* callback, QvbString& error) {
  ParserPtr parser(createSyntaxParser());
  if (callback != nullptr) parser->setDebugCallback(callback);
  if (parser->buildParseTree(CopybookGrammar, CopybookHandlers, context)) return parser;
  error = parser->getErrorMessage();
  return nullptr;
}

// The codes of the reader's tokens from first on, ended by TOKEN_END, at most
// MAX_PATH_ENTRIES in all; their texts are the reader's (tokenTexts). With useLiterals
// a quoted token is always a word; tolerant takes the keywords of tolerant parsing.
// False when the tokens do not fit.
bool tokenCodes(const CCBSourceReader& reader, int first, bool useLiterals, bool tolerant,
                std::vector<int>& codes) {
  const int count = reader.getTokenCount() - first;
  if (count >= MAX_PATH_ENTRIES) return false;
  codes.resize(static_cast<size_t>(count) + 1);
  for (int i = 0; i < count; ++i) {
    const int at = first + i;
    codes[static_cast<size_t>(i)] = useLiterals && reader.isLiteral(at)
                                        ? TOKEN_WORD
                                        : lookupTokenCode(reader.token(at), tolerant);
  }
  codes[static_cast<size_t>(count)] = TOKEN_END;
  return true;
}

// An elementary item whose usage needs no picture (COMP-1, ...): it takes bytes of
// its own, so it cannot be a group as well.
bool isPicturelessItem(const CCBData* node) {
  return node->isField() && static_cast<const CCBDataField*>(node)->getPicture().isNull();
}

QvbString tooManyTokens() {
  return qvbStringFormat("Too many tokens on line. Max is %d", MAX_PATH_ENTRIES);
}

// One copybook load: reads statements, matches each against the grammar and builds
// the node of each entry. Owns the tree until it is handed to the caller.
class CopybookLoad {
 public:
  CopybookLoad(CCBParseContext& context, CCBCopybookSource& source, SyntaxParser& parser,
               LYRADebugCallback* callback, const CCBFormatRules& rules)
      : context_(context),
        source_(source),
        parser_(parser),
        callback_(callback),
        tolerant_(rules.tolerant),
        root_(new CCBDataRoot()) {
    root_->setFormatRules(rules);
    codes_.reserve(TOKENS_RESERVED);
    context_.root = root_.get();
    context_.lastNode = root_.get();
  }

  // Reads every statement; false with the reason in error on the first failure.
  bool run(QvbString& error);
  CCBDataRoot* takeRoot() { return root_.release(); }
  // Whether the load failed at a COPY statement.
  bool copyFailed() const { return copyFailed_; }

 private:
  bool statement(QvbString& error);
  bool include(QvbString& error);
  bool prepareTokens(QvbString& error);
  void addConditions();
  bool buildEntry(int level, QvbString& error);
  bool applyClauses(CCBData* node, QvbString& error);
  bool placeNode(CCBData* node);
  // Sends a progress message formatted as qvbStringFormat does; only when there is
  // a callback to see it is the message formatted at all.
  template <typename... Args>
  void debug(const char* format, Args... args) {
    if (callback_ != nullptr) callback_->debugMessage(qvbStringFormat(format, args...));
  }
  int line() const { return source_.line(); }

  CCBParseContext& context_;
  CCBCopybookSource& source_;
  SyntaxParser& parser_;
  LYRADebugCallback* callback_;
  bool tolerant_;           // the keywords of tolerant parsing
  std::vector<int> codes_;  // the codes of the statement's tokens, ended by TOKEN_END
  std::unique_ptr<CCBDataRoot> root_;
  CCBDataField* lastField_ = nullptr;  // the field level-88 entries attach to
  bool copyFailed_ = false;
};

bool CopybookLoad::run(QvbString& error) {
  bool failed = false;
  while (source_.readStatement(failed)) {
    if (!statement(error)) return false;
  }
  if (!failed) return true;
  error = source_.getErrorMessage();
  return false;
}

bool CopybookLoad::statement(QvbString& error) {
  if (source_.atCopyStatement()) return include(error);
  const CCBSourceReader& reader = source_.current();
  if (reader.getTokenCount() < 1) {
    error = QvbString("Insufficient tokens found on line");
    return false;
  }
  bool notNumber = false;
  const int level = reader.token(0).asInt(&notNumber);
  if (notNumber) {
    error = QvbString("Invalid level number");
    return false;
  }
  if (level == LEVEL_RENAMES || level == LEVEL_INDEPENDENT) {
    debug("LINE %d LEVEL %d FOUND", line(), level);
    return true;
  }
  if (!prepareTokens(error)) return false;
  context_.resetStatement();
  debug("LINE %d PARSE: %s", line(), reader.getStatementText().asCstr());
  if (!parser_.parse(reader.tokenTexts(1), codes_.data())) {
    error = parser_.getErrorMessage();
    return false;
  }
  if (level != LEVEL_CONDITION) return buildEntry(level, error);
  if (lastField_ == nullptr) {
    debug("Level 88 item found without parent field. Line %d.", line());
  } else {
    addConditions();
  }
  return true;
}

bool CopybookLoad::include(QvbString& error) {
  debug("LINE %d COPY: %s", line(), source_.current().getStatementText().asCstr());
  copyFailed_ = !source_.include(error);
  return !copyFailed_;
}

bool CopybookLoad::prepareTokens(QvbString& error) {
  if (tokenCodes(source_.current(), 1, true, tolerant_, codes_)) return true;
  error = tooManyTokens();
  return false;
}

void CopybookLoad::addConditions() {
  for (const QvbString& value : context_.values) lastField_->addCondition(context_.dataName, value);
}

bool CopybookLoad::buildEntry(int level, QvbString& error) {
  CCBData* node = nullptr;
  if (context_.picture.isNull() && !CCBFormat::usageNeedsNoPicture(context_.usage)) {
    node = new CCBDataTable();
    lastField_ = nullptr;
  } else {
    CCBDataField* field = new CCBDataField();
    field->setSignSeparate(context_.signSeparate);
    field->setSignLeading(context_.signLeading);
    node = lastField_ = field;
  }
  node->setLevelNumber(level);
  if (!context_.dataName.isNull()) {
    node->setName(context_.dataName);
  } else if (node->isField()) {
    static_cast<CCBDataField*>(node)->setFieldKind(FIELD_KIND_FILLER);
  } else {
    node->setName(QvbString("FILLER"));
  }
  if (!placeNode(node)) {
    delete node;
    lastField_ = nullptr;
    error = QvbString("Invalid level number");
    return false;
  }
  if (node->getDepth() > MAX_LAYOUT_DEPTH) {
    error = layoutTooDeepMessage();
    return false;
  }
  if (isPicturelessItem(node->getParent())) {
    error = qvbStringFormat("An item of usage %s cannot have subordinate items",
                            node->getParent()->getUsage().asCstr());
    return false;
  }
  return applyClauses(node, error);
}

// OCCURS, REDEFINES, value, usage and last the picture, whose format is built from
// the usage and sign options already set.
bool CopybookLoad::applyClauses(CCBData* node, QvbString& error) {
  bool ok = true;
  if (context_.depending) {
    ok = node->setOccursDepending(context_.dependingName, context_.occursMaximum);
    // The extended services check counts against the minimum written (OCCURS m TO n).
    if (root_->formatRules().extended && context_.occursMinimum > 0) {
      node->setOccursMinimum(context_.occursMinimum);
    }
  } else if (context_.occurs) {
    node->setOccurs(context_.occursMaximum);
  }
  if (ok && context_.redefines) ok = node->setRedefines(context_.objectName);
  if (ok) {
    if (!context_.values.empty()) node->setConstValue(context_.values.front());
    node->setUsage(context_.usage.isNull() ? QvbString("DISPLAY") : context_.usage);
    if (node->isField()) ok = static_cast<CCBDataField*>(node)->setPicture(context_.picture);
  }
  if (!ok) error = node->getErrorMessage();
  return ok;
}

// Places node by its level number alone: a sibling of the last node at the same
// level, a child of it at a greater level, otherwise a child of the nearest
// ancestor with a smaller level. False for a level of 0 or below.
bool CopybookLoad::placeNode(CCBData* node) {
  const int level = node->getLevelNumber();
  if (level <= 0) return false;
  CCBData* last = context_.lastNode;
  CCBData* parent = nullptr;
  if (level == last->getLevelNumber()) {
    parent = last->getParent();
  } else if (level > last->getLevelNumber()) {
    parent = last;
  } else {
    parent = last->getParent();
    while (parent != nullptr && parent->getLevelNumber() >= level) {
      if (parent->isRoot()) return false;
      parent = parent->getParent();
    }
  }
  if (parent == nullptr) return false;
  parent->addChild(node);
  context_.lastNode = node;
  return true;
}

// Where a copybook is read from and how.
struct CopybookInput {
  QvbString fileName;  // null for text in memory
  const CCBSourceRules& source;
  QvbString* errorFile;  // may be null
};

// The files the layout was read from: the copybook's own (none for text), then its
// members.
void recordInputFiles(CCBDataRoot* root, const QvbString& fileName,
                      const CCBCopybookSource& source) {
  if (!fileName.isNull()) root->addInputFile(fileName);
  for (const std::string& member : source.memberFiles()) root->addInputFile(member.c_str());
}

// Parses the copybook the context's source reader has open, then closes it.
CCBDataRoot* parseOpenCopybook(CCBParseContext& context, const CopybookInput& input,
                               QvbString& error, int& line, LYRADebugCallback* callback,
                               const CCBFormatRules& rules) {
  CCBDataRoot* root = nullptr;
  CCBCopybookSource source(context.reader, input.fileName, input.source, callback);
  ParserPtr parser = buildParser(&context, callback, error);
  if (parser != nullptr) {
    CopybookLoad load(context, source, *parser, callback, rules);
    if (load.run(error)) {
      root = load.takeRoot();
      recordInputFiles(root, input.fileName, source);
    } else if (input.errorFile != nullptr && (source.inMember() || load.copyFailed())) {
      *input.errorFile = source.currentFile();
    }
  }
  line = source.line();
  context.reader.close();
  return root;
}

void startLoad(QvbString& error, int& line, QvbString* errorFile) {
  error.assign("");
  line = 0;
  if (errorFile != nullptr) errorFile->setNull();
}

}  // namespace

CCBDataRoot* parseCopybook(const QvbString& fileName, QvbString& error, int& line,
                           LYRADebugCallback* callback, const CCBFormatRules& rules,
                           const CCBSourceRules& source, QvbString* errorFile) {
  startLoad(error, line, errorFile);
  CCBParseContext context;
  context.reader.setRules(source);
  if (!context.reader.open(fileName)) {
    error = context.reader.getErrorMessage();
    return nullptr;
  }
  return parseOpenCopybook(context, {fileName, source, errorFile}, error, line, callback, rules);
}

CCBDataRoot* parseCopybookText(const char* data, size_t size, QvbString& error, int& line,
                               LYRADebugCallback* callback, const CCBFormatRules& rules,
                               const CCBSourceRules& source, QvbString* errorFile) {
  startLoad(error, line, errorFile);
  CCBParseContext context;
  context.reader.setRules(source);
  context.reader.openMemory(data, size);
  return parseOpenCopybook(context, {QvbString(nullptr), source, errorFile}, error, line, callback,
                           rules);
}

bool parseClauseText(const QvbString& text, QvbString& picture, QvbString& usage, int& signFlags) {
  picture.setNull();
  CCBParseContext context;
  QvbString error;
  ParserPtr parser = buildParser(&context, nullptr, error);
  if (parser == nullptr) return false;
  context.reader.setStatement(text);
  std::vector<int> codes;
  if (!tokenCodes(context.reader, 0, false, false, codes)) return false;
  context.resetStatement();
  if (!parser->parse(context.reader.tokenTexts(0), codes.data())) return false;
  picture = context.picture;
  usage = context.usage.isNull() ? QvbString("DISPLAY") : context.usage;
  signFlags = (context.signLeading ? 1 : 0) + (context.signSeparate ? 2 : 0);
  return true;
}
