// Walks over the points of the scene in world coordinates, and the box
// around them, for the camera's fits and the view's other measures.
#pragma once

#include <algorithm>
#include <cfloat>

#include "geometry/gm_matrix.h"
#include "geometry/gm_types.h"
#include "model/InkNode.h"

namespace korvex {

bool IsAuxiliaryNodeName(std::string_view cp932Name);

// The world positions of one node's own visible vertices.
template <typename Visit>
void ForEachOwnPoint(CInkNode& node, Visit&& visit) {
  const int count = node.GetVertexCount();
  if (count == 0) return;
  GMMatrix world;
  node.GetWorldMatrix(world);
  for (int i = 0; i < count; ++i) {
    const InkVertex* vertex = node.GetVertex(i);
    if (vertex->figure != nullptr && vertex->figure->hidden) continue;
    GMVector p = vertex->position;
    GMTransformPoint(p, world);
    visit(p);
  }
}

// The world positions of every point that counts as model geometry: the
// visible vertices of shown nodes, leaving out the auxiliary nodes with all
// that lies below them. With `auxiliary` every point the view draws,
// auxiliary nodes included.
template <typename Visit>
void ForEachModelPoint(CInkNode& node, Visit&& visit, bool auxiliary = false) {
  if (!auxiliary && IsAuxiliaryNodeName(node.GetName(nullptr, 0))) return;
  if (node.IsShown()) ForEachOwnPoint(node, visit);
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i)) ForEachModelPoint(*child, visit, auxiliary);
}

struct BoxBuilder {
  GMBox box{DBL_MAX, DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX, -DBL_MAX};
  bool empty = true;
  void Extend(const GMVector& p) {
    empty = false;
    box.Extend(p);
  }
};

inline GMVector Centre(const GMBox& box) {
  return {(box.minX + box.maxX) * 0.5, (box.minY + box.maxY) * 0.5, (box.minZ + box.maxZ) * 0.5};
}

}  // namespace korvex
