// Reading the ".ink" scene file: every count and index is checked against
// what the file can hold before anything is made of it.
#include "plugins/ink/InkFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "plugins/ink/InkFormatDetail.h"

namespace korvex::ink {

namespace {

// Reads values off the file image; after the first short read every further
// read gives zero and Ok() stays false.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data) : data_(data) {}
  bool Ok() const { return ok_; }
  void Fail() { ok_ = false; }
  size_t Remaining() const { return ok_ ? data_.size() - pos_ : 0; }
  bool AtEnd() const { return ok_ && pos_ == data_.size(); }

  std::span<const uint8_t> Take(size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
      ok_ = false;
      return {};
    }
    const auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  uint8_t U8() {
    const auto b = Take(1);
    return b.empty() ? 0 : b[0];
  }
  uint32_t U32() {
    const auto b = Take(4);
    uint32_t v = 0;
    for (size_t i = 0; i < b.size(); ++i) v |= uint32_t(b[i]) << (8 * i);
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint64_t U64() {
    const auto b = Take(8);
    uint64_t v = 0;
    for (size_t i = 0; i < b.size(); ++i) v |= uint64_t(b[i]) << (8 * i);
    return v;
  }
  double F64() { return std::bit_cast<double>(U64()); }
  GMVector Vec() {
    GMVector v;
    v.x = F64();
    v.y = F64();
    v.z = F64();
    return v;
  }
  // Names end at their first zero byte in the scene, so a writer never puts
  // one inside a text; a file that does would not read back as itself.
  std::string_view Text() {
    const uint8_t n = U8();
    if (n > kMaxName) Fail();
    const auto b = Take(n);
    if (std::find(b.begin(), b.end(), uint8_t{0}) != b.end()) Fail();
    return {reinterpret_cast<const char*>(b.data()), b.size()};
  }
  // A count whose elements, each at least elementSize bytes, still fit into
  // the rest of the file; anything larger is a forgery and fails the read.
  int32_t Count(size_t elementSize) {
    const uint32_t n = U32();
    if (n > static_cast<uint32_t>(INT32_MAX) || (elementSize > 0 && n > Remaining() / elementSize)) {
      Fail();
      return 0;
    }
    return static_cast<int32_t>(n);
  }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Caller-side description storage for one figure; the records handed to the
// node point into these vectors.
struct VertexTable {
  std::vector<InkVertex> storage;
  std::vector<InkVertex*> pointers;
  std::vector<int32_t> marks;

  void Read(Reader& r) {
    const int32_t n = r.Count(kVertexSize);
    storage.resize(static_cast<size_t>(n));
    marks.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) ReadOne(r, static_cast<size_t>(i));
    Link();
  }
  void ReadSingle(Reader& r) {
    storage.resize(1);
    marks.resize(1);
    ReadOne(r, 0);
    Link();
  }
  int32_t Count() const { return static_cast<int32_t>(storage.size()); }
  InkVertex** Data() { return pointers.empty() ? nullptr : pointers.data(); }

 private:
  void ReadOne(Reader& r, size_t i) {
    storage[i].position = r.Vec();
    storage[i].mark = r.I32();
    marks[i] = storage[i].mark;
  }
  void Link() {
    pointers.resize(storage.size());
    for (size_t i = 0; i < storage.size(); ++i) pointers[i] = &storage[i];
  }
};

// Index lists read into one pool; records refer to them after the pool is complete.
struct ListPool {
  std::vector<InkIndexList> lists;
  std::vector<std::vector<int32_t>> indices;

