// Plug-in imports in the helper process: files that crash, hang or exhaust
// a parser end the helper, never the test program (the viewer), with the
// reason for the user and the scene left as it was; a good file comes back
// exactly as the plug-in read it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "geometry/gm_mesh.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "plugins/InkFile.h"
#include "plugins/IsolatedImport.h"
#include "plugins/ink/InkFormat.h"
#include "plugins/ScenePlugins.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

class IsolatedImport : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "FilePlugin");
    for (const char* format : {"obj", "gltf", "ply", "dae"})
      fs::copy_file(fs::path(KORVEX_PLUGIN_BUILD_DIR) / ("assimp_" + std::string(format) + ".so"),
                    dir_ / "FilePlugin" / ("assimp_" + std::string(format) + ".so"));
    saved_ = korvex::ImportIsolationSettings();
    korvex::ImportIsolationSettings().enabled = true;
    korvex::ImportIsolationSettings().limits.seconds = 60;
    korvex::ImportIsolationSettings().limits.addressSpace = 1ull << 30;
    korvex::InitializeWithPlugins(solid_, dir_);
    kept_ = new CInkNode;
    kept_->Create(nullptr);
    kept_->SetName("kept");
    solid_.GetRoot()->AddChild(kept_);
  }
  void TearDown() override {
    korvex::ImportIsolationSettings() = saved_;
  }

  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  int Format(const char* extension) {
    char text[260];
    for (int i = 0; i < solid_.GetFormatCount(); ++i)
      if (solid_.GetImportFormat(i, text, sizeof text) && std::string(text).find(std::string("*.") + extension) !=
                                                                std::string::npos)
        return i;
    ADD_FAILURE() << "no plug-in for " << extension;
    return -1;
  }

  // The import fails with a reason that names what stopped it, and the
  // model on screen is the one before.
  void ExpectRefused(const fs::path& file, const std::string& reasonPart) {
    const std::string extension = file.extension().string().substr(1);
    EXPECT_EQ(solid_.Import(Format(extension.c_str()), file.c_str()), 0) << file;
    EXPECT_FALSE(solid_.LastImportFailure().empty()) << file;
    EXPECT_NE(solid_.LastImportFailure().find(reasonPart), std::string::npos)
        << file << ": " << solid_.LastImportFailure();
    ASSERT_EQ(solid_.GetRoot()->GetCount(), 1);
    EXPECT_EQ(solid_.GetRoot()->GetChild(0), kept_);
  }

  korvex_test::ScratchFolder scratch_;
  fs::path dir_ = scratch_.path();
  korvex::ImportIsolation saved_;
  CInkSolid solid_;
  CInkNode* kept_ = nullptr;
};

std::string Repeat(const std::string& text, int n) {
  std::string out;
  out.reserve(text.size() * size_t(n));
  for (int i = 0; i < n; ++i) out += text;
  return out;
}

TEST_F(IsolatedImport, ParsersThatRecurseWithoutEndEndOnlyTheHelper) {
  // A Collada node that instances itself: Assimp follows it until its stack
  // overflows. The nestings below overflow an 8 MiB stack in Assimp; within
  // the helper's larger stack they are read and then refused as too deep.
  ExpectRefused(Write("self.dae", R"(<?xml version="1.0"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<library_nodes><node id="n"><instance_node url="#n"/></node></library_nodes>
<library_visual_scenes><visual_scene id="s"><node id="r"><instance_node url="#n"/></node></visual_scene>
</library_visual_scenes><scene><instance_visual_scene url="#s"/></scene></COLLADA>)"),
                "SIGSEGV");
  // Collada nodes nested 50,000 deep.
  ExpectRefused(Write("deep.dae", "<?xml version=\"1.0\"?><COLLADA version=\"1.4.1\"><library_visual_scenes>"
                                  "<visual_scene id=\"s\">" +
                                      Repeat("<node>", 50000) + Repeat("</node>", 50000) +
                                      "</visual_scene></library_visual_scenes>"
                                      "<scene><instance_visual_scene url=\"#s\"/></scene></COLLADA>"),
                "");
  // glTF with 100,000 nodes, each the child of the one before.
  std::string nodes;
  for (int i = 0; i < 100000; ++i)
    nodes += (i ? "," : "") + (i + 1 < 100000 ? "{\"children\":[" + std::to_string(i + 1) + "]}" : std::string("{}"));
  ExpectRefused(Write("deep.gltf", R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[)" +
                                       nodes + "]}"),
                "");
}

TEST_F(IsolatedImport, AParserThatNeverEndsIsStoppedAtTheTimeLimit) {
  korvex::ImportIsolationSettings().limits.seconds = 2;
  // 21 bytes: a PLY header without its end.
  ExpectRefused(Write("spin.ply", "ply\nformat ascii 1.0\n"), "制限時間 (2 秒)");
}

