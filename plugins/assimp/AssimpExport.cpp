#include "plugins/assimp/AssimpScene.h"

#include <assimp/Exporter.hpp>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "common/encoding.h"
#include "geometry/gm_triangulate.h"
#include "model/FigureTessellation.h"
#include "plugins/assimp/AssimpShared.h"

namespace korvex::assimp {

namespace {

// One file an exporter wrote, by the name it gave it.
struct CapturedFile {
  std::string name;
  std::vector<uint8_t> bytes;
};

class CaptureStream : public Assimp::IOStream {
 public:
  explicit CaptureStream(CapturedFile& file) : file_(file) {}
  size_t Read(void*, size_t, size_t) override { return 0; }
  size_t Write(const void* data, size_t size, size_t count) override {
    const size_t bytes = size * count;
    if (bytes == 0) return count;
    if (file_.bytes.size() < cursor_ + bytes) file_.bytes.resize(cursor_ + bytes);
    std::memcpy(file_.bytes.data() + cursor_, data, bytes);
    cursor_ += bytes;
    return count;
  }
  aiReturn Seek(size_t offset, aiOrigin origin) override {
    switch (origin) {
      case aiOrigin_SET: cursor_ = offset; break;
      case aiOrigin_CUR: cursor_ += offset; break;
      case aiOrigin_END: cursor_ = file_.bytes.size() - offset; break;
      default: return AI_FAILURE;
    }
    if (cursor_ > file_.bytes.size()) file_.bytes.resize(cursor_);
    return AI_SUCCESS;
  }
  size_t Tell() const override { return cursor_; }
  size_t FileSize() const override { return file_.bytes.size(); }
  void Flush() override {}

 private:
  CapturedFile& file_;
  size_t cursor_ = 0;
};

// Keeps every file an exporter writes in memory; it reads nothing.
class CaptureIOSystem : public Assimp::IOSystem {
 public:
  explicit CaptureIOSystem(std::deque<CapturedFile>& files) : files_(files) {}
  bool Exists(const char* file) const override {
    return std::any_of(files_.begin(), files_.end(), [&](const CapturedFile& f) { return f.name == file; });
  }
  char getOsSeparator() const override { return '/'; }
  Assimp::IOStream* Open(const char* file, const char* mode) override {
    if (file == nullptr || mode == nullptr || mode[0] == 'r') return nullptr;
    auto it = std::find_if(files_.begin(), files_.end(), [&](const CapturedFile& f) { return f.name == file; });
    if (it == files_.end()) {
      files_.push_back({file, {}});
      it = files_.end() - 1;
    }
    it->bytes.clear();
    return new CaptureStream(*it);
  }
  void Close(Assimp::IOStream* stream) override { delete stream; }

 private:
  std::deque<CapturedFile>& files_;
};

struct ExportBuilder {
  std::vector<aiMesh*> meshes;
  // Assimp's formats hold single-precision numbers: a NaN, an infinity or a
  // coordinate past the float range would make a file no reader takes back.
  bool finite = true;
  std::vector<uint32_t> colours;  // one material per distinct colour word

  unsigned Material(uint32_t colour) {
    const auto it = std::find(colours.begin(), colours.end(), colour);
    if (it != colours.end()) return static_cast<unsigned>(it - colours.begin());
    colours.push_back(colour);
    return static_cast<unsigned>(colours.size() - 1);
  }

  // The node's surface as one triangle mesh, or null when it has none.
  aiMesh* Mesh(CInkNode& node) {
    std::vector<aiVector3D> points;
    for (int i = 0; i < node.GetFigureCount(); ++i) {
      GMPolygonSetPtr polygons = FigurePolygons(node.GetFigure(i), 4, 1.0, kTolerance);
      if (!polygons) continue;
      for (const GMPolygon& polygon : polygons->polygons) {
        if (polygon.Count() < 3) continue;
        auto add = [&](const GMVector& p) {
          points.emplace_back(float(p.x), float(p.y), float(p.z));
          const aiVector3D& q = points.back();
          finite = finite && std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z);
        };
        if (polygon.Count() == 3) {
          for (const GMVector& p : polygon.points) add(p);
          continue;
        }
        GMPolygonSetPtr triangles = GMTriangulate(polygon, kTolerance);
        if (!triangles) continue;
        for (const GMPolygon& t : triangles->polygons)
          if (t.Count() == 3)
            for (const GMVector& p : t.points) add(p);
      }
    }
    if (points.empty()) return nullptr;
    auto* mesh = new aiMesh;
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = static_cast<unsigned>(points.size());
    mesh->mVertices = new aiVector3D[points.size()];
    std::copy(points.begin(), points.end(), mesh->mVertices);
    mesh->mNumFaces = mesh->mNumVertices / 3;
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      mesh->mFaces[f].mNumIndices = 3;
      mesh->mFaces[f].mIndices = new unsigned[3]{3 * f, 3 * f + 1, 3 * f + 2};
    }
    mesh->mMaterialIndex = Material(node.GetAttributeRecord()->colour);
    mesh->mName = aiString(Cp932ToUtf8(node.GetName(nullptr, 0)));
    return mesh;
  }

