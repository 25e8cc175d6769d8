// The Assimp-based format plug-ins, loaded from their built libraries: real
// sample models, the turn from Y up to Z up, the far plane, export and the
// files that must be refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <span>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <fstream>
#include <string>
#include <vector>

#include "model/InkNode.h"
#include "geometry/gm_mesh_build.h"
#include "geometry/gm_vector.h"
#include "model/InkSolid.h"
#include "plugins/assimp/AssimpScene.h"
#include "plugins/ScenePlugins.h"
#include "tests/support/needs.h"
#include "tests/safety/small_file_system.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

const fs::path kModels = "/usr/share/assimp/models";

int CountNodes(CInkNode& node) {
  int n = 1;
  for (int i = 0; i < node.GetCount(); ++i) n += CountNodes(*node.GetChild(i));
  return n;
}

int CountFigures(CInkNode& node) {
  int n = node.GetFigureCount();
  for (int i = 0; i < node.GetCount(); ++i) n += CountFigures(*node.GetChild(i));
  return n;
}

// Every vertex of the subtree, in scene world coordinates.
void WorldBox(CInkNode& node, GMBox& box, bool& any) {
  node.UpdateWorldVertices(0);
  for (int v = 0; v < node.GetVertexCount(); ++v) {
    const GMVector& p = node.GetVertex(v)->worldPosition;
    if (!any) {
      box = {p.x, p.y, p.z, p.x, p.y, p.z};
      any = true;
    }
    box.Extend(p);
  }
  for (int i = 0; i < node.GetCount(); ++i) WorldBox(*node.GetChild(i), box, any);
}

// The largest coordinate of any vertex, local or world: what the viewer's
// clean-up compares with ten times the far plane.
double LargestCoordinate(CInkNode& node) {
  double m = 0.0;
  node.UpdateWorldVertices(0);
  for (int v = 0; v < node.GetVertexCount(); ++v) {
    const InkVertex& p = *node.GetVertex(v);
    for (double c : {p.position.x, p.position.y, p.position.z, p.worldPosition.x, p.worldPosition.y,
                     p.worldPosition.z})
      m = std::max(m, std::abs(c));
  }
  for (int i = 0; i < node.GetCount(); ++i) m = std::max(m, LargestCoordinate(*node.GetChild(i)));
  return m;
}

