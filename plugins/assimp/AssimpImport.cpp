#include "plugins/assimp/AssimpScene.h"

#include <assimp/BaseImporter.h>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "geometry/gm_polygon_detail.h"
#include "geometry/gm_vector.h"
#include "model/FigureTessellation.h"
#include "plugins/assimp/AssimpShared.h"
#include "plugins/assimp/AtOnce.h"
#include "plugins/assimp/ConfinedIO.h"
#include "plugins/assimp/ObjReader.h"
#include "plugins/assimp/PositionWelder.h"

namespace korvex::assimp {

namespace {

constexpr FormatInfo kFormats[] = {
    {"obj", "Wavefront OBJ (*.obj)", "obj", true},
    {"gltf", "glTF 2.0 (*.gltf)", "gltf2", true, true},
    {"glb", "glTF 2.0 binary (*.glb)", "glb2", true, true},
    {"ifc", "IFC (*.ifc)", nullptr, true},
    {"dae", "Collada (*.dae)", "collada", true},
    {"3ds", "3D Studio (*.3ds)", nullptr, true},
    {"stl", "STL (*.stl)", "stlb", false},
    {"ply", "Stanford PLY (*.ply)", "plyb", false},
    {"fbx", "Autodesk FBX (*.fbx)", nullptr, true},
};

Matrix ToDouble(const aiMatrix4x4& f) {
  Matrix m;
  const float* src = f[0];
  double* dst = m[0];
  for (int i = 0; i < 16; ++i) dst[i] = src[i];
  return m;
}

GMVector Apply(const Matrix& m, const GMVector& p) {
  return {m.a1 * p.x + m.a2 * p.y + m.a3 * p.z + m.a4, m.b1 * p.x + m.b2 * p.y + m.b3 * p.z + m.b4,
          m.c1 * p.x + m.c2 * p.y + m.c3 * p.z + m.c4};
}

GMVector ApplyDirection(const Matrix& m, const GMVector& d) {
  return {m.a1 * d.x + m.a2 * d.y + m.a3 * d.z, m.b1 * d.x + m.b2 * d.y + m.b3 * d.z,
          m.c1 * d.x + m.c2 * d.y + m.c3 * d.z};
}

// The placement of a node when the matrix is a rotation with scale factors
// along the node's own axes and a translation (what a node's attribute record
// can hold: scaled, then rotated, then moved). False for shear, perspective or
// a scale that is not along the axes.
bool Decompose(const Matrix& m, InkAttributes& a) {
  const double* entries = m[0];
  if (!std::all_of(entries, entries + 16, [](double v) { return std::isfinite(v); })) return false;
  if (std::abs(m.d1) > kTolerance || std::abs(m.d2) > kTolerance || std::abs(m.d3) > kTolerance ||
      std::abs(m.d4 - 1.0) > kTolerance)
    return false;
  GMVector axis[3] = {{m.a1, m.b1, m.c1}, {m.a2, m.b2, m.c2}, {m.a3, m.b3, m.c3}};
  double scale[3];
  for (int i = 0; i < 3; ++i) {
    scale[i] = GMLength(axis[i]);
    if (!(scale[i] > 1e-12) || !std::isfinite(scale[i])) return false;
    axis[i] = {axis[i].x / scale[i], axis[i].y / scale[i], axis[i].z / scale[i]};
  }
  constexpr double kOrthogonal = 1e-6;
  if (std::abs(GMDot(axis[0], axis[1])) > kOrthogonal || std::abs(GMDot(axis[0], axis[2])) > kOrthogonal ||
      std::abs(GMDot(axis[1], axis[2])) > kOrthogonal)
    return false;
  // A mirror becomes a negative scale along x, leaving a proper rotation.
  const GMVector cross = GMCross(axis[0], axis[1]);
  if (GMDot(cross, axis[2]) < 0.0) {
    scale[0] = -scale[0];
    axis[0] = {-axis[0].x, -axis[0].y, -axis[0].z};
  }
  // The rotation's quaternion (columns are the rotated axes).
  const double r00 = axis[0].x, r10 = axis[0].y, r20 = axis[0].z;
  const double r01 = axis[1].x, r11 = axis[1].y, r21 = axis[1].z;
  const double r02 = axis[2].x, r12 = axis[2].y, r22 = axis[2].z;
  double w, x, y, z;
  const double trace = r00 + r11 + r22;
  if (trace > 0.0) {
    const double s = 2.0 * std::sqrt(trace + 1.0);
    w = 0.25 * s, x = (r21 - r12) / s, y = (r02 - r20) / s, z = (r10 - r01) / s;
  } else if (r00 > r11 && r00 > r22) {
    const double s = 2.0 * std::sqrt(1.0 + r00 - r11 - r22);
    w = (r21 - r12) / s, x = 0.25 * s, y = (r01 + r10) / s, z = (r02 + r20) / s;
  } else if (r11 > r22) {
    const double s = 2.0 * std::sqrt(1.0 + r11 - r00 - r22);
    w = (r02 - r20) / s, x = (r01 + r10) / s, y = 0.25 * s, z = (r12 + r21) / s;
  } else {
    const double s = 2.0 * std::sqrt(1.0 + r22 - r00 - r11);
    w = (r10 - r01) / s, x = (r02 + r20) / s, y = (r12 + r21) / s, z = 0.25 * s;
  }
  const double sine = std::sqrt(x * x + y * y + z * z);
  a.scale = {scale[0], scale[1], scale[2]};
  a.origin = {m.a4, m.b4, m.c4};
  if (sine < 1e-15) {
    a.rotationAxis = {0.0, 0.0, 1.0};
    a.rotationAngle = 0.0;
  } else {
    a.rotationAxis = {x / sine, y / sine, z / sine};
    a.rotationAngle = 2.0 * std::atan2(sine, w);
  }
  return true;
}

// --- names and colours ------------------------------------------------------

// Shift-JIS text cut to the 63 bytes a name holds, never inside a character.
std::string NodeName(const aiString& name) {
  std::string text = Utf8ToCp932(std::string_view(name.C_Str(), name.length));
  size_t end = 0;
  while (end < text.size()) {
    const auto lead = static_cast<uint8_t>(text[end]);
    const size_t width = ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) ? 2 : 1;
    if (end + width > 63) break;
    end += width;
  }
  text.resize(std::min(end, text.size()));
  return text;
}

uint8_t Channel(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 1.0) return 255;
  return static_cast<uint8_t>(std::lround(v * 255.0));
}

