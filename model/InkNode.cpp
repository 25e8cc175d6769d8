#include "model/InkNode.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <utility>

#include "geometry/gm_matrix.h"
#include "geometry/gm_quaternion.h"
#include "model/FigureTessellation.h"

// Child nodes are list elements stored as untyped pointers, and plug-ins hand
// nodes across the library boundary, so the tree owns its children through
// the list and deletes them itself.

namespace {

// a · b: a point is moved by a first, then by b.
GMMatrix Then(const GMMatrix& a, const GMMatrix& b) {
  GMMatrix out;
  GMMatrixMultiply(b, a, out);
  return out;
}

GMMatrix Rotation(const InkAttributes& a, double angle) {
  GMMatrix r;
  GMMatrixFromAxisAngle(r, a.rotationAxis, angle);  // normalises the axis
  return r;
}

size_t NameLength(const char (&name)[64]) { return strnlen(name, sizeof name); }

struct BoxBuilder {
  GMBox box{DBL_MAX, DBL_MAX, DBL_MAX, DBL_MAX, DBL_MAX, DBL_MAX};
  bool empty = true;

  void Extend(const GMVector& p) {
    if (empty) {
      box = {p.x, p.y, p.z, p.x, p.y, p.z};
      empty = false;
      return;
    }
    box.Extend(p);
  }
};

// Distance along the ray to where it crosses the polygon, or a negative value
// when it misses. The polygon is taken in the plane of its Newell normal; a
// point within the tolerance of the outline counts as inside.
double RayPolygonDistance(const GMPolygon& polygon, const GMVector& o, const GMVector& d, double tol) {
  const int n = polygon.Count();
  if (n < 3) return -1.0;
  GMVector normal{};
  for (int i = 0; i < n; ++i) {
    const GMVector& a = polygon[i];
    const GMVector& b = polygon[(i + 1) % n];
    normal.x += (a.y - b.y) * (a.z + b.z);
    normal.y += (a.z - b.z) * (a.x + b.x);
    normal.z += (a.x - b.x) * (a.y + b.y);
  }
  const double denom = normal.x * d.x + normal.y * d.y + normal.z * d.z;
  const double length = std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
  const double dLength = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  if (length == 0.0 || dLength == 0.0 || std::fabs(denom) <= tol * length * dLength) return -1.0;
  const GMVector& p0 = polygon[0];
  const double t =
      (normal.x * (p0.x - o.x) + normal.y * (p0.y - o.y) + normal.z * (p0.z - o.z)) / denom;
  if (t < 0.0) return -1.0;
  const GMVector hit{o.x + t * d.x, o.y + t * d.y, o.z + t * d.z};

  // Drop the axis the normal points along most and test in the other two.
  // One axis only, even when two components are equal (a roof at 45°):
  // dropping two would flatten the face to a line that every ray crosses.
  const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
  const int dropped = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
  auto u = [dropped](const GMVector& p) { return dropped == 0 ? p.y : p.x; };
  auto v = [dropped](const GMVector& p) { return dropped == 2 ? p.y : p.z; };
  const double hu = u(hit), hv = v(hit);
  bool inside = false;
  for (int i = 0, j = n - 1; i < n; j = i++) {
    const double ui = u(polygon[i]), vi = v(polygon[i]), uj = u(polygon[j]), vj = v(polygon[j]);
    // On the edge within the tolerance.
    const double eu = uj - ui, ev = vj - vi, len2 = eu * eu + ev * ev;
    double s = len2 > 0.0 ? ((hu - ui) * eu + (hv - vi) * ev) / len2 : 0.0;
    s = std::clamp(s, 0.0, 1.0);
    const double du = ui + s * eu - hu, dv = vi + s * ev - hv;
    if (du * du + dv * dv <= tol * tol) return t * dLength;
    if ((vi > hv) != (vj > hv) && hu < (uj - ui) * (hv - vi) / (vj - vi) + ui) inside = !inside;
  }
  return inside ? t * dLength : -1.0;
}

}  // namespace

CInkNode::CInkNode() {
  std::memcpy(name_, kInkDefaultNodeName, sizeof kInkDefaultNodeName);
}

CInkNode::~CInkNode() {
  for (int i = 0; i < GetCount(); ++i) delete GetChild(i);
  figures_.reset();
  properties_.reset();
  CPlainListCap::RemoveAll();
}

void CInkNode::RemoveAt(int index) {
  if (index < 0 || index >= GetCount()) return;
  delete static_cast<CInkNode*>(GetAt(index));
  CPlainListCap::RemoveAt(index);
}

