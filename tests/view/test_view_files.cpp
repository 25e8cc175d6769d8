// Open, drop, reload and save, and the eye file around them.
#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "common/encoding.h"
#include "common/file_util.h"
#include "plugins/IsolatedImport.h"
#include "view/EyeFile.h"
#include "tests/support/tangled_site.h"
#include "view_fixture.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;

// A box 10 × 10 × 10 in zone 0 of a scene exchange file.
constexpr const char* kBoxK3d =
    "HEADER\n0,0\nSOLIDV,Z0,0,G,0.8,0.2,0.2,0,4,1,Box\n0,0,0\n10,0,0\n10,10,0\n0,10,0\n0,0,10\n";

// Companion readers that complain about every billboard file, as a broken
// one would, and note the texture files they are given.
class ComplainingCompanions final : public korvex::SceneCompanions {
 public:
  explicit ComplainingCompanions(RecordingUi& ui) : ui_(ui) {}
  bool ReadBillboards(CStereon&, const std::string&) override {
    ui_.ShowMessage("billboard", "", korvex::MessageIcon::Warning, korvex::MessageButtons::Ok);
    return false;
  }
  bool ReadTextureAssignment(CStereon&, CInkNode&, const std::string& path) override {
    textures.push_back(path);
    return true;
  }
  std::vector<std::string> textures;

 private:
  RecordingUi& ui_;
};

// Opening a file that fails and the host's reload of it both write the
// reason to the error log, one line each.
std::string ErrorLog() {
  std::ifstream log("StereonErr.log");
  return std::string((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
}

std::string LoggedTwice(const std::string& path, const std::string& reason) {
  const std::string line = path + ": " + korvex::Utf8ToCp932(reason) + "\n";
  return line + line;
}

// A view started with the reload switch, on "model.ink", with an empty
// error log: opening a file and then having the host reload it.
class FileViewTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    launch.reload = true;
    ASSERT_TRUE(Start());
    std::filesystem::remove("StereonErr.log");
  }

  // The file fails to open, through the dialog and by the host's reload:
  // both times the model on screen stays and the status bar gives failure.
  void ExpectOpenAndReloadKeepTheScene(const std::string& file, const std::string& failure) {
    CInkNode* box = Child("Box");
    ui.chosenFile = file;
    ui.chosenFilter = 0;
    view->OnCommand(cmd::kOpen);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"読み込みに失敗しました。"}));
    EXPECT_EQ(ui.LastStatus(), failure);
    EXPECT_EQ(Child("Box"), box);
    launch.modelPath = file;
    view->OnHostMessage(korvex::kHostReload);
    EXPECT_EQ(ui.LastStatus(), failure);
    EXPECT_EQ(Child("Box"), box);
  }
};

TEST_F(ViewTest, OpenReadsAnUpperCaseSceneExchangeFileAndTitlesTheWindow) {
  ASSERT_TRUE(Start());
  const std::string path = scratch->Write("SITE.K3D", kBoxK3d);
  ui.chosenFile = path;
  ui.chosenFilter = 1;  // the plug-in's entry: the extension still decides
  view->OnCommand(cmd::kOpen);
  ASSERT_EQ(ui.requests.size(), 1u);
  EXPECT_EQ(ui.requests[0].caption, "開く");
  // Every format first, so the plan folder shows all its models.
  EXPECT_EQ(ui.requests[0].filter,
            "全ての対応ファイル (*.ink;*.k3d)|*.ink;*.k3d|Ink (*.ink)|*.ink|Panorelファイル (*.k3d)|*.k3d||");
  ASSERT_NE(Child("Z0"), nullptr);
  EXPECT_EQ(Child("Box"), nullptr);
  // The reader's far plane served the clean-up; the planes then fit the box.
  EXPECT_LT(State().camera.farPlane, korvex::kK3dFarPlane);
  EXPECT_EQ(shell.title, "SITE.K3D - Korvex");
  EXPECT_EQ(launch.modelPath, path);
  EXPECT_EQ(State().currentFile, path);
  EXPECT_EQ(ui.LastStatus(), "ﾚﾃﾞｨ");
  EXPECT_TRUE(launch.modelTime.has_value());
  EXPECT_EQ(std::filesystem::current_path(), scratch->Work());
}

TEST_F(ViewTest, AFileThatCannotBeReadLeavesTheSceneAndSaysSo) {
  ASSERT_TRUE(Start());
  CInkNode* box = Child("Box");
  ui.chosenFile = (scratch->Work() / "missing.k3d").string();
  view->OnCommand(cmd::kOpen);
  ui.chosenFile = scratch->Write("fail.ink", "");
  ui.chosenFilter = 0;
  view->OnCommand(cmd::kOpen);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"読み込みに失敗しました。", "読み込みに失敗しました。"}));
  EXPECT_EQ(ui.captions[0], "ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ");
  EXPECT_EQ(Child("Box"), box);
  EXPECT_EQ(view->Handles().Tree(*box) != nullptr, true);
}