uint32_t MaterialColour(const aiScene& scene, unsigned index) {
  if (index >= scene.mNumMaterials || !scene.mMaterials[index]) return kDefaultColour;
  const aiMaterial& material = *scene.mMaterials[index];
  aiColor4D diffuse;
  if (aiGetMaterialColor(&material, AI_MATKEY_COLOR_DIFFUSE, &diffuse) != AI_SUCCESS) return kDefaultColour;
  // Importers that know an opacity state it separately (some also repeat it
  // in the diffuse alpha); it is the one to trust.
  double alpha = diffuse.a;
  float opacity = 1.0f;
  if (aiGetMaterialFloat(&material, AI_MATKEY_OPACITY, &opacity) == AI_SUCCESS) alpha = opacity;
  return uint32_t(Channel(diffuse.r)) | uint32_t(Channel(diffuse.g)) << 8 | uint32_t(Channel(diffuse.b)) << 16 |
         uint32_t(Channel(alpha)) << 24;
}

// --- meshes -------------------------------------------------------------------

// Every undirected edge of the face loops once, with the first two distinct
// faces along it in face order (-1 for none). Edges are gathered per lower
// vertex, so the work stays in small, nearby buckets.
struct EdgeTable {
  std::vector<GMMeshEdge> edges;
  std::vector<std::pair<int32_t, int32_t>> faces;
};

