// Handing the scene to the engine: display trees built from the scene
// nodes, and the clean-up of figures the engine cannot draw.
#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/gm_matrix.h"
#include "geometry/gm_vector.h"
#include "model/FigureTessellation.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "render/OGLDispTree.h"
#include "view/StereonView.h"

namespace korvex {

namespace {
// Tessellation of the display: subdivision level, arc factor.
constexpr int kDisplayLevel = 4;
constexpr double kArcFactor = 1.0;
// Coordinates beyond this many far planes (or model spans) from the middle
// of the model are taken for garbage.
constexpr double kFarLimit = 10.0;
// A node with this many children or more lets its small children share
// display lists: a list costs kilobytes of its own, a building a few hundred
// bytes of vertices.
constexpr int kShareListsFrom = 16;

bool TooFewVertices(const InkFigure& figure) {
  const void* g = figure.geometry;
  switch (figure.kind) {
    case kInkFigurePolyline: return g == nullptr || static_cast<const InkPolyRecord*>(g)->count < 2;
    case kInkFigurePolygon: return g == nullptr || static_cast<const InkPolyRecord*>(g)->count < 3;
    case kInkFigureMesh: {
      const auto* mesh = static_cast<const GMMesh*>(g);
      return mesh == nullptr || mesh->vertexCount < 3 || mesh->faceCount == 0;
    }
    case kInkFigureSubdivision: {
      const auto* surface = static_cast<const InkSubdivRecord*>(g);
      return surface == nullptr || surface->vertexCount <= 2 || surface->edgeCount <= 2 || surface->faceCount == 0;
    }
    case kInkFigureSegmentSet: {
      const auto* set = static_cast<const InkSegmentSetRecord*>(g);
      return set == nullptr || set->vertexCount < 3 || set->listCount < 3 || set->segmentCount == 0;
    }
    default: return false;
  }
}

// The statistics of a model's extent look at no more vertices than this.
constexpr size_t kExtentSamples = 200000;


// The value at share q (0 to 1) of the sorted values; reorders them.
double Quantile(std::vector<double>& values, double q) {
  const auto at = values.begin() + static_cast<std::ptrdiff_t>(q * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), at, values.end());
  return *at;
}

template <typename Visit>
void ForEachWorldVertex(CInkNode& node, Visit&& visit) {
  if (const int count = node.GetVertexCount(); count > 0) {
    GMMatrix world;
    node.GetWorldMatrix(world);
    for (int i = 0; i < count; ++i) {
      const GMVector& local = node.GetVertex(i)->position;
      if (!GMIsSiteCoordinate(local)) continue;
      GMVector p = local;
      GMTransformPoint(p, world);
      if (GMIsSiteCoordinate(p)) visit(p);
    }
  }
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i)) ForEachWorldVertex(*child, visit);
}

// Whether every surface of the shown figures comes from a mesh: the engine
// can then draw the meshes straight from their records, in the same order
// and with the same normals as through polygon and segment records, without
// a record per face and edge (a model of millions of faces).
bool OnlyMeshSurfaces(CInkNode& node) {
  for (int i = 0; i < node.GetFigureCount(); ++i) {
    const InkFigure* figure = node.GetFigure(i);
    if (figure == nullptr || figure->hidden) continue;
    if (figure->kind != kInkFigureMesh && figure->kind != kInkFigurePoint && figure->kind != kInkFigurePolyline)
      return false;
  }
  return true;
}

}  // namespace

CStereonView::ModelExtent CStereonView::MeasureModelExtent() {
  // The middle of the model and its size, by the median and the span of all
  // but the outer hundredth of the vertices on each side, so that a few
  // stray vertices neither move the middle nor widen the span.
  ModelExtent extent;
  CInkNode* root = scene_ ? scene_->GetRoot() : nullptr;
  if (root == nullptr) return extent;
  size_t total = 0;
  ForEachWorldVertex(*root, [&](const GMVector&) { ++total; });
  if (total == 0) return extent;
  const size_t stride = (total + kExtentSamples - 1) / kExtentSamples;
  std::vector<double> axes[3];
  size_t index = 0;
  ForEachWorldVertex(*root, [&](const GMVector& p) {
    if (index++ % stride != 0) return;
    axes[0].push_back(p.x);
    axes[1].push_back(p.y);
    axes[2].push_back(p.z);
  });
  double middle[3];
  for (int a = 0; a < 3; ++a) {
    middle[a] = Quantile(axes[a], 0.5);
    extent.span = std::max(extent.span, Quantile(axes[a], 0.99) - Quantile(axes[a], 0.01));
  }
  extent.middle = {middle[0], middle[1], middle[2]};
  return extent;
}