// A program folder whose FilePlugin holds the Assimp plug-ins.
class AssimpFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "FilePlugin");
    for (const char* format : {"obj", "gltf", "glb", "ifc", "stl", "ply", "dae", "3ds", "fbx"})
      fs::copy_file(fs::path(KORVEX_PLUGIN_BUILD_DIR) / ("assimp_" + std::string(format) + ".so"),
                    dir_ / "FilePlugin" / ("assimp_" + std::string(format) + ".so"));
    korvex::InitializeWithPlugins(solid_, dir_);
  }
  int FormatOf(const std::string& extension) {
    for (int i = 0; i < solid_.GetFormatCount(); ++i) {
      char filter[260];
      solid_.GetImportFormat(i, filter, sizeof filter);
      if (std::strstr(filter, ("|*." + extension + "|").c_str())) return i;
    }
    return -1;
  }
  int ExportFormatOf(const std::string& extension) {
    for (int i = 0; i < solid_.GetFormatCount(); ++i) {
      char filter[260];
      solid_.GetExportFormat(i, filter, sizeof filter);
      if (solid_.CanExport(i) && std::strstr(filter, ("|*." + extension + "|").c_str())) return i;
    }
    return -1;
  }
  bool Load(const fs::path& file) {
    std::string extension = file.extension().string().substr(1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return solid_.Import(FormatOf(extension), file.c_str()) == 1;
  }
  GMBox Box() {
    GMBox box{};
    bool any = false;
    WorldBox(*solid_.GetRoot(), box, any);
    EXPECT_TRUE(any);
    return box;
  }

  // A coloured box placed away from the origin, turned and scaled; its far
  // corner where asked.
  static void AddBox(CInkNode& root, GMVector farCorner = {1, 1, 1}) {
    auto* node = new CInkNode;
    InkAttributes a;
    a.colour = 0x80FF0000u;  // half-transparent blue
    a.origin = {10, 20, 30};
    a.rotationAngle = 0.5;
    a.scale = {2, 2, 2};
    node->Create(&a);
    node->SetName("box");
    const GMVector corners[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, farCorner, {0, 1, 1}};
    const std::vector<int32_t> loops[] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                          {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    GMMeshPtr mesh = GMNewMesh(corners, {}, loops);
    node->AddMeshFigure(mesh.get(), 0);
    root.AddChild(node);
  }

  korvex_test::ScratchFolder scratch_;
  fs::path dir_ = scratch_.path();
  CInkSolid solid_;
};

TEST_F(AssimpFormats, RealSampleModelsLoadWithPlausibleTreesAndBounds) {
  KORVEX_NEED(fs::exists(kModels), "KORVEX_ALLOW_NO_SAMPLES", "the assimp-testmodels package is not installed");
  const struct {
    const char* file;
    int minNodes;
    double minSize, maxSize;  // the largest side of the world box
  } rows[] = {
      {"IFC/AC14-FZK-Haus.ifc", 150, 10.0, 40.0},  // a detached house, in metres
      {"OBJ/spider.obj", 10, 1.0, 1000.0},
      {"glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb", 50, 10.0, 10000.0},
      {"glTF2/BoxTextured-glTF/BoxTextured.gltf", 2, 0.5, 2.0},
      {"STL/Spider_binary.stl", 1, 1.0, 1000.0},
      {"PLY/cube.ply", 1, 0.5, 10.0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    solid_.settings.farClip = 3000.0;
    ASSERT_TRUE(Load(kModels / row.file));
    CInkNode& root = *solid_.GetRoot();
    EXPECT_GE(CountNodes(root), row.minNodes);
    EXPECT_GE(CountFigures(root), 1);
    const GMBox box = Box();
    const double size = std::max({box.maxX - box.minX, box.maxY - box.minY, box.maxZ - box.minZ});
    EXPECT_GE(size, row.minSize);
    EXPECT_LE(size, row.maxSize);
    // Nothing reaches beyond the far plane the viewer cleans up with.
    EXPECT_GE(solid_.settings.farClip, 3000.0);
    EXPECT_LE(LargestCoordinate(root), 10.0 * solid_.settings.farClip);
  }
}

TEST_F(AssimpFormats, TheHouseStandsOnZ) {
  KORVEX_NEED(fs::exists(kModels), "KORVEX_ALLOW_NO_SAMPLES", "the assimp-testmodels package is not installed");
  ASSERT_TRUE(Load(kModels / "IFC/AC14-FZK-Haus.ifc"));
  const GMBox box = Box();
  // IFC and Assimp keep Y up; the scene has Z up: the house is about 10 m
  // high and wider than it is high.
  const double height = box.maxZ - box.minZ;
  EXPECT_GT(height, 6.0);
  EXPECT_LT(height, 20.0);
  EXPECT_GT(box.maxX - box.minX, height);
  EXPECT_GT(box.maxY - box.minY, height);
}

// An IFC model names its length unit; whatever it names, it arrives in
// metres, which is why a measurement on it reads in metres. The same house
// with its unit set to millimetres arrives a thousand times smaller.
TEST_F(AssimpFormats, AnIfcModelArrivesInMetresWhateverItsUnit) {
  KORVEX_NEED(fs::exists(kModels), "KORVEX_ALLOW_NO_SAMPLES", "the assimp-testmodels package is not installed");
  const fs::path house = kModels / "IFC/AC14-FZK-Haus.ifc";
  ASSERT_TRUE(Load(house));
  const GMBox metres = Box();
  std::ifstream in(house, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string unit = "IFCSIUNIT(*,.LENGTHUNIT.,$,.METRE.)";
  const size_t at = text.find(unit);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, unit.size(), "IFCSIUNIT(*,.LENGTHUNIT.,.MILLI.,.METRE.)");
  const fs::path millimetres = dir_ / "haus-mm.ifc";
  std::ofstream(millimetres, std::ios::binary) << text;
  ASSERT_TRUE(Load(millimetres));
  const GMBox small = Box();
  EXPECT_NEAR(small.maxZ - small.minZ, (metres.maxZ - metres.minZ) / 1000.0, 1e-6);
  EXPECT_NEAR(small.maxX - small.minX, (metres.maxX - metres.minX) / 1000.0, 1e-6);
}

TEST_F(AssimpFormats, ATriangulatedBoxShowsOnlyItsTwelveEdges) {
  KORVEX_NEED(fs::exists(kModels), "KORVEX_ALLOW_NO_SAMPLES", "the assimp-testmodels package is not installed");
  // Twelve triangles over 24 vertices (each face has its own normals and
  // texture coordinates): welded by position, finalised to the box's edges.
  ASSERT_TRUE(Load(kModels / "glTF2/BoxTextured-glTF/BoxTextured.gltf"));
  std::vector<const GMMesh*> meshes;
  std::vector<CInkNode*> stack{solid_.GetRoot()};
  while (!stack.empty()) {
    CInkNode* node = stack.back();
    stack.pop_back();
    for (int i = 0; i < node->GetCount(); ++i) stack.push_back(node->GetChild(i));
    for (int f = 0; f < node->GetFigureCount(); ++f)
      meshes.push_back(static_cast<const GMMesh*>(node->GetFigure(f)->geometry));
  }
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(meshes[0]->vertexCount, 8);
  EXPECT_EQ(meshes[0]->faceCount, 12);
  EXPECT_EQ(meshes[0]->edgeCount, 12);
  for (const GMMeshEdge& e : meshes[0]->Edges()) EXPECT_EQ(e.extra, -1);  // closed: no border edge
}

// Every mesh figure of the subtree.
void Meshes(CInkNode& node, std::vector<const GMMesh*>& out) {
  for (int f = 0; f < node.GetFigureCount(); ++f)
    if (node.GetFigure(f)->kind == kInkFigureMesh) out.push_back(static_cast<const GMMesh*>(node.GetFigure(f)->geometry));
  for (int i = 0; i < node.GetCount(); ++i) Meshes(*node.GetChild(i), out);
}

std::vector<std::array<int32_t, 3>> Sorted(std::span<const GMMeshEdge> edges) {
  std::vector<std::array<int32_t, 3>> out;
  for (const GMMeshEdge& e : edges) out.push_back({std::min(e.first, e.second), std::max(e.first, e.second), e.extra});
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(AssimpFormats, FeatureEdgesAreThoseTheMeshOperationsKeep) {
  KORVEX_NEED(fs::exists(kModels), "KORVEX_ALLOW_NO_SAMPLES", "the assimp-testmodels package is not installed");
  // The plug-in finalises large meshes on its own; on real models it must
  // keep exactly the edges FinaliseMeshEdges keeps from the full edge table
  // with the crease angle of imports.
  for (const char* file : {"IFC/AC14-FZK-Haus.ifc", "OBJ/spider.obj", "STL/sphereWithHole.stl",
                           "glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb"}) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(Load(kModels / file));
    std::vector<const GMMesh*> meshes;
    Meshes(*solid_.GetRoot(), meshes);
    ASSERT_FALSE(meshes.empty());
    for (const GMMesh* mesh : meshes) {
      GMMeshPtr copy = GMCopyMesh(mesh);
      std::vector<GMMeshEdge> every;
      std::set<std::pair<int32_t, int32_t>> seen;
      for (const GMMeshFace& face : copy->Faces())
        for (int32_t k = 0; k < face.count; ++k) {
          const int32_t a = face.indices[k], b = face.indices[(k + 1) % face.count];
          if (seen.insert({std::min(a, b), std::max(a, b)}).second) every.push_back({a, b, -1});
        }
      copy->SetEdges(every);
      FinaliseMeshEdges(*copy, korvex::assimp::kImportCreaseAngle, GM_TOLERANCE);
      ASSERT_EQ(Sorted(mesh->Edges()), Sorted(copy->Edges()));
    }
  }
}

TEST(AssimpCrease, TheCosineShortcutAnswersAsTheAngleRuleAtEveryAngle) {
  // The rule as the mesh operations state it, with the arc cosine always.
  auto literal = [](const GMVector& u, const GMVector& v) {
    const GMVector a = GMNormalize(u, 0.0), b = GMNormalize(v, 0.0);
    if (GMIsSamePoint(a, b, GM_TOLERANCE)) return false;
    const double angle = GMAngleBetween(a, b, GM_TOLERANCE);
    return angle >= korvex::assimp::kImportCreaseAngle &&
           std::abs(angle - korvex::assimp::kImportCreaseAngle) > GM_TOLERANCE;
  };
  const double crease = korvex::assimp::kImportCreaseAngle;
  std::vector<double> angles = {0.0, 1e-9, 0.25, crease - 1e-6, crease, crease + 0.5 * GM_TOLERANCE,
                                std::acos(-1.0) / 2, std::acos(-1.0) - 1e-12, std::acos(-1.0)};
  // Both edges of the tolerance band, step by step across the cosine band.
  for (const double edge : {crease, crease + GM_TOLERANCE, crease - GM_TOLERANCE})
    for (int k = -2000; k <= 2000; ++k) angles.push_back(edge + k * 1e-12);
  int folded = 0, flat = 0;
  for (const double angle : angles)
    for (const double turn : {0.0, 0.7, 2.1}) {
      // Normals of any length and any heading: the shortcut sees their units.
      const GMVector u{3.0 * std::cos(turn), 3.0 * std::sin(turn), 0.0};
      const GMVector v{0.5 * std::cos(turn + angle), 0.5 * std::sin(turn + angle), 0.0};
      const GMVector w{std::cos(turn) * std::cos(angle), std::sin(turn) * std::cos(angle), std::sin(angle)};
      for (const GMVector& other : {v, w}) {
        const bool expected = literal(u, other);
        ASSERT_EQ(korvex::assimp::FoldedAtCrease(u, other), expected) << "angle " << angle << " turn " << turn;
        (expected ? folded : flat) += 1;
      }
    }
  // Both answers are met near the edges, so the comparison above has teeth.
  EXPECT_GT(folded, 1000);
  EXPECT_GT(flat, 1000);
}

// A closed prism of `sides` faces round the z axis (radius 1, height 1),
// written as triangles, the way exporters hand over curved surfaces.
void WritePrismObj(const fs::path& path, int sides) {
  std::ofstream out(path);
  for (int z = 0; z < 2; ++z)
    for (int i = 0; i < sides; ++i) {
      const double a = 2.0 * std::acos(-1.0) * i / sides;
      out << "v " << std::cos(a) << " " << z << " " << std::sin(a) << "\n";  // Y up in the file
    }
  for (int i = 0; i < sides; ++i) {
    const int a = i + 1, b = (i + 1) % sides + 1, c = b + sides, d = a + sides;
    out << "f " << a << " " << b << " " << c << "\nf " << a << " " << c << " " << d << "\n";
  }
  for (int i = 1; i + 1 < sides; ++i) {  // the two caps as fans
    out << "f 1 " << i + 2 << " " << i + 1 << "\n";
    out << "f " << sides + 1 << " " << sides + i + 1 << " " << sides + i + 2 << "\n";
  }
}

TEST_F(AssimpFormats, ACurvedSurfaceShowsItsRimsNotItsFacets) {
  // 24 sides meet at 15°: below the crease angle, so the mantle has no
  // lines; its two rims (90° to the caps) stay. A square prism keeps all
  // twelve edges of its box.
  for (const auto& [sides, expected] : {std::pair{24, 48}, std::pair{4, 12}}) {
    SCOPED_TRACE(sides);
    WritePrismObj(dir_ / "prism.obj", sides);
    ASSERT_TRUE(Load(dir_ / "prism.obj"));
    std::vector<const GMMesh*> meshes;
    Meshes(*solid_.GetRoot(), meshes);
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0]->edgeCount, expected);
  }
}

