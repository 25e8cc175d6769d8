// Texture assignment and billboard files through the view: read beside a
// model and by their commands, written by the save command, and what they
// put on screen.
#include <csignal>
#include <fstream>
#include <iterator>

#include <sys/resource.h>
#include <unistd.h>

#include "image/DibImage.h"
#include "view/CompanionFiles.h"
#include "view_fixture.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The test's own program folder with three pictures in it.
class TextureViewTest : public ProgramFolderViewTest {
 protected:
  void SetUp() override {
    ProgramFolderViewTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    WriteBmp(program / "Texture" / "green.bmp", 8, 8, [](int, int) { return Rgb{0, 255, 0}; });
    WriteBmp(program / "Texture" / "roof.bmp", 8, 4, [](int, int) { return Rgb{200, 0, 0}; });
    WriteBmp(program / "BillboardTex" / "tree.bmp", 4, 4, [](int, int) { return Rgb{0, 0, 255}; });
  }
  InkAttributes& Attributes(const char* name) { return *Child(name)->GetAttributeRecord(); }
};

constexpr const char* kModelTxi =
    "%green.bmp\r\n0 0\r\n"
    "%roof.bmp\r\n2 3\r\n"
    "KATEGORIE 1\r\n"
    "Box\r\n1 255 255 255 255\r\n"
    "Lid\r\n2 300 -5 7 128\r\n";

TEST_F(TextureViewTest, TxiBesideTheModelIsReadAndWrittenBackWhole) {
  const std::string txi = scratch->Write("model.txi", kModelTxi);
  ASSERT_TRUE(Start());
  EXPECT_EQ(launch.texturePath, txi);
  ASSERT_EQ(view->Engine()->GetTextureCount(), 2);
  EXPECT_EQ(Attributes("Box").textureSlot, 1);
  EXPECT_EQ(Attributes("Lid").textureSlot, 2);
  EXPECT_EQ(Attributes("Lid").colour, 0x800700FFu);  // 300 and -5 held at 255 and 0
  EXPECT_EQ(view->GetCommandState(cmd::kTextureAdjust).enabled, true);

  // Saved, changed, and read back: slots and colours come back.
  ui.chosenFile = (scratch->Work() / "saved.txi").string();
  view->OnCommand(cmd::kSaveTextureAssignment);
  ASSERT_EQ(ui.requests.back().caption, "ﾃｸｽﾁｬ割当ﾌｧｲﾙ保存");
  EXPECT_EQ(ui.requests.back().defaultExtension, "txi");
  EXPECT_EQ(launch.texturePath, *ui.chosenFile);
  const std::string saved = ReadAll(*ui.chosenFile);
  EXPECT_NE(saved.find("\r\n%green.bmp\r\n1.000000 1.000000\r\n%roof.bmp\r\n2.000000 3.000000\r\n"),
            std::string::npos);
  Attributes("Box") = InkAttributes{};
  Attributes("Lid") = InkAttributes{};
  view->OnCommand(cmd::kOpenTextureAssignment);
  EXPECT_EQ(ui.requests.back().filter, "ﾃｸｽﾁｬ割当ﾌｧｲﾙ (*.txi)|*.txi||");
  EXPECT_EQ(view->Engine()->GetTextureCount(), 2);
  EXPECT_EQ(Attributes("Box").textureSlot, 1);
  EXPECT_EQ(Attributes("Box").colour, 0xFFFFFFFFu);
  EXPECT_EQ(Attributes("Lid").textureSlot, 2);
  EXPECT_EQ(Attributes("Lid").colour, 0x800700FFu);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(fs::current_path(), scratch->Work());
}

TEST_F(TextureViewTest, AMissingTextureStopsTheFileWithTheMessage) {
  ASSERT_TRUE(Start());
  ui.chosenFile = scratch->Write("broken.txi",
                                 "KATEGORIE 1\nBox\n0 1 2 3 255\n"
                                 "KATEGORIE 0\n%green.bmp\n0 0\n%gone.bmp\n0 0\n%roof.bmp\n0 0\n"
                                 "KATEGORIE 1\nLid\n1 1 2 3 255\n");
  view->OnCommand(cmd::kOpenTextureAssignment);
  EXPECT_EQ(ui.messages.back(), "ﾃｸｽﾁｬ割当ﾌｧｲﾙの読み込みに失敗しました。");
  EXPECT_EQ(ui.captions.back(), "ｴﾗｰ");
  EXPECT_EQ(view->Engine()->GetTextureCount(), 1);  // the one before the failure stays
  EXPECT_EQ(Attributes("Box").colour, 0xFF030201u);
  EXPECT_EQ(Attributes("Lid").textureSlot, 0);      // after the failure: not assigned

  ui.chosenFile = (scratch->Work() / "nowhere.txi").string();
  view->OnCommand(cmd::kOpenTextureAssignment);
  EXPECT_EQ(ui.messages.back(), "ﾃｸｽﾁｬ割当ﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました。");
  EXPECT_EQ(view->Engine()->GetTextureCount(), 0);
}