void CInkNode::RemoveAll() {
  // The children stay alive with whoever takes them; those not yet taken by
  // another node no longer have a parent.
  for (int i = 0; i < GetCount(); ++i) {
    CInkNode* child = GetChild(i);
    if (child && child->parent_ == this) child->parent_ = nullptr;
  }
  CPlainListCap::RemoveAll();
}

void CInkNode::Create(const InkAttributes* attributes) {
  if (attributes) attributes_ = *attributes;
  if (!figures_) {
    figures_ = std::make_unique<CInkFigAdmin>();
    figures_->Attach(this);
  }
  if (!properties_) {
    properties_ = std::make_unique<CInkProperty>();
    properties_->Initialize();
  }
}

void CInkNode::SetShown(int shown) { shown_ = shown; }
int CInkNode::IsShown() const { return shown_; }
void CInkNode::SetLocked(int locked) { locked_ = locked; }
int CInkNode::IsLocked() const { return locked_; }

InkAttributes& CInkNode::SetAttributes(InkAttributes& out, InkAttributes attributes) {
  out = attributes_;
  attributes_ = attributes;
  return out;
}

InkAttributes& CInkNode::GetAttributes(InkAttributes& out) const {
  out = attributes_;
  return out;
}

InkAttributes* CInkNode::GetAttributeRecord() { return &attributes_; }

int CInkNode::SetNodeId(int id) { return std::exchange(id_, id); }
int CInkNode::GetNodeId() const { return id_; }
CInkNode* CInkNode::GetParent() const { return parent_; }
void CInkNode::SetParent(CInkNode* parent) { parent_ = parent; }

void CInkNode::SetName(std::string_view name) {
  std::memset(name_, 0, sizeof name_);
  name.copy(name_, sizeof name_ - 1);  // copy() also takes an empty view with no data
}

const char* CInkNode::GetName(char* buffer, int size) const {
  if (!buffer) return name_;
  if (size <= 0) return buffer;
  std::memset(buffer, 0, static_cast<size_t>(size));
  std::memcpy(buffer, name_, std::min(NameLength(name_), static_cast<size_t>(size) - 1));
  return buffer;
}

CInkNode* CInkNode::Clone(int depth) {
  auto clone = std::make_unique<CInkNode>();
  clone->Create(&attributes_);
  std::memcpy(clone->name_, name_, sizeof name_);
  clone->id_ = id_;
  clone->shown_ = shown_;
  clone->locked_ = locked_;
  if (properties_) properties_->CopyTo(*clone->properties_);
  if (depth >= 1) CopyFiguresTo(clone.get());
  if (depth >= 2)
    for (int i = 0; i < GetCount(); ++i) clone->AddChild(GetChild(i)->Clone(2));
  return clone.release();
}

CInkNode* CInkNode::FindById(int id) {
  if (id_ == id) return this;
  for (int i = 0; i < GetCount(); ++i)
    if (CInkNode* found = GetChild(i)->FindById(id)) return found;
  return nullptr;
}

CInkNode* CInkNode::GetTopNode() {
  CInkNode* node = this;
  while (node->parent_) node = node->parent_;
  return node;
}

int CInkNode::AddChild(CInkNode* child) {
  if (!child) return -1;
  const int index = Add(child);
  if (index >= 0) child->parent_ = this;
  return index;
}

int CInkNode::InsertChild(int index, CInkNode* child) {
  if (!child) return -1;
  const int result = InsertAt(index, child);
  if (result >= 0) child->parent_ = this;
  return result;
}

CInkNode* CInkNode::GetChild(int index) {
  if (index < 0 || index >= GetCount()) return nullptr;
  return static_cast<CInkNode*>(GetAt(index));
}

CInkNode* CInkNode::FindChildByName(std::string_view name) {
  for (int i = 0; i < GetCount(); ++i) {
    CInkNode* child = GetChild(i);
    if (NameLength(child->name_) == name.size() &&
        std::memcmp(child->name_, name.data(), name.size()) == 0)
      return child;
  }
  return nullptr;
}

int CInkNode::IndexOfChild(const CInkNode* child) const {
  if (!child) return -1;
  return Find(child);
}

CInkNode* CInkNode::DetachChild(int index) {
  CInkNode* child = GetChild(index);
  if (!child) return nullptr;
  CPlainListCap::RemoveAt(index);
  child->parent_ = nullptr;
  return child;
}

CInkProperty* CInkNode::GetProperties() { return properties_.get(); }

