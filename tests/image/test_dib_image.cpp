// The 24-bit BMP image: layout of saved files, reading the files other
// programs write, refusing broken ones, and replacing files only whole.
#include <sys/resource.h>

#include <csignal>
#include <functional>

#include "image/DibImage.h"
#include "tests/output/output_fixture.h"

namespace output_test {
namespace {

using DibTest = ScratchTest;

std::vector<uint8_t> TestPixels(int width, int height) {
  std::vector<uint8_t> p;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) p.push_back(Channel(x, y, c));
    }
  }
  return p;
}

std::vector<uint8_t> PixelsOf(const CDibImage& image) {
  return {image.GetPixels(), image.GetPixels() + image.PixelBytes()};
}

TEST_F(DibTest, SavedRowsArePaddedAndReadBackPacked) {
  for (const auto& [width, height, fileSize] : {std::tuple{3, 2, 78u}, {4, 2, 78u}, {5, 3, 54u + 16 * 3}}) {
    SCOPED_TRACE(width);
    const std::vector<uint8_t> pixels = TestPixels(width, height);
    CDibImage image;
    ASSERT_NE(image.Create(pixels.data(), width, height), nullptr);
    ASSERT_EQ(image.Save(Path("a.bmp")), 0);

    const std::vector<uint8_t> file = ReadBytes(Path("a.bmp"));
    ASSERT_EQ(file.size(), fileSize);
    EXPECT_EQ(Get32(file, 2), fileSize);
    EXPECT_EQ(Get32(file, 10), 54u);
    EXPECT_EQ(Get32(file, 14), 40u);
    EXPECT_EQ(static_cast<int>(Get32(file, 22)), height);  // positive: bottom-up
    EXPECT_EQ(Get32(file, 38), 5906u);
    const std::size_t rowBytes = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y) {
      for (std::size_t i = width * 3; i < rowBytes; ++i) EXPECT_EQ(file[54 + y * rowBytes + i], 0);
    }
    EXPECT_EQ(file[54 + rowBytes + 2], Channel(0, 1, 2));  // second row in the file is y = 1

    CDibImage back;
    ASSERT_EQ(back.Load(Path("a.bmp")), 0);
    EXPECT_EQ(back.GetInfoHeader().width, width);
    EXPECT_EQ(back.GetInfoHeader().bitCount, 24);
    EXPECT_EQ(PixelsOf(back), pixels);
  }
}

TEST_F(DibTest, ReadsLargerHeadersAndTopDownRowsIntoBottomUpMemory) {
  const std::vector<uint8_t> expected = TestPixels(3, 4);
  const BmpSpec specs[] = {
      {3, 4, 40, 0, 24, 0},    // the plain header
      {3, 4, 108, 0, 24, 0},   // BITMAPV4HEADER
      {3, 4, 124, 12, 24, 0},  // BITMAPV5HEADER with a gap before the pixels
      {3, -4, 124, 0, 24, 0},  // top-down
  };
  for (const BmpSpec& spec : specs) {
    SCOPED_TRACE(testing::Message() << spec.headerSize << " " << spec.height);
    WriteBytes(Path("in.bmp"), MakeBmp(spec));
    CDibImage image;
    ASSERT_EQ(image.Load(Path("in.bmp")), 0);
    EXPECT_EQ(image.Height(), 4);
    EXPECT_EQ(image.GetInfoHeader().height, 4);
    EXPECT_EQ(PixelsOf(image), expected);
  }
}

TEST_F(DibTest, LastRowWithoutPaddingIsRead) {
  std::vector<uint8_t> file = MakeBmp({3, 2});
  file.erase(file.end() - 3, file.end());
  WriteBytes(Path("in.bmp"), file);
  CDibImage image;
  EXPECT_EQ(image.Load(Path("in.bmp")), 0);
  EXPECT_EQ(PixelsOf(image), TestPixels(3, 2));
}

struct BrokenFile {
  const char* name;
  std::function<void(std::vector<uint8_t>&)> damage;
  const char* message;
  friend void PrintTo(const BrokenFile& file, std::ostream* os) { *os << file.name; }
};

class BrokenFileTest : public ScratchTest, public testing::WithParamInterface<BrokenFile> {};

TEST_P(BrokenFileTest, IsRefusedWithItsMessageAndKeepsThePreviousImage) {
  std::vector<uint8_t> file = MakeBmp({3, 2});
  GetParam().damage(file);
  WriteBytes(Path("in.bmp"), file);

  MessageLog log;
  CDibImage image(&log);
  const std::vector<uint8_t> before = TestPixels(2, 2);
  image.Create(before.data(), 2, 2);
  EXPECT_EQ(image.Load(Path("in.bmp")), 1);
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_EQ(log.messages[0], GetParam().message);
  EXPECT_EQ(log.captions[0], "");
  EXPECT_EQ(image.Width(), 2);
  EXPECT_EQ(PixelsOf(image), before);
}

void SetSize(std::vector<uint8_t>& f, uint32_t w, uint32_t h) {
  Put32(f, 18, w);
  Put32(f, 22, h);
}

