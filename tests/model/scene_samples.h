// Small figures shared by the scene model tests.
#pragma once

#include <vector>

#include "geometry/gm_mesh.h"
#include "model/InkNode.h"

namespace scene_samples {

// The axis-parallel box from lo to hi as a closed mesh of six quadrilaterals,
// counter-clockwise seen from outside, with its twelve edges.
inline GMMeshPtr Box(GMVector lo, GMVector hi) {
  const std::vector<GMVector> points = {
      {lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z},
      {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
  const std::vector<std::vector<int32_t>> faces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                                   {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  const std::vector<GMMeshEdge> edges = {{0, 1, -1}, {1, 2, -1}, {2, 3, -1}, {3, 0, -1},
                                         {4, 5, -1}, {5, 6, -1}, {6, 7, -1}, {7, 4, -1},
                                         {0, 4, -1}, {1, 5, -1}, {2, 6, -1}, {3, 7, -1}};
  return GMNewMesh(points, edges, faces);
}

inline int AddBox(CInkNode& node, GMVector lo, GMVector hi, int value = 0) {
  const GMMeshPtr mesh = Box(lo, hi);
  return node.AddMeshFigure(mesh.get(), value);
}

inline int AddPoint(CInkNode& node, GMVector p) {
  InkVertex v{p};
  const InkPointRecord record{&v};
  return node.AddPointFigure(&record, 0);
}

// An instance placing figure (null for none) with its reference point at base.
inline int AddInstance(CInkNode& node, const InkFigure* figure, GMVector base, GMVector reference = {}) {
  InkVertex b{base};
  InkInstanceRecord record;
  record.base = &b;
  record.reference = reference;
  record.figure = const_cast<InkFigure*>(figure);
  for (int i = 0; i < 4; ++i) record.matrix.m[i][i] = 1.0;
  return node.AddInstanceFigure(&record, 0);
}

// A node that has been created, as readers make them.
inline CInkNode* NewNode(const InkAttributes* attributes = nullptr) {
  auto* node = new CInkNode;
  node->Create(attributes);
  return node;
}

}  // namespace scene_samples
