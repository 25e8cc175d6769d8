// File output and the printed page, through the view on a headless window.
#include <signal.h>
#include <sys/resource.h>

#include "image/DibImage.h"
#include "output/PictureMemory.h"
#include "view/SunStudy.h"
#include "tests/view/view_fixture.h"
#include "view/PrintDevice.h"

namespace view_test {
namespace {

using korvex::ExportDialogValues;

std::string Head(const std::string& path, size_t count) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

// A page in memory that records what the view put on it.
class FakePage final : public korvex::PrintDevice {
 public:
  bool CanStretch() const override { return canStretch; }
  void PageSize(int& w, int& h) const override {
    w = width;
    h = height;
  }
  bool StretchPicture(const StereonImage& picture, int w, int h) override {
    pictureWidth = picture.width;
    pictureHeight = picture.height;
    paperWidth = w;
    paperHeight = h;
    return stretches;
  }
  bool SetPagePixel(int, int, uint32_t) override {
    ++pixels;
    return pixelsAccepted;
  }
  bool canStretch = true, stretches = true, pixelsAccepted = true;
  int width = 4800, height = 3300;
  int pictureWidth = 0, pictureHeight = 0, paperWidth = 0, paperHeight = 0, pixels = 0;
};

class ExportTest : public ViewTest {
 protected:
  // The model in plan view on a window of that size, painted once.
  bool StartPlan(int width, int height) {
    if (!Start(true, width, height)) return false;
    view->OnCommand(korvex::cmd::kPlanView);
    view->Paint();
    return true;
  }
  CDibImage LoadBmp(const std::string& path) {
    CDibImage image(&ui);
    EXPECT_EQ(image.Load(path), 0) << path;
    return image;
  }
};

TEST_F(ExportTest, ExportedPictureIsTheScreenPictureScaled) {
  ASSERT_TRUE(StartPlan(200, 100));
  const StereonImage screen = window->Read();
  const std::string path = (scratch->Work() / "twice.bmp").string();
  ASSERT_TRUE(view->SaveImage(path, 400, 200, 1.0));
  const CDibImage image = LoadBmp(path);
  ASSERT_EQ(image.Width(), 400);
  ASSERT_EQ(image.Height(), 200);
  // Pixels inside the box and on the background, each away from any edge
  // (the same colour all round): the same colour at twice the coordinates.
  const auto uniform = [&screen](int x, int y) {
    const Rgb c = PixelAt(screen, x, y);
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        const Rgb n = PixelAt(screen, x + dx, y + dy);
        if (n.r != c.r || n.g != c.g || n.b != c.b) return false;
      }
    return true;
  };
  int model = 0, background = 0;
  for (int y = 4; y < 96; y += 7) {
    for (int x = 4; x < 196; x += 9) {
      if (!uniform(x, y)) continue;
      const Rgb on = PixelAt(screen, x, y);
      (IsWhite(on) ? background : model) += 1;
      const uint8_t* p = image.GetPixels() + (static_cast<size_t>(199 - 2 * y) * 400 + 2 * x) * 3;
      EXPECT_NEAR(p[2], on.r, 2) << x << "," << y;
      EXPECT_NEAR(p[1], on.g, 2) << x << "," << y;
      EXPECT_NEAR(p[0], on.b, 2) << x << "," << y;
    }
  }
  EXPECT_GT(model, 3);
  EXPECT_GT(background, 3);
  // The window's own picture is left as it was.
  EXPECT_EQ(window->Read().pixels, screen.pixels);
  EXPECT_FALSE(view->OutputBusy());
}

// The leftmost and rightmost columns holding a model pixel, as fractions
// of the width; rows bottom-up, `bgr` for the BMP's order.
std::pair<double, double> ModelColumns(const uint8_t* pixels, int width, int height, int stride, int step) {
  int least = width, most = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * step;
      if (p[0] > 250 && p[1] > 250 && p[2] > 250) continue;
      least = std::min(least, x);
      most = std::max(most, x);
    }
  return {static_cast<double>(least) / width, static_cast<double>(most + 1) / width};
}