TEST_F(IsolatedImport, AFileThatAsksForMoreMemoryThanTheLimitIsRefused) {
  // A binary PLY whose header promises two thousand million vertices.
  ExpectRefused(Write("huge.ply", "ply\nformat binary_little_endian 1.0\nelement vertex 2000000000\n"
                                  "property float x\nproperty float y\nproperty float z\nend_header\n" +
                                      std::string(64, '\0')),
                "メモリの上限 (1024 MiB)");
}

TEST_F(IsolatedImport, AGoodModelComesBackAsThePlugInReadIt) {
  const fs::path model = Write("room.obj",
                               "o wall\nv 0 0 0\nv 4 0 0\nv 4 0 3\nv 0 0 3\nf 1 2 3 4\n"
                               "o floor\nv 0 0 0\nv 4 0 0\nv 4 5 0\nv 0 5 0\nf 1 2 3 4\n");
  CInkFile host;
  host.LoadFrom(dir_);
  const int format = Format("obj");
  InkSceneSettings direct{};
  InkSceneSettings isolated{};
  korvex::ImportIsolationSettings().enabled = false;
  std::unique_ptr<CInkNode> inProcess(host.Import(format, model.c_str(), &direct));
  korvex::ImportIsolationSettings().enabled = true;
  std::unique_ptr<CInkNode> helper(host.Import(format, model.c_str(), &isolated));
  ASSERT_TRUE(inProcess && helper) << host.LastImportFailure();
  EXPECT_TRUE(host.LastImportFailure().empty());
  // Same tree and same settings block (the far plane the plug-in set), byte for byte.
  std::vector<uint8_t> a;
  std::vector<uint8_t> b;
  ASSERT_TRUE(korvex::ink::WriteScene(*inProcess, direct, a));
  ASSERT_TRUE(korvex::ink::WriteScene(*helper, isolated, b));
  EXPECT_EQ(a, b);
  EXPECT_GT(isolated.farClip, 0.0);
}

// Faces of the mesh figures below node, and whether every corner is a number.
int CountFaces(CInkNode& node, bool& allFinite) {
  int faces = 0;
  for (int i = 0; i < node.GetFigureCount(); ++i)
    if (const InkFigure* figure = node.GetFigure(i); figure && figure->kind == kInkFigureMesh && figure->geometry)
      faces += static_cast<const GMMesh*>(figure->geometry)->faceCount;
  for (int i = 0; i < node.GetVertexCount(); ++i) {
    const GMVector& p = node.GetVertex(i)->position;
    allFinite = allFinite && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
  }
  for (int i = 0; i < node.GetCount(); ++i) faces += CountFaces(*node.GetChild(i), allFinite);
  return faces;
}

TEST_F(IsolatedImport, CornersAndPlacementsNoSiteCouldHaveCostOnlyTheirFaces) {
  CInkFile host;
  host.LoadFrom(dir_);
  auto faces = [&](const fs::path& model, const char* extension) {
    InkSceneSettings settings{};
    std::unique_ptr<CInkNode> tree(host.Import(Format(extension), model.c_str(), &settings));
    EXPECT_TRUE(tree) << model << ": " << host.LastImportFailure();
    if (!tree) return -1;
    bool allFinite = true;
    const int count = CountFaces(*tree, allFinite);
    EXPECT_TRUE(allFinite) << model;
    EXPECT_LT(settings.farClip, 1e14) << model;
    EXPECT_TRUE(std::isfinite(settings.farClip)) << model;
    return count;
  };
  // The wall's second triangle has a corner that is not a number; the wall's
  // first triangle and the floor come through.
  EXPECT_EQ(faces(Write("nan.obj", "o wall\nv 0 0 0\nv 4 0 0\nv 4 0 3\nv nan 0 3\nf 1 2 3\nf 1 3 4\n"
                                   "o floor\nv 0 0 0\nv 4 0 0\nv 4 5 0\nv 0 5 0\nf 5 6 7 8\n"),
                  "obj"),
            2);
  // A mast with one corner 5e15 m up, beyond any site: its other triangle
  // stays (read by the viewer's own OBJ reader, not the helper).
  EXPECT_EQ(faces(Write("far.obj", "o mast\nv 0 0 0\nv 0 0 5e15\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n"
                                   "o floor\nv 0 0 0\nv 4 0 0\nv 4 5 0\nv 0 5 0\nf 5 6 7 8\n"),
                  "obj"),
            2);
  // The same triangle placed twice, once 1e300 away (infinite in Assimp's
  // single precision): only the copy placed where it can be is kept.
  const std::string triangle = "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA";
  EXPECT_EQ(faces(Write("far.gltf",
                        R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0,1]}],)"
                        R"("nodes":[{"mesh":0,"translation":[1e300,0,0]},{"mesh":0,"translation":[5,0,0]}],)"
                        R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
                        R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",)"
                        R"("min":[0,0,0],"max":[1,1,0]}],"bufferViews":[{"buffer":0,"byteLength":36}],)"
                        R"("buffers":[{"uri":")" + triangle + R"(","byteLength":36}]})"),
                  "gltf"),
            1);
  // Nothing left at all: refused as a file without a model, the scene kept.
  ExpectRefused(Write("allnan.obj", "v nan 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"), "プラグインがファイルを読めませんでした");
}

