#include "lyra/ccb_def_node.h"

CCBDefNode::CCBDefNode() = default;
CCBDefNode::CCBDefNode(const CCBDefNode&) = default;
CCBDefNode& CCBDefNode::operator=(const CCBDefNode&) = default;
CCBDefNode::~CCBDefNode() = default;
