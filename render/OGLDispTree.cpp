#include "render/OGLDispTree.h"

#include <cmath>
#include <vector>

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
// ones that of their first triangle, as for polygons. Returns the triangles
// drawn.
size_t EmitMeshFaces(std::span<const GMMesh* const> meshes, bool planeNormals, const StereonTexture* texture,
                     const GMVector& shift) {
  size_t count = 0;
  GMPolygon face;
  std::vector<OGLTriangle> triangles;
  glBegin(GL_TRIANGLES);
  for (const GMMesh* mesh : meshes)
    for (const GMMeshFace& f : mesh->Faces()) {
      face.points.clear();
      for (const int32_t i : f.Indices())
        if (i >= 0 && i < mesh->vertexCount) face.points.push_back(mesh->Position(i));
      const GMVector normal =
          planeNormals && face.Count() >= 3 ? GMPolygonNormal(face, kTolerance) : GMUndefinedVector();
      triangles.clear();
      OGLAppendFaceTriangles(face, normal, triangles);
      for (const OGLTriangle& t : triangles) EmitTriangle(t, texture, shift);
      count += triangles.size();
    }
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

bool IsIdentityPlacement(const GMVector& axis, double angle, const GMVector& scale) {
  return (angle == 0.0 || (axis.x == 0.0 && axis.y == 0.0 && axis.z == 0.0)) && scale.x == 1.0 && scale.y == 1.0 &&
         scale.z == 1.0;
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

COGLDispTree::~COGLDispTree() { COGLDispTree::RemoveAll(); }

void COGLDispTree::RemoveAt(int index) {
  if (index < 0 || index >= GetCount()) return;
  auto* child = static_cast<COGLDispTree*>(CPlainList::GetAt(index));
  CPlainList::RemoveAt(index);
  delete child;
}

void COGLDispTree::RemoveAll() {
  std::vector<COGLDispTree*> children;
  for (CPlainItem* it = Head(); it != nullptr; it = it->GetNext()) children.push_back(static_cast<COGLDispTree*>(it->GetData()));
  CPlainList::RemoveAll();
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

int COGLDispTree::CountPickable() const {
  if (!lists_) return 0;
  int count = lists_->faceCount + lists_->lineCount;
  for (CPlainItem* it = Head(); it != nullptr; it = it->GetNext())
    count += static_cast<const COGLDispTree*>(it->GetData())->CountPickable();
  return count;
}

const OGLDispLists* COGLDispTree::GetLists() const { return lists_.get(); }

void COGLDispTree::SwapOptions(OptionWords& out, const OptionWords& in) {
  const OptionWords mine = options;
  options = in;
  out = mine;
}

int COGLDispTree::AddChild(std::unique_ptr<COGLDispTree> node) {
  if (!node) return -1;
  node->parent_ = this;
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

void COGLDispTree::DrawPass(Pass pass, const GMVector& parentShift) {
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
    }
    if (id != 0) glCallList(id);
  }
  for (CPlainItem* it = Head(); it != nullptr; it = it->GetNext())
    static_cast<COGLDispTree*>(it->GetData())->DrawPass(pass, shift);
  if (placed) glPopMatrix();
}

void COGLDispTree::Build(const OGLDispElement* element) {
  // The old lists go first, so that their ids are free again.
  lists_ = std::make_unique<OGLDispLists>();
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

  // Every list keeps its materials to itself (lighting attributes pushed)
  // and names itself for picking; the node's placement is applied around it
  // as the tree is drawn.
  auto compile = [&](auto&& contents) {
    const GLuint id = glGenLists(1);
    if (id == 0) return korvex::GLDisplayList();
    glNewList(id, GL_COMPILE);
    glPushAttrib(GL_LIGHTING_BIT);
    glPushName(static_cast<GLuint>(e.name));
    contents();
    glPopName();
    glPopAttrib();
    glEndList();
    return korvex::GLDisplayList(id);
  };

  const Rgba c = Channels(e.color);
  const bool opaque = c.a == 255.0;
  // The face colour: pure black turns white when asked; highlighting lightens
  // the diffuse colour halfway to white.
  Rgba k = c;
  if (whiteForBlack && k.r == 0.0 && k.g == 0.0 && k.b == 0.0) k.r = k.g = k.b = 255.0;
  auto faceMaterial = [&](double alpha) {
    SetMaterial(GL_AMBIENT, k.r * 0.5 / 255.0, k.g * 0.5 / 255.0, k.b * 0.5 / 255.0, alpha);
    if (option & 1)
      SetMaterial(GL_DIFFUSE, (k.r + (255.0 - k.r) * 0.5) / 255.0, (k.g + (255.0 - k.g) * 0.5) / 255.0,
                  (k.b + (255.0 - k.b) * 0.5) / 255.0, alpha);
    else
      SetMaterial(GL_DIFFUSE, k.r / 255.0, k.g / 255.0, k.b / 255.0, alpha);
  };

  if (opaque && (!e.polygons.empty() || !e.meshes.empty())) {
    const std::vector<OGLTriangle> triangles = Triangulate(e, true);
    size_t meshTriangles = 0;
    if (!triangles.empty() || !e.meshes.empty()) {
      l.faceList = compile([&] {
        faceMaterial(1.0);
        const bool textured = e.texture != nullptr && e.texture->textureId != 0;
        if (textured) {
          glBindTexture(GL_TEXTURE_2D, e.texture->textureId);
          glEnable(GL_TEXTURE_2D);
        }
        EmitTriangles(triangles, textured ? e.texture : nullptr, shift);
        if (!e.meshes.empty()) meshTriangles = EmitMeshFaces(e.meshes, true, textured ? e.texture : nullptr, shift);
        if (textured) glDisable(GL_TEXTURE_2D);
      });
    }
    l.faceCount += static_cast<int>(triangles.size() + meshTriangles);
    if (triangles.size() + meshTriangles == 0) l.faceList.Reset();
  }
  if (!e.lines.empty()) {
    l.lineCount += static_cast<int>(e.lines.size());
    l.lineList = compile([&] {
      SetDiffuse(e.color);
      SetCurrentColor(e.color);
      EmitSegments(e.lines, shift);
    });
  }
  if (!opaque && (!e.polygons.empty() || !e.meshes.empty())) {
    const std::vector<OGLTriangle> triangles = Triangulate(e, false);
    size_t meshTriangles = 0;
    l.transparentList = compile([&] {
      faceMaterial(c.a / 255.0);
      EmitTriangles(triangles, nullptr, shift);
      if (!e.meshes.empty()) meshTriangles = EmitMeshFaces(e.meshes, false, nullptr, shift);
    });
    l.faceCount += static_cast<int>(triangles.size() + meshTriangles);
    if (triangles.size() + meshTriangles == 0) l.transparentList.Reset();
  }
  if (const size_t meshEdges = MeshEdgeCount(e.meshes); !e.outlines.empty() || meshEdges > 0) {
    l.lineCount += static_cast<int>(e.outlines.size() + meshEdges);
    l.outlineList = compile([&] {
      if (options[0] != 0) SetDiffuse(e.color);
      SetCurrentColor(e.color);
      if (!e.outlines.empty()) EmitSegments(e.outlines, shift);
      if (meshEdges > 0) EmitMeshEdges(e.meshes, shift);
    });
  }
  if (!e.points.empty()) {
    l.pointCount += static_cast<int>(e.points.size());
    l.pointList = compile([&] {
      SetDiffuse(e.color);
      SetCurrentColor(e.color);
      EmitPoints(e.points, shift);
    });
  }
  if (!e.markPoints.empty() || !e.markLines.empty()) {
    l.markCount += static_cast<int>(e.markPoints.size() + e.markLines.size());
    l.markList = compile([&] {
      SetDiffuse(e.color);
      SetCurrentColor(e.color);
      if (!e.markPoints.empty()) EmitPoints(e.markPoints, shift);
      if (!e.markLines.empty()) EmitSegments(e.markLines, shift);
    });
  }
}