TEST_F(ExportTest, APictureOfAnotherAspectShowsAllTheWindowShows) {
  // The window is wide; the pictures are taller and wider than it. Both
  // keep what the window shows across: the model spans the same share of
  // the width, and the taller one shows more above and below instead of
  // cutting the sides.
  ASSERT_TRUE(StartPlan(200, 100));
  const StereonImage screen = window->Read();
  const auto [left, right] = ModelColumns(screen.pixels.data(), 200, 100, 200 * 4, 4);
  ASSERT_LT(left, right);
  for (const bool old : {false, true}) {
    SCOPED_TRACE(old ? "old method" : "export");
    const std::string path = (scratch->Work() / "tall.bmp").string();
    ASSERT_TRUE(old ? view->SaveImageOld(path, 100, 200, 1.0) : view->SaveImage(path, 100, 200, 1.0));
    const CDibImage tall = LoadBmp(path);
    const auto [tallLeft, tallRight] = ModelColumns(tall.GetPixels(), 100, 200, 300, 3);
    EXPECT_NEAR(tallLeft, left, 0.03);
    EXPECT_NEAR(tallRight, right, 0.03);
  }
  // Twice as wide as the window at the same height: the same height of the
  // scene, the sides extended (the model covers half the share across).
  const std::string path = (scratch->Work() / "wide.bmp").string();
  ASSERT_TRUE(view->SaveImage(path, 400, 100, 1.0));
  const CDibImage wide = LoadBmp(path);
  const auto [wideLeft, wideRight] = ModelColumns(wide.GetPixels(), 400, 100, 1200, 3);
  EXPECT_NEAR(wideRight - wideLeft, (right - left) / 2, 0.03);
}

TEST_F(ExportTest, WidthIsRoundedDownToAMultipleOfFour) {
  ASSERT_TRUE(StartPlan(200, 100));
  const std::string bmp = (scratch->Work() / "w.bmp").string();
  const std::string jpg = (scratch->Work() / "w.jpg").string();
  ASSERT_TRUE(view->SaveImage(bmp, 1001, 77, 2.0));
  EXPECT_EQ(LoadBmp(bmp).Width(), 1000);
  EXPECT_EQ(LoadBmp(bmp).Height(), 77);
  ASSERT_TRUE(view->SaveImageOld(jpg, 1001, 77, 2.0));  // the old way writes BMP under any name
  EXPECT_EQ(Head(jpg, 2), "BM");
  EXPECT_EQ(LoadBmp(jpg).Width(), 1000);
  EXPECT_EQ(view->Engine()->GetLineWidth(), 1.0) << "the output's line width is not kept";
}

TEST_F(ExportTest, OldMethodDrawsTheSamePictureAsTheScreen) {
  ASSERT_TRUE(StartPlan(200, 100));
  const StereonImage screen = window->Read();
  const std::string path = (scratch->Work() / "old.bmp").string();
  ASSERT_TRUE(view->SaveImageOld(path, 200, 100, 1.0));
  const CDibImage image = LoadBmp(path);
  // The old engine keeps its default (white) background and light colours,
  // so only where the box is and where it is not is compared.
  for (const auto& [x, y] : {std::pair{100, 50}, {5, 5}, {194, 94}}) {
    const uint8_t* p = image.GetPixels() + (static_cast<size_t>(99 - y) * 200 + x) * 3;
    EXPECT_EQ(IsWhite(Rgb{p[2], p[1], p[0]}), IsWhite(PixelAt(screen, x, y))) << x << "," << y;
  }
  // The screen's display tree and node handles survive the second engine.
  view->Paint();
  EXPECT_EQ(window->Read().pixels, screen.pixels);
  ASSERT_NE(Child("Box"), nullptr);
  EXPECT_NE(view->Handles().Tree(*Child("Box")), nullptr);
}

