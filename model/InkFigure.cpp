// Copying and freeing the geometry records of figures.
//
// The records are plain arrays because plug-ins read them in place; this file
// and the mesh record are the only places that allocate or free them. A copy
// is built with every table zero-filled and its count set at once, so that a
// copy abandoned half-way can be freed by the ordinary free function.

#include <algorithm>
#include <new>
#include <utility>

#include "model/InkFigAdmin.h"

namespace {

bool ValidTable(int32_t count, const void* table) { return count >= 0 && (count == 0 || table); }

bool ValidIndex(int32_t index, int32_t count) { return index >= 0 && index < count; }

bool ValidVertexTable(int32_t count, InkVertex* const* vertices) {
  if (!ValidTable(count, vertices)) return false;
  for (int32_t i = 0; i < count; ++i)
    if (!vertices[i]) return false;
  return true;
}

// Every index of the list lies in 0..limit-1; a null list is accepted.
bool ValidIndexList(const InkIndexList* list, int32_t limit) {
  if (!list) return true;
  if (!ValidTable(list->count, list->indices)) return false;
  return std::all_of(list->indices, list->indices + list->count,
                     [limit](int32_t i) { return ValidIndex(i, limit); });
}

InkVertex* CopyVertex(const InkVertex* source, bool withMark) {
  auto* vertex = new InkVertex{source->position};
  if (withMark) vertex->mark = source->mark;
  return vertex;
}

InkVertex** CopyVertexTable(int32_t count, InkVertex* const* source, bool withMark) {
  if (count == 0) return nullptr;
  auto* table = new InkVertex*[static_cast<size_t>(count)]();
  try {
    for (int32_t i = 0; i < count; ++i) table[i] = CopyVertex(source[i], withMark);
  } catch (...) {
    for (int32_t i = 0; i < count; ++i) delete table[i];
    delete[] table;
    throw;
  }
  return table;
}

void FreeVertexTable(int32_t count, InkVertex** table) {
  if (!table) return;
  for (int32_t i = 0; i < count; ++i) delete table[i];
  delete[] table;
}

void CopyIndexList(InkIndexList& target, const InkIndexList& source) {
  target.count = 0;
  target.indices = nullptr;
  if (source.count > 0) {
    target.indices = new int32_t[static_cast<size_t>(source.count)];
    std::copy(source.indices, source.indices + source.count, target.indices);
  }
  target.count = source.count;
}

InkIndexList* NewIndexListCopy(const InkIndexList* source) {
  if (!source) return nullptr;
  auto* list = new InkIndexList;
  try {
    CopyIndexList(*list, *source);
  } catch (...) {
    delete list;
    throw;
  }
  return list;
}

void FreeIndexList(InkIndexList* list) {
  if (!list) return;
  delete[] list->indices;
  delete list;
}

// Frees the geometry if the copy does not complete.
class Guard {
 public:
  Guard(int32_t kind, void* geometry) : kind_(kind), geometry_(geometry) {}
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;
  ~Guard() {
    if (geometry_) InkFreeGeometry(kind_, geometry_);
  }
  void* Release() { return std::exchange(geometry_, nullptr); }