EdgeTable EdgesOfLoops(size_t vertexCount, const std::vector<GMMeshFace>& faces) {
  std::vector<int32_t> start(vertexCount + 1, 0);
  for (const GMMeshFace& face : faces)
    for (int32_t k = 0; k < face.count; ++k)
      ++start[static_cast<size_t>(std::min(face.indices[k], face.indices[(k + 1) % face.count])) + 1];
  for (size_t v = 0; v < vertexCount; ++v) start[v + 1] += start[v];
  struct Side {
    int32_t other;
    int32_t face;
    int32_t first;  // which end the face's loop met first, for the edge's direction
  };
  std::vector<Side> sides(static_cast<size_t>(start[vertexCount]));
  std::vector<int32_t> fill(start.begin(), start.end() - 1);
  for (size_t f = 0; f < faces.size(); ++f) {
    const GMMeshFace& face = faces[f];
    for (int32_t k = 0; k < face.count; ++k) {
      const int32_t a = face.indices[k], b = face.indices[(k + 1) % face.count];
      const int32_t lo = std::min(a, b);
      sides[static_cast<size_t>(fill[static_cast<size_t>(lo)]++)] = {std::max(a, b), static_cast<int32_t>(f), a};
    }
  }
  EdgeTable table;
  table.edges.reserve(sides.size() / 2 + 1);
  table.faces.reserve(sides.size() / 2 + 1);
  for (size_t v = 0; v < vertexCount; ++v) {
    const size_t begin = static_cast<size_t>(start[v]), end = static_cast<size_t>(start[v + 1]);
    const size_t firstEdge = table.edges.size();
    for (size_t s = begin; s < end; ++s) {
      const Side& side = sides[s];
      size_t e = firstEdge;
      while (e < table.edges.size() && std::max(table.edges[e].first, table.edges[e].second) != side.other) ++e;
      if (e == table.edges.size()) {
        const int32_t lo = static_cast<int32_t>(v);
        table.edges.push_back(side.first == lo ? GMMeshEdge{lo, side.other, -1} : GMMeshEdge{side.other, lo, -1});
        table.faces.emplace_back(side.face, -1);
      } else if (auto& f = table.faces[e]; f.first != side.face && f.second < 0) {
        f.second = side.face;
      }
    }
  }
  return table;
}

// The mesh operations' tests, written out here so that the millions of calls
// a large model makes are inlined.
bool Near(double a, double b, double tol) { return std::abs(a - b) <= tol; }
bool SamePoint(const GMVector& a, const GMVector& b, double tol) {
  return Near(a.x, b.x, tol) && Near(a.y, b.y, tol) && Near(a.z, b.z, tol);
}
GMVector Unit(const GMVector& v) {
  const double length = GMLength(v);
  if (length == 0.0) return GMUndefinedVector();
  return {v.x / length, v.y / length, v.z / length};
}

// Runs work(begin, end) over 0 .. count, in two halves at once when the
// count is large. Each half writes only its own part of the results, so the
// outcome is that of one pass.
template <typename Work>
void OnBothCores(size_t count, Work&& work) {
  constexpr size_t kWorthAThread = 1 << 15;
  if (count < kWorthAThread) {
    work(size_t{0}, count);
    return;
  }
  const size_t half = count / 2;
  AtOnce([&] { work(size_t{0}, half); }, [&] { work(half, count); });
}

// The unit normal of a face as the mesh operations take it; a triangle with
// three distinct corners has the normal of its one plane.
GMVector FaceNormal(const GMMeshFace& face, std::span<const GMVector> positions) {
  auto at = [&](int k) -> const GMVector& { return positions[static_cast<size_t>(face.indices[k])]; };
  if (face.count == 3) {
    const GMVector &p0 = at(0), &p1 = at(1), &p2 = at(2);
    if (!SamePoint(p0, p1, kTolerance) && !SamePoint(p1, p2, kTolerance) && !SamePoint(p0, p2, kTolerance)) {
      const GMVector u{p0.x - p1.x, p0.y - p1.y, p0.z - p1.z}, v{p0.x - p2.x, p0.y - p2.y, p0.z - p2.z};
      return Unit({u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x});
    }
  }
  return gm_detail::PolygonNormalAt(face.count, at, kTolerance);
}

