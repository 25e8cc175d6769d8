// The table that ties scene nodes to the engine's display trees through
// 32-bit handles.
//
// A display element carries a 32-bit selection name, which Pick returns, and
// a scene node keeps a 32-bit id word: neither can hold a pointer on a 64-bit
// system. The view therefore gives every node it builds a tree for a handle,
// stores that handle in both places, and finds node and tree through this
// table. A name that Pick returns is trusted only when the table knows it,
// so a stale or foreign name can never lead to a freed node.
#pragma once

#include <cstdint>
#include <unordered_map>

class CInkNode;
class COGLDispTree;

namespace korvex {

class NodeHandleTable {
 public:
  // Registers the node with its tree. A node that already has a live handle
  // keeps it (its tree is replaced); otherwise it gets a new handle, which
  // becomes its id word. Returns the handle (never 0 or negative).
  int32_t Register(CInkNode& node, COGLDispTree* tree);
  // The node a handle stands for, or null for a handle the table does not
  // know (-1 from a pick that hit nothing, a name of an earlier scene).
  CInkNode* Node(int32_t handle) const;
  // The tree built for the node, or null when the node has none: its id word
  // must name an entry of this very node.
  COGLDispTree* Tree(const CInkNode& node) const;
  // The node's handle, or 0 when the node is not in the table.
  int32_t HandleOf(const CInkNode& node) const;
  // Forgets the node and every node below it (their trees are the caller's).
  void Forget(CInkNode& node);
  // Forgets everything: the scene was replaced or the trees were emptied.
  void Clear();
  std::size_t Size() const { return entries_.size(); }

 private:
  struct Entry {
    CInkNode* node = nullptr;
    COGLDispTree* tree = nullptr;
  };
  std::unordered_map<int32_t, Entry> entries_;
  // Handles are never reused within a run, so a name from an earlier scene
  // cannot come to mean a node of the present one.
  int32_t next_ = 1;
};

}  // namespace korvex