 private:
  int32_t kind_;
  void* geometry_;
};

void* CopyPoint(const InkPointRecord* source) {
  if (!source->vertex) return nullptr;
  auto* record = new InkPointRecord;
  Guard guard(kInkFigurePoint, record);
  record->vertex = CopyVertex(source->vertex, false);
  return guard.Release();
}

void* CopyPoly(int32_t kind, const InkPolyRecord* source) {
  if (!ValidVertexTable(source->count, source->vertices)) return nullptr;
  auto* record = new InkPolyRecord;
  Guard guard(kind, record);
  record->vertices = CopyVertexTable(source->count, source->vertices, true);
  record->count = source->count;
  return guard.Release();
}

void* CopyMesh(const GMMesh* source) { return InkMeshIsValid(*source) ? GMCopyMesh(source).release() : nullptr; }

void* CopySubdivision(const InkSubdivRecord* source) {
  const int32_t nv = source->vertexCount, ne = source->edgeCount, nf = source->faceCount;
  if (!ValidVertexTable(nv, source->vertices) || !ValidTable(ne, source->edges) ||
      !ValidTable(nf, source->faces))
    return nullptr;
  if (source->vertexRecords)
    for (int32_t i = 0; i < nv; ++i)
      if (!ValidIndexList(source->vertexRecords[i].neighbours, nv)) return nullptr;
  for (int32_t i = 0; i < ne; ++i) {
    const InkSubdivEdge& e = source->edges[i];
    if (!ValidIndex(e.vertex[0], nv) || !ValidIndex(e.vertex[1], nv)) return nullptr;
    for (int32_t f : e.face)
      if (f != -1 && !ValidIndex(f, nf)) return nullptr;
  }
  for (int32_t i = 0; i < nf; ++i)
    if (!ValidIndexList(source->faces[i].vertices, nv) || !ValidIndexList(source->faces[i].edges, ne))
      return nullptr;

  auto* record = new InkSubdivRecord;
  Guard guard(kInkFigureSubdivision, record);
  record->vertices = CopyVertexTable(nv, source->vertices, false);
  record->vertexCount = nv;
  if (nv > 0) {
    record->vertexRecords = new InkSubdivVertex[static_cast<size_t>(nv)];
    for (int32_t i = 0; i < nv; ++i) {
      InkSubdivVertex& v = record->vertexRecords[i];
      if (source->vertexRecords) {
        v.point = source->vertexRecords[i].point;
        v.sharpness = source->vertexRecords[i].sharpness;
        v.neighbours = NewIndexListCopy(source->vertexRecords[i].neighbours);
      } else {
        v.point = source->vertices[i]->position;
      }
    }
  }
  if (ne > 0) {
    record->edges = new InkSubdivEdge[static_cast<size_t>(ne)];
    std::copy(source->edges, source->edges + ne, record->edges);
    record->edgeCount = ne;
  }
  if (nf > 0) {
    record->faces = new InkSubdivFace[static_cast<size_t>(nf)];
    record->faceCount = nf;
    for (int32_t i = 0; i < nf; ++i) {
      record->faces[i].point = source->faces[i].point;
      record->faces[i].vertices = NewIndexListCopy(source->faces[i].vertices);
      record->faces[i].edges = NewIndexListCopy(source->faces[i].edges);
    }
  }
  return guard.Release();
}

void* CopyInstance(const InkInstanceRecord* source) {
  if (!source->base) return nullptr;
  auto* record = new InkInstanceRecord(*source);
  record->base = nullptr;
  Guard guard(kInkFigureInstance, record);
  record->base = CopyVertex(source->base, false);
  return guard.Release();
}

void* CopySegmentSet(const InkSegmentSetRecord* source) {
  const int32_t nv = source->vertexCount, nl = source->listCount, ns = source->segmentCount;
  if (!ValidVertexTable(nv, source->vertices) || !ValidTable(nl, source->lists) ||
      !ValidTable(ns, source->segments))
    return nullptr;
  for (int32_t i = 0; i < nl; ++i)
    if (!ValidIndexList(&source->lists[i], nv)) return nullptr;

  auto* record = new InkSegmentSetRecord;
  Guard guard(kInkFigureSegmentSet, record);
  record->vertices = CopyVertexTable(nv, source->vertices, false);
  record->vertexCount = nv;
  if (nl > 0) {
    record->lists = new InkIndexList[static_cast<size_t>(nl)];
    record->listCount = nl;
    for (int32_t i = 0; i < nl; ++i) CopyIndexList(record->lists[i], source->lists[i]);
  }
  if (ns > 0) {
    record->segments = new InkSegmentRecord[static_cast<size_t>(ns)];
    std::copy(source->segments, source->segments + ns, record->segments);
    record->segmentCount = ns;
  }
  return guard.Release();
}

}  // namespace

std::span<InkVertex* const> InkGeometryVertices(int32_t kind, const void* geometry) {
  if (!geometry) return {};
  switch (kind) {
    case kInkFigurePoint: {
      auto* r = static_cast<const InkPointRecord*>(geometry);
      return {&r->vertex, r->vertex ? 1u : 0u};
    }
    case kInkFigurePolyline:
    case kInkFigurePolygon:
      return static_cast<const InkPolyRecord*>(geometry)->Vertices();
    case kInkFigureMesh:
      return static_cast<const GMMesh*>(geometry)->Vertices();
    case kInkFigureSubdivision:
      return static_cast<const InkSubdivRecord*>(geometry)->Vertices();
    case kInkFigureInstance: {
      auto* r = static_cast<const InkInstanceRecord*>(geometry);
      return {&r->base, r->base ? 1u : 0u};
    }
    case kInkFigureSegmentSet:
      return static_cast<const InkSegmentSetRecord*>(geometry)->Vertices();
    default:
      return {};
  }
}