TEST_F(FileViewTest, APlugInThatCrashesLeavesTheSceneAndNamesTheReason) {
  const std::string crash = scratch->Write("crash.ink", "");
  const std::string failure = std::string("読み込みに失敗しました。") + " プラグインが異常終了しました (SIGSEGV)";
  ExpectOpenAndReloadKeepTheScene(crash, failure);
  EXPECT_EQ(ui.waitCursor, (std::vector<bool>{true, false}));
  EXPECT_EQ(ErrorLog(), LoggedTwice(crash, failure));
}


TEST_F(FileViewTest, ASiteWithASolidTooLargeToHoldSaysWhatWasLeftOut) {
  const std::size_t over = korvex::kK3dMaxSolidPoints + 1;
  std::string site = std::string(kBoxK3d) + "SOLIDV,Z0,0,G,0.8,0.2,0.2,0," + std::to_string(over) + ",1,Tower\n";
  for (std::size_t i = 0; i < over; ++i) site += "0,0,0\n";
  site += "0,0,10\n";
  const std::string path = scratch->Write("survey.k3d", site);
  const std::string left = "点が多すぎるため 1 個の立体を読み込みませんでした";
  ui.chosenFile = path;
  view->OnCommand(cmd::kOpen);
  // The rest of the site is there; the status bar, not "ﾚﾃﾞｨ", has the last word.
  CInkNode* group = Child("Z0") ? Child("Z0")->FindChildByName("G") : nullptr;
  ASSERT_NE(group, nullptr);
  ASSERT_NE(group->FindChildByName("Box"), nullptr);
  EXPECT_EQ(group->FindChildByName("Box")->GetFigureCount(), 1);
  ASSERT_NE(group->FindChildByName("Tower"), nullptr);
  EXPECT_EQ(group->FindChildByName("Tower")->GetFigureCount(), 0);
  EXPECT_EQ(ui.LastStatus(), left);
  EXPECT_TRUE(ui.messages.empty());

  // The host hands the same site again.
  view->OnHostMessage(korvex::kHostReload);
  EXPECT_EQ(ui.LastStatus(), left);

  EXPECT_EQ(ErrorLog(), LoggedTwice(path, left));
}

// A face so tangled that its triangulation gives up would be missing from
// the picture without a word: opening, and the host's reload, say how many
// there are, as for solids left out, and log it.
TEST_F(FileViewTest, ASiteWithFacesTooTangledToDrawSaysSo) {
  const std::string path = scratch->Write("knot.k3d", korvex_test::TangledSiteK3d());
  const std::string left = "形が入り組みすぎているため 2 個の面を描けませんでした";
  ui.chosenFile = path;
  view->OnCommand(cmd::kOpen);
  CInkNode* group = Child("Z0") ? Child("Z0")->FindChildByName("G") : nullptr;
  if (group == nullptr && Child("Z0")) group = Child("Z0")->FindChildByName("g");
  ASSERT_NE(group, nullptr);
  ASSERT_NE(group->FindChildByName("knot"), nullptr);
  EXPECT_EQ(ui.LastStatus(), left);
  EXPECT_TRUE(ui.messages.empty());

  view->OnHostMessage(korvex::kHostReload);
  EXPECT_EQ(ui.LastStatus(), left);

  EXPECT_EQ(ErrorLog(), LoggedTwice(path, left));

  // A site without such faces ends "ﾚﾃﾞｨ" again.
  ui.chosenFile = scratch->Write("plain.k3d", kBoxK3d);
  view->OnCommand(cmd::kOpen);
  EXPECT_EQ(ui.LastStatus(), "ﾚﾃﾞｨ");
}

TEST_F(FileViewTest, AModelNeedingMoreMemoryThanTheHelperMayTakeLeavesTheScene) {
  struct Restore {
    korvex::ImportIsolation saved = korvex::ImportIsolationSettings();
    ~Restore() { korvex::ImportIsolationSettings() = saved; }
  } restore;
  korvex::ImportIsolationSettings().limits.addressSpace = std::uint64_t{256} << 20;
  ExpectOpenAndReloadKeepTheScene(scratch->Write("hog.ink", ""),
                                  "読み込みに失敗しました。 メモリの上限 (256 MiB) を超えました");
}

