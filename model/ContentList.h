// Every figure of a scene subtree in one flat list.
//
// The ray-cast picture gathers all figures of the scene before it turns them
// into triangles; the list holds the figure records of the nodes without
// owning them, so it must not outlive the tree it was filled from.
#pragma once

#include "common/PlainList.h"

class CInkNode;
struct InkFigure;

class CContentList : public CPlainListCap {
 public:
  // Appends the figures of node's subtree depth-first: first the node's own
  // figures in figure order, then each child's subtree in child order. A
  // figure already listed (from this call or an earlier one) is not listed
  // again. Returns how many figures were appended; 0 for a null node.
  int AddFiguresOf(CInkNode* node);

  // The figure at index; throws CListError outside 0..count-1.
  InkFigure* GetFigure(int index) { return static_cast<InkFigure*>(GetAt(index)); }
};
