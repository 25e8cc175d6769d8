// The texture assignment (".txi") and billboard placement (".bil") files as
// bytes: what a reader takes from them and what the writer puts in.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "common/encoding.h"
#include "common/file_util.h"
#include "formats/BilFile.h"
#include "formats/TxiFile.h"

namespace {

using namespace korvex;

std::vector<TxiTexture> Textures(const std::vector<TxiEntry>& entries) {
  std::vector<TxiTexture> out;
  for (const TxiEntry& entry : entries)
    if (const auto* texture = std::get_if<TxiTexture>(&entry)) out.push_back(*texture);
  return out;
}

std::vector<TxiAssignment> Assignments(const std::vector<TxiEntry>& entries) {
  std::vector<TxiAssignment> out;
  for (const TxiEntry& entry : entries)
    if (const auto* assignment = std::get_if<TxiAssignment>(&entry)) out.push_back(*assignment);
  return out;
}

TEST(TxiFile, ReadsSectionsPairsAndSkipsWhatTheFormatSkips) {
  const std::string text =
      "# comment before any section: section 0\r\n"
      "%wall.bmp\r\n"
      "2.5 4\r\n"
      "\r\n"
      "skipped.bmp\r\n"
      "\r\n"                       // empty values line: not loaded
      "KATEGORIE 7\n"
      "ignored\n"
      "1 2 3 4 5\n"
      "KATEGORIE 1\n"
      "#comment\n"
      "roof\n"
      "2 300 -4 16 255\n"          // colour numbers held within 0..255
      "short\n"
      "1 2 3\n"                    // fewer than five numbers: left out
      "KATEGORIE 0\n"
      "C:\\tex\\a.bmp\n"
      "1\n"                        // the missing scale stays 0 (default)
      "last\n";                    // end of file where a values line belongs
  const std::vector<TxiEntry> entries = ParseTxi(text);
  ASSERT_EQ(entries.size(), 3u);
  // File order is kept: the texture after section 1 comes last.
  EXPECT_EQ(std::get<TxiTexture>(entries[0]), (TxiTexture{"%wall.bmp", 2.5, 4.0}));
  EXPECT_EQ(std::get<TxiAssignment>(entries[1]), (TxiAssignment{"roof", 2, 0xFF1000FFu}));
  EXPECT_EQ(std::get<TxiTexture>(entries[2]), (TxiTexture{"C:\\tex\\a.bmp", 1.0, 0.0}));
}

TEST(TxiFile, SecondLineOfAPairIsTakenAsItStands) {
  // A "#" line or a keyword where the values belong is the values line.
  const std::vector<TxiEntry> entries = ParseTxi("KATEGORIE 1\nA\n# 1 2 3 4 5\nB\n1 1 2 3 4\nKATEGORIE 0\n");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(std::get<TxiAssignment>(entries[0]).name, "B");
}

TEST(TxiFile, WrittenFileReadsBackAndKeepsPairsAligned) {
  const std::vector<TxiTexture> textures = {{"%facade.bmp", 0.5, 3.25}, {"#odd.bmp", 1.0, 1.0}};
  const std::vector<TxiAssignment> assignments = {
      {"", 1, 0xFF0000FFu},         // a reader would skip the name line
      {"#aux", 1, 0xFF0000FFu},
      {"two\nlines", 1, 0xFF0000FFu},
      {"wall", 1, 0x80FF2010u},
      {Utf8ToCp932("屋根"), 2, 0xFF00FF00u}};
  const std::string bytes = WriteTxi(textures, assignments);

  const std::string expectedStart = std::string(70, '#') + "\r\n" + Utf8ToCp932("# テクスチャ") +
                                    "\r\nKATEGORIE 0\r\n\r\n%facade.bmp\r\n0.500000 3.250000\r\n";
  EXPECT_EQ(bytes.substr(0, expectedStart.size()), expectedStart);
  EXPECT_NE(bytes.find("wall\r\n1 16 32 255 128\r\n"), std::string::npos);

  const std::vector<TxiEntry> entries = ParseTxi(bytes);
  EXPECT_EQ(Textures(entries), (std::vector<TxiTexture>{{"%facade.bmp", 0.5, 3.25}, {"./#odd.bmp", 1.0, 1.0}}));
  EXPECT_EQ(Assignments(entries), (std::vector<TxiAssignment>{assignments[3], assignments[4]}));
}

TEST(TxiFile, TexturePathsOfTheTextureFolder) {
  const std::filesystem::path folder = "/opt/Korvex/Texture";
  EXPECT_EQ(ExpandTxiPath("%sub\\wall.bmp", folder), "/opt/Korvex/Texture/sub/wall.bmp");
  EXPECT_EQ(ExpandTxiPath("..\\tex\\a.bmp", folder), "../tex/a.bmp");
  EXPECT_EQ(TxiPathForFile("/OPT/korvex/texture/sub/wall.bmp", folder), "%sub/wall.bmp");
  EXPECT_EQ(TxiPathForFile("/opt/Korvex/Textures/a.bmp", folder), "/opt/Korvex/Textures/a.bmp");
  EXPECT_EQ(ExpandTxiPath(TxiPathForFile("/opt/Korvex/Texture/a.bmp", folder), folder), "/opt/Korvex/Texture/a.bmp");
}

TEST(BilFile, ReadsAddLinesOnly) {
  const std::vector<BilPlacement> placements = ParseBil(
      "# trees\r\n"
      "ADD 10 20 0 3 5 tree\r\n"
      "add 1 2 3 4 5 lower\n"        // the keyword is exact
      "ADD 1 2 3 4 tree\n"           // a number missing
      "ADD 1 2 3 4 5\n"              // no picture
      "ADD 1 2 nan 4 5 bad\n"        // not finite
      "ADD\t-1.5 +2e1 0 1 2 people\\man\tgarbage\n");
  ASSERT_EQ(placements.size(), 2u);
  EXPECT_EQ(placements[0].name, "tree");
  EXPECT_EQ(placements[0].position.x, 10.0);
  EXPECT_EQ(placements[0].position.y, 20.0);
  EXPECT_EQ(placements[0].width, 3.0);
  EXPECT_EQ(placements[0].height, 5.0);
  EXPECT_EQ(placements[1].position.x, -1.5);
  EXPECT_EQ(placements[1].position.y, 20.0);
  EXPECT_EQ(placements[1].name, "people\\man");
  EXPECT_EQ(BilPicturePath("/opt/Korvex/BillboardTex", placements[1].name), "/opt/Korvex/BillboardTex/people/man.bmp");
}

}  // namespace