  aiNode* Node(CInkNode& node, bool withPlacement, int depth) {
    auto* out = new aiNode(Cp932ToUtf8(node.GetName(nullptr, 0)));
    if (withPlacement) {
      GMMatrix m;
      node.GetLocalMatrix(m);
      // Row vectors in the scene, column vectors in Assimp.
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
          out->mTransformation[r][c] = static_cast<float>(m.m[c][r]);
          finite = finite && std::isfinite(out->mTransformation[r][c]);
        }
    }
    if (aiMesh* mesh = Mesh(node)) {
      meshes.push_back(mesh);
      out->mNumMeshes = 1;
      out->mMeshes = new unsigned[1]{static_cast<unsigned>(meshes.size() - 1)};
    }
    if (depth < kMaxDepth && node.GetCount() > 0) {
      out->mChildren = new aiNode*[static_cast<size_t>(node.GetCount())];
      for (int i = 0; i < node.GetCount(); ++i) {
        aiNode* child = Node(*node.GetChild(i), true, depth + 1);
        child->mParent = out;
        out->mChildren[out->mNumChildren++] = child;
      }
    }
    return out;
  }
};

void FillMaterials(aiScene& scene, const std::vector<uint32_t>& colours) {
  const size_t count = std::max<size_t>(colours.size(), 1);
  scene.mMaterials = new aiMaterial*[count];
  scene.mNumMaterials = static_cast<unsigned>(count);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t c = i < colours.size() ? colours[i] : kDefaultColour;
    auto* material = new aiMaterial;
    const aiColor4D diffuse((c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f, 1.0f);
    const float opacity = ((c >> 24) & 0xFF) / 255.0f;
    char name[32];
    std::snprintf(name, sizeof name, "colour_%08X", c);
    const aiString materialName(name);
    material->AddProperty(&materialName, AI_MATKEY_NAME);
    material->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    material->AddProperty(&opacity, 1, AI_MATKEY_OPACITY);
    scene.mMaterials[i] = material;
  }
}

}  // namespace

bool ExportFile(const char* path, const FormatInfo& format, CInkNode& root) {
  if (!format.exportId) return false;
  auto scene = std::make_unique<aiScene>();
  ExportBuilder builder;
  // The root's own placement never takes part in the scene; Y-up formats get
  // the turn back from Z up on top.
  scene->mRootNode = builder.Node(root, false, 0);
  if (format.yUp) {
    const Matrix zUpToYUp = YUpToZUp().Inverse();
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) scene->mRootNode->mTransformation[r][c] = static_cast<float>(zUpToYUp[r][c]);
  }
  scene->mNumMeshes = static_cast<unsigned>(builder.meshes.size());
  if (!builder.meshes.empty()) {
    scene->mMeshes = new aiMesh*[builder.meshes.size()];
    std::copy(builder.meshes.begin(), builder.meshes.end(), scene->mMeshes);
  }
  FillMaterials(*scene, builder.colours);

  if (!builder.finite) return false;

  // The exporter may write companions (an OBJ's material library, a glTF's
  // buffer). Assimp does not report a failed write, so it writes into memory;
  // the files then go to the disk checked and synced, the companions first
  // and the main file last, each renamed only when all were written.
  const std::string target(path);
  std::deque<CapturedFile> files;  // a deque, so an open stream's file stays where it is
  {
    Assimp::Exporter exporter;
    exporter.SetIOHandler(new CaptureIOSystem(files));
    if (exporter.Export(scene.get(), format.exportId, target) != AI_SUCCESS) return false;
  }
  const auto main = std::find_if(files.begin(), files.end(), [&](const CapturedFile& f) { return f.name == target; });
  if (main == files.end()) return false;
  std::rotate(main, main + 1, files.end());
  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  StagedFiles staged;
  for (const CapturedFile& file : files) {
    // A companion goes beside the model, never elsewhere.
    if (std::filesystem::path(file.name).parent_path() != folder) return false;
    if (!staged.Stage(file.name, file.bytes)) return false;
  }
  return staged.Commit();
}

}  // namespace korvex::assimp
