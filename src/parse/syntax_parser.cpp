#include "parse/syntax_parser.h"

#include <algorithm>
#include <vector>

namespace {

const char* const BUILD_FAILED = "Build parse tree failed";
const char* const NO_MATCH = "No syntax match found for statement";

// Successor tries allowed per statement. The copybook grammar picks its node from
// each token, and the rows that start alike (the VALUE clause and the value list, the
// two OCCURS forms) part one token later, so its tries grow linearly with the entry:
// the longest entry that fits the path needs some 56,000 even when it fails at its
// last token, a common entry about a hundred. The bound stops grammars whose
// backtracking grows exponentially.
const int MAX_SUCCESSOR_TRIES = 1000000;

// Path entries made room for at once, enough for most entries.
const size_t PATH_RESERVED = 64;

}  // namespace

// One step of the current match path.
struct MatchEntry {
  const SyntaxNodeDef* node = nullptr;   // a row of the grammar
  int successorIndex = -1;               // successor tried last
  int tokenIndex = 0;                    // token the entry stands at
  const QvbString* tokenText = nullptr;  // that token's text, in the caller's array
};

// The grammar's rows are the nodes of the graph: a row's successor numbers lead to
// the rows that may follow it, so building checks the table and copies nothing.
class SyntaxParserImpl : public SyntaxParser {
 public:
  SyntaxParserImpl() = default;

  QvbString getErrorMessage() const override { return error_; }
  bool buildParseTree(const SyntaxNodeDef* grammar, const ParseHandler* handlers,
                      void* context) override;
  bool parse(const QvbString* tokenTexts, const int* tokenCodes) override;
  void setDebugCallback(LYRADebugCallback* callback) override { debugCallback_ = callback; }
  void release() override { delete this; }

 private:
  static bool validRows(const SyntaxNodeDef* grammar, int rowCount);
  // The next successor of entry's node, after the one tried last, that may stand at
  // a token of that code; null when none is left.
  const SyntaxNodeDef* nextSuccessor(MatchEntry& entry, int code, int* tries);
  bool fail(const QvbString& message);
  bool push(const SyntaxNodeDef* node, int tokenIndex, const QvbString& tokenText);
  void pop();
  bool runHandlers();
  int rowOf(const SyntaxNodeDef* node) const { return static_cast<int>(node - grammar_); }

  QvbString error_;
  const SyntaxNodeDef* grammar_ = nullptr;  // the caller's; row 0 is the start node
  const ParseHandler* handlers_ = nullptr;
  void* context_ = nullptr;
  LYRADebugCallback* debugCallback_ = nullptr;  // stored for the caller, not used
  int top_ = -1;                                // index of the top path entry
  std::vector<MatchEntry> path_;  // grows with the longest path, up to MAX_PATH_ENTRIES
  // Entries on the path per row number, so that a repeat limit is checked without
  // scanning the path.
  std::vector<int> onPath_;
};

bool SyntaxParserImpl::buildParseTree(const SyntaxNodeDef* grammar, const ParseHandler* handlers,
                                      void* context) {
  handlers_ = handlers;
  context_ = context;
  grammar_ = nullptr;
  int rowCount = 0;
  while (grammar != nullptr && grammar[rowCount].tokenCode != GRAMMAR_END) ++rowCount;
  if (rowCount == 0 || !validRows(grammar, rowCount)) return fail(BUILD_FAILED);
  grammar_ = grammar;
  onPath_.assign(rowCount, 0);
  path_.reserve(PATH_RESERVED);
  return true;
}

bool SyntaxParserImpl::validRows(const SyntaxNodeDef* grammar, int rowCount) {
  for (int row = 0; row < rowCount; ++row) {
    const SyntaxNodeDef& def = grammar[row];
    if (def.handlerIndex < 0) return false;
    for (int i = 0; i < MAX_SUCCESSORS && def.successors[i] != 0; ++i) {
      if (def.successors[i] < 1 || def.successors[i] >= rowCount) return false;
    }
  }
  return true;
}

bool SyntaxParserImpl::parse(const QvbString* tokenTexts, const int* tokenCodes) {
  top_ = -1;
  if (grammar_ == nullptr) return fail(NO_MATCH);
  if (tokenCodes[0] == TOKEN_END) return true;
  std::fill(onPath_.begin(), onPath_.end(), 0);
  push(grammar_, 0, tokenTexts[0]);
  int tries = 0;
  for (;;) {
    MatchEntry& entry = path_[top_];
    const int k = entry.tokenIndex + (entry.node->tokenCode == TOKEN_BRANCH ? 0 : 1);
    const SyntaxNodeDef* next = nextSuccessor(entry, tokenCodes[k], &tries);
    if (tries > MAX_SUCCESSOR_TRIES) return fail(NO_MATCH);
    if (next == nullptr) {
      if (top_ == 0) return fail(NO_MATCH);
      pop();
      continue;
    }
    if (!push(next, k, tokenTexts[k])) {
      return fail(qvbStringFormat("Too many tokens on line. Max is %d", MAX_PATH_ENTRIES));
    }
    if (next->tokenCode == TOKEN_END) return runHandlers();
  }
}

// Each successor looked at, and running out of them, is one try; the search stops
// once the tries pass MAX_SUCCESSOR_TRIES.
const SyntaxNodeDef* SyntaxParserImpl::nextSuccessor(MatchEntry& entry, int code, int* tries) {
  const SyntaxNodeDef* node = entry.node;
  const SyntaxNodeDef* next = nullptr;
  int index = entry.successorIndex;
  while (next == nullptr && ++*tries <= MAX_SUCCESSOR_TRIES) {
    ++index;
    if (index >= MAX_SUCCESSORS || node->successors[index] == 0) break;
    const SyntaxNodeDef* candidate = grammar_ + node->successors[index];
    const bool matches = candidate->tokenCode == TOKEN_BRANCH || candidate->tokenCode == code;
    if (matches &&
        (candidate->maxRepeats <= 0 || onPath_[rowOf(candidate)] < candidate->maxRepeats)) {
      next = candidate;
    }
  }
  entry.successorIndex = index;
  return next;
}

bool SyntaxParserImpl::fail(const QvbString& message) {
  error_ = message;
  return false;
}

bool SyntaxParserImpl::push(const SyntaxNodeDef* node, int tokenIndex, const QvbString& tokenText) {
  if (top_ + 1 >= MAX_PATH_ENTRIES) return false;
  if (top_ + 1 == static_cast<int>(path_.size())) path_.emplace_back();
  MatchEntry& entry = path_[++top_];
  entry.node = node;
  entry.successorIndex = -1;
  entry.tokenIndex = tokenIndex;
  entry.tokenText = &tokenText;
  ++onPath_[rowOf(node)];
  return true;
}

void SyntaxParserImpl::pop() {
  --onPath_[rowOf(path_[top_].node)];
  --top_;
}

bool SyntaxParserImpl::runHandlers() {
  for (int i = 0; i <= top_; ++i) {
    const MatchEntry& entry = path_[i];
    const int index = entry.node->handlerIndex;
    const ParseHandler handler = (handlers_ != nullptr && index > 0) ? handlers_[index] : nullptr;
    if (handler != nullptr && !handler(context_, *entry.tokenText)) {
      return fail(qvbStringFormat("Parse handler failed at '%s'", entry.tokenText->asCstr()));
    }
  }
  return true;
}

SyntaxParser* createSyntaxParser() {
  return new SyntaxParserImpl();
}