TEST_F(ViewTest, ModelsAndCompanionsThatAreNoRegularFilesAreRefused) {
  ASSERT_TRUE(Start());
  CInkNode* box = Child("Box");
  // A scene exchange file and a texture companion that are links to a device
  // that never ends, and a pipe no one writes to.
  const std::filesystem::path zero = scratch->Work() / "endless.k3d";
  std::filesystem::create_symlink("/dev/zero", zero);
  ui.chosenFile = zero.string();
  view->OnCommand(cmd::kOpen);
  const std::filesystem::path pipe = scratch->Work() / "pipe.ink";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  ui.chosenFile = pipe.string();
  view->OnCommand(cmd::kOpen);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"読み込みに失敗しました。", "読み込みに失敗しました。"}));
  EXPECT_EQ(Child("Box"), box);

  const std::string model = scratch->Write("site.ink", "");
  std::filesystem::create_symlink("/dev/zero", scratch->Work() / "site.txi");
  ASSERT_EQ(::mkfifo((scratch->Work() / "site.bil").c_str(), 0600), 0);
  ui.chosenFile = model;
  view->OnCommand(cmd::kOpen);
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(Child("Box"), nullptr);
  EXPECT_EQ(ui.LastStatus(), "ﾚﾃﾞｨ");
}

TEST_F(ViewTest, TheOldSelectionIsGoneBeforeACompanionMessageRepaints) {
  ComplainingCompanions complaining(ui);
  companions = &complaining;
  ASSERT_TRUE(Start());
  view->OnCommand(cmd::kModeSelect);
  view->Select(Child("Box"));
  view->Paint();
  ASSERT_FALSE(view->Overlay().highlight.empty());
  // A message box repaints the view while the new model is loading.
  bool selectionSeen = false;
  ui.onMessage = [&] {
    view->Paint();
    selectionSeen = view->Selection() != nullptr || !view->Overlay().highlight.empty();
  };
  const std::string next = scratch->Write("next.ink", "");
  scratch->Write("next.bil", "");
  scratch->Write("next.txi", "");
  ui.chosenFile = next;
  ui.chosenFilter = 0;
  view->OnCommand(cmd::kOpen);
  EXPECT_FALSE(selectionSeen);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"billboard"}));
  EXPECT_EQ(launch.texturePath, (scratch->Work() / "next.txi").string());
  EXPECT_EQ(complaining.textures, (std::vector<std::string>{launch.texturePath}));
  EXPECT_EQ(view->Handles().Size(), 2u);
}

TEST_F(ViewTest, DropOnTheBackgroundAsksAndOnANodeInsertsTheFile) {
  ASSERT_TRUE(Start());
  PaintPlan();
  CInkNode* box = Child("Box");
  const std::string other = scratch->Write("other.ink", "");
  ui.messageAnswer = korvex::MessageAnswer::Cancel;
  view->OnDropFile(other, 100, 90);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"ﾌｧｲﾙを読み込みますか？"}));
  EXPECT_EQ(Child("Box"), box);

  ui.messageAnswer = korvex::MessageAnswer::Ok;
  view->OnDropFile(scratch->Write("plan.dxf", ""), 100, 90);
  EXPECT_EQ(ui.messages.back(), "対応していないﾌｧｲﾙです");

  const GMVector eye = State().camera.eye;
  view->OnDropFile(scratch->Write("part.ink", ""), 50, 50);
  ASSERT_EQ(box->GetCount(), 1);
  CInkNode* part = box->GetChild(0);
  EXPECT_STREQ(part->GetName(nullptr, 0), "part.ink");
  const GMVector origin = part->GetAttributeRecord()->origin;
  EXPECT_NEAR(origin.z, 0.0, 1e-6);
  EXPECT_LT(std::hypot(origin.x, origin.y), 0.5);
  EXPECT_EQ(view->Handles().Tree(*box)->GetCount(), 1);
  EXPECT_NE(view->Handles().Tree(*part), nullptr);
  EXPECT_EQ(State().camera.eye, eye);

  view->OnDropFile(other, 100, 90);
  EXPECT_EQ(shell.title, "other.ink - Korvex");
  EXPECT_EQ(launch.modelPath, other);
}

TEST_F(ViewTest, ADropSeesAPlugInAddedAfterTheStart) {
  // The viewer starts with no file plug-ins at all; the "*.ink" one is put
  // beside it afterwards.
  const std::filesystem::path program = scratch->Root() / "program";
  std::filesystem::create_directories(program / "FilePlugin");
  launch.programFolder = program;
  ASSERT_TRUE(Start(false));
  ASSERT_EQ(view->Scene()->GetFormatCount(), 0);
  std::filesystem::copy(std::filesystem::path(KORVEX_VIEW_PROGRAM_DIR) / "FilePlugin", program / "FilePlugin");

  view->OnDropFile(scratch->Write("late.ink", ""), 10, 10);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"ﾌｧｲﾙを読み込みますか？"}));
  EXPECT_NE(Child("Box"), nullptr);
  EXPECT_EQ(shell.title, "late.ink - Korvex");
}

