#include "model/InkFigAdmin.h"

#include <algorithm>
#include <new>
#include <unordered_set>

#include "common/PlainList.h"

// Vertex order. Adding a figure appends all of its vertices at once, and
// deleting one removes all of them, so the vertex list is always the figures'
// vertices laid end to end in figure order. Deletion uses that to find a
// figure's vertices as one run instead of testing every vertex of the node;
// should the order ever be found broken it falls back to the full scan.

void CInkFigAdmin::FigureDeleter::operator()(InkFigure* figure) const {
  if (!figure) return;
  InkFreeGeometry(figure->kind, figure->geometry);
  delete figure;
}

CInkFigAdmin::CInkFigAdmin() = default;

CInkFigAdmin::~CInkFigAdmin() { ClearFigures(); }

void CInkFigAdmin::Attach(CInkNode* node) {
  vertices_.clear();
  figures_.clear();
  owner_ = node;
  instanceCount_ = 0;
}

int CInkFigAdmin::Append(int32_t kind, void* geometry, int value) {
  if (!geometry) return -1;
  FigurePtr figure;
  try {
    figure.reset(new InkFigure{0, value, owner_, kind, geometry});
  } catch (const std::bad_alloc&) {
    InkFreeGeometry(kind, geometry);
    return -1;
  }
  const std::span<InkVertex* const> added = InkGeometryVertices(kind, geometry);
  for (InkVertex* v : added) v->figure = figure.get();
  const size_t before = vertices_.size();
  try {
    vertices_.insert(vertices_.end(), added.begin(), added.end());
    figures_.push_back(std::move(figure));
  } catch (const std::bad_alloc&) {
    vertices_.resize(before);
    return -1;
  }
  return static_cast<int>(figures_.size()) - 1;
}

int CInkFigAdmin::AddSegmentFigure(const InkSegmentSetRecord* description, int value) {
  return Append(kInkFigureSegmentSet, InkCopyGeometry(kInkFigureSegmentSet, description), value);
}

int CInkFigAdmin::AddInstanceFigure(const InkInstanceRecord* description, int value) {
  auto* copy = static_cast<InkInstanceRecord*>(InkCopyGeometry(kInkFigureInstance, description));
  if (!copy) return -1;
  // An instance may only place a figure of its own node.
  if (copy->figure && IndexOfFigure(copy->figure) < 0) copy->figure = nullptr;
  const int index = Append(kInkFigureInstance, copy, value);
  if (index >= 0) ++instanceCount_;
  return index;
}

int CInkFigAdmin::AddSubdivisionFigure(const InkSubdivRecord* description, int value) {
  return Append(kInkFigureSubdivision, InkCopyGeometry(kInkFigureSubdivision, description), value);
}

int CInkFigAdmin::AddReservedFigure(const void*, int) { return -1; }

int CInkFigAdmin::AddMeshFigure(const GMMesh* description, int value) {
  return Append(kInkFigureMesh, InkCopyGeometry(kInkFigureMesh, description), value);
}

int CInkFigAdmin::AdoptMeshFigure(GMMeshPtr mesh, int value) {
  if (!mesh || !InkMeshIsValid(*mesh)) return -1;
  return Append(kInkFigureMesh, mesh.release(), value);
}

int CInkFigAdmin::AddPolygonFigure(const InkPolyRecord* description, int value) {
  return Append(kInkFigurePolygon, InkCopyGeometry(kInkFigurePolygon, description), value);
}

int CInkFigAdmin::AddPolylineFigure(const InkPolyRecord* description, int value) {
  return Append(kInkFigurePolyline, InkCopyGeometry(kInkFigurePolyline, description), value);
}

int CInkFigAdmin::AddPointFigure(const InkPointRecord* description, int value) {
  return Append(kInkFigurePoint, InkCopyGeometry(kInkFigurePoint, description), value);
}

InkFigure* CInkFigAdmin::GetFigure(int index) {
  if (index < 0 || static_cast<size_t>(index) >= figures_.size()) return nullptr;
  return figures_[static_cast<size_t>(index)].get();
}

