// The reader's handling of lines, the header, the tree and the colour word,
// and what it makes of hostile input.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/UiText.h"
#include "k3d_fixture.h"
#include "tests/support/scratch_folder.h"

using k3dtest::Describe;
using k3dtest::kCube;
using k3dtest::Load;
using k3dtest::Loaded;

namespace {

const std::string kHeader = "HEADER\n0,0\n";

// --- header and zones ----------------------------------------------------------

TEST(K3dHeaderTest, CreatesZonesUpToTheHighestNumberOnce) {
  Loaded l;
  Load(l, "HEADER\n0,2\nHEADER\nx,3\n");
  EXPECT_EQ(Describe(l.Root()), "Z0 Z1 Z2 Z3");
  EXPECT_EQ(l.view.zoneCount, 3);
}

TEST(K3dHeaderTest, KeepsNodesTheTreeAlreadyHad) {
  Loaded l;
  l.scene.NewScene();
  auto* kept = new CInkNode;
  kept->Create(nullptr);
  kept->SetName("Z1");
  l.Root()->AddChild(kept);
  korvex::ReadK3dText(*l.Root(), l.view, "HEADER\n0,1\n");
  EXPECT_EQ(Describe(l.Root()), "Z1 Z0");
  EXPECT_EQ(l.Root()->GetChild(0), kept);
}

TEST(K3dHeaderTest, AbsurdZoneNumberMakesABoundedNumberOfZones) {
  Loaded l;
  const auto start = std::chrono::steady_clock::now();
  Load(l, "HEADER\n0,2000000000\n" + std::string(kCube).replace(7, 2, "Z12345"));
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(l.view.zoneCount, 9999);
  // Z0..Z9999 from the header, then the record's zone on demand.
  ASSERT_EQ(l.Root()->GetCount(), 10001);
  EXPECT_STREQ(l.Root()->GetChild(9999)->GetName(nullptr, 0), "Z9999");
  EXPECT_EQ(l.At("Z12345", "g", "o")->GetFigureCount(), 1);
  EXPECT_LT(seconds, 5.0);
}

TEST(K3dHeaderTest, ContinuationOfALongLineIsALineOfItsOwn) {
  Loaded l;
  Load(l, std::string(127, '-') + "HEADER\n0,1\n");
  EXPECT_EQ(Describe(l.Root()), "Z0 Z1");
}

// --- reading -------------------------------------------------------------------

TEST(K3dReadTest, SetsTheFarPlaneAfterEveryRead) {
  Loaded l;
  Load(l, "");
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.view.farPlane, 1000000.0);
}

TEST(K3dReadTest, FileThatCannotBeOpenedChangesNothing) {
  Loaded l;
  l.scene.NewScene();
  korvex::K3dViewState view;
  view.farPlane = 3000.0;
  const korvex_test::ScratchFolder scratch;
  const std::filesystem::path& folder = scratch.path();
  EXPECT_EQ(korvex::ReadK3dFile(*l.Root(), view, (folder / "no such model.k3d").c_str()), -1);
  EXPECT_EQ(korvex::ReadK3dFile(*l.Root(), view, folder.c_str()), -1);
  EXPECT_EQ(korvex::ReadK3dFile(*l.Root(), view, ""), -1);
  EXPECT_EQ(view.farPlane, 3000.0);
  EXPECT_EQ(l.Root()->GetCount(), 0);
}

TEST(K3dReadTest, ReadsAFileAsItReadsTheSameText) {
  const korvex_test::ScratchFolder scratch;
  const std::filesystem::path path = scratch.path() / "model.k3d";
  const std::string text = kHeader + std::string(kCube) + "PILEV,Z0,0,g,1,1,1,0,6,1,p\n0,0,0\n0,0,2\n0.5\n";
  std::ofstream(path, std::ios::binary) << text;
  Loaded fromFile;
  fromFile.scene.NewScene();
  EXPECT_EQ(korvex::ReadK3dFile(*fromFile.Root(), fromFile.view, path.c_str()), 0);
  std::filesystem::remove(path);
  Loaded fromText;
  Load(fromText, text);
  EXPECT_EQ(Describe(fromFile.Root()), "Z0 Z0/g Z0/g/o:1 Z0/g/p:1");
  EXPECT_EQ(Describe(fromFile.Root()), Describe(fromText.Root()));
  EXPECT_EQ(fromFile.view.farPlane, 1000000.0);
}

