#include "plugins/PluginTree.h"

#include <cstring>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "model/InkNode.h"

namespace korvex {

namespace {

constexpr std::size_t kNameField = 64;

void MendName(CInkNode& node) {
  const char* name = node.GetName(nullptr, 0);
  if (std::memchr(name, 0, kNameField) != nullptr) return;
  const std::string kept(name, kNameField - 1);  // SetName clears the field before copying
  node.SetName(kept);
}

}  // namespace

bool AcceptPluginTree(CInkNode& root) {
  std::unordered_set<const CInkNode*> seen{&root};
  std::vector<std::pair<CInkNode*, int>> pending{{&root, 0}};
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    MendName(*node);
    node->Create(nullptr);  // a node the plug-in never created gets its figure and property lists
    for (int i = 0; i < node->GetCount(); ++i) {
      CInkNode* child = node->GetChild(i);
      if (child == nullptr || !seen.insert(child).second || depth + 1 > kMaxPluginTreeDepth) return false;
      if (child->GetParent() != node) child->SetParent(node);
      pending.emplace_back(child, depth + 1);
    }
  }
  return true;
}

void DiscardPluginTree(CInkNode* root) {
  if (root == nullptr) return;
  // Unlink every node from its children first, so that deleting one frees
  // nothing but itself.
  std::vector<CInkNode*> nodes{root};
  std::unordered_set<const CInkNode*> seen{root};
  for (std::size_t at = 0; at < nodes.size(); ++at) {
    CInkNode* node = nodes[at];
    std::vector<CInkNode*> children;
    for (int i = 0; i < node->GetCount(); ++i) children.push_back(node->GetChild(i));
    node->RemoveAll();
    for (CInkNode* child : children)
      if (child != nullptr && seen.insert(child).second) nodes.push_back(child);
  }
  for (CInkNode* node : nodes) delete node;
}

}  // namespace korvex
