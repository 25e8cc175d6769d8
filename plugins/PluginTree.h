// The checks a node tree from a file plug-in passes before the scene takes it.
//
// A plug-in builds its tree with the scene classes, but nothing stops a faulty
// one from linking a node under itself or under two parents, storing a null
// child, writing a name without its terminator or nesting nodes deeper than
// the viewer's recursive walks can go. Such a tree would hang or crash the
// viewer long after the import, or free a node twice when it is deleted, so
// the host refuses it at the door and frees it without recursion.
#pragma once

class CInkNode;

namespace korvex {

// Deeper trees are refused: every walk over the scene (bounds, display tree,
// deletion) recurses once per level. The same limit as the ".ink" file's.
inline constexpr int kMaxPluginTreeDepth = 1024;

// True when every node under root is reached exactly once through non-null
// child links and no node lies deeper than kMaxPluginTreeDepth below root.
// On the way it mends what is harmless to mend: a child whose parent link
// is not its parent gets it, a node that was never created gets its figure
// and property lists, and a name that fills its field without a terminator
// is cut to 63 bytes.
bool AcceptPluginTree(CInkNode& root);

// Frees a tree that AcceptPluginTree refused: every node once, whatever the
// links between them, and without recursion.
void DiscardPluginTree(CInkNode* root);

}  // namespace korvex