// --- tree ----------------------------------------------------------------------

TEST(K3dTreeTest, FindsOrCreatesGroupsAndObjects) {
  Loaded l;
  Load(l, kHeader + std::string(kCube) + std::string(kCube) +
              "SOLIDV,Z0,0,g,1,1,1,0,4,1,other\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n"
              "SOLIDV,Z0,0,h,1,1,1,0,4,1,o\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n");
  EXPECT_EQ(Describe(l.Root()), "Z0 Z0/g Z0/g/o:2 Z0/g/other:1 Z0/h Z0/h/o:1");
}

TEST(K3dTreeTest, ObjectNameEndsAtTheLineEndAndKeepsItsCommas) {
  Loaded l;
  Load(l, kHeader + "SOLIDV,Z0,0,g,1,1,1,0,0,0,Tower\r\nSOLIDV,Z0,0,g,1,1,1,0,0,0,Tower\n"
                    "SOLIDV,Z0,0,g,1,1,1,0,0,0,Block 3, east wing\n");
  EXPECT_EQ(Describe(l.Root()), "Z0 Z0/g Z0/g/Tower Z0/g/Block 3, east wing");
  EXPECT_NE(l.At("Z0", "g", "Tower"), nullptr);
}

TEST(K3dTreeTest, LongNamesFindTheNodeTheyMadeBefore) {
  const std::string zone = "Z" + std::string(70, 'z');
  const std::string group(80, 'g');
  const std::string object(70, 'o');
  Loaded l;
  // Two records with the same long names; lines stay below 128 bytes only
  // for the object name's record, so each name is tested on its own line.
  const std::string first = "SOLIDV," + zone + ",0,g,1,1,1,0,4,1,o\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n";
  const std::string second = "SOLIDV,Z0,0," + group + ",1,1,1,0,0,0,o\n";
  const std::string third = "SOLIDV,Z0,0,g,1,1,1,0,4,1," + object + "\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n";
  Load(l, kHeader + first + first + second + second + third + third);
  ASSERT_EQ(l.Root()->GetCount(), 2);
  EXPECT_EQ(l.Root()->GetChild(1)->GetName(nullptr, 0), zone.substr(0, 63));
  EXPECT_EQ(l.At(zone.substr(0, 63), "g", "o")->GetFigureCount(), 2);
  CInkNode* z0 = l.At("Z0");
  ASSERT_EQ(z0->GetCount(), 2);
  EXPECT_EQ(z0->GetChild(0)->GetName(nullptr, 0), group.substr(0, 63));
  EXPECT_EQ(l.At("Z0", "g", object.substr(0, 63))->GetFigureCount(), 2);
  EXPECT_EQ(l.At("Z0", "g")->GetCount(), 1);
  // A second read into the same tree finds the nodes by their stored names.
  korvex::ReadK3dText(*l.Root(), l.view, first + second + third);
  EXPECT_EQ(l.Root()->GetCount(), 2);
  EXPECT_EQ(z0->GetCount(), 2);
  EXPECT_EQ(l.At(zone.substr(0, 63), "g", "o")->GetFigureCount(), 3);
  EXPECT_EQ(l.At("Z0", "g", object.substr(0, 63))->GetFigureCount(), 3);
}

TEST(K3dTreeTest, RecordForAZoneTheHeaderDidNotMakeMakesItAfterTheOthers) {
  Loaded l;
  Load(l, "HEADER\n0,1\n" + std::string(kCube).replace(7, 2, "Z7"));
  EXPECT_EQ(Describe(l.Root()), "Z0 Z1 Z7 Z7/g Z7/g/o:1");
}

TEST(K3dTreeTest, RecordWithoutAZoneNameIsReadButPlacedNowhere) {
  Loaded l;
  Load(l, kHeader + std::string(kCube).replace(7, 2, "") + std::string(kCube));
  EXPECT_EQ(Describe(l.Root()), "Z0 Z0/g Z0/g/o:1");
}

// --- colour --------------------------------------------------------------------

struct ColourRow {
  const char* fields;  // red, green, blue, transparency
  uint32_t colour;
};

class K3dColourTest : public ::testing::TestWithParam<ColourRow> {};