INSTANTIATE_TEST_SUITE_P(
    Dib, BrokenFileTest,
    testing::Values(
        BrokenFile{"Empty", [](auto& f) { f.clear(); }, "ＢＭＰファイルではない。"},
        BrokenFile{"NotBM", [](auto& f) { f[1] = 'A'; }, "ＢＭＰファイルではない。"},
        BrokenFile{"HeaderCut", [](auto& f) { f.erase(f.begin() + 40, f.end()); }, "ＢＭＰファイルではない。"},
        BrokenFile{"CoreHeader", [](auto& f) { Put32(f, 14, 12); }, "ＢＭＰファイルではない。"},
        BrokenFile{"EightBit", [](auto& f) { f[28] = 8; }, "２４ビットＢＭＰではない。"},
        BrokenFile{"ThirtyTwoBit", [](auto& f) { f[28] = 32; }, "２４ビットＢＭＰではない。"},
        BrokenFile{"Compressed", [](auto& f) { Put32(f, 30, 1); }, "圧縮形式には対応していない。"},
        BrokenFile{"PixelsCut", [](auto& f) { f.erase(f.end() - 4, f.end()); }, "ＢＭＰファイルではない。"},
        BrokenFile{"OffsetPastEnd", [](auto& f) { Put32(f, 10, 1000); }, "ＢＭＰファイルではない。"},
        BrokenFile{"OffsetInsideHeader", [](auto& f) { Put32(f, 10, 20); }, "ＢＭＰファイルではない。"},
        BrokenFile{"ZeroWidth", [](auto& f) { SetSize(f, 0, 2); }, "ＢＭＰファイルではない。"},
        BrokenFile{"NegativeWidth", [](auto& f) { SetSize(f, 0xFFFFFFFD, 2); }, "ＢＭＰファイルではない。"},
        BrokenFile{"MostNegativeHeight", [](auto& f) { SetSize(f, 3, 0x80000000); }, "ＢＭＰファイルではない。"},
        // Sizes the file cannot hold, up to pixel areas beyond any BMP file:
        // refused before memory is taken for them.
        BrokenFile{"TallerThanTheFile", [](auto& f) { SetSize(f, 3, 1000); }, "ＢＭＰファイルではない。"},
        BrokenFile{"HundredThousandSquare", [](auto& f) { SetSize(f, 100000, 100000); }, "ＢＭＰファイルではない。"},
        BrokenFile{"LargestInts", [](auto& f) { SetSize(f, 0x7FFFFFFF, 0x7FFFFFFF); }, "ＢＭＰファイルではない。"},
        BrokenFile{"LargestTopDown", [](auto& f) { SetSize(f, 0x7FFFFFFF, 0x80000001); }, "ＢＭＰファイルではない。"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DibTest, MissingFileOrFolderCannotBeOpened) {
  MessageLog log;
  CDibImage image(&log);
  EXPECT_EQ(image.Load(Path("none.bmp")), 1);
  EXPECT_EQ(image.Load(dir_.string()), 1);
  ASSERT_EQ(log.messages.size(), 2u);
  EXPECT_EQ(log.messages[0], Path("none.bmp") + " が開けない。");
  EXPECT_EQ(image.GetPixels(), nullptr);
}

TEST_F(DibTest, CreateRefusesSizesNoBmpCanHold) {
  CDibImage image;
  ASSERT_NE(image.Create(nullptr, 2, 1), nullptr);
  EXPECT_EQ(image.GetPixels()[5], 0);
  EXPECT_EQ(image.Create(nullptr, 0, 5), nullptr);
  EXPECT_EQ(image.Create(nullptr, 5, -1), nullptr);
  EXPECT_EQ(image.Create(nullptr, 40000, 40000), nullptr);  // 4.8 GB of pixels
  EXPECT_EQ(image.Width(), 2);
}

TEST_F(DibTest, FailedSaveLeavesThePreviousFileAndNoTemporary) {
  MessageLog log;
  CDibImage image(&log);
  EXPECT_EQ(image.Save(Path("empty.bmp")), 1);  // nothing to save
  const std::vector<uint8_t> pixels = TestPixels(20, 20);
  image.Create(pixels.data(), 20, 20);
  EXPECT_EQ(image.Save(Path("no/such/folder.bmp")), 1);

  const std::vector<uint8_t> previous = {'o', 'l', 'd'};
  WriteBytes(Path("out.bmp"), previous);
  // The file size limit makes the write fail part way, like a full disk.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 600;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int result = image.Save(Path("out.bmp"));
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(result, 1);
  ASSERT_EQ(log.messages.size(), 3u);
  EXPECT_EQ(log.messages[0], Path("empty.bmp") + " を作製できない。");
  EXPECT_EQ(log.messages[1], Path("no/such/folder.bmp") + " を作製できない。");
  EXPECT_EQ(log.messages[2], Path("out.bmp") + " の書き込みが異常終了した。");
  EXPECT_EQ(ReadBytes(Path("out.bmp")), previous);
  EXPECT_EQ(Entries().size(), 1u);

  EXPECT_EQ(image.Save(Path("out.bmp")), 0);
  EXPECT_EQ(ReadBytes(Path("out.bmp")).size(), 54u + 60 * 20);
}

}  // namespace
}  // namespace output_test
