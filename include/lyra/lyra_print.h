// Diagnostic printing: a layout tree, or the decoded output columns of the record a
// layout read last, written to standard output as plain text, and a self-test that
// parses a copybook fixed at build time and prints its tree. The functions only read
// the nodes they are given; the tree stays its owner's. Output of calls made on
// different threads may interleave.
#ifndef LYRA_LYRA_PRINT_H_
#define LYRA_LYRA_PRINT_H_

#include "lyra/ccb_def_node.h"
#include "lyra/export.h"

class CCBData;
class CCBDataRoot;

// Prints the node, its properties and its subtree, then every later sibling with its
// subtree: one line "[name]->level" and one "-->property=value" line per property,
// each indented by as many blanks as the node's level number. Null prints nothing.
LYRA_API void lyra_print(CCBData* node);
LYRA_API void lyra_print_node(CCBData* node);
// Prints the header lines with the row number and the column count, then one line
// per output column: its index, name and current value.
LYRA_API void lyra_print_output_array(CCBDataRoot* root, int row);

// The same for nodes as a host holds them (CCBMain::getRoot). A node that the
// library did not create prints nothing; so does a node that is not a root for
// lyra_print_output_array.
LYRA_API void lyra_print(const CCBDefNode* node);
LYRA_API void lyra_print_node(const CCBDefNode* node);
LYRA_API void lyra_print_output_array(const CCBDefNode* root, int row);

// Parses the built-in copybook with a debug callback that prints every message, then
// prints the tree, or the error text and line number. Always returns 0.
LYRA_API int lyra_test();

#endif  // LYRA_LYRA_PRINT_H_
