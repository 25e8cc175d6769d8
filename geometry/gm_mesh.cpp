#include "geometry/gm_mesh.h"

#include <algorithm>
#include <utility>

// The tables are plain arrays because plug-ins read them through the record;
// this file is the only place that allocates or frees them.

namespace {

int32_t* NewIndexArray(std::span<const int32_t> loop) {
  if (loop.empty()) return nullptr;
  auto* indices = new int32_t[loop.size()];
  std::copy(loop.begin(), loop.end(), indices);
  return indices;
}

void FreeFaces(GMMeshFace* faces, int32_t count) {
  if (!faces) return;
  for (int32_t i = 0; i < count; ++i) delete[] faces[i].indices;
  delete[] faces;
}

void FreeVertices(InkVertex** vertices, int32_t count) {
  if (!vertices) return;
  for (int32_t i = 0; i < count; ++i) delete vertices[i];
  delete[] vertices;
}

}  // namespace

GMMesh::GMMesh(GMMesh&& other) noexcept { Swap(other); }

GMMesh& GMMesh::operator=(GMMesh&& other) noexcept {
  if (this != &other) {
    Clear();
    Swap(other);
  }
  return *this;
}

GMMesh::~GMMesh() { Clear(); }

void GMMesh::Clear() {
  FreeVertices(vertices, vertexCount);
  delete[] edges;
  FreeFaces(faces, faceCount);
  vertexCount = edgeCount = faceCount = 0;
  vertices = nullptr;
  edges = nullptr;
  faces = nullptr;
}

void GMMesh::Swap(GMMesh& other) noexcept {
  std::swap(vertexCount, other.vertexCount);
  std::swap(vertices, other.vertices);
  std::swap(edgeCount, other.edgeCount);
  std::swap(edges, other.edges);
  std::swap(faceCount, other.faceCount);
  std::swap(faces, other.faces);
}

void GMMesh::SetVertices(std::span<const GMVector> points) {
  InkVertex** table = nullptr;
  if (!points.empty()) {
    table = new InkVertex*[points.size()]();
    for (size_t i = 0; i < points.size(); ++i) table[i] = new InkVertex{points[i]};
  }
  FreeVertices(vertices, vertexCount);
  vertices = table;
  vertexCount = static_cast<int32_t>(points.size());
}

void GMMesh::SetEdges(std::span<const GMMeshEdge> table) {
  GMMeshEdge* copy = nullptr;
  if (!table.empty()) {
    copy = new GMMeshEdge[table.size()];
    std::copy(table.begin(), table.end(), copy);
  }
  delete[] edges;
  edges = copy;
  edgeCount = static_cast<int32_t>(table.size());
}

void GMMesh::SetFaces(std::span<const std::vector<int32_t>> loops) {
  GMMeshFace* table = nullptr;
  if (!loops.empty()) {
    table = new GMMeshFace[loops.size()];
    for (size_t i = 0; i < loops.size(); ++i) {
      table[i].count = static_cast<int32_t>(loops[i].size());
      table[i].indices = NewIndexArray(loops[i]);
    }
  }
  FreeFaces(faces, faceCount);
  faces = table;
  faceCount = static_cast<int32_t>(loops.size());
}

void GMMesh::SetFace(int i, std::span<const int32_t> loop) {
  if (i < 0 || i >= faceCount) return;
  int32_t* indices = NewIndexArray(loop);
  delete[] faces[i].indices;
  faces[i].indices = indices;
  faces[i].count = static_cast<int32_t>(loop.size());
}

GMMeshPtr GMNewMesh(std::span<const GMVector> points, std::span<const GMMeshEdge> edges,
                    std::span<const std::vector<int32_t>> faces) {
  auto mesh = std::make_unique<GMMesh>();
  mesh->SetVertices(points);
  mesh->SetEdges(edges);
  mesh->SetFaces(faces);
  return mesh;
}

GMMeshPtr GMCopyMesh(const GMMesh* mesh) {
  if (!mesh) return nullptr;
  auto copy = std::make_unique<GMMesh>();
  if (mesh->vertexCount > 0) {
    copy->vertices = new InkVertex*[static_cast<size_t>(mesh->vertexCount)]();
    for (int32_t i = 0; i < mesh->vertexCount; ++i) {
      copy->vertices[i] = new InkVertex{mesh->vertices[i]->position};
      copy->vertexCount = i + 1;  // counted as made, so a failure frees what exists
    }
  }
  copy->SetEdges(mesh->Edges());
  if (mesh->faceCount > 0) {
    copy->faces = new GMMeshFace[static_cast<size_t>(mesh->faceCount)];
    for (int32_t i = 0; i < mesh->faceCount; ++i) {
      const GMMeshFace& face = mesh->faces[i];
      copy->faces[i].indices = NewIndexArray(face.Indices());
      copy->faces[i].count = face.count;
      copy->faceCount = i + 1;
    }
  }
  return copy;
}