// The edge table finalised as FinaliseMeshEdges (threshold: the crease angle)
// leaves it, from the faces gathered while the table was built: an edge
// between two faces stays only where they meet at the crease angle or more,
// so a curved surface tessellated into triangles shows its outline and its
// feature edges, not every triangle; an edge with one face stays with that
// face's index. A model of millions of triangles would otherwise spend most
// of its conversion building an index and a polygon per face.
std::vector<GMMeshEdge> FeatureEdges(const EdgeTable& table, std::span<const GMMeshFace> faces,
                                     std::span<const GMVector> positions) {
  std::vector<GMVector> normals(faces.size());
  OnBothCores(faces.size(), [&](size_t begin, size_t end) {
    for (size_t f = begin; f < end; ++f) normals[f] = FaceNormal(faces[f], positions);
  });
  // Each edge's fate first, on both cores; the kept edges then in table order.
  enum : uint8_t { kDropped, kInner, kOpen };
  std::vector<uint8_t> fate(table.edges.size());
  OnBothCores(fate.size(), [&](size_t begin, size_t end) {
    for (size_t e = begin; e < end; ++e) {
      const auto [first, second] = table.faces[e];
      if (second < 0) {
        fate[e] = kOpen;
        continue;
      }
      const GMVector& n1 = normals[static_cast<size_t>(first)];
      const GMVector& n2 = normals[static_cast<size_t>(second)];
      fate[e] = GMIsUndefined(n1) || GMIsUndefined(n2) || FoldedAtCrease(n1, n2) ? kInner : kDropped;
    }
  });
  std::vector<GMMeshEdge> kept;
  kept.reserve(table.edges.size());
  for (size_t e = 0; e < table.edges.size(); ++e) {
    const GMMeshEdge& edge = table.edges[e];
    if (fate[e] == kOpen)
      kept.push_back({edge.first, edge.second, table.faces[e].first});
    else if (fate[e] == kInner)
      kept.push_back({edge.first, edge.second, -1});
  }
  return kept;
}

struct Bounds {
  double extent = 0.0;  // the largest distance of a bounding-box corner from the origin
  bool any = false;
  GMVector min{}, max{};
  void Add(const GMVector& p) {
    if (!any) {
      min = max = p;
      any = true;
      return;
    }
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
  }
  double Reach() const {
    if (!any) return 0.0;
    const double x = std::max(std::abs(min.x), std::abs(max.x));
    const double y = std::max(std::abs(min.y), std::abs(max.y));
    const double z = std::max(std::abs(min.z), std::abs(max.z));
    return std::sqrt(x * x + y * y + z * z);
  }
};

