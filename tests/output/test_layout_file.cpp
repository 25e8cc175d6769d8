// The drawing-layout file and the sizes of a printed picture.
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/file_util.h"
#include "output/LayoutFile.h"
#include "output/PictureFile.h"
#include "output/PrintFit.h"
#include "tests/output/output_fixture.h"

namespace output_test {
namespace {

using namespace korvex;

std::string Expected(const char* numbers, const char* vertex) {
  return "[LAYOUT2D_START]\r\n"
         "\t[LAYOUT2D_HEADER_START]\r\n"
         "\t\t[FILE_VERSION] 0.02\r\n"
         "\t\t[AMK_ANCHOR_INFO] 0,0,0,0\r\n"
         "\t\t[FRAME_DATA_START]\r\n"
         "\t\t\t[TA_STRING1] <StringPack>:\r\n"
         "\t\t\t[TA_STRING2] <StringPack>:\x83\x70\x81\x5B\x83\x58\r\n"
         "\t\t\t[PAPER_CORNER] -48750 -30250 48750 30250\r\n"
         "\t\t\t[SCALE_STRING] <StringPack>:1/250\r\n"
         "\t\t[FRAME_DATA_END]\r\n"
         "\t[LAYOUT2D_HEADER_END]\r\n"
         "\t[LAYOUT2D_DATA_START]\r\n"
         "\t\t[IMAGE_OBJECT_START] 1 20384 " +
         std::string(numbers) +
         " <StringPack>:BmpLayout.jpg\r\n"
         "\t\t\t[VERTEX] " +
         vertex +
         "\r\n"
         "\t\t[OBJECT_END]\r\n"
         "\t[LAYOUT2D_DATA_END]\r\n"
         "\t[AUTO_COMMAND_START]\r\n"
         "\t[AUTO_COMMAND_END]\r\n"
         "[LAYOUT2D_END]\r\n";
}

TEST(LayoutFile, PlacesThePictureOnTheSheet) {
  // The default export fills the frame exactly.
  EXPECT_EQ(layout::LayoutText(3900, 2420, "BmpLayout.jpg"),
            Expected("3900.000000 2420.000000 0.000000 25.000000 25.000000", "-48750.000000 -30250.000000"));
  // A square would be too tall at the frame's width: it takes the height.
  EXPECT_EQ(layout::LayoutText(1000, 1000, "BmpLayout.jpg"),
            Expected("1000.000000 1000.000000 0.000000 60.500000 60.500000", "-30250.000000 -30250.000000"));
  // Portrait: the frame's height, centred across.
  EXPECT_EQ(layout::LayoutText(500, 1000, "BmpLayout.jpg"),
            Expected("500.000000 1000.000000 0.000000 60.500000 60.500000", "-15125.000000 -30250.000000"));
  // A wide strip keeps the frame's width and is centred up and down.
  const layout::Placement strip = layout::FitPicture(4000, 100);
  EXPECT_DOUBLE_EQ(strip.scale, 24.375);
  EXPECT_DOUBLE_EQ(strip.x0, -48750.0);
  EXPECT_DOUBLE_EQ(strip.y0, -1218.75);
}

TEST_F(ScratchTest, LayoutFileIsShiftJisAndReplacedWhole) {
  MessageLog log;
  const std::string path = Path("sheet.tdo");
  ASSERT_TRUE(layout::WriteLayoutFile(path, 3900, 2420, "図面.jpg", &log));
  const std::vector<uint8_t> bytes = ReadBytes(path);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("<StringPack>:" + Utf8ToCp932("図面.jpg") + "\r\n"), std::string::npos);
  EXPECT_EQ(Entries().size(), 1u);
  // A folder that cannot take the file: the message, no file.
  EXPECT_FALSE(layout::WriteLayoutFile(Path("none/sheet.tdo"), 10, 10, "x.jpg", &log));
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_EQ(log.messages[0], "図面レイアウトファイルを作れません。");
  EXPECT_EQ(log.captions[0], "エラー");
}

TEST(PrintFit, FitsTheViewIntoThePage) {
  using output::PrintResolution;
  // 800 × 600 (1.333) on 4800 × 3300 (1.4545): as tall as the page.
  output::PrintSize size = output::FitPrint(4800, 3300, 800, 600, PrintResolution::Medium);
  EXPECT_EQ(size.paperWidth, 4400);
  EXPECT_EQ(size.paperHeight, 3300);
  EXPECT_EQ(size.bitmapWidth, 2200);
  EXPECT_EQ(size.bitmapHeight, 1650);
  size = output::FitPrint(4800, 3300, 800, 600, PrintResolution::High);
  EXPECT_EQ(size.bitmapWidth, 4400);
  size = output::FitPrint(4800, 3300, 800, 600, PrintResolution::Low);
  EXPECT_EQ(size.bitmapWidth, 1100);
  EXPECT_EQ(size.bitmapHeight, 825);
  // Simple: the view's own size, whatever the printer; the width rounded.
  size = output::FitPrint(4800, 3300, 803, 600, PrintResolution::Simple);
  EXPECT_EQ(size.bitmapWidth, 800);
  EXPECT_EQ(size.bitmapHeight, 600);
  // A wide view on a portrait page: as wide as the page.
  size = output::FitPrint(3300, 4800, 800, 400, PrintResolution::High);
  EXPECT_EQ(size.paperWidth, 3300);
  EXPECT_EQ(size.paperHeight, 1650);
  // Nothing to fit.
  EXPECT_EQ(output::FitPrint(0, 3300, 800, 600, PrintResolution::High).bitmapWidth, 0);
  EXPECT_EQ(output::FitPrint(4800, 3300, 800, 0, PrintResolution::High).bitmapWidth, 0);
}

TEST(PictureFile, FormatFollowsTheExtension) {
  EXPECT_EQ(output::FormatOfPath("a/b.JPG"), output::PictureFormat::Jpeg);
  EXPECT_EQ(output::FormatOfPath("b.jpeg"), output::PictureFormat::Jpeg);
  EXPECT_EQ(output::FormatOfPath("b.bmp"), output::PictureFormat::Bmp);
  EXPECT_EQ(output::FormatOfPath("dir.jpg/b"), output::PictureFormat::Bmp);
}

}  // namespace
}  // namespace output_test