TEST_F(TextureViewTest, AFailedSaveKeepsTheOldFileAndThePath) {
  scratch->Write("model.txi", kModelTxi);
  ASSERT_TRUE(Start());
  const fs::path folder = scratch->Work() / "locked";
  fs::create_directories(folder);
  const std::string old = "%green.bmp\n0 0\n";
  std::ofstream(folder / "old.txi", std::ios::binary) << old;
  const std::string before = launch.texturePath;
  ui.chosenFile = (folder / "old.txi").string();

  // A read-only folder (not for the superuser, who may write anyway).
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(folder.c_str(), W_OK) != 0) {
    view->OnCommand(cmd::kSaveTextureAssignment);
    EXPECT_EQ(ui.messages.back(), "ﾃｸｽﾁｬ割当ﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました。");
  }
  fs::permissions(folder, fs::perms::owner_all);

  // A write that the file system refuses half way (the file size limit
  // holds for everyone).
  rlimit previous{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = previous;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::size_t shown = ui.messages.size();
  view->OnCommand(cmd::kSaveTextureAssignment);
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, oldHandler);

  ASSERT_EQ(ui.messages.size(), shown + 1);
  EXPECT_EQ(ui.messages.back(), "ﾃｸｽﾁｬ割当ﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました。");
  EXPECT_EQ(ReadAll(folder / "old.txi"), old);
  EXPECT_EQ(launch.texturePath, before);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(TextureViewTest, BillboardFilesReplaceAllAndStopAtAMissingPicture) {
  scratch->Write("model.bil", "ADD 0 0 0 2 3 tree\nADD 5 0 0 2 3 tree\n");
  ASSERT_TRUE(Start());
  EXPECT_EQ(view->Engine()->GetBillboardCount(), 2);

  ui.chosenFile = scratch->Write("more.bil", "ADD 1 1 0 2 3 tree\nADD 2 2 0 1 1 nothing\nADD 3 3 0 1 1 tree\n");
  view->OnCommand(cmd::kOpenBillboards);
  EXPECT_EQ(ui.requests.back().caption, "ﾋﾞﾙﾎﾞｰﾄﾞﾌｧｲﾙ読み込み");
  EXPECT_EQ(ui.messages.back(), "ﾋﾞﾙﾎﾞｰﾄﾞの読み込みに失敗しました。");
  ASSERT_EQ(view->Engine()->GetBillboardCount(), 1);  // the old two are gone
  EXPECT_EQ(view->Engine()->GetBillboard(0)->position.x, 1.0);

  const std::size_t shown = ui.messages.size();
  ui.chosenFile = scratch->Write("one.bil", "ADD 7 8 9 3 5 tree\n");
  view->OnCommand(cmd::kOpenBillboards);
  EXPECT_EQ(ui.messages.size(), shown);
  ASSERT_EQ(view->Engine()->GetBillboardCount(), 1);
  EXPECT_EQ(view->Engine()->GetBillboard(0)->height, 5.0);
}

TEST_F(TextureViewTest, AnotherModelBringsOnlyItsOwnTreesAndTexturesAndKeepsTheBackground) {
  scratch->Write("model.bil", "ADD 0 0 0 2 3 tree\nADD 5 0 0 2 3 tree\n");
  scratch->Write("model.txi", kModelTxi);
  launch.backgroundPath = (program / "Texture" / "green.bmp").string();
  ASSERT_TRUE(Start());
  ASSERT_EQ(view->Engine()->GetBillboardCount(), 2);
  ASSERT_EQ(view->Engine()->GetTextureCount(), 2);
  ASSERT_NE(view->Engine()->backTexture, 0u);

  // A model without companions: no trees, no textures, no assignment file
  // that a reload would read into it.
  ui.chosenFile = scratch->Write("bare.ink", "");
  ui.chosenFilter = 0;
  view->OnCommand(cmd::kOpen);
  EXPECT_EQ(view->Engine()->GetBillboardCount(), 0);
  EXPECT_EQ(view->Engine()->GetTextureCount(), 0);
  EXPECT_TRUE(launch.texturePath.empty());
  EXPECT_NE(view->Engine()->backTexture, 0u);

  // A dropped model with one tree of its own brings that one only.
  const std::string dropped = scratch->Write("other.ink", "");
  scratch->Write("other.bil", "ADD 9 9 0 1 1 tree\n");
  PaintPlan();
  view->OnDropFile(dropped, 199, 99);  // the corner: background
  EXPECT_EQ(launch.modelPath, dropped);
  ASSERT_EQ(view->Engine()->GetBillboardCount(), 1);
  EXPECT_EQ(view->Engine()->GetBillboard(0)->position.x, 9.0);
  EXPECT_EQ(view->Engine()->GetTextureCount(), 0);
  EXPECT_NE(view->Engine()->backTexture, 0u);
}