TEST_F(IsolatedImport, WithoutTheHelperOnlyPlainObjIsReadInTheViewer) {
  // Plain OBJ is read by our own checked reader in the viewer itself, the
  // same tree and settings as the helper gives; anything it declines (here
  // a material) goes to Assimp, in the helper only.
  const fs::path plain = Write("box.obj", "o box\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1 2 4\n");
  CInkFile host;
  host.LoadFrom(dir_);
  const int format = Format("obj");
  InkSceneSettings viaHelper{};
  std::unique_ptr<CInkNode> helper(host.Import(format, plain.c_str(), &viaHelper));
  ASSERT_TRUE(helper) << host.LastImportFailure();
  korvex::ImportIsolationSettings().helper = dir_ / "no-such-helper";
  InkSceneSettings inViewer{};
  std::unique_ptr<CInkNode> read(host.Import(format, plain.c_str(), &inViewer));
  ASSERT_TRUE(read) << host.LastImportFailure();
  std::vector<uint8_t> a;
  std::vector<uint8_t> b;
  ASSERT_TRUE(korvex::ink::WriteScene(*helper, viaHelper, a));
  ASSERT_TRUE(korvex::ink::WriteScene(*read, inViewer, b));
  EXPECT_EQ(a, b);

  ExpectRefused(Write("walls.obj", "mtllib walls.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl red\nf 1 2 3\n"),
                "補助プログラム");
  ExpectRefused(Write("box.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                                 "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
                                 "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"),
                "補助プログラム");
}

// One triangle whose vertices lie in the buffer at uri.
std::string TriangleGltf(const std::string& uri) {
  return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
         R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
         R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],)"
         R"("bufferViews":[{"buffer":0,"byteLength":36}],"buffers":[{"uri":")" +
         uri + R"(","byteLength":36}]})";
}

std::string TriangleBytes() {
  const float points[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  return std::string(reinterpret_cast<const char*>(points), sizeof points);
}

TEST_F(IsolatedImport, AModelReadsOnlyFilesInItsOwnFolderTree) {
  // The user's other files, one folder up from the model's.
  const fs::path models = dir_ / "mail";
  fs::create_directories(models / "buffers");
  Write("secret.bin", TriangleBytes());
  Write("mail/buffers/triangle.bin", TriangleBytes());
  const int format = Format("gltf");
  auto read = [&](const std::string& name, const std::string& uri) {
    return solid_.Import(format, Write("mail/" + name, TriangleGltf(uri)).c_str());
  };
  // Inside the tree, also by a detour that stays inside, and inline.
  EXPECT_EQ(read("inside.gltf", "buffers/triangle.bin"), 1) << solid_.LastImportFailure();
  EXPECT_EQ(read("detour.gltf", "buffers/../buffers/triangle.bin"), 1) << solid_.LastImportFailure();
  EXPECT_EQ(read("inline.gltf", "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"), 1)
      << solid_.LastImportFailure();
  // Out of the tree: climbing out, an absolute path, another scheme, a link.
  fs::create_symlink(dir_ / "secret.bin", models / "buffers" / "link.bin");
  for (const std::string& uri : {std::string("../secret.bin"), (dir_ / "secret.bin").string(),
                                "file://" + (dir_ / "secret.bin").string(), std::string("buffers/link.bin")})
    EXPECT_EQ(read("escape.gltf", uri), 0) << uri;
}

TEST_F(IsolatedImport, PipesAreNeitherModelsNorFilesAModelNames) {
  korvex::ImportIsolationSettings().limits.seconds = 20;
  // A pipe as the model itself is refused before any plug-in runs.
  const fs::path pipe = dir_ / "model.obj";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  ExpectRefused(pipe, "通常のファイル");
  // A material library that is a pipe is left out; the geometry is read at once.
  ASSERT_EQ(::mkfifo((dir_ / "walls.mtl").c_str(), 0600), 0);
  const fs::path model = Write("walls.obj", "mtllib walls.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  EXPECT_EQ(solid_.Import(Format("obj"), model.c_str()), 1) << solid_.LastImportFailure();
}

}  // namespace