TEST_P(K3dColourTest, PacksTruncatedHeldBytes) {
  Loaded l;
  Load(l, kHeader + "SOLIDV,Z0,0,g," + GetParam().fields + ",0,0,o\n");
  CInkNode* o = l.At("Z0", "g", "o");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->GetAttributeRecord()->colour, GetParam().colour) << std::hex << o->GetAttributeRecord()->colour;
}

INSTANTIATE_TEST_SUITE_P(
    Fractions, K3dColourTest,
    ::testing::Values(ColourRow{"1,0,0,0.5", 0x7F0000FFu}, ColourRow{"0.5,0.25,1,0", 0xFFFF3F7Fu},
                      ColourRow{"0,0,0,1", 0x00000000u}, ColourRow{"0.999,0.004,0.0039,0", 0xFF0001FEu},
                      // Outside 0..1: each byte held at its end, no spill.
                      ColourRow{"2,-1,0.5,-1", 0xFF7F00FFu}, ColourRow{"1e400,-1e400,0,2", 0x000000FFu},
                      ColourRow{"x,,0.2,", 0xFF330000u}));

TEST(K3dColourTest2, LaterRecordReplacesTheColour) {
  Loaded l;
  Load(l, kHeader + "SOLIDV,Z0,0,g,1,0,0,0,0,0,o\nSOLIDV,Z0,0,g,0,0,1,0,0,0,o\n");
  EXPECT_EQ(l.At("Z0", "g", "o")->GetAttributeRecord()->colour, 0xFFFF0000u);
  // Only the colour: the rest of the placement stays as made.
  EXPECT_EQ(l.At("Z0", "g")->GetAttributeRecord()->colour, 0xFF000000u);
}

// --- hostile input -------------------------------------------------------------

struct HostileRow {
  const char* name;
  std::string text;
  const char* tree;  // Describe() of the result
};

void PrintTo(const HostileRow& row, std::ostream* os) { *os << row.name; }

class K3dHostileTest : public ::testing::TestWithParam<HostileRow> {};

TEST_P(K3dHostileTest, ReadsWhatItCanAndSkipsTheRest) {
  Loaded l;
  Load(l, GetParam().text);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.view.farPlane, 1000000.0);
  EXPECT_EQ(Describe(l.Root()), GetParam().tree);
}

const std::string kSquare = "0,0,0\n1,0,0\n1,1,0\n0,1,0\n";