  // Reads one list; returns its number in the pool.
  size_t Read(Reader& r) {
    const int32_t n = r.Count(4);
    std::vector<int32_t> values(static_cast<size_t>(n));
    for (int32_t& v : values) v = r.I32();
    indices.push_back(std::move(values));
    lists.emplace_back();
    return lists.size() - 1;
  }
  // -1 for an absent list.
  ptrdiff_t ReadOptional(Reader& r) {
    const uint8_t present = r.U8();
    if (present > 1) r.Fail();
    return present == 1 ? static_cast<ptrdiff_t>(Read(r)) : -1;
  }
  void Link() {
    for (size_t i = 0; i < lists.size(); ++i) {
      lists[i].count = static_cast<int32_t>(indices[i].size());
      lists[i].indices = indices[i].empty() ? nullptr : indices[i].data();
    }
  }
  InkIndexList* At(ptrdiff_t i) { return i < 0 ? nullptr : &lists[static_cast<size_t>(i)]; }
};

// A mesh description over caller storage. The record's own destructor would
// free its tables, so they are handed back before it runs.
struct BorrowedMesh {
  GMMesh mesh;
  ~BorrowedMesh() {
    mesh.vertices = nullptr;
    mesh.edges = nullptr;
    mesh.faces = nullptr;
    mesh.vertexCount = mesh.edgeCount = mesh.faceCount = 0;
  }
};

// The outcome of reading one figure: its index in the node (or -1), the
// instance reference to link once all figures exist, and the marks to put back.
struct FigureRead {
  int index = -1;
  int32_t kind = 0;
  int32_t reference = -1;
};

// Puts the stored marks back: the node's copy keeps marks only for
// polylines and polygons, the file keeps them for every vertex.
void RestoreMarks(InkFigure& figure, std::span<const int32_t> marks) {
  const auto vertices = InkGeometryVertices(figure.kind, figure.geometry);
  if (vertices.size() != marks.size()) return;
  for (size_t i = 0; i < marks.size(); ++i) vertices[i]->mark = marks[i];
}

// A point: one vertex.
int ReadPointFigure(Reader& r, CInkNode& node, int32_t value, VertexTable& vertices) {
  vertices.ReadSingle(r);
  if (!r.Ok()) return -1;
  InkPointRecord d;
  d.vertex = vertices.pointers[0];
  return node.AddPointFigure(&d, value);
}

// A polyline or a polygon: its vertex table.
int ReadPolyFigure(Reader& r, CInkNode& node, int32_t kind, int32_t value, VertexTable& vertices) {
  vertices.Read(r);
  if (!r.Ok()) return -1;
  InkPolyRecord d;
  d.count = vertices.Count();
  d.vertices = vertices.Data();
  return kind == kInkFigurePolygon ? node.AddPolygonFigure(&d, value) : node.AddPolylineFigure(&d, value);
}

// A mesh: vertices, the edge table and the face loops.
int ReadMeshFigure(Reader& r, CInkNode& node, int32_t value, VertexTable& vertices) {
  vertices.Read(r);
  const int32_t edgeCount = r.Count(12);
  std::vector<GMMeshEdge> edges(static_cast<size_t>(edgeCount));
  for (GMMeshEdge& e : edges) {
    e.first = r.I32();
    e.second = r.I32();
    e.extra = r.I32();
  }
  const int32_t faceCount = r.Count(4);
  // Every face's loop in one table: a city has millions of faces, and a
  // table each cost as many allocations before the copy into the node.
  std::vector<GMMeshFace> faces(static_cast<size_t>(faceCount));
  std::vector<int32_t> loops;
  for (size_t f = 0; f < faces.size() && r.Ok(); ++f) {
    faces[f].count = r.Count(4);
    for (int32_t k = 0; k < faces[f].count && r.Ok(); ++k) loops.push_back(r.I32());
  }
  if (!r.Ok()) return -1;
  size_t at = 0;
  for (GMMeshFace& face : faces) {
    face.indices = face.count > 0 ? loops.data() + at : nullptr;
    at += static_cast<size_t>(face.count);
  }
  BorrowedMesh d;
  d.mesh.vertexCount = vertices.Count();
  d.mesh.vertices = vertices.Data();
  d.mesh.edgeCount = edgeCount;
  d.mesh.edges = edges.empty() ? nullptr : edges.data();
  d.mesh.faceCount = faceCount;
  d.mesh.faces = faces.empty() ? nullptr : faces.data();
  return node.AddMeshFigure(&d.mesh, value);
}

// A subdivision surface: vertices with their records, edges and faces with
// their index lists.
int ReadSubdivisionFigure(Reader& r, CInkNode& node, int32_t value, VertexTable& vertices) {
  vertices.Read(r);
  ListPool pool;
  std::vector<InkSubdivVertex> records(vertices.storage.size());
  std::vector<ptrdiff_t> neighbours(records.size());
  for (size_t i = 0; i < records.size() && r.Ok(); ++i) {
    records[i].point = r.Vec();
    records[i].sharpness = r.F64();
    neighbours[i] = pool.ReadOptional(r);
  }
  const int32_t edgeCount = r.Count(48);
  std::vector<InkSubdivEdge> edges(static_cast<size_t>(edgeCount));
  for (InkSubdivEdge& e : edges) {
    e.point = r.Vec();
    e.crease = r.F64();
    for (int32_t& v : e.vertex) v = r.I32();
    for (int32_t& f : e.face) f = r.I32();
  }
  const int32_t faceCount = r.Count(24 + 2);
  std::vector<InkSubdivFace> faces(static_cast<size_t>(faceCount));
  std::vector<std::pair<ptrdiff_t, ptrdiff_t>> faceLists(faces.size());
  for (size_t f = 0; f < faces.size() && r.Ok(); ++f) {
    faces[f].point = r.Vec();
    faceLists[f].first = pool.ReadOptional(r);
    faceLists[f].second = pool.ReadOptional(r);
  }
  if (!r.Ok()) return -1;
  pool.Link();
  for (size_t i = 0; i < records.size(); ++i) records[i].neighbours = pool.At(neighbours[i]);
  for (size_t f = 0; f < faces.size(); ++f) {
    faces[f].vertices = pool.At(faceLists[f].first);
    faces[f].edges = pool.At(faceLists[f].second);
  }
  InkSubdivRecord d;
  d.vertexCount = vertices.Count();
  d.vertices = vertices.Data();
  d.vertexRecords = records.empty() ? nullptr : records.data();
  d.edgeCount = edgeCount;
  d.edges = edges.empty() ? nullptr : edges.data();
  d.faceCount = faceCount;
  d.faces = faces.empty() ? nullptr : faces.data();
  return node.AddSubdivisionFigure(&d, value);
}

// An instance: its base vertex, reference point, the index of the figure it
// repeats (kept in `reference` until every figure exists) and its matrix.
int ReadInstanceFigure(Reader& r, CInkNode& node, int32_t value, VertexTable& vertices, int32_t& reference) {
  vertices.ReadSingle(r);
  InkInstanceRecord d;
  d.reference = r.Vec();
  reference = r.I32();
  for (auto& row : d.matrix.m)
    for (double& m : row) m = r.F64();
  if (!r.Ok()) return -1;
  d.base = vertices.pointers[0];
  d.figure = nullptr;  // linked once every figure of the node exists
  return node.AddInstanceFigure(&d, value);
}

// A segment set: vertices, index lists and the segments naming them.
int ReadSegmentSetFigure(Reader& r, CInkNode& node, int32_t value, VertexTable& vertices) {
  vertices.Read(r);
  ListPool pool;
  const int32_t listCount = r.Count(4);
  for (int32_t i = 0; i < listCount && r.Ok(); ++i) pool.Read(r);
  const int32_t segmentCount = r.Count(16);
  std::vector<InkSegmentRecord> segments(static_cast<size_t>(segmentCount));
  for (InkSegmentRecord& s : segments)
    for (int32_t& l : s.list) {
      l = r.I32();
      // A segment names its lists; -1 (none) is the only value outside them.
      if (l < -1 || l >= listCount) r.Fail();
    }
  if (!r.Ok()) return -1;
  pool.Link();
  InkSegmentSetRecord d;
  d.vertexCount = vertices.Count();
  d.vertices = vertices.Data();
  d.listCount = listCount;
  d.lists = pool.lists.empty() ? nullptr : pool.lists.data();
  d.segmentCount = segmentCount;
  d.segments = segments.empty() ? nullptr : segments.data();
  return node.AddSegmentFigure(&d, value);
}

// One figure record: kind, hidden flag and value, then the geometry of its
// kind, read as WriteFigure writes it.
FigureRead ReadFigure(Reader& r, CInkNode& node) {
  FigureRead out;
  out.kind = r.I32();
  const int32_t hidden = r.I32();
  const int32_t value = r.I32();
  if (!r.Ok()) return out;

  VertexTable vertices;
  int index = -1;
  switch (out.kind) {
    case kInkFigurePoint: index = ReadPointFigure(r, node, value, vertices); break;
    case kInkFigurePolyline:
    case kInkFigurePolygon: index = ReadPolyFigure(r, node, out.kind, value, vertices); break;
    case kInkFigureMesh: index = ReadMeshFigure(r, node, value, vertices); break;
    case kInkFigureSubdivision: index = ReadSubdivisionFigure(r, node, value, vertices); break;
    case kInkFigureInstance: index = ReadInstanceFigure(r, node, value, vertices, out.reference); break;
    case kInkFigureSegmentSet: index = ReadSegmentSetFigure(r, node, value, vertices); break;
    default:
      return out;  // kind 5 and unknown kinds never occur in a written scene
  }
  // The node refuses descriptions whose indices leave their tables.
  if (index < 0) return out;
  InkFigure* figure = node.GetFigure(index);
  figure->hidden = hidden;
  RestoreMarks(*figure, vertices.marks);
  out.index = index;
  return out;
}

// Reads the figures of one node; false when any is malformed.
bool ReadFigures(Reader& r, CInkNode& node) {
  const int32_t count = r.Count(kMinFigureSize);
  std::vector<int32_t> kinds, references;
  for (int32_t i = 0; i < count; ++i) {
    const FigureRead f = ReadFigure(r, node);
    if (!r.Ok() || f.index != i) return false;
    kinds.push_back(f.kind);
    references.push_back(f.reference);
  }
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ref = references[static_cast<size_t>(i)];
    if (kinds[static_cast<size_t>(i)] != kInkFigureInstance || ref == -1) continue;
    if (ref < 0 || ref >= count || ref == i) return false;
  }
  if (HasInstanceCycle(kinds, references)) return false;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ref = references[static_cast<size_t>(i)];
    if (kinds[static_cast<size_t>(i)] != kInkFigureInstance || ref < 0) continue;
    static_cast<InkInstanceRecord*>(node.GetFigure(i)->geometry)->figure = node.GetFigure(ref);
  }
  return r.Ok();
}