// Adds the Assimp mesh to node as one mesh figure; vertices are first taken
// through bake (the part of the placement the node could not hold). Returns
// false when the mesh has no usable face.
bool AddMesh(CInkNode& node, const aiMesh& mesh, const Matrix* bake, const Matrix& world, Bounds& local,
             Bounds& worldBounds, uint32_t colour) {
  if (!mesh.mVertices || !mesh.mFaces || mesh.mNumVertices == 0 || mesh.mNumFaces == 0) return false;
  std::vector<GMVector> positions;
  std::vector<int32_t> welded(mesh.mNumVertices);
  {
    PositionWelder welder;
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) welded[i] = welder.Index(mesh.mVertices[i]);
    positions.reserve(welder.Positions().size());
    for (const aiVector3D& v : welder.Positions())
      positions.push_back(bake ? Apply(*bake, GMVector{v.x, v.y, v.z}) : GMVector{v.x, v.y, v.z});
  }
  // A file may hold corners that are not numbers or lie beyond any site (or
  // a placement that makes them so). The viewer would drop the whole figure
  // for one such corner, and a figure here is a whole mesh of the file, a
  // district perhaps: only the faces touching one are left out.
  bool allOnSite = true;
  for (const GMVector& p : positions) allOnSite = allOnSite && GMIsSiteCoordinate(p);

  // Face loops with welded indices; points, lines and faces that welding
  // collapsed below three corners are no surface and are left out.
  std::vector<int32_t> indices;
  indices.reserve(size_t{mesh.mNumFaces} * 3);
  std::vector<GMMeshFace> faces;
  faces.reserve(mesh.mNumFaces);
  for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
    const aiFace& face = mesh.mFaces[f];
    if (face.mNumIndices < 3 || !face.mIndices) continue;
    const size_t start = indices.size();
    for (unsigned k = 0; k < face.mNumIndices; ++k) {
      const unsigned source = face.mIndices[k];
      if (source >= mesh.mNumVertices || (!allOnSite && !GMIsSiteCoordinate(positions[size_t(welded[source])]))) {
        indices.resize(start);
        break;
      }
      const int32_t w = welded[source];
      if (indices.size() > start && indices.back() == w) continue;
      indices.push_back(w);
    }
    if (indices.size() > start + 1 && indices.back() == indices[start]) indices.pop_back();
    if (indices.size() - start < 3) {
      indices.resize(start);
      continue;
    }
    // The loops lie end to end in indices; they get their pointers once the
    // table no longer grows.
    faces.push_back({static_cast<int32_t>(indices.size() - start), nullptr});
  }
  std::vector<int32_t>().swap(welded);
  if (faces.empty()) return false;
  if (!allOnSite) {
    // The corners the kept faces use, in the order first used.
    std::vector<int32_t> renumbered(positions.size(), -1);
    std::vector<GMVector> used;
    for (int32_t& i : indices) {
      int32_t& to = renumbered[static_cast<size_t>(i)];
      if (to < 0) {
        to = static_cast<int32_t>(used.size());
        used.push_back(positions[static_cast<size_t>(i)]);
      }
      i = to;
    }
    positions.swap(used);
  }
  size_t at = 0;
  for (GMMeshFace& face : faces) {
    face.indices = indices.data() + at;
    at += static_cast<size_t>(face.count);
  }
  // Outlines show the model's feature edges, not every triangle's.
  const std::vector<GMMeshEdge> edges = FeatureEdges(EdgesOfLoops(positions.size(), faces), faces, positions);

  for (const GMVector& p : positions) {
    local.Add(p);
    worldBounds.Add(Apply(world, p));
  }

  // The figure's own records are made once, here, and handed to the node
  // as they are: a copy would hold a district's mesh twice at the peak.
  auto figure = std::make_unique<GMMesh>();
  figure->vertices = new InkVertex*[positions.size()]();
  for (const GMVector& p : positions) figure->vertices[figure->vertexCount++] = new InkVertex{p};
  std::vector<GMVector>().swap(positions);
  figure->SetEdges(edges);
  figure->faces = new GMMeshFace[faces.size()];
  for (const GMMeshFace& face : faces) {
    GMMeshFace& loop = figure->faces[figure->faceCount];
    loop.indices = new int32_t[static_cast<size_t>(face.count)];
    std::copy(face.indices, face.indices + face.count, loop.indices);
    loop.count = face.count;
    ++figure->faceCount;  // counted as made, so that a failure frees what exists
  }
  return node.AdoptMeshFigure(std::move(figure), static_cast<int>(colour)) >= 0;
}

struct Converter {
  const aiScene& scene;
  Bounds local, world;
  size_t figures = 0;

  // Converts source into node. pending is the placement the parent could not
  // hold; parentWorld is the world matrix of the parent's frame as the scene
  // will compute it.
  bool Node(const aiNode& source, CInkNode& node, const Matrix& pending, const Matrix& parentWorld, int depth) {
    if (depth > kMaxDepth) return false;
    const Matrix effective = pending * ToDouble(source.mTransformation);
    InkAttributes attributes;
    const bool placed = Decompose(effective, attributes);
    // A placement the node cannot hold is applied to its vertices instead.
    const Matrix* bake = placed ? nullptr : &effective;
    const Matrix nodeWorld = placed ? parentWorld * effective : parentWorld;

    node.Create(&attributes);
    node.SetName(NodeName(source.mName));
    // Meshes go by colour: the first colour stays with the node, each other
    // colour gets a child node of its own.
    std::map<uint32_t, CInkNode*> byColour;
    std::vector<CInkNode*> colourNodes;
    bool first = true;
    for (unsigned k = 0; k < source.mNumMeshes && source.mMeshes; ++k) {
      const unsigned m = source.mMeshes[k];
      if (m >= scene.mNumMeshes || !scene.mMeshes[m]) continue;
      const aiMesh& mesh = *scene.mMeshes[m];
      const uint32_t colour = MaterialColour(scene, mesh.mMaterialIndex);
      if (first) {
        node.GetAttributeRecord()->colour = colour;
        byColour[colour] = &node;
        first = false;
      }
      CInkNode*& target = byColour[colour];
      if (!target) {
        auto owned = std::make_unique<CInkNode>();
        InkAttributes plain;
        plain.colour = colour;
        owned->Create(&plain);
        aiString materialName;
        if (mesh.mMaterialIndex < scene.mNumMaterials && scene.mMaterials[mesh.mMaterialIndex] &&
            scene.mMaterials[mesh.mMaterialIndex]->Get(AI_MATKEY_NAME, materialName) == AI_SUCCESS &&
            materialName.length > 0)
          owned->SetName(NodeName(materialName));
        else
          owned->SetName(NodeName(source.mName));
        target = owned.get();
        colourNodes.push_back(owned.release());
      }
      if (AddMesh(*target, mesh, bake, nodeWorld, local, world, colour)) ++figures;
    }
    for (unsigned c = 0; c < source.mNumChildren && source.mChildren; ++c) {
      if (!source.mChildren[c]) continue;
      auto child = std::make_unique<CInkNode>();
      const Matrix identity;
      if (!Node(*source.mChildren[c], *child, placed ? identity : effective, nodeWorld, depth + 1)) {
        for (CInkNode* n : colourNodes) delete n;
        return false;
      }
      node.AddChild(child.release());
    }
    for (CInkNode* n : colourNodes) node.AddChild(n);
    return true;
  }
};

