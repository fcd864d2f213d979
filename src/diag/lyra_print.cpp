#include "lyra/lyra_print.h"

#include <cstdio>

#include "layout/ccb_data.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_output_array.h"

namespace {

// No COBOL level number is above 99: a larger one (a layout built by hand) must
// not make the listing grow without bound.
const int MAX_INDENT = 99;

// Writes one blank per unit of the level number (not per depth in the tree).
void indent(int level) {
  if (level > 0) std::printf("%*s", level < MAX_INDENT ? level : MAX_INDENT, "");
}

void printOneNode(const CCBData* node) {
  const int level = node->getLevelNumber();
  indent(level);
  std::printf("[%s]->%i\n", node->getName().asCstr(), level);
  for (int i = 0; i < node->getPropertyCount(); ++i) {
    bool optional = false;  // not shown
    indent(level);
    std::printf("-->%s=%s\n", node->getPropertyName(i).asCstr(),
                node->getProperty(i, &optional).asCstr());
  }
}

// The node after `node` in preorder within the sibling chain that began the listing,
// or null when the listing is complete: its first child, else the next sibling of it
// or of the nearest ancestor below `stop` that has one. A loop, not recursion, so
// that neither long sibling chains nor deep trees use the stack.
const CCBData* nextInListing(const CCBData* node, const CCBData* stop) {
  if (node->getFirstChild() != nullptr) return node->getFirstChild();
  for (; node != nullptr && node != stop; node = node->getParent()) {
    if (node->getNextSibling() != nullptr) return node->getNextSibling();
  }
  return nullptr;
}

void printListing(const CCBData* start) {
  if (start == nullptr) return;
  const CCBData* stop = start->getParent();
  for (const CCBData* node = start; node != nullptr; node = nextInListing(node, stop)) {
    printOneNode(node);
  }
}

void printOutputArray(const CCBDataRoot* root, int row) {
  const int count = root->getColumnCount();
  std::printf("********ROW: %d********\n", row);
  std::printf("Total Items: %d\n", count);
  for (int i = 0; i < count; ++i) {
    const CCBOutputEntry* entry = root->getColumn(i);
    std::printf("Index: %d, Name: %s, Output:%s\n", i, entry->getName().asCstr(),
                entry->value().asString().asCstr());
  }
}

}  // namespace

void lyra_print(CCBData* node) {
  lyra_print_node(node);
}

void lyra_print_node(CCBData* node) {
  printListing(node);
}

void lyra_print_output_array(CCBDataRoot* root, int row) {
  if (root != nullptr) printOutputArray(root, row);
}

void lyra_print(const CCBDefNode* node) {
  lyra_print_node(node);
}

void lyra_print_node(const CCBDefNode* node) {
  printListing(dynamic_cast<const CCBData*>(node));
}

void lyra_print_output_array(const CCBDefNode* root, int row) {
  const CCBDataRoot* dataRoot = dynamic_cast<const CCBDataRoot*>(root);
  if (dataRoot != nullptr) printOutputArray(dataRoot, row);
}