bool InkMeshIsValid(const GMMesh& mesh) {
  if (!ValidVertexTable(mesh.vertexCount, mesh.vertices)) return false;
  if (!ValidTable(mesh.edgeCount, mesh.edges) || !ValidTable(mesh.faceCount, mesh.faces)) return false;
  const int32_t n = mesh.vertexCount;
  for (const GMMeshEdge& e : mesh.Edges())
    if (!ValidIndex(e.first, n) || !ValidIndex(e.second, n)) return false;
  for (const GMMeshFace& f : mesh.Faces()) {
    if (!ValidTable(f.count, f.indices)) return false;
    for (int32_t i : f.Indices())
      if (!ValidIndex(i, n)) return false;
  }
  return true;
}

void* InkCopyGeometry(int32_t kind, const void* description) {
  if (!description) return nullptr;
  try {
    switch (kind) {
      case kInkFigurePoint:
        return CopyPoint(static_cast<const InkPointRecord*>(description));
      case kInkFigurePolyline:
      case kInkFigurePolygon:
        return CopyPoly(kind, static_cast<const InkPolyRecord*>(description));
      case kInkFigureMesh:
        return CopyMesh(static_cast<const GMMesh*>(description));
      case kInkFigureSubdivision:
        return CopySubdivision(static_cast<const InkSubdivRecord*>(description));
      case kInkFigureInstance:
        return CopyInstance(static_cast<const InkInstanceRecord*>(description));
      case kInkFigureSegmentSet:
        return CopySegmentSet(static_cast<const InkSegmentSetRecord*>(description));
      default:
        return nullptr;
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void InkFreeGeometry(int32_t kind, void* geometry) {
  if (!geometry) return;
  switch (kind) {
    case kInkFigurePoint: {
      auto* r = static_cast<InkPointRecord*>(geometry);
      delete r->vertex;
      delete r;
      break;
    }
    case kInkFigurePolyline:
    case kInkFigurePolygon: {
      auto* r = static_cast<InkPolyRecord*>(geometry);
      FreeVertexTable(r->count, r->vertices);
      delete r;
      break;
    }
    case kInkFigureMesh:
      delete static_cast<GMMesh*>(geometry);
      break;
    case kInkFigureSubdivision: {
      auto* r = static_cast<InkSubdivRecord*>(geometry);
      FreeVertexTable(r->vertexCount, r->vertices);
      if (r->vertexRecords)
        for (int32_t i = 0; i < r->vertexCount; ++i) FreeIndexList(r->vertexRecords[i].neighbours);
      delete[] r->vertexRecords;
      delete[] r->edges;
      if (r->faces)
        for (int32_t i = 0; i < r->faceCount; ++i) {
          FreeIndexList(r->faces[i].vertices);
          FreeIndexList(r->faces[i].edges);
        }
      delete[] r->faces;
      delete r;
      break;
    }
    case kInkFigureInstance: {
      auto* r = static_cast<InkInstanceRecord*>(geometry);
      delete r->base;
      delete r;
      break;
    }
    case kInkFigureSegmentSet: {
      auto* r = static_cast<InkSegmentSetRecord*>(geometry);
      FreeVertexTable(r->vertexCount, r->vertices);
      if (r->lists)
        for (int32_t i = 0; i < r->listCount; ++i) delete[] r->lists[i].indices;
      delete[] r->lists;
      delete[] r->segments;
      delete r;
      break;
    }
    default:
      break;  // not a geometry this program makes; nothing is known to free
  }
}

InkPolyDescription::InkPolyDescription(std::span<const GMVector> points, std::span<const int32_t> marks)
    : storage_(points.size()), pointers_(points.size()) {
  for (size_t i = 0; i < points.size(); ++i) {
    storage_[i].position = points[i];
    storage_[i].mark = i < marks.size() ? marks[i] : 0;
    pointers_[i] = &storage_[i];
  }
  record_.count = static_cast<int32_t>(points.size());
  record_.vertices = pointers_.empty() ? nullptr : pointers_.data();
}
