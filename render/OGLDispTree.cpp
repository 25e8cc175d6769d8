#include "render/OGLDispTree.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "common/hash_mix.h"
#include "geometry/gm_matrix.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_triangulate.h"
#include "geometry/gm_vector.h"
#include "render/gl_api.h"

void korvex::GLDisplayList::Reset() {
  if (id_ != 0) glDeleteLists(id_, 1);
  id_ = 0;
}

namespace {

constexpr double kTolerance = 1e-7;

struct Rgba {
  double r, g, b, a;
};

Rgba Channels(uint32_t color) {
  return {static_cast<double>(color & 0xFFu), static_cast<double>((color >> 8) & 0xFFu),
          static_cast<double>((color >> 16) & 0xFFu), static_cast<double>((color >> 24) & 0xFFu)};
}

void SetMaterial(GLenum which, double r, double g, double b, double a) {
  const GLfloat v[4] = {static_cast<GLfloat>(r), static_cast<GLfloat>(g), static_cast<GLfloat>(b),
                        static_cast<GLfloat>(a)};
  glMaterialfv(GL_FRONT_AND_BACK, which, v);
}

void SetDiffuse(uint32_t color) {
  const Rgba c = Channels(color);
  SetMaterial(GL_DIFFUSE, c.r / 255.0, c.g / 255.0, c.b / 255.0, 1.0);
}

void SetCurrentColor(uint32_t color) {
  glColor4ub(static_cast<GLubyte>(color & 0xFFu), static_cast<GLubyte>((color >> 8) & 0xFFu),
             static_cast<GLubyte>((color >> 16) & 0xFFu), 255);
}

// The face colour: pure black turns white when asked; highlighting lightens
// the diffuse colour halfway to white; the ambient colour is half the colour.
void FaceMaterial(uint32_t color, bool whiteForBlack, bool highlighted, double alpha, float ambient[4],
                  float diffuse[4]) {
  Rgba k = Channels(color);
  if (whiteForBlack && k.r == 0.0 && k.g == 0.0 && k.b == 0.0) k.r = k.g = k.b = 255.0;
  const double rgb[3] = {k.r, k.g, k.b};
  for (int i = 0; i < 3; ++i) {
    ambient[i] = static_cast<float>(rgb[i] * 0.5 / 255.0);
    diffuse[i] = static_cast<float>((highlighted ? rgb[i] + (255.0 - rgb[i]) * 0.5 : rgb[i]) / 255.0);
  }
  ambient[3] = diffuse[3] = static_cast<float>(alpha);
}

bool HasUndefined(const GMVector& v) { return v.x == GM_UNDEFINED || v.y == GM_UNDEFINED || v.z == GM_UNDEFINED; }

// The triangles of the element's polygons, each carrying the normal of its
// face: the given one where the view supplied it, otherwise that of the
// face's first triangle. Done once at build time, never per frame.
std::vector<OGLTriangle> Triangulate(const OGLDispElement& e, bool useGivenNormals) {
  std::vector<OGLTriangle> out;
  out.reserve(e.polygons.size());
  for (size_t i = 0; i < e.polygons.size(); ++i) {
    const bool given = useGivenNormals && i < e.normals.size();
    OGLAppendFaceTriangles(e.polygons[i], given ? e.normals[i] : GMUndefinedVector(), out);
  }
  return out;
}

void Vertex(const GMVector& p, const GMVector& shift) { glVertex3d(p.x - shift.x, p.y - shift.y, p.z - shift.z); }

void EmitTriangle(const OGLTriangle& t, const StereonTexture* texture, const GMVector& shift) {
  glNormal3d(t.normal.x, t.normal.y, t.normal.z);
  if (texture != nullptr) {
    // Texture coordinates from a frame of the face's plane through the world
    // origin: the picture repeats every `scale` units across and every
    // scale·aspect units up, continuing across neighbouring faces.
    GMMatrix frame;
    GMMatrixLookAt(t.normal, GMVector{}, GMVector{0.0, 0.0, 1.0}, frame);
    const double su = texture->scale != 0.0 ? texture->scale : 1.0;
    const double sv = su * (texture->aspect != 0.0 ? texture->aspect : 1.0);
    double uv[3][2];
    for (int k = 0; k < 3; ++k) {
      GMVector local = t.p[k];
      GMTransformPoint(local, frame);
      uv[k][0] = local.x / su;
      uv[k][1] = local.y / sv;
    }
    // The picture repeats, so whole repeats may go: far from the origin the
    // coordinates would otherwise be too large for single precision to
    // place a texel.
    const double wholeU = std::floor(uv[0][0]);
    const double wholeV = std::floor(uv[0][1]);
    for (int k = 0; k < 3; ++k) {
      glTexCoord2d(uv[k][0] - wholeU, uv[k][1] - wholeV);
      Vertex(t.p[k], shift);
    }
  } else {
    for (const GMVector& p : t.p) Vertex(p, shift);
  }
}

void EmitTriangles(std::span<const OGLTriangle> triangles, const StereonTexture* texture, const GMVector& shift) {
  if (triangles.empty()) return;
  // One independent-triangle batch with a normal per triangle draws exactly
  // what one GL polygon per triangle would (flat shading, one normal for all
  // three corners) and replays far faster.
  glBegin(GL_TRIANGLES);
  for (const OGLTriangle& t : triangles) EmitTriangle(t, texture, shift);
  glEnd();
}

// The faces of the meshes, a face at a time, as the polygon of its vertices
// in face order; opaque faces carry the normal of their plane, transparent
// ones that of their first triangle, as for polygons.
template <typename Visit>
void ForEachMeshTriangle(std::span<const GMMesh* const> meshes, bool planeNormals, Visit&& visit) {
  GMPolygon face;
  std::vector<OGLTriangle> triangles;
  for (const GMMesh* mesh : meshes)
    for (const GMMeshFace& f : mesh->Faces()) {
      face.points.clear();
      for (const int32_t i : f.Indices())
        if (i >= 0 && i < mesh->vertexCount) face.points.push_back(mesh->Position(i));
      const GMVector normal =
          planeNormals && face.Count() >= 3 ? GMPolygonNormal(face, kTolerance) : GMUndefinedVector();
      triangles.clear();
      OGLAppendFaceTriangles(face, normal, triangles);
      for (const OGLTriangle& t : triangles) visit(t);
    }
}

// Returns the triangles drawn.
size_t EmitMeshFaces(std::span<const GMMesh* const> meshes, bool planeNormals, const StereonTexture* texture,
                     const GMVector& shift) {
  size_t count = 0;
  glBegin(GL_TRIANGLES);
  ForEachMeshTriangle(meshes, planeNormals, [&](const OGLTriangle& t) {
    EmitTriangle(t, texture, shift);
    ++count;
  });
  glEnd();
  return count;
}

bool ValidEdge(const GMMesh& mesh, const GMMeshEdge& e) {
  return e.first >= 0 && e.first < mesh.vertexCount && e.second >= 0 && e.second < mesh.vertexCount;
}

// The edges of the meshes' tables that join two of their vertices.
size_t MeshEdgeCount(std::span<const GMMesh* const> meshes) {
  size_t count = 0;
  for (const GMMesh* mesh : meshes)
    for (const GMMeshEdge& e : mesh->Edges()) count += ValidEdge(*mesh, e);
  return count;
}

void EmitMeshEdges(std::span<const GMMesh* const> meshes, const GMVector& shift) {
  glBegin(GL_LINES);
  for (const GMMesh* mesh : meshes)
    for (const GMMeshEdge& e : mesh->Edges())
      if (ValidEdge(*mesh, e)) {
        Vertex(mesh->Position(e.first), shift);
        Vertex(mesh->Position(e.second), shift);
      }
  glEnd();
}

void EmitSegments(std::span<const GMSegment> segments, const GMVector& shift) {
  glBegin(GL_LINES);
  for (const GMSegment& s : segments) {
    Vertex(s.start, shift);
    Vertex(s.end, shift);
  }
  glEnd();
}

void EmitPoints(std::span<const GMVector> points, const GMVector& shift) {
  glBegin(GL_POINTS);
  for (const GMVector& p : points) Vertex(p, shift);
  glEnd();
}

// A child shares its parent's lists when it has no more primitives than
// this (a building of a district, not a terrain). A block of shared lists
// stays small enough that rebuilding one child, which recompiles its block,
// is quick.
constexpr size_t kShareablePrimitives = 4096;

void PushFloats(std::vector<float>& out, const GMVector& p, const GMVector& shift) {
  out.push_back(static_cast<float>(p.x - shift.x));
  out.push_back(static_cast<float>(p.y - shift.y));
  out.push_back(static_cast<float>(p.z - shift.z));
}

void PushTriangle(std::vector<float>& out, const OGLTriangle& t, const GMVector& shift) {
  out.push_back(static_cast<float>(t.normal.x));
  out.push_back(static_cast<float>(t.normal.y));
  out.push_back(static_cast<float>(t.normal.z));
  for (const GMVector& p : t.p) PushFloats(out, p, shift);
}

void PushSegments(std::vector<float>& out, std::span<const GMSegment> segments, const GMVector& shift) {
  for (const GMSegment& s : segments) {
    PushFloats(out, s.start, shift);
    PushFloats(out, s.end, shift);
  }
}

// A corner of a shared record, moved into the frame of the block.
void RecordVertex(const float* p, const GMVector& move, bool moved) {
  if (moved)
    glVertex3d(p[0] + move.x, p[1] + move.y, p[2] + move.z);
  else
    glVertex3fv(p);
}

void EmitRecordVertices(GLenum mode, const std::vector<float>& coordinates, const GMVector& move, bool moved) {
  if (coordinates.empty()) return;
  glBegin(mode);
  for (size_t i = 0; i + 3 <= coordinates.size(); i += 3) RecordVertex(&coordinates[i], move, moved);
  glEnd();
}

bool SameFloats(const float* a, const float* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// The edges of a solid's faces pair up: each is met by an even number of
// faces. Instead of a table of millions of edges, every face edge adds a
// 64-bit hash of its two ends (whichever way it is walked) into an
// exclusive-or: edges met an even number of times cancel exactly, and an
// edge met an odd number of times leaves a sum that is zero only by a
// 1 in 2^64 chance. One pass over the faces, no memory.
using korvex::MixBits;

uint64_t PointHash(const GMVector& p) {
  uint64_t h = 0x9E3779B97F4A7C15ull;
  for (const double c : {p.x, p.y, p.z}) {
    uint64_t bits = 0;
    const double v = c == 0.0 ? 0.0 : c;  // -0 and +0 are one point
    std::memcpy(&bits, &v, sizeof bits);
    h = MixBits(h ^ bits);
  }
  return h;
}

uint64_t EdgeHash(uint64_t a, uint64_t b) {
  const uint64_t lo = a < b ? a : b;
  const uint64_t hi = a < b ? b : a;
  return MixBits(lo * 0x9E3779B97F4A7C15ull ^ MixBits(hi + 0x632BE59BD9B4E019ull));
}

// The exclusive-or of the outline edges of the element's surfaces; 0 for a
// closed set of faces. `box` takes in every vertex.
uint64_t OpenEdgeSum(const OGLDispElement& e, GMBox& box, bool& any) {
  uint64_t sum = 0;
  auto take = [&](const GMVector& p) {
    if (!any) {
      box = GMBox{p.x, p.y, p.z, p.x, p.y, p.z};
      any = true;
    } else {
      box.Extend(p);
    }
  };
  for (const GMPolygon& polygon : e.polygons) {
    const size_t n = polygon.points.size();
    if (n < 3) continue;
    uint64_t first = PointHash(polygon.points[0]);
    uint64_t previous = first;
    take(polygon.points[0]);
    for (size_t i = 1; i < n; ++i) {
      const uint64_t h = PointHash(polygon.points[i]);
      take(polygon.points[i]);
      sum ^= EdgeHash(previous, h);
      previous = h;
    }
    sum ^= EdgeHash(previous, first);
  }
  for (size_t m = 0; m < e.meshes.size(); ++m) {
    const GMMesh& mesh = *e.meshes[m];
    // Vertices by index: two meshes of one node do not share them, so each
    // index is salted with the mesh.
    const uint64_t salt = MixBits(m + 1);
    for (int i = 0; i < mesh.vertexCount; ++i) take(mesh.Position(i));
    for (const GMMeshFace& f : mesh.Faces()) {
      const auto loop = f.Indices();
      int32_t last = -1;
      int32_t first = -1;
      int valid = 0;
      for (const int32_t i : loop) {
        if (i < 0 || i >= mesh.vertexCount) continue;
        if (first < 0) first = i;
        if (last >= 0) sum ^= EdgeHash(MixBits(salt ^ static_cast<uint64_t>(last)), MixBits(salt ^ static_cast<uint64_t>(i)));
        last = i;
        ++valid;
      }
      if (valid >= 2) sum ^= EdgeHash(MixBits(salt ^ static_cast<uint64_t>(last)), MixBits(salt ^ static_cast<uint64_t>(first)));
    }
  }
  return sum;
}

// Whether the element's opaque faces enclose a solid, and their box in the
// coordinates its lists are drawn in (less the node's shift): what a section
// needs to fill the cut.
void TakeSolidShape(const OGLDispElement& e, const GMVector& shift, OGLDispLists& l) {
  bool any = false;
  GMBox box;
  l.closed = OpenEdgeSum(e, box, any) == 0 && any;
  if (any)
    l.faceBox = GMBox{box.minX - shift.x, box.minY - shift.y, box.minZ - shift.z,
                      box.maxX - shift.x, box.maxY - shift.y, box.maxZ - shift.z};
}

bool IsIdentityPlacement(const GMVector& axis, double angle, const GMVector& scale) {
  return (angle == 0.0 || (axis.x == 0.0 && axis.y == 0.0 && axis.z == 0.0)) && scale.x == 1.0 && scale.y == 1.0 &&
         scale.z == 1.0;
}

}  // namespace

// What the lists of one node are compiled from: the element's faces cut into
// triangles, its segments and points, and the materials as the build saw
// them. Compiled at once and dropped, or kept while the node is drawn
// straight; either way each list's calls come from EmitListPass alone.
struct OGLListSource {
  int32_t name = -1;
  uint32_t color = 0;
  bool opaque = true;
  bool whiteForBlack = false;
  bool highlighted = false;
  bool outlineDiffuse = false;  // the option word gives outlines a diffuse colour
  // The texture as it stood at the build: its id, scale and aspect.
  bool textured = false;
  StereonTexture texture;
  GMVector shift{};
  std::vector<OGLTriangle> triangles;  // opaque or transparent, as `opaque` says
  std::vector<const GMMesh*> meshes;
  std::span<const GMSegment> lines;
  std::span<const GMSegment> outlines;
  std::span<const GMSegment> markLines;
  std::span<const GMVector> points;
  std::span<const GMVector> markPoints;
  size_t meshEdges = 0;
  size_t meshTriangles = 0;  // known once counted or emitted
  // Copies behind the spans when the source outlives the element.
  std::vector<GMSegment> ownLines, ownOutlines, ownMarkLines;
  std::vector<GMVector> ownPoints, ownMarkPoints;