int CInkNode::AddFigure(const InkFigure* figure) {
  if (!figure) return -1;
  int index = -1;
  switch (figure->kind) {
    case kInkFigureSegmentSet:
      index = AddSegmentFigure(static_cast<const InkSegmentSetRecord*>(figure->geometry), figure->value);
      break;
    case kInkFigureInstance:
      index = AddInstanceFigure(static_cast<const InkInstanceRecord*>(figure->geometry), figure->value);
      break;
    case kInkFigureSubdivision:
      index = AddSubdivisionFigure(static_cast<const InkSubdivRecord*>(figure->geometry), figure->value);
      break;
    case kInkFigureReserved:
      index = AddReservedFigure(figure->geometry, figure->value);
      break;
    case kInkFigureMesh:
      index = AddMeshFigure(static_cast<const GMMesh*>(figure->geometry), figure->value);
      break;
    case kInkFigurePolygon:
      index = AddPolygonFigure(static_cast<const InkPolyRecord*>(figure->geometry), figure->value);
      break;
    case kInkFigurePolyline:
      index = AddPolylineFigure(static_cast<const InkPolyRecord*>(figure->geometry), figure->value);
      break;
    case kInkFigurePoint:
      index = AddPointFigure(static_cast<const InkPointRecord*>(figure->geometry), figure->value);
      break;
    default:
      return -1;
  }
  if (index >= 0) GetFigure(index)->hidden = figure->hidden;
  return index;
}

int CInkNode::AddSegmentFigure(const InkSegmentSetRecord* d, int value) { return figures_->AddSegmentFigure(d, value); }
int CInkNode::AddInstanceFigure(const InkInstanceRecord* d, int value) { return figures_->AddInstanceFigure(d, value); }
int CInkNode::AddSubdivisionFigure(const InkSubdivRecord* d, int value) { return figures_->AddSubdivisionFigure(d, value); }
int CInkNode::AddReservedFigure(const void* d, int value) { return figures_->AddReservedFigure(d, value); }
int CInkNode::AddMeshFigure(const GMMesh* d, int value) { return figures_->AddMeshFigure(d, value); }
int CInkNode::AdoptMeshFigure(GMMeshPtr mesh, int value) { return figures_->AdoptMeshFigure(std::move(mesh), value); }
int CInkNode::AddPolygonFigure(const InkPolyRecord* d, int value) { return figures_->AddPolygonFigure(d, value); }
int CInkNode::AddPolylineFigure(const InkPolyRecord* d, int value) { return figures_->AddPolylineFigure(d, value); }
int CInkNode::AddPointFigure(const InkPointRecord* d, int value) { return figures_->AddPointFigure(d, value); }
InkFigure* CInkNode::GetFigure(int index) { return figures_->GetFigure(index); }
int CInkNode::DeleteFigure(InkFigure* figure) { return figure ? figures_->DeleteFigure(figure) : 0; }
int CInkNode::DeleteFigureAt(int index) { return figures_->DeleteFigureAt(index); }
void CInkNode::ClearFigures() { figures_->ClearFigures(); }
InkVertex* CInkNode::GetVertex(int index) { return figures_->GetVertex(index); }
void CInkNode::ClearAllFigures() { figures_->ClearFigures(); }
int CInkNode::GetFigureCount() const { return figures_->GetFigureCount(); }
int CInkNode::GetVertexCount() const { return figures_->GetVertexCount(); }

void CInkNode::UpdateWorldVertices(int) {
  GMMatrix world;
  GetWorldMatrix(world);
  figures_->TransformVertices(world, 0);
}

CInkNode* CInkNode::FindFigureOwner(const InkFigure* figure, int* index) {
  if (index) *index = -1;
  if (!figure) return nullptr;
  if (const int own = figures_->IndexOfFigure(figure); own >= 0) {
    if (index) *index = own;
    return this;
  }
  for (int i = 0; i < GetCount(); ++i)
    if (CInkNode* owner = GetChild(i)->FindFigureOwner(figure, index)) return owner;
  return nullptr;
}

int CInkNode::IndexOfFigure(const InkFigure* figure) const { return figures_->IndexOfFigure(figure); }

void CInkNode::CopyFiguresTo(CInkNode* target) {
  if (!target) return;
  // Counted first, so that copying a node's figures onto itself stops at the
  // original end; copies[i] is where figure i landed in target (-1: refused).
  const int count = GetFigureCount();
  std::vector<int> copies(static_cast<size_t>(count), -1);
  bool anyReference = false;
  for (int i = 0; i < count; ++i) {
    const InkFigure* figure = GetFigure(i);
    copies[static_cast<size_t>(i)] = target->AddFigure(figure);
    if (figure->kind == kInkFigureInstance && static_cast<const InkInstanceRecord*>(figure->geometry)->figure)
      anyReference = true;
  }
  if (!anyReference) return;
  // Each copied instance places the copy of the figure its original placed.
  for (int i = 0; i < count; ++i) {
    const InkFigure* figure = GetFigure(i);
    const int copyIndex = copies[static_cast<size_t>(i)];
    if (figure->kind != kInkFigureInstance || copyIndex < 0) continue;
    const InkFigure* referenced = static_cast<const InkInstanceRecord*>(figure->geometry)->figure;
    if (!referenced) continue;
    const int source = IndexOfFigure(referenced);
    const int landed = source >= 0 ? copies[static_cast<size_t>(source)] : -1;
    static_cast<InkInstanceRecord*>(target->GetFigure(copyIndex)->geometry)->figure =
        landed >= 0 ? target->GetFigure(landed) : nullptr;
  }
}

