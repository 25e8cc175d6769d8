// File plug-ins that misbehave: throwing from their entry points, or handing
// back trees the scene cannot hold. The host keeps the scene as it was and
// answers as if the plug-in had failed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "model/InkNode.h"
#include "model/InkProperty.h"
#include "model/InkSolid.h"
#include "plugins/InkFile.h"
#include "in_process_imports.h"
#include "plugins/PluginTree.h"
#include "plugins/ScenePlugins.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

class FaultyPlugin : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "FilePlugin");
    fs::copy_file(fs::path(KORVEX_TEST_PLUGIN_DIR) / "faulty.so", dir_ / "FilePlugin" / "faulty.so");
    korvex::InitializeWithPlugins(solid_, dir_);
    kept_ = new CInkNode;
    kept_->Create(nullptr);
    kept_->SetName("kept");
    solid_.GetRoot()->AddChild(kept_);
  }
  void ExpectSceneKept() {
    CInkNode* root = solid_.GetRoot();
    ASSERT_EQ(root->GetCount(), 1);
    EXPECT_EQ(root->GetChild(0), kept_);
    EXPECT_STREQ(kept_->GetName(nullptr, 0), "kept");
  }

  InProcessImports inProcess_;
  korvex_test::ScratchFolder scratch_;
  fs::path dir_ = scratch_.path();
  CInkSolid solid_;
  CInkNode* kept_ = nullptr;
};

TEST_F(FaultyPlugin, TreesTheSceneCannotHoldAreRefusedAndFreedOnce) {
  // Each refused tree is freed by the host; the leak checker of the
  // sanitizer build sees any node left behind, and a node freed twice
  // stops the test there.
  for (const char* path : {"x.cycle.bad", "x.self.bad", "x.shared.bad", "x.nullchild.bad", "x.deep=1025.bad",
                           "x.deep=100000.bad"}) {
    EXPECT_EQ(solid_.Import(0, path), 0) << path;
    EXPECT_NE(solid_.LastImportFailure().find("階層"), std::string::npos) << path << ": " << solid_.LastImportFailure();
    ExpectSceneKept();
  }
}

TEST_F(FaultyPlugin, TheDeepestTreeTheViewerWalksIsAccepted) {
  ASSERT_EQ(solid_.Import(0, "x.deep=1024.bad"), 1);
  CInkNode* node = solid_.GetRoot();
  int depth = 0;
  while (node->GetCount() > 0) {
    node = node->GetChild(node->GetCount() - 1);
    ++depth;
  }
  EXPECT_EQ(depth, korvex::kMaxPluginTreeDepth);
  EXPECT_STREQ(node->GetName(nullptr, 0), "level 1023");
}

TEST_F(FaultyPlugin, HarmlessFaultsAreMendedAndTheTreeKept) {
  ASSERT_EQ(solid_.Import(0, "x.mendable.bad"), 1);
  CInkNode* root = solid_.GetRoot();
  ASSERT_EQ(root->GetCount(), 3);
  CInkNode* a = root->GetChild(0);
  ASSERT_EQ(a->GetCount(), 1);
  CInkNode* raw = a->GetChild(0);
  // Linked without a parent and never created: it now has both.
  EXPECT_EQ(raw->GetParent(), a);
  ASSERT_NE(raw->GetProperties(), nullptr);
  EXPECT_EQ(raw->GetFigureCount(), 0);
  // A name filling its whole field is cut to the 63 bytes a name holds.
  EXPECT_EQ(std::string(root->GetChild(1)->GetName(nullptr, 0)), std::string(63, 'N'));
  EXPECT_STREQ(root->GetChild(2)->GetName(nullptr, 0), "");
}

TEST(FaultyPluginHost, ExceptionsFromEveryEntryPointAnswerAsFailures) {
  const korvex_test::ScratchFolder scratch;
  const fs::path& dir = scratch.path();
  fs::create_directories(dir / "FilePlugin");
  fs::copy_file(fs::path(KORVEX_TEST_PLUGIN_DIR) / "faulty.so", dir / "FilePlugin" / "a_faulty.so");
  fs::copy_file(fs::path(KORVEX_TEST_PLUGIN_DIR) / "faulty_create.so", dir / "FilePlugin" / "b_create.so");
  {
    CInkSolid solid;
    korvex::InitializeWithPlugins(solid, dir);  // b's Create throws while loading
    ASSERT_EQ(solid.GetFormatCount(), 2);
    EXPECT_EQ(solid.CanImport(1), 0);  // b counts as a plug-in that refused to start

    char buffer[260];
    EXPECT_EQ(solid.GetImportFormat(0, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "Bad files (*.bad)|*.bad|");
    // Texts from a call that threw read as empty, not as what was half written.
    EXPECT_EQ(solid.GetExportFormat(0, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    CInkFile host;
    host.LoadFrom(dir);
    EXPECT_EQ(host.GetComment(0, buffer, sizeof buffer), 0);

    auto* kept = new CInkNode;
    kept->Create(nullptr);
    solid.GetRoot()->AddChild(kept);
    EXPECT_EQ(solid.Import(0, "x.throw.bad"), 0);
    ASSERT_EQ(solid.GetRoot()->GetCount(), 1);
    EXPECT_EQ(solid.GetRoot()->GetChild(0), kept);
    EXPECT_EQ(solid.Export(0, "x.throw.bad"), 0);
    EXPECT_EQ(solid.Export(0, "x.fine.bad"), 1);
  }  // Free throws at the end of both hosts
}

TEST(FaultyPluginHost, AnExtensionPluginThatThrowsDoesNotKeepTheSceneFromGoing) {
  const korvex_test::ScratchFolder scratch;
  const fs::path& dir = scratch.path();
  fs::create_directories(dir / "ExtPlugin");
  fs::copy_file(fs::path(KORVEX_TEST_PLUGIN_DIR) / "faulty.so", dir / "ExtPlugin" / "a_faulty.so");
  {
    CInkSolid solid;
    korvex::InitializeWithPlugins(solid, dir);
    auto* child = new CInkNode;
    child->Create(nullptr);
    solid.GetRoot()->AddChild(child);
    solid.NewScene();  // the old root goes, with a throw from the plug-in
    ASSERT_NE(solid.GetRoot(), nullptr);
    EXPECT_EQ(solid.GetRoot()->GetCount(), 0);
  }  // and the last root while the scene root itself is destroyed
}

TEST(PluginTree, DiscardFreesEveryNodeOfAnyShapeOnce) {
  // A ring of three nodes, each also linked to itself and to a null child.
  CInkNode* nodes[3];
  for (auto*& node : nodes) {
    node = new CInkNode;
    node->Create(nullptr);
  }
  for (int i = 0; i < 3; ++i) {
    nodes[i]->AddChild(nodes[(i + 1) % 3]);
    nodes[i]->Add(nodes[i]);
    nodes[i]->Add(nullptr);
  }
  EXPECT_FALSE(korvex::AcceptPluginTree(*nodes[0]));
  korvex::DiscardPluginTree(nodes[0]);  // the sanitizer build checks that each went once
  korvex::DiscardPluginTree(nullptr);
}

}  // namespace