// A Y-up OBJ of one triangle far from the origin, with a named group.
void WriteTriangleObj(const fs::path& path, double offset) {
  std::ofstream out(path);
  out << "o Stütze\n";
  out << "v " << offset << " 0 0\nv " << offset + 1 << " 0 0\nv " << offset << " 2 0\n";
  out << "f 1 2 3\n";
}

TEST_F(AssimpFormats, YUpBecomesZUpAndTheFarPlaneCoversTheModel) {
  WriteTriangleObj(dir_ / "site.obj", 500000.0);
  solid_.settings.farClip = 3000.0;
  ASSERT_TRUE(Load(dir_ / "site.obj"));
  const GMBox box = Box();
  // Y (up in the file) is Z in the scene; the file's Z (towards the viewer) is -Y.
  EXPECT_NEAR(box.minZ, 0.0, 1e-9);
  EXPECT_NEAR(box.maxZ, 2.0, 1e-9);
  EXPECT_NEAR(box.maxY - box.minY, 0.0, 1e-9);
  EXPECT_NEAR(box.minX, 500000.0, 1e-9);
  EXPECT_GE(solid_.settings.farClip, 500001.0);
  // The name went to Shift-JIS; "ü" has no Shift-JIS form and became "?".
  CInkNode* found = nullptr;
  std::vector<CInkNode*> stack{solid_.GetRoot()};
  while (!stack.empty() && !found) {
    CInkNode* node = stack.back();
    stack.pop_back();
    if (std::string(node->GetName(nullptr, 0)) == "St?tze") found = node;
    for (int i = 0; i < node->GetCount(); ++i) stack.push_back(node->GetChild(i));
  }
  EXPECT_NE(found, nullptr);

  // A small model leaves a larger far plane as it was.
  WriteTriangleObj(dir_ / "small.obj", 0.0);
  solid_.settings.farClip = 3000.0;
  ASSERT_TRUE(Load(dir_ / "small.obj"));
  EXPECT_EQ(solid_.settings.farClip, 3000.0);
}

