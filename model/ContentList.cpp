#include "model/ContentList.h"

#include <unordered_set>
#include <vector>

#include "model/InkNode.h"

int CContentList::AddFiguresOf(CInkNode* node) {
  if (!node) return 0;

  // The list keeps its figures unique like AddUnique would, but a scene holds
  // hundreds of thousands of figures, so the membership test goes through a
  // hash set instead of scanning the list for every figure.
  std::unordered_set<const void*> listed;
  const int existing = GetCount();
  listed.reserve(static_cast<size_t>(existing));
  for (int i = 0; i < existing; ++i) listed.insert(GetAt(i));

  // An explicit stack: a deep node chain must not exhaust the call stack.
  // Children are pushed last-first so that they are visited in child order.
  int added = 0;
  std::vector<CInkNode*> pending{node};
  while (!pending.empty()) {
    CInkNode* current = pending.back();
    pending.pop_back();
    const int figures = current->GetFigureCount();
    for (int i = 0; i < figures; ++i) {
      InkFigure* figure = current->GetFigure(i);
      if (!figure || !listed.insert(figure).second) continue;
      if (Add(figure) >= 0) ++added;
    }
    for (int i = current->GetCount() - 1; i >= 0; --i)
      if (CInkNode* child = current->GetChild(i)) pending.push_back(child);
  }
  return added;
}