INSTANTIATE_TEST_SUITE_P(
    Inputs, K3dHostileTest,
    ::testing::Values(
        HostileRow{"empty", "", ""},
        HostileRow{"unknown lines", "hello\nworld,1,2\n,,,\nHEADE\nheader\n0,1\n", ""},
        HostileRow{"binary bytes", std::string("\0\xff\x01,SOLIDV\0,\n\xfe\xfe\xfe", 16), ""},
        HostileRow{"GLOBE changes nothing", "GLOBE,1,2,3\nGLOBE,\n", ""},
        HostileRow{"keyword with trailing space", kHeader + "SOLIDV ,Z0,0,g,1,1,1,0,4,1,o\n" + kSquare, "Z0"},
        HostileRow{"header without its count line", "HEADER\n", ""},
        HostileRow{"header with a negative count", "HEADER\n0,-4\n", ""},
        HostileRow{"header count not a number", "HEADER\n0,abc\n", "Z0"},
        HostileRow{"header cut short by a record", "HEADER\n" + std::string(kCube), "Z0 Z0/g Z0/g/o:1"},
        HostileRow{"record line cut short", kHeader + "SOLIDV,Z0\n" + kSquare, "Z0 Z0/ Z0//"},
        HostileRow{"truncated body", kHeader + "SOLIDV,Z0,0,g,1,1,1,0,4,1,o\n0,0,0\n1,0,0\n", "Z0 Z0/g Z0/g/o"},
        HostileRow{"negative point count", kHeader + "SOLIDV,Z0,0,g,1,1,1,0,-4,1,o\n0,0,1\n", "Z0 Z0/g Z0/g/o"},
        HostileRow{"negative solid count reads no body",
                   kHeader + "SOLIDV,Z0,0,g,1,1,1,0,4,-1,o\n" + std::string(kCube), "Z0 Z0/g Z0/g/o:1"},
        HostileRow{"absurd solid count", kHeader + "SOLIDV,Z0,0,g,1,1,1,0,4,2000000000,o\n" + kSquare + "0,0,1\n",
                   "Z0 Z0/g Z0/g/o:1"},
        HostileRow{"absurd point count", kHeader + "SOLIDV,Z0,0,g,1,1,1,0,2000000000,1,o\n" + kSquare + "0,0,1\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"count beyond the next record",
                   kHeader + "SOLIDV,Z0,0,g,1,1,1,0,8,1,p\n" + kSquare + std::string(kCube),
                   "Z0 Z0/g Z0/g/p Z0/g/o:1"},
        HostileRow{"non-numbers as coordinates",
                   kHeader + "SOLIDV,Z0,0,g,1,1,1,0,4,1,o\na,b,c\nd,e,f\ng,h,i\nj,k,l\n0,0,1\n", "Z0 Z0/g Z0/g/o"},
        HostileRow{"overflowing coordinate",
                   kHeader + "SOLIDV,Z0,0,g,1,1,1,0,4,1,o\n1e999,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"coordinate beyond any site",
                   kHeader + "SOLIDV,Z0,0,g,1,1,1,0,4,1,o\n" + kSquare + "0,0,1e300\n", "Z0 Z0/g Z0/g/o"},
        HostileRow{"nan and inf texts read as zero",
                   kHeader + "SOLIDV,Z0,0,g,1,1,1,0,4,1,o\nnan,inf,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n",
                   "Z0 Z0/g Z0/g/o:1"},
        HostileRow{"extrusion along its own plane", kHeader + "SOLIDV,Z0,0,g,1,1,1,0,4,1,o\n" + kSquare + "1,0,0\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"prism cut short after its unused line", kHeader + "SOLIDF,Z0,0,g,1,1,1,0,4,1,o\nskip\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"prism with coinciding rings", kHeader + "SOLIDF,Z0,0,g,1,1,1,0,4,1,o\n-\n" + kSquare + kSquare,
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"absurd hole count",
                   kHeader + "SHELLV,Z0,0,g,1,1,1,0,4,2000000000,1,o\n" + kSquare + "0,0,1\n3\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"absurd hole point count",
                   kHeader + "SHELLV,Z0,0,g,1,1,1,0,4,1,1,o\n" + kSquare + "0,0,1\n2000000000\n" + kSquare,
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"pile of two points", kHeader + "PILEV,Z0,0,g,1,1,1,0,2,1,o\n0,0,0\n0,0,1\n1\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"pile of 361 points", kHeader + "PILEV,Z0,0,g,1,1,1,0,361,1,o\n0,0,0\n0,0,1\n1\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"pile of 360 points", kHeader + "PILEV,Z0,0,g,1,1,1,0,360,1,o\n0,0,0\n0,0,1\n1\n",
                   "Z0 Z0/g Z0/g/o:1"},
        HostileRow{"pile of radius 0", kHeader + "PILEV,Z0,0,g,1,1,1,0,8,1,o\n0,0,0\n0,0,1\n0\n", "Z0 Z0/g Z0/g/o"},
        HostileRow{"pile of negative radius", kHeader + "PILEV,Z0,0,g,1,1,1,0,8,1,o\n0,0,0\n0,0,1\n-1\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"pile with equal ends", kHeader + "PILEV,Z0,0,g,1,1,1,0,8,1,o\n5,5,5\n5,5,5\n1\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"pile without its radius", kHeader + "PILEV,Z0,0,g,1,1,1,0,8,1,o\n0,0,0\n0,0,1\n", "Z0 Z0/g Z0/g/o"},
        HostileRow{"pipe of inner radius 0", kHeader + "PIPEV,Z0,0,g,1,1,1,0,8,1,o\n0,0,0\n0,0,1\n0\n1\n",
                   "Z0 Z0/g Z0/g/o"},
        HostileRow{"pipe of outer radius -2", kHeader + "PIPEV,Z0,0,g,1,1,1,0,8,1,o\n0,0,0\n0,0,1\n1\n-2\n",
                   "Z0 Z0/g Z0/g/o"}));

