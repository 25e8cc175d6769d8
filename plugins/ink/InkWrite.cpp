// Writing the ".ink" scene file: the settings block and the node tree, every
// figure with its whole geometry, and the checksum.
#include "plugins/ink/InkFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

#include "plugins/ink/InkFormatDetail.h"

namespace korvex::ink {

namespace {

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  void U8(uint8_t v) { out_.push_back(v); }
  // Little-endian words, appended whole: a city's scene is tens of millions
  // of them, and a byte at a time the writing weighed on its opening.
  void U32(uint32_t v) { Little(v); }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void U64(uint64_t v) { Little(v); }
  void F64(double v) {
    finite_ = finite_ && std::isfinite(v);
    U64(std::bit_cast<uint64_t>(v));
  }
  // false once a NaN or an infinity was written since CountFinite: no part of
  // a model holds one legitimately, and a file carrying one would spread it
  // to every reader.
  void CountFinite() { finite_ = true; }
  bool Finite() const { return finite_; }
  void Vec(const GMVector& v) {
    F64(v.x);
    F64(v.y);
    F64(v.z);
  }
  void Bytes(std::span<const uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
  void Text(std::string_view text) {
    const size_t n = std::min(text.size(), kMaxName);
    U8(static_cast<uint8_t>(n));
    out_.insert(out_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
  }
  void Count(size_t n) { U32(static_cast<uint32_t>(n)); }
  void Vertex(const InkVertex* v) {
    Vec(v->position);
    I32(v->mark);
  }
  void Vertices(std::span<InkVertex* const> vertices) {
    Count(vertices.size());
    for (const InkVertex* v : vertices) Vertex(v);
  }
  void IndexList(const InkIndexList& list) {
    Count(static_cast<size_t>(list.count));
    for (int32_t i : list.Indices()) I32(i);
  }
  // A list that may be absent: a presence byte first.
  void OptionalIndexList(const InkIndexList* list) {
    U8(list ? 1 : 0);
    if (list) IndexList(*list);
  }
  size_t Size() const { return out_.size(); }
  void PatchU64(size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) out_[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  }

 private:
  template <typename Word>
  void Little(Word v) {
    uint8_t bytes[sizeof(Word)];
    for (size_t i = 0; i < sizeof(Word); ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
    out_.insert(out_.end(), bytes, bytes + sizeof(Word));
  }
  std::vector<uint8_t>& out_;
  bool finite_ = true;
};

// The referenced figure's index of every instance figure, -1 for none or for
// a figure that is not this node's.
int32_t ReferenceIndex(CInkNode& node, const InkFigure& figure) {
  const auto* record = static_cast<const InkInstanceRecord*>(figure.geometry);
  return record && record->figure ? node.IndexOfFigure(record->figure) : -1;
}

void WriteFigure(Writer& w, CInkNode& node, const InkFigure& figure) {
  w.I32(figure.kind);
  w.I32(figure.hidden);
  w.I32(figure.value);
  switch (figure.kind) {
    case kInkFigurePoint:
      w.Vertex(static_cast<const InkPointRecord*>(figure.geometry)->vertex);
      break;
    case kInkFigurePolyline:
    case kInkFigurePolygon:
      w.Vertices(static_cast<const InkPolyRecord*>(figure.geometry)->Vertices());
      break;
    case kInkFigureMesh: {
      const auto* mesh = static_cast<const GMMesh*>(figure.geometry);
      w.Vertices(mesh->Vertices());
      w.Count(mesh->Edges().size());
      for (const GMMeshEdge& e : mesh->Edges()) {
        w.I32(e.first);
        w.I32(e.second);
        w.I32(e.extra);
      }
      w.Count(mesh->Faces().size());
      for (const GMMeshFace& f : mesh->Faces()) {
        w.Count(static_cast<size_t>(f.count));
        for (int32_t i : f.Indices()) w.I32(i);
      }
      break;
    }
    case kInkFigureSubdivision: {
      const auto* s = static_cast<const InkSubdivRecord*>(figure.geometry);
      w.Vertices(s->Vertices());
      // The per-vertex records exist for every vertex of a figure's copy.
      for (int32_t i = 0; i < s->vertexCount; ++i) {
        const InkSubdivVertex& v = s->vertexRecords[i];
        w.Vec(v.point);
        w.F64(v.sharpness);
        w.OptionalIndexList(v.neighbours);
      }
      w.Count(static_cast<size_t>(s->edgeCount));
      for (int32_t i = 0; i < s->edgeCount; ++i) {
        const InkSubdivEdge& e = s->edges[i];
        w.Vec(e.point);
        w.F64(e.crease);
        for (int32_t v : e.vertex) w.I32(v);
        for (int32_t f : e.face) w.I32(f);
      }
      w.Count(static_cast<size_t>(s->faceCount));
      for (int32_t i = 0; i < s->faceCount; ++i) {
        const InkSubdivFace& f = s->faces[i];
        w.Vec(f.point);
        w.OptionalIndexList(f.vertices);
        w.OptionalIndexList(f.edges);
      }
      break;
    }
    case kInkFigureInstance: {
      const auto* r = static_cast<const InkInstanceRecord*>(figure.geometry);
      w.Vertex(r->base);
      w.Vec(r->reference);
      w.I32(ReferenceIndex(node, figure));
      for (const auto& row : r->matrix.m)
        for (const double m : row) w.F64(m);
      break;
    }
    case kInkFigureSegmentSet: {
      const auto* s = static_cast<const InkSegmentSetRecord*>(figure.geometry);
      w.Vertices(s->Vertices());
      w.Count(static_cast<size_t>(s->listCount));
      for (int32_t i = 0; i < s->listCount; ++i) w.IndexList(s->lists[i]);
      w.Count(static_cast<size_t>(s->segmentCount));
      for (int32_t i = 0; i < s->segmentCount; ++i)
        for (int32_t l : s->segments[i].list) w.I32(l);
      break;
    }
    default:
      break;  // no other kind can be stored in a node
  }
}

// One node record; its children follow it, depth first.
bool WriteNode(Writer& w, CInkNode& node, int depth) {
  if (depth > kMaxTreeDepth) return false;
  w.Text(node.GetName(nullptr, 0));
  w.I32(node.GetNodeId());
  w.I32(node.IsShown());
  w.I32(node.IsLocked());
  const InkAttributes& a = *node.GetAttributeRecord();
  w.U32(a.colour);
  w.I32(a.textureSlot);
  w.Vec(a.rotationAxis);
  w.F64(a.rotationAngle);
  w.Vec(a.scale);
  w.Vec(a.origin);

  CInkProperty& properties = *node.GetProperties();
  w.Count(static_cast<size_t>(properties.GetCount()));
  for (int i = 0; i < properties.GetCount(); ++i) {
    const InkPropertyRecord* p = properties.GetRecordAt(i);
    w.Text(std::string_view(p->name, strnlen(p->name, sizeof p->name)));
    w.I32(p->value);
  }

  const int figures = node.GetFigureCount();
  std::vector<int32_t> kinds, references;
  for (int i = 0; i < figures; ++i) {
    const InkFigure& f = *node.GetFigure(i);
    kinds.push_back(f.kind);
    references.push_back(f.kind == kInkFigureInstance ? ReferenceIndex(node, f) : -1);
  }
  if (HasInstanceCycle(kinds, references)) return false;
  w.Count(static_cast<size_t>(figures));
  for (int i = 0; i < figures; ++i) WriteFigure(w, node, *node.GetFigure(i));

  w.Count(static_cast<size_t>(node.GetCount()));
  for (int i = 0; i < node.GetCount(); ++i)
    if (!WriteNode(w, *node.GetChild(i), depth + 1)) return false;
  return true;
}

void WriteSettings(Writer& w, const InkSceneSettings& s) {
  w.Vec(s.eye);
  w.Vec(s.target);
  w.Vec(s.up);
  w.F64(s.nearClip);
  w.F64(s.farClip);
  w.F64(s.viewAngle);
  w.F64(s.unitFactor);
  w.Vec(s.lightPosition);
  w.Bytes(s.reserved);
}

}  // namespace

bool WriteScene(CInkNode& root, const InkSceneSettings& settings, std::vector<uint8_t>& out) {
  std::vector<uint8_t> file;
  Writer w(file);
  w.Bytes(kMagic);
  w.U32(kFormatVersion);
  w.U32(2);  // sections

  w.U32(kSettingsTag);
  w.U64(kSettingsSize);
  WriteSettings(w, settings);

  w.U32(kTreeTag);
  const size_t lengthAt = w.Size();
  w.U64(0);
  const size_t start = w.Size();
  w.CountFinite();
  if (!WriteNode(w, root, 0) || !w.Finite()) return false;
  w.PatchU64(lengthAt, w.Size() - start);

  w.U32(Crc32(file));
  out = std::move(file);
  return true;
}

}  // namespace korvex::ink
