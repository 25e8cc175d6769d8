// The ".ink" file plug-in, loaded from its built library the way the viewer
// loads it: lossless round trips, hostile files and the atomic save.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "plugins/InkFile.h"
#include "plugins/ScenePlugins.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

CInkNode* NewNode(const char* name) {
  auto* node = new CInkNode;
  node->Create(nullptr);
  node->SetName(name);
  return node;
}

// A node with one figure of every kind, each with every field set away from
// its default.
CInkNode* NodeWithEveryFigure() {
  InkAttributes a;
  a.colour = 0x80336699u;
  a.textureSlot = 3;
  a.rotationAxis = {0.0, 1.0, 1.0};
  a.rotationAngle = 0.25;
  a.scale = {2.0, 3.0, 0.5};
  a.origin = {-1.5, 1e6, 7.0};
  auto* node = new CInkNode;
  node->Create(&a);
  node->SetName("\x96\xBC\x8F\xCC wall");  // Shift-JIS bytes stay as they are
  node->SetNodeId(42);
  node->SetShown(0);
  node->SetLocked(1);
  node->GetProperties()->AddProperty("layer", 1);
  node->GetProperties()->AddProperty("layer", -2);
  node->GetProperties()->AddProperty("storey", 3);

  InkVertex p{{1, 2, 3}};
  InkPointRecord point{&p};
  node->AddPointFigure(&point, 11);
  const GMVector chain[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
  const int32_t marks[] = {0, 8, 0};
  node->AddPolylineFigure(InkPolyDescription(chain, marks).Get(), 12);
  node->AddPolygonFigure(InkPolyDescription(chain, marks).Get(), 13);

  const GMVector corners[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  const GMMeshEdge edges[] = {{0, 1, -1}, {1, 2, 0}, {2, 3, -1}};
  const std::vector<int32_t> loops[] = {{0, 1, 2, 3}, {0, 2, 1}};
  GMMeshPtr mesh = GMNewMesh(corners, edges, loops);
  const int meshIndex = node->AddMeshFigure(mesh.get(), 14);

  std::vector<InkVertex> sv = {InkVertex{{0, 0, 0}}, InkVertex{{1, 0, 0}}, InkVertex{{0, 1, 0}}};
  InkVertex* svp[] = {&sv[0], &sv[1], &sv[2]};
  int32_t n01[] = {1, 2};
  InkIndexList neighbours{2, n01};
  InkSubdivVertex records[3] = {{{0.1, 0, 0}, 0.5, &neighbours}, {{1, 0.1, 0}, 0, nullptr}, {{0, 1, 0.1}, 1, nullptr}};
  InkSubdivEdge sedges[2] = {{{0.5, 0, 0}, 1.0, {0, 1}, {0, -1}}, {{0.5, 0.5, 0}, 0.25, {1, 2}, {0, -1}}};
  int32_t fv[] = {0, 1, 2};
  int32_t fe[] = {0, 1};
  InkIndexList faceVertices{3, fv}, faceEdges{2, fe};
  InkSubdivFace sfaces[2] = {{{0.3, 0.3, 0}, &faceVertices, &faceEdges}, {{9, 9, 9}, &faceVertices, nullptr}};
  InkSubdivRecord subdiv{3, svp, records, 2, sedges, 2, sfaces};
  node->AddSubdivisionFigure(&subdiv, 16);

  InkVertex base{{5, 5, 5}};
  InkInstanceRecord instance;
  instance.base = &base;
  instance.reference = {0.5, 0.5, 0};
  instance.figure = node->GetFigure(meshIndex);
  for (int i = 0; i < 4; ++i) instance.matrix.m[i][i] = i + 1.0;
  instance.matrix.m[3][0] = 4.0;
  const int first = node->AddInstanceFigure(&instance, 17);
  instance.figure = node->GetFigure(first);  // an instance of an instance
  node->AddInstanceFigure(&instance, 18);

  int32_t l0[] = {0, 1}, l1[] = {2, 3}, l2[] = {0};
  InkIndexList lists[3] = {{2, l0}, {2, l1}, {1, l2}};
  InkSegmentRecord segments[2] = {{{0, 1, 2, 2}}, {{-1, 0, 1, 2}}};
  std::vector<InkVertex> gv = {InkVertex{{0, 0, 0}}, InkVertex{{1, 0, 0}}, InkVertex{{0, 0, 1}}, InkVertex{{1, 0, 1}}};
  InkVertex* gvp[] = {&gv[0], &gv[1], &gv[2], &gv[3]};
  InkSegmentSetRecord set{4, gvp, 3, lists, 2, segments};
  node->AddSegmentFigure(&set, 19);

  node->GetFigure(0)->hidden = 1;
  node->GetFigure(meshIndex)->hidden = 5;
  node->GetVertex(node->GetVertexCount() - 1)->mark = 9;  // a mark the node's copies would not keep
  return node;
}

// A root with properties, the every-figure node and a nested subtree.
CInkNode* FullScene() {
  CInkNode* root = NewNode("site");
  root->GetProperties()->AddProperty("revision", 7);
  root->GetProperties()->AddProperty("revision", 8);
  root->AddChild(NodeWithEveryFigure());
  CInkNode* group = NewNode("group");
  group->AddChild(NewNode("inner"));
  group->GetChild(0)->AddChild(NewNode(""));
  root->AddChild(group);
  return root;
}

InkSceneSettings FullSettings() {
  InkSceneSettings s;
  s.eye = {1, 2, 3};
  s.target = {4, 5, 6};
  s.up = {0, 1, 0};
  s.nearClip = 0.125;
  s.farClip = 12345.0;
  s.viewAngle = 30.0;
  s.unitFactor = 1000.0;
  s.lightPosition = {-1, -2, 9};
  for (size_t i = 0; i < sizeof s.reserved; ++i) s.reserved[i] = static_cast<uint8_t>(i * 7 + 1);
  return s;
}

std::string Spans(std::span<InkVertex* const> vertices) {
  std::string out;
  for (const InkVertex* v : vertices)
    out += std::to_string(v->position.x) + "," + std::to_string(v->position.y) + "," +
           std::to_string(v->position.z) + "m" + std::to_string(v->mark) + ";";
  return out;
}

// Every field of two trees, node by node.
void ExpectSameTree(CInkNode& a, CInkNode& b) {
  SCOPED_TRACE(a.GetName(nullptr, 0));
  EXPECT_EQ(0, std::memcmp(a.GetName(nullptr, 0), b.GetName(nullptr, 0), 64));
  EXPECT_EQ(a.GetNodeId(), b.GetNodeId());
  EXPECT_EQ(a.IsShown(), b.IsShown());
  EXPECT_EQ(a.IsLocked(), b.IsLocked());
  EXPECT_EQ(0, std::memcmp(a.GetAttributeRecord(), b.GetAttributeRecord(), sizeof(InkAttributes)));
  ASSERT_EQ(a.GetProperties()->GetCount(), b.GetProperties()->GetCount());
  for (int i = 0; i < a.GetProperties()->GetCount(); ++i)
    EXPECT_EQ(0, std::memcmp(a.GetProperties()->GetRecordAt(i), b.GetProperties()->GetRecordAt(i),
                             sizeof(InkPropertyRecord)));
  ASSERT_EQ(a.GetFigureCount(), b.GetFigureCount());
  EXPECT_EQ(a.GetInstanceFigureCount(), b.GetInstanceFigureCount());
  for (int i = 0; i < a.GetFigureCount(); ++i) {
    const InkFigure& fa = *a.GetFigure(i);
    const InkFigure& fb = *b.GetFigure(i);
    ASSERT_EQ(fa.kind, fb.kind);
    EXPECT_EQ(fa.hidden, fb.hidden);
    EXPECT_EQ(fa.value, fb.value);
    EXPECT_EQ(Spans(InkGeometryVertices(fa.kind, fa.geometry)), Spans(InkGeometryVertices(fb.kind, fb.geometry)));
    if (fa.kind == kInkFigureMesh) {
      const auto& ma = *static_cast<const GMMesh*>(fa.geometry);
      const auto& mb = *static_cast<const GMMesh*>(fb.geometry);
      EXPECT_TRUE(std::equal(ma.Edges().begin(), ma.Edges().end(), mb.Edges().begin(), mb.Edges().end()));
      ASSERT_EQ(ma.faceCount, mb.faceCount);
      for (int f = 0; f < ma.faceCount; ++f)
        EXPECT_TRUE(std::ranges::equal(ma.Faces()[f].Indices(), mb.Faces()[f].Indices()));
    } else if (fa.kind == kInkFigureSubdivision) {
      const auto& sa = *static_cast<const InkSubdivRecord*>(fa.geometry);
      const auto& sb = *static_cast<const InkSubdivRecord*>(fb.geometry);
      auto sameList = [](const InkIndexList* x, const InkIndexList* y) {
        return (x == nullptr) == (y == nullptr) && (!x || std::ranges::equal(x->Indices(), y->Indices()));
      };
      for (int v = 0; v < sa.vertexCount; ++v) {
        EXPECT_EQ(sa.vertexRecords[v].point, sb.vertexRecords[v].point);
        EXPECT_EQ(sa.vertexRecords[v].sharpness, sb.vertexRecords[v].sharpness);
        EXPECT_TRUE(sameList(sa.vertexRecords[v].neighbours, sb.vertexRecords[v].neighbours));
      }
      ASSERT_EQ(sa.edgeCount, sb.edgeCount);
      EXPECT_EQ(0, std::memcmp(sa.edges, sb.edges, sizeof(InkSubdivEdge) * static_cast<size_t>(sa.edgeCount)));
      ASSERT_EQ(sa.faceCount, sb.faceCount);
      for (int f = 0; f < sa.faceCount; ++f) {
        EXPECT_EQ(sa.faces[f].point, sb.faces[f].point);
        EXPECT_TRUE(sameList(sa.faces[f].vertices, sb.faces[f].vertices));
        EXPECT_TRUE(sameList(sa.faces[f].edges, sb.faces[f].edges));
      }
    } else if (fa.kind == kInkFigureInstance) {
      const auto& ia = *static_cast<const InkInstanceRecord*>(fa.geometry);
      const auto& ib = *static_cast<const InkInstanceRecord*>(fb.geometry);
      EXPECT_EQ(ia.reference, ib.reference);
      EXPECT_EQ(ia.matrix, ib.matrix);
      EXPECT_EQ(a.IndexOfFigure(ia.figure), b.IndexOfFigure(ib.figure));
    } else if (fa.kind == kInkFigureSegmentSet) {
      const auto& ga = *static_cast<const InkSegmentSetRecord*>(fa.geometry);
      const auto& gb = *static_cast<const InkSegmentSetRecord*>(fb.geometry);
      ASSERT_EQ(ga.listCount, gb.listCount);
      for (int l = 0; l < ga.listCount; ++l) EXPECT_TRUE(std::ranges::equal(ga.lists[l].Indices(), gb.lists[l].Indices()));
      ASSERT_EQ(ga.segmentCount, gb.segmentCount);
      EXPECT_EQ(0, std::memcmp(ga.segments, gb.segments, sizeof(InkSegmentRecord) * static_cast<size_t>(ga.segmentCount)));
    }
  }
  ASSERT_EQ(a.GetCount(), b.GetCount());
  for (int i = 0; i < a.GetCount(); ++i) ExpectSameTree(*a.GetChild(i), *b.GetChild(i));
}

// --- a hand-made file, for forgeries that still carry a valid checksum --------

struct Image {
  Bytes b;
  void U8(uint8_t v) { b.push_back(v); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U64(uint64_t v) {
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void F64s(int n) {
    for (int i = 0; i < n; ++i) U64(0);
  }
  void Append(const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
};

uint32_t Crc32(const Bytes& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

// A node record with no properties; figures and child count come from the caller.
Bytes NodeHead() {
  Image n;
  n.U8(1);
  n.U8('n');
  n.U32(0);  // id
  n.U32(1);  // shown
  n.U32(0);  // locked
  n.U32(0xFF000000u);
  n.U32(0);
  n.F64s(10);
  n.U32(0);  // properties
  return n.b;
}

// A complete file around a tree section, with a correct checksum.
Bytes FileAround(const Bytes& tree, uint32_t version = 1) {
  Image f;
  for (const uint8_t m : Bytes{0x89, 'K', 'I', 'N', 'K', '\r', '\n', 0x1A}) f.U8(m);
  f.U32(version);
  f.U32(2);
  f.U32(0x53544553);  // "SETS"
  f.U64(12416);
  f.b.resize(f.b.size() + 12416);
  f.U32(0x45455254);  // "TREE"
  f.U64(tree.size());
  f.Append(tree);
  f.U32(Crc32(f.b));
  return f.b;
}

// One node holding the given figure bytes (figure count first).
Bytes TreeWithFigures(uint32_t count, const Bytes& figures) {
  Image t;
  t.Append(NodeHead());
  t.U32(count);
  t.Append(figures);
  t.U32(0);  // children
  return t.b;
}

Bytes Vertex() {
  Image v;
  v.F64s(3);
  v.U32(0);
  return v.b;
}

// An instance figure record referring to figure index reference.
Bytes InstanceFigure(int32_t reference) {
  Image f;
  f.U32(7);
  f.U32(0);
  f.U32(0);
  f.Append(Vertex());
  f.F64s(3);
  f.U32(static_cast<uint32_t>(reference));
  f.F64s(16);
  return f.b;
}

// A mesh figure of one triangle whose last index is given.
Bytes TriangleFigure(int32_t lastIndex, uint32_t vertexCount = 3) {
  Image f;
  f.U32(4);
  f.U32(0);
  f.U32(0);
  f.U32(vertexCount);
  for (int i = 0; i < 3; ++i) f.Append(Vertex());
  f.U32(0);  // edges
  f.U32(1);  // faces
  f.U32(3);
  f.U32(0);
  f.U32(1);
  f.U32(static_cast<uint32_t>(lastIndex));
  return f.b;
}

// A program folder whose FilePlugin holds the .ink plug-in alone.
class InkFile : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "FilePlugin");
    fs::copy_file(KORVEX_INK_PLUGIN, dir_ / "FilePlugin" / "ink.so");
    host_.LoadFrom(dir_);
    ASSERT_EQ(host_.GetCount(), 1);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  korvex_test::ScratchFolder scratch_;
  fs::path dir_ = scratch_.path();
  CInkFile host_;
};

TEST_F(InkFile, OffersImportAndExportOfInkFiles) {
  char filter[260];
  EXPECT_NE(host_.CheckImport(0), 0);
  EXPECT_NE(host_.CheckExport(0), 0);
  host_.GetImportableFormat(0, filter, sizeof filter);
  EXPECT_STREQ(filter, "Korvex\x83\x74\x83\x40\x83\x43\x83\x8B (*.ink)|*.ink|");
  host_.GetExportableFormat(0, filter, sizeof filter);
  EXPECT_STREQ(filter, "Korvex\x83\x74\x83\x40\x83\x43\x83\x8B (*.ink)|*.ink|");
}

TEST_F(InkFile, ASceneComesBackInEveryFieldAndWritesTheSameBytesAgain) {
  std::unique_ptr<CInkNode> scene(FullScene());
  const InkSceneSettings settings = FullSettings();
  ASSERT_EQ(host_.Export(0, Path("a.ink").c_str(), scene.get(), settings), 1);

  InkSceneSettings read;
  std::unique_ptr<CInkNode> back(host_.Import(0, Path("a.ink").c_str(), &read));
  ASSERT_NE(back, nullptr);
  ExpectSameTree(*scene, *back);
  EXPECT_EQ(0, std::memcmp(&read, &settings, sizeof settings));

  ASSERT_EQ(host_.Export(0, Path("b.ink").c_str(), back.get(), read), 1);
  EXPECT_EQ(ReadBytes(Path("a.ink")), ReadBytes(Path("b.ink")));

  // Through the scene root: the file's top-level nodes and properties become the scene.
  CInkSolid solid;
  korvex::InitializeWithPlugins(solid, dir_);
  ASSERT_EQ(solid.Import(0, Path("a.ink").c_str()), 1);
  ASSERT_EQ(solid.GetRoot()->GetCount(), 2);
  ExpectSameTree(*scene->GetChild(0), *solid.GetRoot()->GetChild(0));
  EXPECT_EQ(solid.GetRoot()->GetProperties()->GetValueAt(1), 8);
  EXPECT_EQ(solid.settings.farClip, 12345.0);
}

TEST_F(InkFile, AWriterRefusesAnInstanceChainThatComesBack) {
  std::unique_ptr<CInkNode> node(NewNode("loop"));
  InkVertex base{{0, 0, 0}};
  InkInstanceRecord instance;
  instance.base = &base;
  node->AddInstanceFigure(&instance, 0);
  node->AddInstanceFigure(&instance, 0);
  // Records edited in place can point anywhere in the node, also in a circle.
  static_cast<InkInstanceRecord*>(node->GetFigure(0)->geometry)->figure = node->GetFigure(1);
  static_cast<InkInstanceRecord*>(node->GetFigure(1)->geometry)->figure = node->GetFigure(0);
  EXPECT_EQ(host_.Export(0, Path("loop.ink").c_str(), node.get(), InkSceneSettings{}), 0);
  EXPECT_FALSE(fs::exists(Path("loop.ink")));

  // A reference to a later figure is fine.
  static_cast<InkInstanceRecord*>(node->GetFigure(1)->geometry)->figure = nullptr;
  ASSERT_EQ(host_.Export(0, Path("later.ink").c_str(), node.get(), InkSceneSettings{}), 1);
  InkSceneSettings s;
  std::unique_ptr<CInkNode> back(host_.Import(0, Path("later.ink").c_str(), &s));
  ASSERT_NE(back, nullptr);
  ExpectSameTree(*node, *back);
}

TEST_F(InkFile, AWriterRefusesCoordinatesThatAreNotNumbers) {
  std::unique_ptr<CInkNode> scene(FullScene());
  ASSERT_EQ(host_.Export(0, Path("plan.ink").c_str(), scene.get(), FullSettings()), 1);
  const Bytes before = ReadBytes(Path("plan.ink"));
  // A NaN in a vertex deep in the tree, then an infinite placement.
  CInkNode* child = scene->GetChild(0);
  ASSERT_GT(child->GetVertexCount(), 0);
  const GMVector kept = child->GetVertex(0)->position;
  child->GetVertex(0)->position.y = std::nan("");
  EXPECT_EQ(host_.Export(0, Path("plan.ink").c_str(), scene.get(), FullSettings()), 0);
  child->GetVertex(0)->position = kept;
  child->GetAttributeRecord()->origin.z = HUGE_VAL;
  EXPECT_EQ(host_.Export(0, Path("plan.ink").c_str(), scene.get(), FullSettings()), 0);
  EXPECT_EQ(ReadBytes(Path("plan.ink")), before);
}

TEST_F(InkFile, HostileFilesLeaveTheSceneAsItWas) {
  // The hand-made baseline must itself be readable, or the rows prove nothing.
  const Bytes good = FileAround(TreeWithFigures(2, TriangleFigure(2) + InstanceFigure(0)));
  std::unique_ptr<CInkNode> scene(FullScene());
  ASSERT_EQ(host_.Export(0, Path("real.ink").c_str(), scene.get(), FullSettings()), 1);
  const Bytes real = ReadBytes(Path("real.ink"));

  Bytes deep;
  {
    Image t;
    for (int i = 0; i < 1100; ++i) {
      t.Append(NodeHead());
      t.U32(0);
      t.U32(1);
    }
    t.Append(NodeHead());
    t.U32(0);
    t.U32(0);
    deep = t.b;
  }
  Bytes badCrc = real;
  badCrc[real.size() / 2] ^= 0x40;
  Bytes tooManyVertices = TriangleFigure(2, 0x7FFFFFFFu);
  Image longName;
  longName.U8(200);
  longName.b.resize(1 + 200, 'x');
  Bytes longNameTree = longName.b;
  {
    const Bytes head = NodeHead();
    longNameTree.insert(longNameTree.end(), head.begin() + 2, head.end());
    Image rest;
    rest.U32(0);
    rest.U32(0);
    longNameTree.insert(longNameTree.end(), rest.b.begin(), rest.b.end());
  }
  // Found by fuzzing: a name "Z\0" read as "Z" and was written back one byte
  // shorter. The same for a property's name.
  Bytes zeroInName = TreeWithFigures(0, {});
  zeroInName[0] = 2;
  zeroInName.insert(zeroInName.begin() + 2, 0);
  Bytes zeroInPropertyName = NodeHead();
  {
    Image property;
    property.U32(1);  // one property: "p\0", 5
    property.U8(2);
    property.U8('p');
    property.U8(0);
    property.U32(5);
    property.U32(0);  // figures
    property.U32(0);  // children
    zeroInPropertyName.resize(zeroInPropertyName.size() - 4);  // the head's property count
    zeroInPropertyName.insert(zeroInPropertyName.end(), property.b.begin(), property.b.end());
  }
  Image tooManyChildren;
  tooManyChildren.Append(NodeHead());
  tooManyChildren.U32(0);
  tooManyChildren.U32(1000);
  Image reservedKind;
  reservedKind.U32(5);
  reservedKind.U32(0);
  reservedKind.U32(0);
  Bytes longerTree = FileAround(TreeWithFigures(0, {}));
  longerTree[16 + 12 + 12416 + 4] += 1;  // the tree section claims one byte more than it has
  longerTree.resize(longerTree.size() - 4);
  Image recrc;
  recrc.Append(longerTree);
  recrc.U32(Crc32(longerTree));

  const struct {
    const char* name;
    Bytes file;
  } rows[] = {
      {"empty", {}},
      {"cut after the header", Bytes(real.begin(), real.begin() + 20)},
      {"cut inside the tree", Bytes(real.begin(), real.end() - 40)},
      {"one byte short", Bytes(real.begin(), real.end() - 1)},
      {"a flipped bit", badCrc},
      {"another version", FileAround(TreeWithFigures(0, {}), 2)},
      {"a vertex count beyond the file", FileAround(TreeWithFigures(1, tooManyVertices))},
      {"a face index out of range", FileAround(TreeWithFigures(1, TriangleFigure(3)))},
      {"a negative face index", FileAround(TreeWithFigures(1, TriangleFigure(-1)))},
      {"a 200-byte name", FileAround(longNameTree)},
      {"a zero byte inside a node's name", FileAround(zeroInName)},
      {"a zero byte inside a property's name", FileAround(zeroInPropertyName)},
      {"more children than the file holds", FileAround(tooManyChildren.b)},
      {"the reserved figure kind", FileAround(TreeWithFigures(1, reservedKind.b))},
      {"an instance of itself", FileAround(TreeWithFigures(1, InstanceFigure(0)))},
      {"an instance beyond the figures", FileAround(TreeWithFigures(1, InstanceFigure(4)))},
      {"two instances of each other", FileAround(TreeWithFigures(2, InstanceFigure(1) + InstanceFigure(0)))},
      {"a tree deeper than any scene", FileAround(deep)},
      {"a section longer than the file", recrc.b},
  };

  CInkSolid solid;
  korvex::InitializeWithPlugins(solid, dir_);
  WriteBytes(Path("good.ink"), good);
  ASSERT_EQ(solid.Import(0, Path("good.ink").c_str()), 1);
  CInkNode* root = solid.GetRoot();
  ASSERT_EQ(root->GetCount(), 0);  // the hand-made tree is the root alone
  root->AddChild(NewNode("kept"));
  solid.settings.farClip = 777.0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteBytes(Path("bad.ink"), row.file);
    EXPECT_EQ(solid.Import(0, Path("bad.ink").c_str()), 0);
    EXPECT_EQ(solid.GetRoot(), root);
    EXPECT_EQ(root->GetCount(), 1);
    EXPECT_EQ(solid.settings.farClip, 777.0);
  }
  EXPECT_EQ(solid.Import(0, Path("missing.ink").c_str()), 0);
}

TEST_F(InkFile, AFailedSaveKeepsThePreviousFileAndLeavesNothingBehind) {
  std::unique_ptr<CInkNode> scene(FullScene());
  ASSERT_EQ(host_.Export(0, Path("plan.ink").c_str(), scene.get(), FullSettings()), 1);
  const Bytes before = ReadBytes(Path("plan.ink"));

  // A file size limit below the file's size makes the write fail half-way.
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  scene->AddChild(NewNode("new"));
  const int result = host_.Export(0, Path("plan.ink").c_str(), scene.get(), FullSettings());
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes(Path("plan.ink")), before);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"FilePlugin", "plan.ink"}));
}

}  // namespace