TEST_F(ExportTest, CommandFollowsTheDialog) {
  ASSERT_TRUE(StartPlan(200, 100));
  ExportDialogValues answer;
  answer.sizeMode = 1;
  answer.width = 64;
  answer.height = 32;
  answer.oldMethod = true;
  answer.layoutOut = false;
  shell.exportAnswer = answer;

  // The old method refuses exactly ".jpg" and takes ".JPG" as a BMP name.
  ui.chosenFile = (scratch->Work() / "a.jpg").string();
  view->OnCommand(korvex::cmd::kFileOutput);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "「旧式の処理を使う」をチェックしている時はJPEGファイルを出力出来ません");
  EXPECT_EQ(ui.captions[0], "注意");
  EXPECT_FALSE(std::filesystem::exists(*ui.chosenFile));
  ASSERT_EQ(ui.requests.size(), 1u);
  EXPECT_EQ(ui.requests[0].caption, "ﾋﾞｯﾄﾏｯﾌﾟを保存");
  EXPECT_EQ(ui.requests[0].defaultExtension, "bmp");

  ui.chosenFile = (scratch->Work() / "b.JPG").string();
  view->OnCommand(korvex::cmd::kFileOutput);
  EXPECT_EQ(Head(*ui.chosenFile, 2), "BM");
  EXPECT_EQ(ui.messages.size(), 1u);
  // The boxes open unchecked next time, whatever was chosen.
  ASSERT_TRUE(shell.exportShown);
  EXPECT_FALSE(shell.exportShown->oldMethod);
  EXPECT_EQ(shell.exportShown->width, 64);

  // Display size: the window's size, whatever the edits hold; with the
  // layout no file dialog, and both files in the current folder.
  answer.sizeMode = 0;
  answer.oldMethod = false;
  answer.layoutOut = true;
  answer.layoutBase = "sheet";
  shell.exportAnswer = answer;
  view->OnCommand(korvex::cmd::kFileOutput);
  EXPECT_EQ(ui.requests.size(), 2u);
  EXPECT_EQ(Head("sheet.jpg", 3), "\xFF\xD8\xFF");
  const std::string layout = Head("sheet.tdo", 4096);
  EXPECT_NE(layout.find("[IMAGE_OBJECT_START] 1 20384 200.000000 100.000000 0.000000 487.500000 487.500000 "
                        "<StringPack>:sheet.jpg\r\n"),
            std::string::npos)
      << layout;
  // Where the two files went, as no file dialog showed it.
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(ui.messages[1].find((scratch->Work() / "sheet.jpg").string()), std::string::npos) << ui.messages[1];
  EXPECT_NE(ui.messages[1].find((scratch->Work() / "sheet.tdo").string()), std::string::npos) << ui.messages[1];
  EXPECT_EQ(ui.captions[1], "ファイル出力");

  // A name typed without an extension takes the chosen filter's.
  answer.layoutOut = false;
  shell.exportAnswer = answer;
  ui.chosenFile = (scratch->Work() / "plain").string();
  ui.chosenFilter = 0;  // "JPEGﾌｧｲﾙ(*.jpg)"
  view->OnCommand(korvex::cmd::kFileOutput);
  EXPECT_EQ(Head((scratch->Work() / "plain.jpg").string(), 3), "\xFF\xD8\xFF");
  ui.chosenFilter = 1;  // the BMP entry
  view->OnCommand(korvex::cmd::kFileOutput);
  EXPECT_EQ(Head((scratch->Work() / "plain.bmp").string(), 2), "BM");
  EXPECT_FALSE(std::filesystem::exists(scratch->Work() / "plain"));
}

TEST_F(ExportTest, FailedWritesAreReportedAndKeepTheOldFile) {
  ASSERT_TRUE(StartPlan(200, 100));
  // A folder that does not exist.
  EXPECT_FALSE(view->SaveImage((scratch->Work() / "missing" / "x.jpg").string(), 64, 32, 1.0));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "ファイルを保存出来ませんでした。");
  EXPECT_EQ(ui.captions[0], "エラー");

  // A disk that fills up half-way (a file size limit stands in for it, and
  // holds for root as well): the previous picture stays, nothing else is
  // left behind.
  const std::string path = (scratch->Work() / "full.jpg").string();
  std::ofstream(path, std::ios::binary) << "previous";
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = view->SaveImage(path, 800, 400, 1.0);
  const bool writtenOld = view->SaveImageOld(path, 800, 400, 1.0);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_FALSE(writtenOld);
  EXPECT_EQ(Head(path, 100), "previous");
  EXPECT_EQ(ui.messages.size(), 3u);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(scratch->Work()))
    if (entry.path().filename().string().find("full") != std::string::npos) ++files;
  EXPECT_EQ(files, 1u);
  EXPECT_FALSE(view->OutputBusy());
}