// World matrix of the node with the given name, or false.
bool NodeWorld(const aiNode* root, const aiString& name, const Matrix& top, Matrix& out) {
  const aiNode* node = root ? root->FindNode(name) : nullptr;
  if (!node) return false;
  Matrix m;
  for (const aiNode* n = node; n; n = n->mParent) m = ToDouble(n->mTransformation) * m;
  out = top * m;
  return true;
}

void TakeCamera(const aiScene& scene, const Matrix& top, const FormatInfo& format, InkSceneSettings& settings) {
  if (scene.mNumCameras == 0 || !scene.mCameras || !scene.mCameras[0]) return;
  const aiCamera& camera = *scene.mCameras[0];
  Matrix world;
  if (!NodeWorld(scene.mRootNode, camera.mName, top, world)) world = top;
  const GMVector position = format.gltfCamera ? GMVector{} : GMVector{camera.mPosition.x, camera.mPosition.y,
                                                                      camera.mPosition.z};
  const GMVector eye = Apply(world, position);
  const GMVector look = ApplyDirection(world, {camera.mLookAt.x, camera.mLookAt.y, camera.mLookAt.z});
  const GMVector up = ApplyDirection(world, {camera.mUp.x, camera.mUp.y, camera.mUp.z});
  if (!GMIsFinite(eye) || !(GMLength(look) > 0.0) || !(GMLength(up) > 0.0) || !GMIsFinite(look) || !GMIsFinite(up)) return;
  settings.eye = eye;
  settings.target = {eye.x + look.x, eye.y + look.y, eye.z + look.z};
  settings.up = up;
  // The block holds the whole vertical angle in degrees.
  const double aspect = camera.mAspect > 0.0f ? camera.mAspect : 1.0;
  const double horizontal = camera.mHorizontalFOV;
  const double vertical =
      format.gltfCamera ? horizontal / aspect : 2.0 * std::atan(std::tan(horizontal / 2.0) / aspect);
  if (vertical > 0.0 && vertical < 3.1) settings.viewAngle = vertical * 180.0 / 3.14159265358979323846;
  if (camera.mClipPlaneNear > 0.0f && std::isfinite(camera.mClipPlaneNear)) settings.nearClip = camera.mClipPlaneNear;
}

// Where several of Assimp's readers claim an extension (glTF 1 and 2 both
// claim ".gltf" and ".glb") and none recognises the file, Assimp offers it
// to every reader it has, some seventy, most of them for formats no one
// mails, and reads it as whatever takes it. A file named as this format is
// read as this format or not at all. (Where one reader claims the
// extension, Assimp uses it and no other.)
bool ReadAsItsFormat(const Assimp::Importer& importer, const char* path, const FormatInfo& format) {
  std::vector<Assimp::BaseImporter*> claimants;
  for (size_t i = 0; i < importer.GetImporterCount(); ++i) {
    Assimp::BaseImporter* reader = importer.GetImporter(i);
    if (reader == nullptr) continue;
    std::set<std::string> extensions;
    reader->GetExtensionList(extensions);
    if (extensions.count(format.extension) != 0) claimants.push_back(reader);
  }
  if (claimants.size() <= 1) return true;
  return std::any_of(claimants.begin(), claimants.end(), [&](Assimp::BaseImporter* reader) {
    return reader->CanRead(path, importer.GetIOHandler(), true);
  });
}

}  // namespace