void CStereonView::RemoveInvalidFigures() {
  if (!scene_ || !scene_->GetRoot()) return;
  StopMeasureBuild();
  // A vertex is garbage when it is not a number or lies beyond 1e12, or
  // when it lies farther from the middle of the model than ten far planes
  // or ten times the model's own span, whichever is more. Measured from the
  // model, not from the origin: a site in survey coordinates keeps every
  // figure.
  const ModelExtent extent = MeasureModelExtent();
  const double limit = kFarLimit * std::max(state_.camera.farPlane, extent.span);
  RemoveInvalidFrom(*scene_->GetRoot(), extent.middle, limit);
}

void CStereonView::RemoveInvalidFrom(CInkNode& node, const GMVector& middle, double limit) {
  GMMatrix world;
  node.GetWorldMatrix(world);
  auto unusable = [&](const GMVector& local) {
    if (!GMIsSiteCoordinate(local)) return true;
    GMVector p = local;
    GMTransformPoint(p, world);
    return !GMIsSiteCoordinate(p) || std::fabs(p.x - middle.x) > limit || std::fabs(p.y - middle.y) > limit ||
           std::fabs(p.z - middle.z) > limit;
  };
  // A bad vertex takes its whole figure with it. The figures are found in
  // one pass and removed after it: removing each as it is found changes the
  // vertex list, and scanning it again from the start cost a pass over a
  // district's vertices for every figure with a stray corner. A figure's
  // vertices lie together, so a doomed figure's others are passed over.
  std::vector<InkFigure*> doomed;
  for (int i = 0; i < node.GetVertexCount(); ++i) {
    const InkVertex* vertex = node.GetVertex(i);
    if (vertex->figure == nullptr || (!doomed.empty() && doomed.back() == vertex->figure)) continue;
    if (unusable(vertex->position)) doomed.push_back(vertex->figure);
  }
  // Removing a figure also removes the instances that place it; one of those
  // may be further on in the list, and then it is no longer the node's and
  // the call does nothing.
  for (InkFigure* figure : doomed) node.DeleteFigure(figure);
  for (int i = 0; i < node.GetFigureCount();) {
    const InkFigure* figure = node.GetFigure(i);
    if (figure != nullptr && TooFewVertices(*figure) && node.DeleteFigureAt(i)) continue;
    ++i;
  }
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i)) RemoveInvalidFrom(*child, middle, limit);
}

GMVector CStereonView::LocalShift(const CInkNode& node) const {
  // The engine's local origin in the node's own coordinates: its vertices
  // then reach GL as small numbers, whatever its placement. Any finite
  // point draws the same picture; a placement that cannot be undone (a
  // scale of 0) keeps the origin as it is.
  const GMVector origin = engine_->LocalOrigin();
  GMMatrix inverse;
  node.GetInverseWorldMatrix(inverse);
  GMVector shift = origin;
  GMTransformPoint(shift, inverse);
  if (!GMIsFinite(shift)) return origin;
  return shift;
}