// A footprint traced point by point from a survey can exceed what the viewer
// holds for one solid. Such a solid is read past, not built, and counted so
// the user hears of the missing building; what follows it is still read.
TEST(K3dBoundTest, SolidsBeyondTheMostPointsAreLeftOutAndCounted) {
  const std::size_t over = korvex::kK3dMaxSolidPoints + 1;
  std::string points;
  points.reserve(over * 6);
  for (std::size_t i = 0; i < over; ++i) points += "0,0,0\n";
  const std::string text =
      kHeader + "SOLIDV,Z0,0,g,1,1,1,0," + std::to_string(over) + ",1,big\n" + points + "0,0,1\n" +
      // A shell whose outline is small but whose courtyard overflows: the
      // building is left out whole, not built without its yard.
      "SHELLV,Z0,0,g,1,1,1,0,4,1,1,yard\n" + kSquare + "0,0,1\n" + std::to_string(over) + "\n" + points +
      std::string(kCube);
  Loaded l;
  Load(l, text);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(Describe(l.Root()), "Z0 Z0/g Z0/g/big Z0/g/yard Z0/g/o:1");
  EXPECT_EQ(l.view.oversizedSolids, 2);
  EXPECT_EQ(l.view.costlySolids, 0);
  EXPECT_EQ(korvex::LeftOutText(l.view), "点が多すぎるため 2 個の立体を読み込みませんでした");
}

// Every hole of a shell is a Boolean cut whose price grows with the points
// and the holes already cut: a small file of a shell with 160 courtyards
// took more than a minute. Such a shell is left out and counted under its
// own cause (its points are few); a house with a few yards beside it is
// still built.
TEST(K3dBoundTest, ShellsTooCostlyToCutAreLeftOutAndCounted) {
  std::string yards;
  for (int k = 0; k < 160; ++k) {
    const std::string x = std::to_string(10 * (k % 13) + 5), x2 = std::to_string(10 * (k % 13) + 7);
    const std::string y = std::to_string(10 * (k / 13) + 5), y2 = std::to_string(10 * (k / 13) + 7);
    yards += "4\n" + x + "," + y + ",0\n" + x2 + "," + y + ",0\n" + x2 + "," + y2 + ",0\n" + x + "," + y2 + ",0\n";
  }
  const std::string text = kHeader + "SHELLV,Z0,0,g,1,1,1,0,4,160,1,maze\n0,0,0\n140,0,0\n140,140,0\n0,140,0\n0,0,3\n" +
                           yards + "SHELLV,Z0,0,g,1,1,1,0,4,2,1,house\n0,0,0\n20,0,0\n20,10,0\n0,10,0\n0,0,3\n" +
                           "4\n2,2,0\n4,2,0\n4,4,0\n2,4,0\n4\n12,2,0\n14,2,0\n14,4,0\n12,4,0\n";
  Loaded l;
  Load(l, text);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(Describe(l.Root()), "Z0 Z0/g Z0/g/maze Z0/g/house:1");
  EXPECT_EQ(l.view.oversizedSolids, 0);
  EXPECT_EQ(l.view.costlySolids, 1);
  EXPECT_EQ(korvex::LeftOutText(l.view), "穴の切り抜きに時間がかかりすぎるため 1 個の立体を読み込みませんでした");
}

// A solid with too many points and a shell too costly to cut in one file:
// each cause has its own count and text, side by side on one status line.
TEST(K3dBoundTest, EachCauseOfALeftOutSolidIsToldApart) {
  const std::size_t over = korvex::kK3dMaxSolidPoints + 1;
  std::string points;
  points.reserve(over * 6);
  for (std::size_t i = 0; i < over; ++i) points += "0,0,0\n";
  const std::string house = "SHELLV,Z0,0,g,1,1,1,0,4,2,1,yards\n0,0,0\n20,0,0\n20,10,0\n0,10,0\n0,0,3\n"
                            "4\n2,2,0\n4,2,0\n4,4,0\n2,4,0\n4\n12,2,0\n14,2,0\n14,4,0\n12,4,0\n";
  const std::string text = kHeader + "SOLIDV,Z0,0,g,1,1,1,0," + std::to_string(over) + ",1,big\n" + points +
                           "0,0,1\n" + house;
  const korvex::K3dCutBudget budget{100.0, 1e6};  // below the house's 12 x 12 x 2
  CInkNode root;
  root.Create(nullptr);
  korvex::K3dViewState view;
  EXPECT_EQ(korvex::ReadK3dText(root, view, text, budget), 0);
  EXPECT_EQ(view.oversizedSolids, 1);
  EXPECT_EQ(view.costlySolids, 1);
  EXPECT_EQ(korvex::LeftOutTexts(view),
            (std::vector<std::string>{"点が多すぎるため 1 個の立体を読み込みませんでした",
                                      "穴の切り抜きに時間がかかりすぎるため 1 個の立体を読み込みませんでした"}));
  EXPECT_EQ(korvex::LeftOutText(view),
            "点が多すぎるため 1 個の立体を読み込みませんでした　"
            "穴の切り抜きに時間がかかりすぎるため 1 個の立体を読み込みませんでした");
  korvex::SetUiLanguage(korvex::UiLanguage::kEnglish);
  EXPECT_EQ(korvex::UiText(korvex::LeftOutText(view)),
            "1 solid(s) with too many points were left out  "
            "1 solid(s) whose holes would take too long to cut were left out");
  korvex::SetUiLanguage(korvex::UiLanguage::kJapanese);
}