// One node record without its children; returns the child count, -1 on error.
int32_t ReadNode(Reader& r, CInkNode& node) {
  const std::string_view name = r.Text();
  const int32_t id = r.I32();
  const int32_t shown = r.I32();
  const int32_t locked = r.I32();
  InkAttributes a;
  a.colour = r.U32();
  a.textureSlot = r.I32();
  a.rotationAxis = r.Vec();
  a.rotationAngle = r.F64();
  a.scale = r.Vec();
  a.origin = r.Vec();
  if (!r.Ok()) return -1;
  node.Create(&a);
  node.SetName(name);
  node.SetNodeId(id);
  node.SetShown(shown);
  node.SetLocked(locked);

  const int32_t properties = r.Count(kMinPropertySize);
  for (int32_t i = 0; i < properties && r.Ok(); ++i) {
    const std::string_view propertyName = r.Text();
    const int32_t value = r.I32();
    if (r.Ok()) node.GetProperties()->AddProperty(propertyName, value);
  }
  if (!r.Ok() || !ReadFigures(r, node)) return -1;
  const int32_t children = r.Count(kMinNodeSize);
  return r.Ok() ? children : -1;
}

// The whole tree, depth first, without recursion.
std::unique_ptr<CInkNode> ReadTree(Reader& r) {
  auto root = std::make_unique<CInkNode>();
  struct Open {
    CInkNode* node;
    int32_t childrenLeft;
  };
  std::vector<Open> stack;
  const int32_t rootChildren = ReadNode(r, *root);
  if (rootChildren < 0) return nullptr;
  stack.push_back({root.get(), rootChildren});
  while (!stack.empty()) {
    Open& top = stack.back();
    if (top.childrenLeft == 0) {
      stack.pop_back();
      continue;
    }
    --top.childrenLeft;
    if (static_cast<int>(stack.size()) > kMaxTreeDepth) return nullptr;
    auto child = std::make_unique<CInkNode>();
    const int32_t children = ReadNode(r, *child);
    if (children < 0) return nullptr;
    CInkNode* raw = child.get();
    top.node->AddChild(child.release());
    stack.push_back({raw, children});
  }
  return root;
}