void CStereonView::FillTree(CInkNode& node, COGLDispTree& tree) {
  const InkAttributes& attributes = *node.GetAttributeRecord();
  OGLDispElement element;
  element.name = handles_.Register(node, &tree);
  element.color = attributes.colour;
  // Slot k is the k-th texture of the engine's table; a slot with no
  // texture behind it draws the plain colour.
  element.texture = attributes.textureSlot > 0 ? engine_->GetTexture(attributes.textureSlot - 1) : nullptr;
  element.origin = attributes.origin;
  element.axis = attributes.rotationAxis;
  element.angle = attributes.rotationAngle;
  element.scale = attributes.scale;
  element.shift = LocalShift(node);

  std::vector<GMPolygon> polygons;
  std::vector<GMVector> normals;
  std::vector<GMSegment> lines;
  std::vector<GMSegment> outlines;
  std::vector<const GMMesh*> meshes;
  if (node.IsShown()) {
    const bool direct = OnlyMeshSurfaces(node);
    for (int i = 0; i < node.GetFigureCount(); ++i) {
      const InkFigure* figure = node.GetFigure(i);
      if (figure == nullptr || figure->hidden) continue;
      if (direct && figure->kind == kInkFigureMesh) {
        if (figure->geometry != nullptr) meshes.push_back(static_cast<const GMMesh*>(figure->geometry));
        continue;
      }
      std::vector<GMPlane> planes;
      if (GMPolygonSetPtr set = FigurePolygonsWithPlanes(figure, kDisplayLevel, planes, kArcFactor, GM_TOLERANCE)) {
        const bool withPlanes = planes.size() == set->polygons.size();
        for (size_t k = 0; k < set->polygons.size(); ++k) {
          polygons.push_back(std::move(set->polygons[k]));
          normals.push_back(withPlanes ? GMVector{planes[k].nx, planes[k].ny, planes[k].nz} : GMUndefinedVector());
        }
      }
      for (const GMSegment& s : FigureLineSegments(figure)) lines.push_back(s);
      for (const GMSegment& s : FigureOutlineSegments(figure, GM_TOLERANCE)) outlines.push_back(s);
    }
  }
  element.polygons = polygons;
  element.normals = normals;
  element.meshes = meshes;
  element.lines = lines;
  element.outlines = outlines;
  tree.SetElementWith(&element, state_.contrast & 1);
}

COGLDispTree* CStereonView::BuildTree(COGLDispTree& parent, CInkNode& node) {
  // The tree joins its parent before it is filled, so that a small node
  // among many siblings goes into the lists they share.
  auto owned = std::make_unique<COGLDispTree>();
  COGLDispTree* tree = owned.get();
  tree->Reset(nullptr, state_.contrast & 1, 0);
  tree->options = engine_->treeOptions;
  tree->SetShareChildLists(node.GetCount() >= kShareListsFrom);
  if (parent.AddChild(std::move(owned)) < 0) return nullptr;
  FillTree(node, *tree);
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i)) BuildTree(*tree, *child);
  return tree;
}

void CStereonView::BuildTopTrees(COGLDispTree& root, CInkNode& sceneRoot) {
  root.SetShareChildLists(sceneRoot.GetCount() >= kShareListsFrom);
  for (int i = 0; i < sceneRoot.GetCount(); ++i)
    if (CInkNode* child = sceneRoot.GetChild(i)) BuildTree(root, *child);
}

void CStereonView::RebuildAll() {
  if (!engine_ || !scene_) return;
  COGLDispTree* root = engine_->GetDispTree();
  if (root == nullptr || !engine_->MakeCurrent()) return;
  // The selection is a node of this very scene: it survives the rebuild
  // under its new handle.
  CInkNode* selected = Selection();
  root->RemoveAll();
  handles_.Clear();
  sceneBoxValid_ = false;
  RestartMeasureBuild();
  engine_->SetLocalOrigin(LocalOriginFor());
  if (CInkNode* sceneRoot = scene_->GetRoot()) BuildTopTrees(*root, *sceneRoot);
  selection_ = selected != nullptr ? handles_.HandleOf(*selected) : 0;
  DropHighlight();
  // The outline of a section follows the model it cuts.
  if (!state_.sectionPlanes.empty()) OutlineSections();
}

void CStereonView::RebuildNode(CInkNode& node) {
  if (!engine_) return;
  COGLDispTree* tree = handles_.Tree(node);
  if (tree == nullptr || !engine_->MakeCurrent()) return;
  sceneBoxValid_ = false;
  RestartMeasureBuild();
  FillTree(node, *tree);
  DropHighlight();
  if (!state_.sectionPlanes.empty()) OutlineSections();
}

}  // namespace korvex