// A pipe's bore is built with the pipe, not cut out of it, so pipes spend
// none of the cutting budget: with no budget at all a round pipe is still
// built, hollow, and nothing is counted as left out.
TEST(K3dBoundTest, PipesSpendNoneOfTheCuttingBudget) {
  const std::string text = kHeader + "PIPEV,Z0,0,g,1,1,1,0,360,1,main\n0,0,0\n0,0,2\n0.4\n0.5\n";
  CInkNode root;
  root.Create(nullptr);
  korvex::K3dViewState view;
  EXPECT_EQ(korvex::ReadK3dText(root, view, text, korvex::K3dCutBudget{0.0, 0.0}), 0);
  EXPECT_EQ(Describe(&root), "Z0 Z0/g Z0/g/main:1");
  EXPECT_EQ(view.oversizedSolids + view.costlySolids, 0);
}

// The bound on cutting must not leave out real buildings: a block with
// twenty-six small octagonal courtyards (about 1.2e6 units, past the first
// bound tried) is built whole and nothing is counted as left out.
TEST(K3dBoundTest, RealBuildingsWithManyYardsAreStillBuilt) {
  constexpr double kTurn = 6.283185307179586;
  std::string block = "SHELLV,Z0,0,g,1,1,1,0,4,26,1,block\n0,0,0\n95,0,0\n95,80,0\n0,80,0\n0,0,9\n";
  for (int k = 0; k < 26; ++k) {
    block += "8\n";
    for (int i = 0; i < 8; ++i)
      block += std::to_string(10 + 15 * (k % 6) + 4 * std::cos(kTurn * i / 8)) + "," +
               std::to_string(10 + 15 * (k / 6) + 4 * std::sin(kTurn * i / 8)) + ",0\n";
  }
  Loaded l;
  Load(l, kHeader + block);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(Describe(l.Root()), "Z0 Z0/g Z0/g/block:1");
  EXPECT_EQ(l.view.oversizedSolids, 0);
  EXPECT_EQ(l.view.costlySolids, 0);
}

// The file's share is spent solid by solid: with room for two small houses'
// yards, the third house is left out and counted, and a house without yards
// after it costs nothing and is built.
TEST(K3dBoundTest, TheFilesCuttingShareIsSpentInOrder) {
  const std::string house = "4\n0,0,0\n20,0,0\n20,10,0\n0,10,0\n0,0,3\n"
                            "4\n2,2,0\n4,2,0\n4,4,0\n2,4,0\n4\n12,2,0\n14,2,0\n14,4,0\n12,4,0\n";
  std::string text = kHeader;
  for (const char* name : {"a", "b", "c"}) text += std::string("SHELLV,Z0,0,g,1,1,1,0,4,2,1,") + name + "\n" + house.substr(2);
  text += "SHELLV,Z0,0,g,1,1,1,0,4,0,1,d\n0,0,0\n20,0,0\n20,10,0\n0,10,0\n0,0,3\n";
  // One house: twelve points, two cuts.
  const korvex::K3dCutBudget budget{1e6, 2.5 * 12 * 12 * 2};
  CInkNode root;
  root.Create(nullptr);
  korvex::K3dViewState view;
  EXPECT_EQ(korvex::ReadK3dText(root, view, text, budget), 0);
  EXPECT_EQ(Describe(&root), "Z0 Z0/g Z0/g/a:1 Z0/g/b:1 Z0/g/c Z0/g/d:1");
  EXPECT_EQ(view.costlySolids, 1);
}

}  // namespace