TEST_F(ViewTest, ReloadNeedsTheSwitchKeepsTheCameraAndFollowsTheFileTime) {
  launch.reload = true;
  ASSERT_TRUE(Start());
  view->Paint();
  view->Select(Child("Box"));
  const GMVector eye = State().camera.eye;
  view->OnFocusGained();  // the file has not changed
  EXPECT_TRUE(ui.waitCursor.empty());

  std::filesystem::last_write_time(launch.modelPath,
                                   std::filesystem::last_write_time(launch.modelPath) + std::chrono::seconds(5));
  view->OnFocusGained();
  EXPECT_EQ(ui.waitCursor, (std::vector<bool>{true, false}));
  const std::vector<std::string> tail(ui.statuses.end() - 3, ui.statuses.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"ﾘﾛｰﾄﾞ中...", "再描画中...", "ﾚﾃﾞｨ"}));
  EXPECT_EQ(State().camera.eye, eye);
  EXPECT_EQ(view->Selection(), nullptr);
  EXPECT_EQ(view->Handles().Size(), 2u);
  view->OnHostMessage(korvex::kHostReload);
  EXPECT_EQ(ui.waitCursor.size(), 4u);
}

TEST_F(ViewTest, SaveWritesTheInkFileAndReportsAFailure) {
  ASSERT_TRUE(Start());
  // The file carries the camera of the moment, as save as writes it.
  State().camera.eye = {123.0, -40.0, 8.0};
  view->OnCommand(cmd::kSave);
  std::ifstream saved(launch.modelPath);
  int nodes = 0;
  double eyeX = 0.0;
  saved >> nodes >> eyeX;
  EXPECT_EQ(nodes, 2);
  EXPECT_EQ(eyeX, 123.0);
  EXPECT_TRUE(ui.messages.empty());

  State().currentFile = scratch->Write("fail.ink", "");
  view->OnCommand(cmd::kSave);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"保存に失敗しました。"}));
  EXPECT_EQ(ui.captions.back(), "ﾌｧｲﾙｾｰﾌﾞｴﾗｰ");
  EXPECT_TRUE(ui.requests.empty());

  // A model from a scene exchange file is saved as a new file.
  State().currentFile = scratch->Write("site.k3d", kBoxK3d);
  view->OnCommand(cmd::kSave);
  ASSERT_EQ(ui.requests.size(), 1u);
  EXPECT_EQ(ui.requests[0].caption, "名前を付けて保存");
  EXPECT_EQ(ui.requests[0].defaultExtension, "ink");
  EXPECT_EQ(ui.requests[0].filter, "Ink (*.ink)|*.ink||");

  ui.chosenFile = (scratch->Work() / "fail-copy.ink").string();
  view->OnCommand(cmd::kSaveAs);
  EXPECT_EQ(ui.messages.back(), "保存に失敗しました。");
  EXPECT_EQ(State().currentFile, (scratch->Work() / "site.k3d").string());
  ui.chosenFile = (scratch->Work() / "copy.ink").string();
  view->OnCommand(cmd::kSaveAs);
  EXPECT_EQ(State().currentFile, *ui.chosenFile);
  EXPECT_TRUE(std::filesystem::exists(*ui.chosenFile));
}

TEST_F(ViewTest, EyeFileOnlyWithBothMarkersAndNeverOverhead) {
  ASSERT_TRUE(Start());
  view.reset();
  EXPECT_FALSE(std::filesystem::exists(korvex::kEyeFileName));  // no markers

  std::ofstream(scratch->Root() / "buk") << "[PROJECT_NAME] p\n";
  std::ofstream(scratch->Work() / "buk") << "[PLAN_NAME] q\n";
  ASSERT_TRUE(Start());
  EXPECT_TRUE(view->FitPending());
  view->Paint();
  State().zoom = 0.75;
  const GMVector eye = State().camera.eye;
  view.reset();
  ASSERT_EQ(std::filesystem::file_size(korvex::kEyeFileName), korvex::kEyeFileBytes);

  ASSERT_TRUE(Start());
  EXPECT_FALSE(view->FitPending());
  EXPECT_EQ(State().camera.eye, eye);
  EXPECT_EQ(State().zoom, 0.75);
  view.reset();

  korvex::EyeSettings overhead{{11, 0, 50}, {11, 0, 0}, 2.0, {0, 0, 1}};
  ASSERT_TRUE(korvex::WriteEyeFile(korvex::kEyeFileName, overhead));
  ASSERT_TRUE(Start());
  EXPECT_TRUE(view->FitPending());
  EXPECT_NE(State().camera.eye.z, 50.0);
}

}  // namespace
}  // namespace view_test