TEST_F(ExportTest, HugeExportSucceedsOrSaysTooLarge) {
  ASSERT_TRUE(StartPlan(200, 100));
  const std::string path = (scratch->Work() / "huge.jpg").string();
  const bool written = view->SaveImage(path, 10000, 10000, 1.0);
  if (written) {
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Head(path, 3), "\xFF\xD8\xFF");
  } else {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "ビットマップを初期化出来ませんでした。大きすぎる可能性があります。");
  }
  // Beyond what any framebuffer takes: always the message, never a crash.
  ui.messages.clear();
  EXPECT_FALSE(view->SaveImage(path + "2", 100000, 100000, 1.0));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "ビットマップを初期化出来ませんでした。大きすぎる可能性があります。");
  EXPECT_FALSE(view->OutputBusy());
}

// On a machine with 8 GB, the largest size the dialogs offer (16384 × 16384,
// about 6 GB at its peak) must be refused before anything is drawn, from the
// file output and the sun study alike; a size that fits is still written.
TEST_F(ExportTest, ThePictureSizeFollowsTheMachinesMemoryInTheViewer) {
  ASSERT_TRUE(StartPlan(200, 100));
  const korvex::output::ScopedPictureMemoryLimit eightGigabytes(std::uint64_t{4} << 30);
  const std::string tooLarge = "ビットマップを初期化出来ませんでした。大きすぎる可能性があります。";
  ExportDialogValues answer;
  answer.sizeMode = 1;
  answer.width = 16384;
  answer.height = 16384;
  answer.layoutOut = false;
  for (const bool oldMethod : {false, true}) {
    answer.oldMethod = oldMethod;
    shell.exportAnswer = answer;
    ui.messages.clear();
    ui.chosenFile = (scratch->Work() / (oldMethod ? "huge.bmp" : "huge.jpg")).string();
    view->OnCommand(korvex::cmd::kFileOutput);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{tooLarge})) << oldMethod;
    EXPECT_FALSE(std::filesystem::exists(*ui.chosenFile));
    EXPECT_FALSE(view->OutputBusy());
  }
  answer.width = 640;
  answer.height = 480;
  answer.oldMethod = false;
  shell.exportAnswer = answer;
  ui.messages.clear();
  ui.chosenFile = (scratch->Work() / "fits.jpg").string();
  view->OnCommand(korvex::cmd::kFileOutput);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Head(*ui.chosenFile, 3), "\xFF\xD8\xFF");

  korvex::SunStudyPlan plan;
  plan.site.year = 2024, plan.site.month = 12, plan.site.day = 21;
  plan.site.latitude = 35, plan.site.longitude = 135, plan.site.utcOffsetHours = 9;
  plan.width = 16384, plan.height = 16384;
  plan.folder = scratch->Work() / "study";
  const korvex::SunStudyResult study = korvex::RunSunStudy(*view, plan);
  EXPECT_EQ(study.error, tooLarge);
  EXPECT_TRUE(study.frames.empty());
  EXPECT_FALSE(std::filesystem::exists(plan.folder));
}

TEST_F(ExportTest, PrintedPageFitsTheViewsAspect) {
  ASSERT_TRUE(StartPlan(800, 600));
  FakePage page;
  view->PrintSettings().resolution = 1;
  view->PrintPage(page);
  EXPECT_EQ(page.paperWidth, 4400);
  EXPECT_EQ(page.paperHeight, 3300);
  EXPECT_EQ(page.pictureWidth, 2200);
  EXPECT_EQ(page.pictureHeight, 1650);
  view->PrintSettings().resolution = 3;
  view->PrintPage(page);
  EXPECT_EQ(page.pictureWidth, 800);
  EXPECT_TRUE(ui.messages.empty());

  // A device that cannot stretch prints nothing, and the view paints again
  // afterwards.
  FakePage plain;
  plain.canStretch = false;
  view->PrintPage(plain);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "印刷出来ないデバイスです。");
  EXPECT_EQ(plain.pictureWidth, 0);
  EXPECT_FALSE(view->OutputBusy());

  // A stretch that fails falls back to single pixels; one refused pixel
  // ends the page with one message.
  FakePage stubborn;
  stubborn.width = 40;
  stubborn.height = 30;
  stubborn.stretches = false;
  view->PrintPage(stubborn);
  EXPECT_EQ(stubborn.pixels, 40 * 30);
  stubborn.pixelsAccepted = false;
  stubborn.pixels = 0;
  view->PrintPage(stubborn);
  EXPECT_EQ(stubborn.pixels, 1);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1], "印刷イメ－ジを書き込めません。");
}

}  // namespace
}  // namespace view_test
