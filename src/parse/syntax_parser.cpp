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

}  // namespace

// A grammar row made into a node of the graph.
struct SyntaxNode {
  int rowNumber = 0;
  int tokenCode = 0;
  int reserved = 0;
  const SyntaxNode* successors[MAX_SUCCESSORS] = {};  // in the order they are tried
  int successorCount = 0;
  int maxRepeats = 0;
  int handlerIndex = 0;
};

// One step of the current match path.
struct MatchEntry {
  const SyntaxNode* node = nullptr;
  int successorIndex = -1;               // successor tried last
  int tokenIndex = 0;                    // token the entry stands at
  const QvbString* tokenText = nullptr;  // that token's text, in the caller's array
};

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
  bool buildNodes(const SyntaxNodeDef* grammar, int rowCount);
  bool fail(const QvbString& message);
  bool push(const SyntaxNode* node, int tokenIndex, const QvbString& tokenText);
  void pop();
  bool runHandlers();

  QvbString error_;
  // Nodes in row order; nodes_[0] is the start node. The vector is sized once per
  // build, so successor pointers into it stay valid.
  std::vector<SyntaxNode> nodes_;
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
  nodes_.clear();
  int rowCount = 0;
  while (grammar != nullptr && grammar[rowCount].tokenCode != GRAMMAR_END) ++rowCount;
  if (rowCount == 0 || !buildNodes(grammar, rowCount)) {
    nodes_.clear();
    return fail(BUILD_FAILED);
  }
  onPath_.assign(rowCount, 0);
  return true;
}

bool SyntaxParserImpl::buildNodes(const SyntaxNodeDef* grammar, int rowCount) {
  nodes_.resize(rowCount);
  for (int row = 0; row < rowCount; ++row) {
    const SyntaxNodeDef& def = grammar[row];
    SyntaxNode& node = nodes_[row];
    node.rowNumber = row;
    node.tokenCode = def.tokenCode;
    node.reserved = def.reserved;
    node.maxRepeats = def.maxRepeats;
    node.handlerIndex = def.handlerIndex;
    if (def.handlerIndex < 0) return false;
    for (int i = 0; i < MAX_SUCCESSORS && def.successors[i] != 0; ++i) {
      const int successor = def.successors[i];
      if (successor < 1 || successor >= rowCount) return false;
      node.successors[node.successorCount++] = &nodes_[successor];
    }
  }
  return true;
}

bool SyntaxParserImpl::parse(const QvbString* tokenTexts, const int* tokenCodes) {
  top_ = -1;
  if (nodes_.empty()) return fail(NO_MATCH);
  if (tokenCodes[0] == TOKEN_END) return true;
  std::fill(onPath_.begin(), onPath_.end(), 0);
  push(&nodes_[0], 0, tokenTexts[0]);
  for (int tries = 1; tries <= MAX_SUCCESSOR_TRIES; ++tries) {
    MatchEntry& entry = path_[top_];
    const SyntaxNode* node = entry.node;
    ++entry.successorIndex;
    const int k = entry.tokenIndex + (node->tokenCode == TOKEN_BRANCH ? 0 : 1);
    if (entry.successorIndex >= node->successorCount) {
      if (top_ == 0) return fail(NO_MATCH);
      pop();
      continue;
    }
    const SyntaxNode* next = node->successors[entry.successorIndex];
    if (next->tokenCode != TOKEN_BRANCH && next->tokenCode != tokenCodes[k]) continue;
    if (next->maxRepeats > 0 && onPath_[next->rowNumber] >= next->maxRepeats) continue;
    if (!push(next, k, tokenTexts[k])) {
      return fail(qvbStringFormat("Too many tokens on line. Max is %d", MAX_PATH_ENTRIES));
    }
    if (next->tokenCode == TOKEN_END) return runHandlers();
  }
  return fail(NO_MATCH);
}

bool SyntaxParserImpl::fail(const QvbString& message) {
  error_ = message;
  return false;
}

bool SyntaxParserImpl::push(const SyntaxNode* node, int tokenIndex, const QvbString& tokenText) {
  if (top_ + 1 >= MAX_PATH_ENTRIES) return false;
  if (top_ + 1 == static_cast<int>(path_.size())) path_.emplace_back();
  MatchEntry& entry = path_[++top_];
  entry.node = node;
  entry.successorIndex = -1;
  entry.tokenIndex = tokenIndex;
  entry.tokenText = &tokenText;
  ++onPath_[node->rowNumber];
  return true;
}

void SyntaxParserImpl::pop() {
  --onPath_[path_[top_].node->rowNumber];
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
