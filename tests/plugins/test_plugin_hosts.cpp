#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/InkNode.h"
#include "model/InkProperty.h"
#include "model/InkSolid.h"
#include "plugins/InkExtPlugin.h"
#include "plugins/InkFile.h"
#include "in_process_imports.h"
#include "plugins/ScenePlugins.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

struct Event {
  std::string what;
  const void* pointer;
  int number;
};
std::vector<Event> g_events;

std::vector<std::string> EventNames() {
  std::vector<std::string> names;
  for (const Event& e : g_events) names.push_back(e.what);
  return names;
}

int Count(const std::string& what) {
  int n = 0;
  for (const Event& e : g_events) n += e.what == what;
  return n;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void KorvexTestRecord(const char* event, const void* pointer,
                                                                        int number) {
  g_events.push_back({event, pointer, number});
}

namespace {

// A program folder of its own with "FilePlugin" and "ExtPlugin" beside it,
// filled with copies of the test plug-ins under chosen names.
class PluginFolder : public ::testing::Test {
 protected:
  InProcessImports inProcess_;
  void SetUp() override {
    fs::create_directories(dir_ / "FilePlugin");
    fs::create_directories(dir_ / "ExtPlugin");
    g_events.clear();
  }

  void AddFilePlugin(const std::string& fixture, const std::string& as) {
    fs::copy_file(fs::path(KORVEX_TEST_PLUGIN_DIR) / (fixture + ".so"), dir_ / "FilePlugin" / as);
  }
  void AddExtPlugin(const std::string& fixture, const std::string& as) {
    fs::copy_file(fs::path(KORVEX_TEST_PLUGIN_DIR) / (fixture + ".so"), dir_ / "ExtPlugin" / as);
  }

  korvex_test::ScratchFolder scratch_;
  fs::path dir_ = scratch_.path();
};

TEST_F(PluginFolder, NoPluginsMeansAnEmptyTableAndAWorkingScene) {
  CInkFile host;
  host.LoadFrom(dir_);
  EXPECT_EQ(host.GetCount(), 0);
  CInkFile nowhere;
  nowhere.LoadFrom(dir_ / "missing");
  EXPECT_EQ(nowhere.GetCount(), 0);

  CInkSolid solid;
  korvex::InitializeWithPlugins(solid, dir_);
  ASSERT_NE(solid.GetRoot(), nullptr);
  EXPECT_EQ(solid.GetFormatCount(), 0);
  EXPECT_EQ(solid.Import(0, "model.tst"), 0);
  EXPECT_EQ(solid.CanImport(0), 0);
}

TEST_F(PluginFolder, EveryFileKeepsItsIndexWhetherOrNotItWorks) {
  AddFilePlugin("reader_a", "a_reader.so");
  std::ofstream(dir_ / "FilePlugin" / "b_broken.so") << "not a library";
  AddFilePlugin("refusing", "c_refusing.so");
  AddFilePlugin("bare", "d_bare.so");
  fs::create_directories(dir_ / "FilePlugin" / "e_folder.so");
  std::ofstream(dir_ / "FilePlugin" / "f_notes.txt") << "not a plug-in";
  {
    CInkFile host;
    host.LoadFrom(dir_);
    ASSERT_EQ(host.GetCount(), 4);
    EXPECT_EQ(EventNames(), (std::vector<std::string>{"reader_a:Create", "refusing:Create", "bare:Create"}));

    EXPECT_EQ(host.CheckImport(0), 1);
    char buffer[260];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(host.GetImportableFormat(0, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "Test files (*.tst)|*.tst|");
    for (int i = 1; i < 4; ++i) {
      EXPECT_EQ(host.CheckImport(i), 0) << i;
      EXPECT_EQ(host.CheckExport(i), 0) << i;
      std::memset(buffer, 'Z', sizeof buffer);
      EXPECT_EQ(host.GetImportableFormat(i, buffer, sizeof buffer), 0) << i;
      EXPECT_EQ(std::string(buffer, 4), std::string(4, '\0')) << i;
      EXPECT_EQ(host.Import(i, "x.tst", nullptr), nullptr) << i;
    }
    // Indices outside the table answer like plug-ins that can do nothing.
    EXPECT_EQ(host.CheckImport(4), 0);
    EXPECT_EQ(host.CheckImport(-1), 0);
    EXPECT_EQ(host.GetComment(9, buffer, sizeof buffer), 0);
    EXPECT_EQ(host.GetComment(0, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "reader_a");
  }
  // Free only for the plug-in whose Create accepted; the refusing one was never asked anything else.
  EXPECT_EQ(Count("reader_a:Free"), 1);
  EXPECT_EQ(Count("refusing:Free"), 0);
  EXPECT_EQ(Count("refusing:CheckImport"), 0);
  EXPECT_EQ(Count("refusing:GetImportableFormat"), 0);
}

TEST_F(PluginFolder, APluginOfAnotherAbiVersionIsTreatedAsUnloadable) {
  AddFilePlugin("unversioned", "a_unversioned.so");
  AddFilePlugin("stale", "b_stale.so");
  AddFilePlugin("reader_a", "c_reader.so");
  {
    CInkFile host;
    host.LoadFrom(dir_);
    ASSERT_EQ(host.GetCount(), 3);
    // Neither library is asked anything, not even Create; both keep their index.
    EXPECT_EQ(EventNames(), (std::vector<std::string>{"reader_a:Create"}));
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(host.CheckImport(i), 0) << i;
      EXPECT_EQ(host.Import(i, "x.tst", nullptr), nullptr) << i;
    }
    EXPECT_EQ(host.CheckImport(2), 1);
  }
  EXPECT_EQ(Count("unversioned:Free") + Count("stale:Free"), 0);
}

TEST_F(PluginFolder, DiscoveryFollowsTheByteOrderOfTheNames) {
  AddFilePlugin("reader_b", "B.so");
  AddFilePlugin("reader_a", "a.so");
  AddFilePlugin("bare", "A.so");
  CInkFile host;
  host.LoadFrom(dir_);
  ASSERT_EQ(host.GetCount(), 3);
  EXPECT_EQ(EventNames(), (std::vector<std::string>{"bare:Create", "reader_b:Create", "reader_a:Create"}));
}

TEST_F(PluginFolder, AFormatTextIsPassedOnWithThePluginsOwnAnswer) {
  AddFilePlugin("reader_b", "b.so");
  CInkFile host;
  host.LoadFrom(dir_);
  ASSERT_EQ(host.GetCount(), 1);
  char buffer[260];
  std::memset(buffer, 'Z', sizeof buffer);
  EXPECT_EQ(host.GetExportableFormat(0, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "Test files (*.tst)|*.tst|");
}

TEST_F(PluginFolder, ImportReplacesTheSceneWithTheTopLevelNodesAndProperties) {
  AddFilePlugin("reader_a", "reader.so");
  AddExtPlugin("ext_b", "1_ext.so");
  AddExtPlugin("ext_a", "2_ext.so");
  CInkSolid solid;
  korvex::InitializeWithPlugins(solid, dir_);
  EXPECT_EQ(Count("ext_a:DeleteRootNode") + Count("ext_b:DeleteRootNode"), 0);  // the first root is never announced

  CInkNode* old = solid.GetRoot();
  for (int i = 0; i < 2; ++i) {
    auto* child = new CInkNode;
    child->Create(nullptr);
    old->AddChild(child);
  }
  g_events.clear();
  solid.settings.eye = GMVector{7, 7, 7};

  ASSERT_EQ(solid.Import(0, "site.tst"), 1);
  // Both extension plug-ins heard of the old root, in discovery order, while it was intact.
  ASSERT_GE(g_events.size(), 3u);
  EXPECT_EQ(g_events[0].what, "reader_a:Import");
  EXPECT_EQ(g_events[1].what, "ext_b:DeleteRootNode");
  EXPECT_EQ(g_events[1].pointer, old);
  EXPECT_EQ(g_events[1].number, 2);
  EXPECT_EQ(g_events[2].what, "ext_a:DeleteRootNode");
  EXPECT_EQ(g_events[2].number, 2);

  CInkNode* root = solid.GetRoot();
  ASSERT_EQ(root->GetCount(), 3);
  EXPECT_STREQ(root->GetChild(0)->GetName(nullptr, 0), "first");
  EXPECT_STREQ(root->GetChild(2)->GetName(nullptr, 0), "third");
  EXPECT_EQ(root->GetChild(1)->GetParent(), root);
  // The tree's own name is dropped; its properties come over in order, duplicates included.
  EXPECT_STREQ(root->GetName(nullptr, 0), "\x96\xBC\x8F\xCC\x96\xA2\x92\xE8");  // 名称未定 in CP932
  CInkProperty* props = root->GetProperties();
  ASSERT_EQ(props->GetCount(), 3);
  EXPECT_STREQ(props->GetRecordAt(2)->name, "a");
  EXPECT_EQ(props->GetValueAt(2), 3);
  EXPECT_EQ(props->FindValue("a"), 1);
  // The plug-in's camera reached the block.
  EXPECT_EQ(solid.settings.eye, (GMVector{1, 2, 3}));
}

TEST_F(PluginFolder, AnEmptyTreeLeavesAnEmptyRoot) {
  AddFilePlugin("reader_a", "reader.so");
  CInkSolid solid;
  korvex::InitializeWithPlugins(solid, dir_);
  auto* child = new CInkNode;
  child->Create(nullptr);
  solid.GetRoot()->AddChild(child);
  ASSERT_EQ(solid.Import(0, "empty.tst"), 1);
  EXPECT_EQ(solid.GetRoot()->GetCount(), 0);
  EXPECT_EQ(solid.GetRoot()->GetProperties()->GetCount(), 0);
}

TEST_F(PluginFolder, AFailedImportLeavesTheSceneAsItWas) {
  AddFilePlugin("reader_a", "reader.so");
  AddExtPlugin("ext_a", "ext.so");
  CInkSolid solid;
  korvex::InitializeWithPlugins(solid, dir_);
  CInkNode* root = solid.GetRoot();
  auto* child = new CInkNode;
  child->Create(nullptr);
  child->SetName("kept");
  root->AddChild(child);
  g_events.clear();

  EXPECT_EQ(solid.Import(0, "fail.tst"), 0);
  EXPECT_EQ(solid.GetRoot(), root);
  ASSERT_EQ(root->GetCount(), 1);
  EXPECT_STREQ(root->GetChild(0)->GetName(nullptr, 0), "kept");
  EXPECT_EQ(Count("ext_a:DeleteRootNode"), 0);
  // What the plug-in wrote into the block before failing stays there.
  EXPECT_EQ(solid.settings.eye, (GMVector{1, 2, 3}));

  // An empty path never reaches the plug-in.
  g_events.clear();
  EXPECT_EQ(solid.Import(0, ""), 0);
  EXPECT_EQ(solid.Import(0, nullptr), 0);
  EXPECT_EQ(Count("reader_a:Import"), 0);
  EXPECT_EQ(solid.GetRoot(), root);
}

TEST_F(PluginFolder, ExportHandsTheLiveTreeAndACopyOfTheBlock) {
  AddFilePlugin("reader_a", "reader.so");
  CInkSolid solid;
  korvex::InitializeWithPlugins(solid, dir_);
  solid.settings.viewAngle = 30.0;
  g_events.clear();
  EXPECT_EQ(solid.Export(0, "out.tst"), 7);  // the plug-in's result, unchanged
  ASSERT_EQ(Count("reader_a:Export"), 1);
  EXPECT_EQ(g_events[0].pointer, solid.GetRoot());
  EXPECT_EQ(g_events[1].number, 30);
  EXPECT_EQ(solid.settings.eye.x, 0.0);  // the plug-in changed only its copy

  EXPECT_EQ(solid.Export(0, ""), 0);
  EXPECT_EQ(solid.Export(5, "out.tst"), 0);
  EXPECT_EQ(Count("reader_a:Export"), 1);

  CInkSolid neverInitialised;
  EXPECT_EQ(neverInitialised.Export(0, "out.tst"), 1);
}

TEST_F(PluginFolder, ExtensionPluginsHearOfEveryRootBeforeItGoes) {
  AddExtPlugin("ext_a", "a.so");
  AddExtPlugin("ext_b", "b.so");
  std::ofstream(dir_ / "ExtPlugin" / "c_broken.so") << "not a library";
  const void* first = nullptr;
  const void* second = nullptr;
  {
    CInkSolid solid;
    korvex::InitializeWithPlugins(solid, dir_);
    first = solid.GetRoot();
    EXPECT_TRUE(g_events.empty());
    solid.NewScene();
    second = solid.GetRoot();
    ASSERT_EQ(g_events.size(), 2u);
    EXPECT_EQ(g_events[0].what, "ext_a:DeleteRootNode");
    EXPECT_EQ(g_events[0].pointer, first);
    EXPECT_EQ(g_events[1].what, "ext_b:DeleteRootNode");
  }
  // Destruction announces the last root too.
  ASSERT_EQ(g_events.size(), 4u);
  EXPECT_EQ(g_events[2].pointer, second);
  EXPECT_EQ(g_events[3].pointer, second);

  CInkExtPlugin host;
  host.LoadFrom(dir_);
  EXPECT_EQ(host.GetCount(), 3);
}

TEST_F(PluginFolder, ASceneWithoutExtensionPluginsMakesNoCalls) {
  {
    CInkSolid solid;
    korvex::InitializeWithPlugins(solid, dir_);
    solid.NewScene();
  }
  EXPECT_TRUE(g_events.empty());
}

TEST(SceneRoot, DefaultsOfTheSettingsBlock) {
  CInkSolid solid;
  EXPECT_EQ(solid.settings.eye, (GMVector{0, -50, 0}));
  EXPECT_EQ(solid.settings.up, (GMVector{0, 0, 1}));
  EXPECT_EQ(solid.settings.farClip, 3000.0);
  EXPECT_EQ(solid.settings.viewAngle, 45.0);
  EXPECT_EQ(solid.settings.lightPosition, (GMVector{0, 0, 1}));
  for (unsigned char b : solid.settings.reserved) ASSERT_EQ(b, 0);
  EXPECT_EQ(solid.GetRoot(), nullptr);
}

}  // namespace
