#include "layout_facts.h"

#include <algorithm>
#include <set>
#include <string>

#include "command_support.h"

namespace {

// The usage words of native binary items, and of the other binary ones.
const char* const NATIVE_USAGES[] = {"COMP-5", "COMPUTATIONAL-5"};
const char* const BINARY_USAGES[] = {"BINARY",          "COMP",   "COMPUTATIONAL",  "COMP-4",
                                     "COMPUTATIONAL-4", "COMP-0", "COMPUTATIONAL-0"};

bool isNativeUsage(const QvbString& usage) {
  return std::any_of(std::begin(NATIVE_USAGES), std::end(NATIVE_USAGES),
                     [&](const char* word) { return usage.compare(word, false) == 0; });
}

// The property of the node named name; empty when it has none.
QvbString property(const CCBDefNode* node, const char* name) {
  for (int i = 0; i < node->getPropertyCount(); ++i) {
    if (node->getPropertyName(i).compare(name, true) == 0) return node->getProperty(i, nullptr);
  }
  return QvbString("");
}

// Calls visit on every node of the tree: a walk that goes down, along and back up,
// never recursing along a chain of siblings.
template <typename Visit>
void visitNodes(const CCBDefNode* root, Visit visit) {
  for (const CCBDefNode* node = root; node != nullptr;) {
    visit(node);
    if (node->getFirstChild() != nullptr) {
      node = node->getFirstChild();
      continue;
    }
    while (node != nullptr && node != root && node->getNextSibling() == nullptr) {
      node = node->getParent();
    }
    node = node == nullptr || node == root ? nullptr : node->getNextSibling();
  }
}

bool isBinaryUsage(const QvbString& usage) {
  return std::any_of(std::begin(BINARY_USAGES), std::end(BINARY_USAGES),
                     [&](const char* word) { return usage.compare(word, false) == 0; });
}

// Native binary items, and the usages of the repetition counts: the items that a
// table's occurs_depend names (its first word: a count may be qualified).
void addTreeFacts(const CCBDefNode* root, LayoutFacts* facts) {
  std::set<std::string> counts;
  visitNodes(root, [&](const CCBDefNode* node) {
    const std::string depending = property(node, "occurs_depend").str();
    if (!depending.empty()) counts.insert(depending.substr(0, depending.find(' ')));
    facts->native = facts->native || isNativeUsage(property(node, "usage"));
  });
  visitNodes(root, [&](const CCBDefNode* node) {
    if (counts.count(node->getName().str()) == 0 || node->getFirstChild() != nullptr) return;
    const QvbString usage = property(node, "usage");
    if (isBinaryUsage(usage) || isNativeUsage(usage)) {
      facts->binaryCounts = true;
    } else if (usage.compare("DISPLAY", false) == 0) {
      facts->displayCounts = true;
    }
  });
}

void addFacts(CCBLayoutService* service, LayoutFacts* facts) {
  facts->recordLength = std::max(facts->recordLength, service->getRecordLength());
  for (int i = 0; i < service->getOutputCount(); ++i) {
    int64_t offset = 0;
    int storage = 0;
    CCBColumnUsage usage = CCB_USAGE_DISPLAY;
    bool variable = false;
    if (!service->getColumnLayout(i, offset, storage, usage, variable)) continue;
    facts->binary = facts->binary || usage == CCB_USAGE_BINARY;
    facts->floats = facts->floats || usage == CCB_USAGE_FLOAT;
    facts->variable = facts->variable || variable;
  }
  addTreeFacts(service->getRoot(), facts);
}

// Loads the layout with the options, or, where they give no float format and it does
// not load without one, with one.
bool loadFacts(const LayoutSource& source, const CCBLayoutOptions& options, LayoutFacts* facts,
               std::string* error) {
  ServicePtr service(createCCBLayoutService());
  if (service == nullptr) {
    *error = "cannot create a layout service";
    return false;
  }
  service->setLayoutOptions(options);
  if (!loadLayout(service.get(), source.path, error)) {
    if (options.getFloatFormat() != CCB_FLOAT_NONE) return false;
    CCBLayoutOptions withFloats = options;
    withFloats.setFloatFormat(CCB_FLOAT_IBM);
    service->setLayoutOptions(withFloats);
    std::string ignored;
    if (!loadLayout(service.get(), source.path, &ignored)) return false;
  }
  addFacts(service.get(), facts);
  return true;
}

}  // namespace

bool readLayoutFacts(const ReadOptions& options, LayoutFacts* facts, std::string* error) {
  *facts = LayoutFacts();
  for (const LayoutSource& source : options.layouts) {
    if (!loadFacts(source, options.layout, facts, error)) return false;
  }
  return true;
}