TEST_F(AssimpFormats, TheFirstCameraBecomesTheViewTurnedToZUp) {
  // One triangle and a camera 5 units in front of it (+Z) and 1 up (+Y).
  std::ofstream(dir_ / "view.gltf") << R"({
    "asset": {"version": "2.0"},
    "scene": 0,
    "scenes": [{"nodes": [0, 1]}],
    "nodes": [{"mesh": 0}, {"camera": 0, "translation": [0, 1, 5]}],
    "cameras": [{"type": "perspective", "perspective": {"yfov": 0.8, "znear": 0.5, "zfar": 100}}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
    "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                   "min": [0, 0, 0], "max": [1, 1, 0]}],
    "bufferViews": [{"buffer": 0, "byteLength": 36}],
    "buffers": [{"byteLength": 36,
                 "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]
  })";
  ASSERT_TRUE(Load(dir_ / "view.gltf"));
  const InkSceneSettings& s = solid_.settings;
  EXPECT_NEAR(s.eye.x, 0.0, 1e-6);
  EXPECT_NEAR(s.eye.y, -5.0, 1e-6);
  EXPECT_NEAR(s.eye.z, 1.0, 1e-6);
  // Looking along -Z of the file, which is +Y of the scene, with Z up.
  EXPECT_NEAR(s.target.y - s.eye.y, 1.0, 1e-6);
  EXPECT_NEAR(s.target.z - s.eye.z, 0.0, 1e-6);
  EXPECT_NEAR(s.up.z, 1.0, 1e-6);
  EXPECT_NEAR(s.nearClip, 0.5, 1e-6);
  EXPECT_NEAR(s.viewAngle, 0.8 * 180.0 / 3.14159265358979, 1e-4);  // the file's vertical angle
}

TEST_F(AssimpFormats, EmptyAndBrokenFilesAreRefused) {
  std::ofstream(dir_ / "empty.obj") << "";
  std::ofstream(dir_ / "points.obj") << "v 0 0 0\nv 1 0 0\np 1\np 2\n";
  std::ofstream(dir_ / "broken.gltf") << "{ \"asset\": { \"version\": \"2.0\" }, \"meshes\": [ { ";
  std::ofstream(dir_ / "range.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n";
  std::ofstream(dir_ / "text.stl") << "not a solid at all";
  CInkNode* root = solid_.GetRoot();
  solid_.settings.farClip = 1234.0;
  for (const char* name : {"empty.obj", "points.obj", "broken.gltf", "range.obj", "text.stl", "missing.ply"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(Load(dir_ / name));
    EXPECT_EQ(solid_.GetRoot(), root);
    EXPECT_EQ(solid_.settings.farClip, 1234.0);
  }
}

// Assimp reads a file its readers of the named format do not recognise as
// whatever other format takes it; a mailed ".gltf" must not reach the
// readers of seventy other formats. An ASCII STL triangle under every name
// is read only as ".stl".
TEST_F(AssimpFormats, AFileIsReadAsTheFormatItsNameSaysOrNotAtAll) {
  const std::string triangle =
      "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n"
      "endsolid t\n";
  for (const char* extension : {"obj", "gltf", "glb", "ifc", "stl", "ply", "dae", "3ds", "fbx"}) {
    SCOPED_TRACE(extension);
    ASSERT_GE(FormatOf(extension), 0);
    const fs::path file = dir_ / (std::string("disguised.") + extension);
    std::ofstream(file) << triangle;
    EXPECT_EQ(Load(file), std::string(extension) == "stl");
  }
}

TEST_F(AssimpFormats, ExportedModelsReadBackInTheSamePlace) {
  AddBox(*solid_.GetRoot());
  const GMBox before = Box();

  for (const char* extension : {"obj", "gltf", "glb", "stl", "ply", "dae"}) {
    SCOPED_TRACE(extension);
    const fs::path file = dir_ / (std::string("box.") + extension);
    std::ofstream(file) << "previous";
    ASSERT_EQ(solid_.Export(ExportFormatOf(extension), file.c_str()), 1);
    CInkSolid back;
    korvex::InitializeWithPlugins(back, dir_);
    ASSERT_EQ(back.Import(FormatOf(extension), file.c_str()), 1);
    GMBox box{};
    bool any = false;
    WorldBox(*back.GetRoot(), box, any);
    EXPECT_NEAR(box.minX, before.minX, 1e-4);
    EXPECT_NEAR(box.maxY, before.maxY, 1e-4);
    EXPECT_NEAR(box.maxZ, before.maxZ, 1e-4);
    if (std::string(extension) == "obj" || std::string(extension) == "gltf") {
      // The colour travels as a material (formats without materials give grey).
      std::vector<CInkNode*> stack{back.GetRoot()};
      bool blue = false;
      while (!stack.empty()) {
        CInkNode* n = stack.back();
        stack.pop_back();
        blue = blue || (n->GetFigureCount() > 0 && n->GetAttributeRecord()->colour == 0x80FF0000u);
        for (int i = 0; i < n->GetCount(); ++i) stack.push_back(n->GetChild(i));
      }
      EXPECT_TRUE(blue);
    }
  }
  // No staging folder or temporary file is left beside the targets.
  for (const auto& e : fs::directory_iterator(dir_)) EXPECT_NE(e.path().filename().string()[0], '.');
  // IFC is read only.
  EXPECT_EQ(ExportFormatOf("ifc"), -1);
}

// An OBJ with its material library and a glTF with its buffer, each written
// where the write fails part way: the export says so, every previous file is
// as it was, and nothing else is left in the folder.
TEST_F(AssimpFormats, AnExportThatCannotBeWrittenKeepsTheModelAndItsCompanions) {
  AddBox(*solid_.GetRoot());
  const std::vector<std::string> previous = {"house.obj", "house.mtl", "house.gltf", "house.bin"};
  auto writePrevious = [&](const fs::path& folder) {
    for (const std::string& name : previous) std::ofstream(folder / name) << "previous " << name;
  };
  auto check = [&](const fs::path& folder, const std::function<int(const fs::path&)>& exportTo) {
    std::set<std::string> before;
    for (const auto& e : fs::directory_iterator(folder)) before.insert(e.path().filename().string());
    for (const char* extension : {"obj", "gltf"}) {
      SCOPED_TRACE(extension);
      EXPECT_EQ(exportTo(folder / (std::string("house.") + extension)), 0);
    }
    for (const std::string& name : previous) {
      std::ifstream in(folder / name);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "previous " + name);
    }
    std::set<std::string> after;
    for (const auto& e : fs::directory_iterator(folder)) after.insert(e.path().filename().string());
    EXPECT_EQ(after, before);
  };
  auto exportTo = [&](const fs::path& file) {
    return solid_.Export(ExportFormatOf(file.extension().string().substr(1)), file.c_str());
  };

  {
    SCOPED_TRACE("file size limit");
    // The model is larger than 40 bytes, each library smaller.
    writePrevious(dir_);
    check(dir_, [&](const fs::path& file) {
      safety_test::FileSizeLimit limit(40);
      return exportTo(file);
    });
  }
  {
    SCOPED_TRACE("full disk");
    safety_test::SmallFileSystem disk(64 << 10);
    KORVEX_NEED(disk.Mounted(), "KORVEX_ALLOW_NO_MOUNT", "this process may not mount a file system");
    writePrevious(disk.path());
    disk.Fill();
    check(disk.path(), exportTo);
  }
  // With room again, all files are written.
  ASSERT_EQ(exportTo(dir_ / "house.obj"), 1);
  std::ifstream library(dir_ / "house.mtl");
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(library), {}).find("newmtl"), std::string::npos);
}

// Formats of single precision cannot hold 1e308 and no reader takes back a
// NaN: such a model is refused and the previous file stays.
TEST_F(AssimpFormats, CoordinatesNoReaderCouldTakeBackAreRefused) {
  for (const double bad : {1e308, std::nan("")}) {
    SCOPED_TRACE(bad);
    CInkSolid scene;
    korvex::InitializeWithPlugins(scene, dir_);
    AddBox(*scene.GetRoot(), {1, 1, bad});
    for (const char* extension : {"obj", "stl", "gltf"}) {
      const fs::path file = dir_ / (std::string("bad.") + extension);
      std::ofstream(file) << "previous";
      int format = -1;
      for (int i = 0; i < scene.GetFormatCount(); ++i) {
        char filter[260];
        scene.GetExportFormat(i, filter, sizeof filter);
        if (scene.CanExport(i) && std::strstr(filter, ("|*." + std::string(extension) + "|").c_str())) format = i;
      }
      EXPECT_EQ(scene.Export(format, file.c_str()), 0) << extension;
      std::ifstream in(file);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "previous") << extension;
    }
  }
}

}  // namespace