bool FoldedAtCrease(const GMVector& u, const GMVector& v) {
  const GMVector a = Unit(u), b = Unit(v);
  // Faces that agree within the tolerance never fold: the common case inside
  // flat regions.
  if (SamePoint(a, b, kTolerance)) return false;
  // The rule below, angle >= crease and more than the tolerance from it, is
  // angle > crease + tolerance. Away from that angle the cosine decides it
  // alone (the square folds of every building); a band far wider than the
  // rounding of either side leaves the near cases to the arc cosine, so the
  // answer is always the rule's.
  static const double kFoldCosine = std::cos(kImportCreaseAngle + kTolerance);
  constexpr double kBand = 1e-9;
  const double c = a.x * b.x + a.y * b.y + a.z * b.z;
  if (c < kFoldCosine - kBand) return true;
  if (c > kFoldCosine + kBand) return false;
  const double angle = GMAngleBetween(a, b, kTolerance);
  return angle >= kImportCreaseAngle && std::abs(angle - kImportCreaseAngle) > kTolerance;
}

const FormatInfo* FindFormat(std::string_view extension) {
  for (const FormatInfo& f : kFormats)
    if (extension == f.extension) return &f;
  return nullptr;
}

std::unique_ptr<CInkNode> ConvertScene(const aiScene& scene, const FormatInfo& format, InkSceneSettings& settings) {
  if (!scene.mRootNode) return nullptr;
  const Matrix top = format.yUp ? YUpToZUp() : Matrix();
  Converter converter{scene, {}, {}, 0};
  // The returned tree is a holder: the scene keeps its children (the Assimp
  // root node among them) and its properties.
  auto holder = std::make_unique<CInkNode>();
  holder->Create(nullptr);
  auto root = std::make_unique<CInkNode>();
  if (!converter.Node(*scene.mRootNode, *root, top, Matrix(), 0)) return nullptr;
  holder->AddChild(root.release());
  if (converter.figures == 0) return nullptr;

  TakeCamera(scene, top, format, settings);
  // The viewer drops figures reaching beyond ten times the far plane; a far
  // plane of ten times the model's reach keeps a model in millimetres or in
  // site coordinates whole.
  const double reach = std::max(converter.local.Reach(), converter.world.Reach());
  if (std::isfinite(reach)) settings.farClip = std::max(settings.farClip, 10.0 * reach);
  return holder;
}

std::unique_ptr<CInkNode> ImportPlainObj(const char* path, const FormatInfo& format, InkSceneSettings& settings) {
  if (std::string_view(format.extension) != "obj") return nullptr;
  std::unique_ptr<ObjScene> plain = ReadPlainObj(path);
  if (!plain) return nullptr;
  std::unique_ptr<CInkNode> tree = ConvertScene(plain->Scene(), format, settings);
  plain.reset();
  // The reading's tables, some of them freed on the threads that read the
  // halves of the file, go back to the system now, before the viewer
  // compiles the model's display lists at its peak of memory.
  malloc_trim(0);
  return tree;
}

std::unique_ptr<CInkNode> ImportFile(const char* path, const FormatInfo& format, InkSceneSettings& settings) {
  // Plain OBJ files, as large sites come, are read by the lean reader; any
  // file it declines is Assimp's.
  if (auto tree = ImportPlainObj(path, format, settings)) return tree;
  Assimp::Importer importer;
  // The model and the files it names, only inside its own folder tree.
  importer.SetIOHandler(new ConfinedIOSystem(path));
  if (!ReadAsItsFormat(importer, path, format)) return nullptr;
  // Only what the conversion needs: faces as Assimp reads them (polygons
  // stay whole; the scene triangulates what it draws), and no normals,
  // texture coordinates or optimisation passes that would be thrown away.
  const aiScene* scene = importer.ReadFile(path, 0);
  if (!scene || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) return nullptr;
  return ConvertScene(*scene, format, settings);
}

}  // namespace korvex::assimp