int CInkFigAdmin::DeleteFigure(InkFigure* figure) {
  if (!figure) return 0;
  const int index = IndexOfFigure(figure);
  return index < 0 ? 0 : DeleteFigureAt(index);
}

size_t CInkFigAdmin::VertexRunStart(size_t figureIndex) const {
  auto countOf = [](const FigurePtr& f) { return InkGeometryVertices(f->kind, f->geometry).size(); };
  // Count from whichever end is nearer; deleting the newest figures is common.
  if (figureIndex <= figures_.size() / 2) {
    size_t start = 0;
    for (size_t i = 0; i < figureIndex; ++i) start += countOf(figures_[i]);
    return start;
  }
  size_t tail = 0;
  for (size_t i = figureIndex; i < figures_.size(); ++i) tail += countOf(figures_[i]);
  return tail <= vertices_.size() ? vertices_.size() - tail : vertices_.size();
}

int CInkFigAdmin::DeleteFigureAt(int index) {
  InkFigure* figure = GetFigure(index);
  if (!figure) return 0;

  // The figure and every instance that places it, directly or through other
  // instances, go together, so that nothing is left pointing at freed geometry.
  std::vector<InkFigure*> doomed{figure};
  std::unordered_set<const InkFigure*> doomedSet{figure};
  if (instanceCount_ > 0) {
    for (size_t k = 0; k < doomed.size(); ++k)
      for (const FigurePtr& f : figures_)
        if (f->kind == kInkFigureInstance && f->geometry &&
            static_cast<const InkInstanceRecord*>(f->geometry)->figure == doomed[k] &&
            doomedSet.insert(f.get()).second)
          doomed.push_back(f.get());
  }

  bool removed = false;
  if (doomed.size() == 1) {
    const std::span<InkVertex* const> own = InkGeometryVertices(figure->kind, figure->geometry);
    const size_t start = VertexRunStart(static_cast<size_t>(index));
    if (start + own.size() <= vertices_.size() &&
        std::equal(own.begin(), own.end(), vertices_.begin() + static_cast<std::ptrdiff_t>(start))) {
      const auto first = vertices_.begin() + static_cast<std::ptrdiff_t>(start);
      vertices_.erase(first, first + static_cast<std::ptrdiff_t>(own.size()));
      removed = true;
    }
  }
  if (!removed)
    std::erase_if(vertices_, [&](const InkVertex* v) { return doomedSet.contains(v->figure); });

  for (const InkFigure* f : doomed)
    if (f->kind == kInkFigureInstance) instanceCount_ = std::max(0, instanceCount_ - 1);

  if (doomed.size() == 1)
    figures_.erase(figures_.begin() + index);
  else
    std::erase_if(figures_, [&](const FigurePtr& f) { return doomedSet.contains(f.get()); });
  return 1;
}

InkVertex* CInkFigAdmin::GetVertex(int index) {
  if (index < 0 || static_cast<size_t>(index) >= vertices_.size())
    throw CListError(kListErrorIndexOutOfRange);
  return vertices_[static_cast<size_t>(index)];
}

void CInkFigAdmin::ClearFigures() {
  // Vertices first: they belong to the figures' geometry.
  std::vector<InkVertex*>().swap(vertices_);
  std::vector<FigurePtr>().swap(figures_);
  instanceCount_ = 0;
}

int CInkFigAdmin::GetFigureCount() const { return static_cast<int>(figures_.size()); }

int CInkFigAdmin::GetVertexCount() const { return static_cast<int>(vertices_.size()); }

void CInkFigAdmin::TransformVertices(const GMMatrix& matrix, int) {
  const auto& m = matrix.m;
  for (InkVertex* v : vertices_) {
    const GMVector p = v->position;
    const double w = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
    v->worldPosition = {(p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0]) / w,
                        (p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1]) / w,
                        (p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]) / w};
  }
}

int CInkFigAdmin::IndexOfFigure(const InkFigure* figure) const {
  if (!figure) return -1;
  for (size_t i = 0; i < figures_.size(); ++i)
    if (figures_[i].get() == figure) return static_cast<int>(i);
  return -1;
}

int CInkFigAdmin::GetInstanceCount() const { return instanceCount_; }