void ReadSettings(Reader& r, InkSceneSettings& s) {
  s.eye = r.Vec();
  s.target = r.Vec();
  s.up = r.Vec();
  s.nearClip = r.F64();
  s.farClip = r.F64();
  s.viewAngle = r.F64();
  s.unitFactor = r.F64();
  s.lightPosition = r.Vec();
  const auto reserved = r.Take(sizeof s.reserved);
  if (r.Ok()) std::memcpy(s.reserved, reserved.data(), sizeof s.reserved);
}

}  // namespace

std::unique_ptr<CInkNode> ReadScene(std::span<const uint8_t> file, InkSceneSettings& settings) {
  if (file.size() < kHeaderSize + kTrailerSize) return nullptr;
  const auto body = file.first(file.size() - kTrailerSize);
  Reader trailer(file.last(kTrailerSize));
  if (trailer.U32() != Crc32(body)) return nullptr;

  Reader r(body);
  const auto magic = r.Take(kMagic.size());
  if (!r.Ok() || !std::equal(magic.begin(), magic.end(), kMagic.begin())) return nullptr;
  if (r.U32() != kFormatVersion) return nullptr;
  const uint32_t sections = r.U32();

  InkSceneSettings read;
  bool haveSettings = false;
  std::unique_ptr<CInkNode> tree;
  for (uint32_t i = 0; i < sections; ++i) {
    const uint32_t tag = r.U32();
    const uint64_t length = r.U64();
    if (!r.Ok() || length > r.Remaining()) return nullptr;
    Reader section(r.Take(static_cast<size_t>(length)));
    if (tag == kSettingsTag) {
      if (haveSettings || length != kSettingsSize) return nullptr;
      ReadSettings(section, read);
      haveSettings = true;
    } else if (tag == kTreeTag) {
      if (tree) return nullptr;
      try {
        tree = ReadTree(section);
      } catch (const std::bad_alloc&) {
        return nullptr;
      }
      if (!tree) return nullptr;
    }
    // Sections of other tags belong to later writers of this version; they are skipped.
    if (!section.AtEnd() && (tag == kSettingsTag || tag == kTreeTag)) return nullptr;
  }
  if (!r.AtEnd() || !haveSettings || !tree) return nullptr;
  settings = read;
  return tree;
}

}  // namespace korvex::ink
