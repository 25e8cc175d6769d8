#include "view/NodeHandles.h"

#include <limits>

#include "model/InkNode.h"

namespace korvex {

int32_t NodeHandleTable::Register(CInkNode& node, COGLDispTree* tree) {
  if (const int32_t known = HandleOf(node); known > 0) {
    entries_[known].tree = tree;
    return known;
  }
  // After two thousand million builds the counter starts again; the table is
  // emptied with every new scene, so a collision would need a scene that old.
  if (next_ == std::numeric_limits<int32_t>::max()) next_ = 1;
  int32_t handle = next_++;
  while (entries_.contains(handle)) handle = next_++;
  entries_[handle] = Entry{&node, tree};
  node.SetNodeId(handle);
  return handle;
}

CInkNode* NodeHandleTable::Node(int32_t handle) const {
  const auto found = entries_.find(handle);
  return found == entries_.end() ? nullptr : found->second.node;
}

int32_t NodeHandleTable::HandleOf(const CInkNode& node) const {
  const int32_t id = node.GetNodeId();
  const auto found = entries_.find(id);
  return found != entries_.end() && found->second.node == &node ? id : 0;
}

COGLDispTree* NodeHandleTable::Tree(const CInkNode& node) const {
  const int32_t handle = HandleOf(node);
  return handle > 0 ? entries_.at(handle).tree : nullptr;
}

void NodeHandleTable::Forget(CInkNode& node) {
  if (const int32_t handle = HandleOf(node); handle > 0) entries_.erase(handle);
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i)) Forget(*child);
}

void NodeHandleTable::Clear() { entries_.clear(); }

}  // namespace korvex