  bool HasFaces() const { return !triangles.empty() || !meshes.empty(); }
  void Own() {
    ownLines.assign(lines.begin(), lines.end());
    ownOutlines.assign(outlines.begin(), outlines.end());
    ownMarkLines.assign(markLines.begin(), markLines.end());
    ownPoints.assign(points.begin(), points.end());
    ownMarkPoints.assign(markPoints.begin(), markPoints.end());
    lines = ownLines;
    outlines = ownOutlines;
    markLines = ownMarkLines;
    points = ownPoints;
    markPoints = ownMarkPoints;
  }
};

namespace {

// The triangles the meshes' faces are cut into, without drawing them: a
// triangle is one, a longer ring as many as its cut gives.
size_t CountMeshTriangles(std::span<const GMMesh* const> meshes) {
  size_t count = 0;
  GMPolygon face;
  std::vector<OGLTriangle> scratch;
  for (const GMMesh* mesh : meshes)
    for (const GMMeshFace& f : mesh->Faces()) {
      int valid = 0;
      for (const int32_t i : f.Indices()) valid += i >= 0 && i < mesh->vertexCount;
      if (valid == 3) {
        ++count;
        continue;
      }
      face.points.clear();
      for (const int32_t i : f.Indices())
        if (i >= 0 && i < mesh->vertexCount) face.points.push_back(mesh->Position(i));
      scratch.clear();
      OGLAppendFaceTriangles(face, GMUndefinedVector(), scratch);
      count += scratch.size();
    }
  return count;
}

enum class ListPass { Faces, Lines, Outlines, Transparent, Points, Marks };

// Whether the pass's list would draw anything: a list that would not is
// never made, and straight drawing leaves it out alike.
bool PassHasContents(const OGLListSource& s, ListPass pass) {
  switch (pass) {
    case ListPass::Faces: return s.opaque && s.triangles.size() + s.meshTriangles > 0;
    case ListPass::Transparent: return !s.opaque && s.triangles.size() + s.meshTriangles > 0;
    case ListPass::Lines: return !s.lines.empty();
    case ListPass::Outlines: return !s.outlines.empty() || s.meshEdges > 0;
    case ListPass::Points: return !s.points.empty();
    case ListPass::Marks: return !s.markPoints.empty() || !s.markLines.empty();
  }
  return false;
}

// The calls of one list: its materials kept to itself (lighting attributes
// pushed), its name pushed for picking. Returns the triangles of the mesh
// faces drawn.
size_t EmitListPass(const OGLListSource& s, ListPass pass) {
  size_t meshTriangles = 0;
  glPushAttrib(GL_LIGHTING_BIT);
  glPushName(static_cast<GLuint>(s.name));
  auto faceMaterial = [&](double alpha) {
    float ambient[4], diffuse[4];
    FaceMaterial(s.color, s.whiteForBlack, s.highlighted, alpha, ambient, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
  };
  switch (pass) {
    case ListPass::Faces: {
      faceMaterial(1.0);
      const StereonTexture* texture = s.textured ? &s.texture : nullptr;
      if (texture != nullptr) {
        glBindTexture(GL_TEXTURE_2D, texture->textureId);
        glEnable(GL_TEXTURE_2D);
      }
      EmitTriangles(s.triangles, texture, s.shift);
      if (!s.meshes.empty()) meshTriangles = EmitMeshFaces(s.meshes, true, texture, s.shift);
      if (texture != nullptr) glDisable(GL_TEXTURE_2D);
      break;
    }
    case ListPass::Transparent:
      faceMaterial(Channels(s.color).a / 255.0);
      EmitTriangles(s.triangles, nullptr, s.shift);
      if (!s.meshes.empty()) meshTriangles = EmitMeshFaces(s.meshes, false, nullptr, s.shift);
      break;
    case ListPass::Lines:
      SetDiffuse(s.color);
      SetCurrentColor(s.color);
      EmitSegments(s.lines, s.shift);
      break;
    case ListPass::Outlines:
      if (s.outlineDiffuse) SetDiffuse(s.color);
      SetCurrentColor(s.color);
      if (!s.outlines.empty()) EmitSegments(s.outlines, s.shift);
      if (s.meshEdges > 0) EmitMeshEdges(s.meshes, s.shift);
      break;
    case ListPass::Points:
      SetDiffuse(s.color);
      SetCurrentColor(s.color);
      EmitPoints(s.points, s.shift);
      break;
    case ListPass::Marks:
      SetDiffuse(s.color);
      SetCurrentColor(s.color);
      if (!s.markPoints.empty()) EmitPoints(s.markPoints, s.shift);
      if (!s.markLines.empty()) EmitSegments(s.markLines, s.shift);
      break;
  }
  glPopName();
  glPopAttrib();
  return meshTriangles;
}

}  // namespace

void OGLAppendFaceTriangles(const GMPolygon& polygon, const GMVector& given, std::vector<OGLTriangle>& out) {
  if (polygon.Count() == 3) {
    // A triangle is its own triangulation; sparing the copy matters for
    // meshes of millions of faces.
    GMVector normal = given;
    if (HasUndefined(normal)) normal = GMNormalize(GMTriangleNormal(polygon[0], polygon[1], polygon[2]), kTolerance);
    if (HasUndefined(normal)) normal = GMPolygonNormal(polygon, kTolerance);
    if (HasUndefined(normal)) normal = {0.0, 0.0, 1.0};
    out.push_back({{polygon[0], polygon[1], polygon[2]}, normal});
    return;
  }
  GMPolygonSetPtr triangles = GMTriangulate(polygon, kTolerance);
  if (!triangles || triangles->Count() == 0) return;
  GMVector normal = given;
  if (HasUndefined(normal)) {
    const GMPolygon& first = (*triangles)[0];
    normal = GMNormalize(GMTriangleNormal(first[0], first[1], first[2]), kTolerance);
  }
  // A sliver first triangle has no direction of its own; the ring's normal
  // stands in, so that GL is never handed an undefined normal.
  if (HasUndefined(normal)) normal = GMPolygonNormal(polygon, kTolerance);
  if (HasUndefined(normal)) normal = {0.0, 0.0, 1.0};
  for (const GMPolygon& t : triangles->polygons) {
    if (t.Count() != 3) continue;
    out.push_back({{t[0], t[1], t[2]}, normal});
  }
}

COGLDispTree::COGLDispTree() = default;

COGLDispTree::~COGLDispTree() { COGLDispTree::RemoveAll(); }

void COGLDispTree::RemoveAt(int index) {
  if (index < 0 || index >= GetCount()) return;
  auto* child = static_cast<COGLDispTree*>(CPlainList::GetAt(index));
  if (child->block_ != nullptr) LeaveBlock(child);
  CPlainList::RemoveAt(index);
  delete child;
}

void COGLDispTree::RemoveAll() {
  std::vector<COGLDispTree*> children;
  for (CPlainItem* it = Head(); it != nullptr; it = it->GetNext()) children.push_back(static_cast<COGLDispTree*>(it->GetData()));
  CPlainList::RemoveAll();
  for (COGLDispTree* child : children) child->block_ = nullptr;
  blocks_.clear();
  for (COGLDispTree* child : children) delete child;
}

COGLDispTree* COGLDispTree::GetNodeAt(int index) { return static_cast<COGLDispTree*>(GetAt(index)); }

int COGLDispTree::FindNode(const COGLDispTree* node) const { return Find(node); }

int COGLDispTree::FindName(int32_t name) const {
  int index = 0;
  for (CPlainItem* it = Head(); it != nullptr; it = it->GetNext(), ++index) {
    const auto* child = static_cast<const COGLDispTree*>(it->GetData());
    if (child->lists_ && child->lists_->name == name) return index;
  }
  return -1;
}

COGLDispTree* COGLDispTree::GetParent() const { return parent_; }

void COGLDispTree::DrawFaces() { DrawPass(Pass::Faces, shift); }
void COGLDispTree::DrawLines() { DrawPass(Pass::Lines, shift); }
void COGLDispTree::DrawOutlines() { DrawPass(Pass::Outlines, shift); }
void COGLDispTree::DrawTransparent() { DrawPass(Pass::Transparent, shift); }
void COGLDispTree::DrawPoints() { DrawPass(Pass::Points, shift); }
void COGLDispTree::DrawMarks() { DrawPass(Pass::Marks, shift); }
void COGLDispTree::VisitFaceLists(const std::function<void(const COGLDispTree&)>& visit) {
  DrawPass(Pass::Visit, shift, &visit);
}

void COGLDispTree::DrawOwnFaces() const {
  if (lists_ && lists_->faceList) {
    glCallList(lists_->faceList.Id());
    return;
  }
  if (straight_) {
    if (PassHasContents(*straight_, ListPass::Faces)) EmitListPass(*straight_, ListPass::Faces);
    return;
  }
  if (!record_ || record_->transparent || record_->faces.empty()) return;
  // The record's corners are in this node's coordinates less its shift,
  // as its own list would be: the placement applied around the visit fits.
  const std::vector<float>& f = record_->faces;
  glBegin(GL_TRIANGLES);
  for (size_t i = 0; i + 12 <= f.size(); i += 12) {
    glVertex3fv(&f[i + 3]);
    glVertex3fv(&f[i + 6]);
    glVertex3fv(&f[i + 9]);
  }
  glEnd();
}

int COGLDispTree::CountPickable() const {
  if (!lists_) return 0;
  int count = lists_->faceCount + lists_->lineCount;
  for (CPlainItem* it = Head(); it != nullptr; it = it->GetNext())
    count += static_cast<const COGLDispTree*>(it->GetData())->CountPickable();
  return count;
}

const OGLDispLists* COGLDispTree::GetLists() const { return lists_.get(); }

void COGLDispTree::ReleaseLists() {
  if (lists_) {
    for (korvex::GLDisplayList* list : {&lists_->faceList, &lists_->lineList, &lists_->transparentList,
                                        &lists_->outlineList, &lists_->markList, &lists_->pointList})
      list->Reset();
  }
  for (const std::unique_ptr<Block>& block : blocks_) {
    for (korvex::GLDisplayList& list : block->lists) list.Reset();
    block->dirty = true;
  }
  for (CPlainItem* it = Head(); it != nullptr; it = it->GetNext())
    static_cast<COGLDispTree*>(it->GetData())->ReleaseLists();
}

int COGLDispTree::CountLists() const {
  int count = 0;
  if (lists_) {
    for (const korvex::GLDisplayList* list : {&lists_->faceList, &lists_->lineList, &lists_->transparentList,
                                              &lists_->outlineList, &lists_->markList, &lists_->pointList})
      count += *list ? 1 : 0;
  }
  for (const std::unique_ptr<Block>& block : blocks_)
    for (const korvex::GLDisplayList& list : block->lists) count += list ? 1 : 0;
  for (CPlainItem* it = Head(); it != nullptr; it = it->GetNext())
    count += static_cast<const COGLDispTree*>(it->GetData())->CountLists();
  return count;
}

void COGLDispTree::SwapOptions(OptionWords& out, const OptionWords& in) {
  const OptionWords mine = options;
  options = in;
  out = mine;
}

int COGLDispTree::AddChild(std::unique_ptr<COGLDispTree> node) {
  if (!node) return -1;
  node->parent_ = this;
  node->drawStraight_ = drawStraight_;
  return Add(node.release());
}

void COGLDispTree::SetElement(const OGLDispElement* element) { Build(element); }

void COGLDispTree::SetElementWith(const OGLDispElement* element, int newOption) {
  option = newOption;
  Build(element);
}

void COGLDispTree::Reset(const OGLDispElement* element, int newOption, int newWhiteForBlack) {
  RemoveAll();
  option = newOption;
  whiteForBlack = newWhiteForBlack;
  Build(element);
}

GMVector COGLDispTree::PlacedShift() const {
  // shift · S · R + origin, with the rotation glRotated makes: about the
  // unit axis, right-handed (Rodrigues' formula).
  GMVector v{shift.x * scale.x, shift.y * scale.y, shift.z * scale.z};
  const double length = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
  if (angle != 0.0 && length > 0.0) {
    const GMVector u{axis.x / length, axis.y / length, axis.z / length};
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double along = (u.x * v.x + u.y * v.y + u.z * v.z) * (1.0 - c);
    const GMVector across{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    v = {v.x * c + across.x * s + u.x * along, v.y * c + across.y * s + u.y * along,
         v.z * c + across.z * s + u.z * along};
  }
  return {v.x + origin.x, v.y + origin.y, v.z + origin.z};
}

void COGLDispTree::DrawPass(Pass pass, const GMVector& parentShift,
                            const std::function<void(const COGLDispTree&)>* visit) {
  if (!lists_) return;
  // The parent's frame holds its coordinates less its shift, this node's
  // lists hold its own coordinates less its own shift. Between the two lies
  // the placement, its translation worked out in double precision: usually
  // nothing at all, since an unplaced node shares its parent's shift.
  const bool identity = IsIdentityPlacement(axis, angle, scale);
  const GMVector anchor = identity ? GMVector{shift.x + origin.x, shift.y + origin.y, shift.z + origin.z} : PlacedShift();
  const GMVector move{anchor.x - parentShift.x, anchor.y - parentShift.y, anchor.z - parentShift.z};
  const bool moved = move.x != 0.0 || move.y != 0.0 || move.z != 0.0;
  const bool placed = !identity || moved;
  if (placed) {
    glPushMatrix();
    if (moved) glTranslated(move.x, move.y, move.z);
    if (angle != 0.0 && (axis.x != 0.0 || axis.y != 0.0 || axis.z != 0.0))
      glRotated(angle * 180.0 / M_PI, axis.x, axis.y, axis.z);
    if (scale.x != 1.0 || scale.y != 1.0 || scale.z != 1.0) glScaled(scale.x, scale.y, scale.z);
  }
  if (visible) {
    unsigned id = 0;
    switch (pass) {
      case Pass::Faces: id = lists_->faceList.Id(); break;
      case Pass::Lines: id = lists_->lineList.Id(); break;
      case Pass::Outlines: id = lists_->outlineList.Id(); break;
      case Pass::Transparent: id = lists_->transparentList.Id(); break;
      case Pass::Points: id = lists_->pointList.Id(); break;
      case Pass::Marks: id = lists_->markList.Id(); break;
      case Pass::Visit:
        if (visit != nullptr &&
            (lists_->faceList || (straight_ && PassHasContents(*straight_, ListPass::Faces)) ||
             (record_ && !record_->transparent && !record_->faces.empty())))
          (*visit)(*this);
        break;
    }
    if (id != 0) {
      glCallList(id);
    } else if (straight_ && pass != Pass::Visit) {
      // The passes of both enums stand in the same order.
      const auto listPass = static_cast<ListPass>(static_cast<int>(pass));
      if (PassHasContents(*straight_, listPass)) EmitListPass(*straight_, listPass);
    }
  }
  if (!blocks_.empty() && pass != Pass::Visit) DrawBlocks(pass);
  for (CPlainItem* it = Head(); it != nullptr; it = it->GetNext())
    static_cast<COGLDispTree*>(it->GetData())->DrawPass(pass, shift, visit);
  if (placed) glPopMatrix();
}

void COGLDispTree::Build(const OGLDispElement* element) {
  // The old lists go first, so that their ids are free again.
  lists_ = std::make_unique<OGLDispLists>();
  straight_.reset();
  if (element != nullptr && parent_ != nullptr && parent_->shareChildLists_ && ShareableElement(*element)) {
    BuildRecord(*element);
    if (block_ != nullptr)
      block_->dirty = true;
    else
      parent_->JoinBlock(this);
    return;
  }
  if (block_ != nullptr) parent_->LeaveBlock(this);
  record_.reset();
  if (element == nullptr) return;
  const OGLDispElement& e = *element;
  OGLDispLists& l = *lists_;
  l.name = e.name;
  if (e.texture != nullptr) l.flags |= 1;
  origin = e.origin;
  axis = e.axis;
  angle = e.angle;
  scale = e.scale;
  shift = e.shift;

  OGLListSource source;
  source.name = e.name;
  source.color = e.color;
  source.opaque = Channels(e.color).a == 255.0;
  source.whiteForBlack = whiteForBlack != 0;
  source.highlighted = (option & 1) != 0;
  source.outlineDiffuse = options[0] != 0;
  source.textured = e.texture != nullptr && e.texture->textureId != 0;
  if (source.textured) source.texture = *e.texture;
  source.shift = shift;
  if (!e.polygons.empty() || !e.meshes.empty()) {
    if (source.opaque) {
      TakeSolidShape(e, shift, l);
      FaceMaterial(e.color, whiteForBlack != 0, (option & 1) != 0, 1.0, l.cutAmbient.data(), l.cutDiffuse.data());
    }
    source.triangles = Triangulate(e, source.opaque);
  }
  source.meshes.assign(e.meshes.begin(), e.meshes.end());
  source.lines = e.lines;
  source.outlines = e.outlines;
  source.markLines = e.markLines;
  source.points = e.points;
  source.markPoints = e.markPoints;
  source.meshEdges = MeshEdgeCount(e.meshes);
  if (!drawStraight_) {
    CompileFrom(source);
    return;
  }
  // Straight: the counts come without drawing, and the source stays.
  source.meshTriangles = CountMeshTriangles(source.meshes);
  l.faceCount = static_cast<int>(source.triangles.size() + source.meshTriangles);
  l.lineCount = static_cast<int>(source.lines.size() + source.outlines.size() + source.meshEdges);
  l.pointCount = static_cast<int>(source.points.size());
  l.markCount = static_cast<int>(source.markPoints.size() + source.markLines.size());
  straight_ = std::make_unique<OGLListSource>(std::move(source));
  straight_->Own();
}

void COGLDispTree::CompileFrom(const OGLListSource& source) {
  OGLDispLists& l = *lists_;
  auto compile = [&](ListPass pass, size_t* meshTriangles) {
    const GLuint id = glGenLists(1);
    if (id == 0) return korvex::GLDisplayList();
    glNewList(id, GL_COMPILE);
    const size_t drawn = EmitListPass(source, pass);
    if (meshTriangles != nullptr) *meshTriangles = drawn;
    glEndList();
    return korvex::GLDisplayList(id);
  };
  // The mesh faces are counted as they are compiled; a face list that drew
  // no triangle goes again. The lists are made in the order they always
  // were: opaque faces, lines, transparent faces, outlines, points, marks.
  l.faceCount = 0;
  l.lineCount = 0;
  auto faces = [&](bool opaque) {
    if (!source.HasFaces() || source.opaque != opaque) return;
    size_t meshTriangles = 0;
    korvex::GLDisplayList& list = opaque ? l.faceList : l.transparentList;
    list = compile(opaque ? ListPass::Faces : ListPass::Transparent, &meshTriangles);
    l.faceCount = static_cast<int>(source.triangles.size() + meshTriangles);
    if (l.faceCount == 0) list.Reset();
  };
  faces(true);
  if (PassHasContents(source, ListPass::Lines)) {
    l.lineCount += static_cast<int>(source.lines.size());
    l.lineList = compile(ListPass::Lines, nullptr);
  }
  faces(false);
  if (PassHasContents(source, ListPass::Outlines)) {
    l.lineCount += static_cast<int>(source.outlines.size() + source.meshEdges);
    l.outlineList = compile(ListPass::Outlines, nullptr);
  }
  l.pointCount = static_cast<int>(source.points.size());
  if (PassHasContents(source, ListPass::Points)) l.pointList = compile(ListPass::Points, nullptr);
  l.markCount = static_cast<int>(source.markPoints.size() + source.markLines.size());
  if (PassHasContents(source, ListPass::Marks)) l.markList = compile(ListPass::Marks, nullptr);
}

size_t OGLBatchRecord::Primitives() const {
  return faces.size() / 12 + (lines.size() + outlines.size() + markLines.size()) / 6 +
         (points.size() + markPoints.size()) / 3;
}

bool COGLDispTree::ShareableElement(const OGLDispElement& e) const {
  // A picture on the faces needs its own texture binding, and a rotated or
  // scaled child its own matrix: those keep lists of their own.
  if (e.texture != nullptr || !IsIdentityPlacement(e.axis, e.angle, e.scale)) return false;
  size_t primitives = e.polygons.size() + e.lines.size() + e.outlines.size() + e.markLines.size() +
                      e.points.size() + e.markPoints.size();
  for (const GMMesh* mesh : e.meshes) primitives += static_cast<size_t>(mesh->faceCount + mesh->edgeCount);
  return primitives <= kShareablePrimitives;
}

void COGLDispTree::BuildRecord(const OGLDispElement& e) {
  OGLDispLists& l = *lists_;
  l.name = e.name;
  origin = e.origin;
  axis = e.axis;
  angle = e.angle;
  scale = e.scale;
  shift = e.shift;
  record_ = std::make_unique<OGLBatchRecord>();
  OGLBatchRecord& r = *record_;
  const Rgba c = Channels(e.color);
  const bool opaque = c.a == 255.0;
  r.transparent = !opaque;
  FaceMaterial(e.color, whiteForBlack != 0, (option & 1) != 0, opaque ? 1.0 : c.a / 255.0, r.ambient, r.diffuse);
  r.colourDiffuse[0] = static_cast<float>(c.r / 255.0);
  r.colourDiffuse[1] = static_cast<float>(c.g / 255.0);
  r.colourDiffuse[2] = static_cast<float>(c.b / 255.0);
  r.colourDiffuse[3] = 1.0f;
  r.colour[0] = static_cast<uint8_t>(c.r);
  r.colour[1] = static_cast<uint8_t>(c.g);
  r.colour[2] = static_cast<uint8_t>(c.b);
  r.colour[3] = 255;
  r.outlineDiffuse = options[0] != 0;

  if (opaque && (!e.polygons.empty() || !e.meshes.empty())) {
    // A section fills the cut of a shared solid as of one with lists of
    // its own.
    TakeSolidShape(e, shift, l);
    std::copy(std::begin(r.ambient), std::end(r.ambient), l.cutAmbient.begin());
    std::copy(std::begin(r.diffuse), std::end(r.diffuse), l.cutDiffuse.begin());
  }
  if (!e.polygons.empty() || !e.meshes.empty()) {
    for (const OGLTriangle& t : Triangulate(e, opaque)) PushTriangle(r.faces, t, shift);
    ForEachMeshTriangle(e.meshes, opaque, [&](const OGLTriangle& t) { PushTriangle(r.faces, t, shift); });
  }
  PushSegments(r.lines, e.lines, shift);
  PushSegments(r.outlines, e.outlines, shift);
  for (const GMMesh* mesh : e.meshes)
    for (const GMMeshEdge& edge : mesh->Edges())
      if (ValidEdge(*mesh, edge)) {
        PushFloats(r.outlines, mesh->Position(edge.first), shift);
        PushFloats(r.outlines, mesh->Position(edge.second), shift);
      }
  for (const GMVector& p : e.points) PushFloats(r.points, p, shift);
  for (const GMVector& p : e.markPoints) PushFloats(r.markPoints, p, shift);
  PushSegments(r.markLines, e.markLines, shift);
  l.faceCount = static_cast<int>(r.faces.size() / 12);
  l.lineCount = static_cast<int>((r.lines.size() + r.outlines.size()) / 6);
  l.pointCount = static_cast<int>(r.points.size() / 3);
  l.markCount = static_cast<int>(r.markPoints.size() / 3 + r.markLines.size() / 6);
  r.faces.shrink_to_fit();
  r.outlines.shrink_to_fit();
}

void COGLDispTree::JoinBlock(COGLDispTree* child) {
  // Children join the newest block until it is full: children next to each
  // other in a model are mostly next to each other on the site.
  const size_t primitives = child->record_->Primitives();
  if (blocks_.empty() || (!blocks_.back()->members.empty() && blocks_.back()->primitives + primitives > blockPrimitives_))
    blocks_.push_back(std::make_unique<Block>());
  Block& block = *blocks_.back();
  block.members.push_back(child);
  block.primitives += primitives;
  block.dirty = true;
  child->block_ = &block;
}

void COGLDispTree::LeaveBlock(COGLDispTree* child) {
  Block* block = child->block_;
  child->block_ = nullptr;
  std::erase(block->members, child);
  block->dirty = true;
  if (block->members.empty())
    std::erase_if(blocks_, [block](const std::unique_ptr<Block>& b) { return b.get() == block; });
}

void COGLDispTree::DrawBlocks(Pass pass) {
  // Picking draws the blocks as they are, a name per child; the shared
  // lists carry no names, so that a frame replays long runs of triangles.
  GLint mode = GL_RENDER;
  glGetIntegerv(GL_RENDER_MODE, &mode);
  const bool selecting = mode == GL_SELECT;
  for (const std::unique_ptr<Block>& owned : blocks_) {
    Block& block = *owned;
    if (selecting) {
      EmitBlock(block, pass, true);
      continue;
    }
    if (drawStraight_) {
      // The calls the block's list would hold, issued as they come.
      for (COGLDispTree* member : block.members) member->recordDrawn_ = member->visible != 0;
      block.dirty = true;
      EmitBlock(block, pass, false);
      continue;
    }
    if (!block.dirty) {
      // A child hidden or shown since the compile, or a new local origin,
      // makes the block's lists stale.
      block.dirty = block.compiledShift.x != shift.x || block.compiledShift.y != shift.y ||
                    block.compiledShift.z != shift.z;
      for (size_t i = 0; i < block.members.size() && !block.dirty; ++i)
        block.dirty = (block.members[i]->visible != 0) != block.members[i]->recordDrawn_;
    }
    if (block.dirty) CompileBlock(block);
    if (const unsigned id = block.lists[static_cast<size_t>(pass)].Id(); id != 0) glCallList(id);
  }
}

void COGLDispTree::CompileBlock(Block& block) {
  block.primitives = 0;
  for (COGLDispTree* member : block.members) {
    member->recordDrawn_ = member->visible != 0;
    block.primitives += member->record_->Primitives();
  }
  for (size_t p = 0; p < block.lists.size(); ++p) {
    // The old list goes first, so that its id is free again.
    block.lists[p].Reset();
    const Pass pass = static_cast<Pass>(p);
    bool any = false;
    for (const COGLDispTree* member : block.members) {
      if (!member->recordDrawn_) continue;
      const OGLBatchRecord& r = *member->record_;
      switch (pass) {
        case Pass::Faces: any = !r.faces.empty() && !r.transparent; break;
        case Pass::Transparent: any = !r.faces.empty() && r.transparent; break;
        case Pass::Lines: any = !r.lines.empty(); break;
        case Pass::Outlines: any = !r.outlines.empty(); break;
        case Pass::Points: any = !r.points.empty(); break;
        case Pass::Marks: any = !r.markPoints.empty() || !r.markLines.empty(); break;
        case Pass::Visit: break;
      }
      if (any) break;
    }
    if (!any) continue;
    const GLuint id = glGenLists(1);
    if (id == 0) continue;
    glNewList(id, GL_COMPILE);
    EmitBlock(block, pass, false);
    glEndList();
    block.lists[p] = korvex::GLDisplayList(id);
  }
  block.compiledShift = shift;
  block.dirty = false;
  ++blockCompiles_;
}

void COGLDispTree::EmitBlock(const Block& block, Pass pass, bool named) const {
  // Each child draws with the materials its own lists would set; a material
  // is set again only when it changes from one child to the next.
  glPushAttrib(GL_LIGHTING_BIT);
  const float* ambient = nullptr;
  const float* diffuse = nullptr;
  const uint8_t* colour = nullptr;
  auto setDiffuse = [&](const float* d) {
    if (diffuse == nullptr || !SameFloats(diffuse, d, 4)) glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, d);
    diffuse = d;
  };
  auto setColour = [&](const uint8_t* c) {
    if (colour == nullptr || std::memcmp(colour, c, 4) != 0) glColor4ub(c[0], c[1], c[2], c[3]);
    colour = c;
  };
  // Outlines leave the diffuse colour alone unless the option word asks
  // for it: children that leave it go first, before any child sets it.
  for (int round = 0; round < (pass == Pass::Outlines ? 2 : 1); ++round)
    for (const COGLDispTree* member : block.members) {
      const bool shown = named ? member->visible != 0 : member->recordDrawn_;
      if (!shown) continue;
      const OGLBatchRecord& r = *member->record_;
      const GMVector anchor{member->shift.x + member->origin.x, member->shift.y + member->origin.y,
                            member->shift.z + member->origin.z};
      const GMVector move{anchor.x - shift.x, anchor.y - shift.y, anchor.z - shift.z};
      const bool moved = move.x != 0.0 || move.y != 0.0 || move.z != 0.0;
      bool drawn = false;
      auto begin = [&] {
        if (named && !drawn) glPushName(static_cast<GLuint>(member->lists_->name));
        drawn = true;
      };
      switch (pass) {
        case Pass::Faces:
        case Pass::Transparent: {
          if (r.faces.empty() || r.transparent != (pass == Pass::Transparent)) break;
          begin();
          if (ambient == nullptr || !SameFloats(ambient, r.ambient, 4))
            glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, r.ambient);
          ambient = r.ambient;
          setDiffuse(r.diffuse);
          glBegin(GL_TRIANGLES);
          for (size_t i = 0; i + 12 <= r.faces.size(); i += 12) {
            glNormal3fv(&r.faces[i]);
            for (size_t k = 0; k < 3; ++k) RecordVertex(&r.faces[i + 3 + 3 * k], move, moved);
          }
          glEnd();
          break;
        }
        case Pass::Lines:
          if (r.lines.empty()) break;
          begin();
          setDiffuse(r.colourDiffuse);
          setColour(r.colour);
          EmitRecordVertices(GL_LINES, r.lines, move, moved);
          break;
        case Pass::Outlines:
          if (r.outlines.empty() || r.outlineDiffuse != (round == 1)) break;
          begin();
          if (r.outlineDiffuse) setDiffuse(r.colourDiffuse);
          setColour(r.colour);
          EmitRecordVertices(GL_LINES, r.outlines, move, moved);
          break;
        case Pass::Points:
          if (r.points.empty()) break;
          begin();
          setDiffuse(r.colourDiffuse);
          setColour(r.colour);
          EmitRecordVertices(GL_POINTS, r.points, move, moved);
          break;
        case Pass::Marks:
          if (r.markPoints.empty() && r.markLines.empty()) break;
          begin();
          setDiffuse(r.colourDiffuse);
          setColour(r.colour);
          EmitRecordVertices(GL_POINTS, r.markPoints, move, moved);
          EmitRecordVertices(GL_LINES, r.markLines, move, moved);
          break;
        case Pass::Visit:
          break;
      }
      if (named && drawn) glPopName();
    }
  glPopAttrib();
}