TEST_F(TextureViewTest, LoadTextureRemembersTheFolderOfThePicture) {
  ASSERT_TRUE(Start());
  ui.chosenFile = std::nullopt;
  view->OnCommand(cmd::kLoadTexture);
  EXPECT_EQ(ui.requests.back().initialFolder, (program / "Texture").string());
  EXPECT_EQ(ui.requests.back().filter, "24Bits Bitmap Files (*.bmp)|*.bmp||");

  fs::create_directories(scratch->Work() / "pictures");
  TextureViewTest::WriteBmp(scratch->Work() / "pictures" / "wall.bmp", 4, 4, [](int, int) { return Rgb{9, 9, 9}; });
  ui.chosenFile = (scratch->Work() / "pictures" / "wall.bmp").string();
  view->OnCommand(cmd::kLoadTexture);
  EXPECT_EQ(view->Engine()->GetTextureCount(), 1);
  ui.chosenFile = (scratch->Work() / "pictures" / "none.bmp").string();
  view->OnCommand(cmd::kLoadTexture);
  EXPECT_EQ(ui.messages.back(), "ﾃｸｽﾁｬの読み込みに失敗しました。");
  EXPECT_EQ(view->Engine()->GetTextureCount(), 1);
  view->OnCommand(cmd::kLoadTexture);
  EXPECT_EQ(ui.requests.back().initialFolder, (scratch->Work() / "pictures").string());
}

// A shell whose background dialog answers with the test's choice.
class BackgroundShell final : public korvex::ViewShell {
 public:
  bool BackgroundDialog(korvex::BackgroundDialogValues& values) override {
    values.useImage = useImage;
    return true;
  }
  bool useImage = true;
};

TEST_F(TextureViewTest, BackgroundImageFromTheDialogAndAwayAgain) {
  BackgroundShell background;
  window = TestWindow::Create(80, 60);
  ASSERT_TRUE(window);
  view = std::make_unique<CStereonView>(ui, launch, &background);
  ASSERT_TRUE(view->Create(window.get()));
  ui.chosenFile = (program / "Texture" / "green.bmp").string();
  view->OnCommand(cmd::kBackground);
  EXPECT_EQ(ui.requests.back().caption, "背景画像読み込み");
  EXPECT_EQ(ui.requests.back().initialFolder, (program / "Texture").string());
  EXPECT_NE(view->Engine()->backTexture, 0u);
  EXPECT_EQ(State().backgroundImagePath, *ui.chosenFile);
  view->Paint();
  const Rgb sky = PixelAt(window->Read(), 40, 30);
  EXPECT_GT(sky.g, 200);
  EXPECT_LT(sky.r, 50);

  background.useImage = false;
  view->OnCommand(cmd::kBackground);
  EXPECT_EQ(view->Engine()->backTexture, 0u);
  EXPECT_TRUE(State().backgroundImagePath.empty());
  view.reset();  // before its shell goes
}

TEST_F(TextureViewTest, HeadlessPictureShowsTheTexturedFace) {
  scratch->Write("model.txi", "%green.bmp\n0 0\nKATEGORIE 1\nBox\n1 255 255 255 255\n");
  launch.modelPath = scratch->Write("model.ink", "");
  view = std::make_unique<CStereonView>(ui, launch, &shell);
  ASSERT_TRUE(view->CreateHeadless(120, 90));
  view->OnCommand(cmd::kPlanView);
  const StereonImage picture = view->PaintImage();
  ASSERT_EQ(picture.width, 120);
  // The box (white, textured green) covers a good part of the fitted plan;
  // untextured it would show white there.
  int green = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      if (const Rgb c = PixelAt(picture, x, y); c.g > 150 && c.r < 60 && c.b < 60) ++green;
  EXPECT_GT(green, picture.width * picture.height / 10);
}

}  // namespace
}  // namespace view_test