GMMatrix& CInkNode::GetLocalMatrix(GMMatrix& out) const {
  const InkAttributes& a = attributes_;
  const GMMatrix scale = GMMatrixScale(a.scale.x, a.scale.y, a.scale.z);
  const GMMatrix move = GMMatrixTranslate(a.origin.x, a.origin.y, a.origin.z);
  out = Then(Then(scale, Rotation(a, a.rotationAngle)), move);
  return out;
}

GMMatrix& CInkNode::GetInverseLocalMatrix(GMMatrix& out) const {
  const InkAttributes& a = attributes_;
  const GMMatrix move = GMMatrixTranslate(-a.origin.x, -a.origin.y, -a.origin.z);
  const GMMatrix scale = GMMatrixScale(1.0 / a.scale.x, 1.0 / a.scale.y, 1.0 / a.scale.z);
  out = Then(Then(move, Rotation(a, -a.rotationAngle)), scale);
  return out;
}

void CInkNode::GetWorldMatrix(GMMatrix& out) const {
  // The root's own placement never takes part: the scene root stands for the
  // world itself.
  out = GMMatrixIdentity();
  for (const CInkNode* node = this; node->parent_; node = node->parent_) {
    GMMatrix local;
    out = Then(out, node->GetLocalMatrix(local));
  }
}

void CInkNode::GetInverseWorldMatrix(GMMatrix& out) const {
  // The exact inverse of the world matrix, so the root is left out here too.
  out = GMMatrixIdentity();
  for (const CInkNode* node = this; node->parent_; node = node->parent_) {
    GMMatrix inverse;
    out = Then(node->GetInverseLocalMatrix(inverse), out);
  }
}

GMBox& CInkNode::GetBounds(GMBox& out, const GMBox* fallback) {
  BoxBuilder builder;
  if (shown_ && figures_)
    for (const InkVertex* v : figures_->Vertices())
      if (!v->figure || !v->figure->hidden) builder.Extend(v->position);
  for (int i = 0; i < GetCount(); ++i) {
    CInkNode* child = GetChild(i);
    GMBox box;
    child->GetBounds(box, nullptr);
    if (box.minX == DBL_MAX) continue;
    GMMatrix local;
    child->GetLocalMatrix(local);
    for (int corner = 0; corner < 8; ++corner) {
      GMVector p{corner & 1 ? box.maxX : box.minX, corner & 2 ? box.maxY : box.minY,
                 corner & 4 ? box.maxZ : box.minZ};
      GMTransformPoint(p, local);
      builder.Extend(p);
    }
  }
  out = builder.empty && fallback ? *fallback : builder.box;
  return out;
}

InkFigure* CInkNode::PickFigure(const GMVector& origin, const GMVector& direction, GMVector& hit,
                                double tolerance) {
  hit = GMUndefinedVector();
  InkFigure* nearest = nullptr;
  double best = DBL_MAX;
  for (int i = 0; i < GetFigureCount(); ++i) {
    InkFigure* figure = GetFigure(i);
    const GMPolygonSetPtr polygons = FigurePolygons(figure, 2, 1.0, GM_TOLERANCE);
    if (!polygons) continue;
    for (const GMPolygon& polygon : polygons->polygons) {
      const double distance = RayPolygonDistance(polygon, origin, direction, tolerance);
      if (distance >= 0.0 && distance < best) {
        best = distance;
        nearest = figure;
      }
    }
  }
  if (nearest) {
    const double length =
        std::sqrt(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
    const double t = best / length;
    hit = {origin.x + t * direction.x, origin.y + t * direction.y, origin.z + t * direction.z};
  }
  return nearest;
}

GMVector& CInkNode::PickFigureAt(GMVector& hit, const GMVector& origin, const GMVector& direction,
                                 double tolerance) {
  PickFigure(origin, direction, hit, tolerance);
  return hit;
}

int CInkNode::GetInstanceFigureCount() const { return figures_->GetInstanceCount(); }
