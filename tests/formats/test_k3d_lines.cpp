#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "formats/K3dLines.h"

using korvex::k3d::LineSource;

namespace {

std::vector<std::string> LinesOf(std::string_view text) {
  LineSource source(text);
  std::vector<std::string> lines;
  std::string_view line;
  while (source.Next(line)) lines.emplace_back(line);
  return lines;
}

struct NumberRow {
  const char* field;
  double expected;
};

class ParseNumberTest : public ::testing::TestWithParam<NumberRow> {};

TEST_P(ParseNumberTest, ReadsTheLeadingDecimalNumber) {
  const NumberRow& row = GetParam();
  const double value = korvex::k3d::ParseNumber(row.field);
  if (std::isinf(row.expected)) {
    EXPECT_EQ(value, row.expected) << row.field;
  } else {
    EXPECT_DOUBLE_EQ(value, row.expected) << row.field;
  }
}

const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Fields, ParseNumberTest,
    ::testing::Values(NumberRow{"12.5", 12.5}, NumberRow{"  -3", -3.0}, NumberRow{"+4.", 4.0},
                      NumberRow{".25", 0.25}, NumberRow{"1.5e2", 150.0}, NumberRow{"1.5E-1x", 0.15},
                      NumberRow{"7e", 7.0}, NumberRow{"7e+", 7.0}, NumberRow{"3.0m", 3.0},
                      NumberRow{"2,5", 2.0}, NumberRow{"", 0.0}, NumberRow{"abc", 0.0}, NumberRow{"-", 0.0},
                      NumberRow{".", 0.0}, NumberRow{"nan", 0.0}, NumberRow{"inf", 0.0},
                      NumberRow{"infinity", 0.0}, NumberRow{"0x10", 0.0}, NumberRow{"1e400", kInf},
                      NumberRow{"-1e400", -kInf}, NumberRow{"1e-400", 0.0}, NumberRow{"0e99999", 0.0},
                      NumberRow{"0.000000000000000000000000000000000000000000000000000000000000001e-300", 0.0},
                      NumberRow{"1e99999999999999999999", kInf}, NumberRow{"\t 8\r\n", 8.0}));

TEST(ParseIntegerTest, ReadsCountsAsLeadingIntegers) {
  EXPECT_EQ(korvex::k3d::ParseInteger("4"), 4);
  EXPECT_EQ(korvex::k3d::ParseInteger(" -7"), -7);
  EXPECT_EQ(korvex::k3d::ParseInteger("2.9"), 2);
  EXPECT_EQ(korvex::k3d::ParseInteger("1e3"), 1);
  EXPECT_EQ(korvex::k3d::ParseInteger("x5"), 0);
  EXPECT_EQ(korvex::k3d::ParseInteger(""), 0);
  EXPECT_EQ(korvex::k3d::ParseInteger("2000000000"), 2000000000);
  EXPECT_EQ(korvex::k3d::ParseInteger("99999999999999999999"), std::numeric_limits<int>::max());
  EXPECT_EQ(korvex::k3d::ParseInteger("-99999999999999999999"), std::numeric_limits<int>::min());
}

TEST(LineSourceTest, HandsOutLinesWithTheirLineFeed) {
  EXPECT_EQ(LinesOf("a,b\nc\n"), (std::vector<std::string>{"a,b\n", "c\n"}));
  EXPECT_EQ(LinesOf("last line without end"), (std::vector<std::string>{"last line without end"}));
  EXPECT_TRUE(LinesOf("").empty());
}

TEST(LineSourceTest, ReadsCarriageReturnAndLineFeedAsOneLineFeed) {
  EXPECT_EQ(LinesOf("a\r\nb\r\n"), (std::vector<std::string>{"a\n", "b\n"}));
  // A carriage return alone is text, as it is to the host's text mode.
  EXPECT_EQ(LinesOf("a\rb\n"), (std::vector<std::string>{"a\rb\n"}));
}

TEST(LineSourceTest, ContinuesALongLineAsTheNextLine) {
  const std::string long200(200, 'x');
  const auto lines = LinesOf(long200 + "\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(127, 'x'));
  EXPECT_EQ(lines[1], std::string(73, 'x') + "\n");
  // 127 bytes fill the buffer; the line feed then comes as a line of its own.
  EXPECT_EQ(LinesOf(std::string(127, 'y') + "\n"), (std::vector<std::string>{std::string(127, 'y'), "\n"}));
  // With "\r\n" counted as one byte, 126 bytes and the line end still fit.
  EXPECT_EQ(LinesOf(std::string(126, 'z') + "\r\n").size(), 1u);
}

TEST(LineSourceTest, EndsALineAtAZeroByteButUsesUpThePiece) {
  const std::string text("ab\0cd\nef\n", 9);
  EXPECT_EQ(LinesOf(text), (std::vector<std::string>{"ab", "ef\n"}));
}

TEST(LineSourceTest, PushBackHandsTheLineOutAgain) {
  LineSource source(std::string_view("one\ntwo\n"));
  std::string_view line;
  ASSERT_TRUE(source.Next(line));
  source.PushBack();
  ASSERT_TRUE(source.Next(line));
  EXPECT_EQ(line, "one\n");
  ASSERT_TRUE(source.Next(line));
  EXPECT_EQ(line, "two\n");
  EXPECT_FALSE(source.Next(line));
}

TEST(LineSourceTest, ReadsAFileInChunksWithoutSplittingALineEnd) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  // After the two-byte first line, every third byte from 3 on is a "\r":
  // byte 65535, the last of the first 64 KiB chunk, is one of them.
  std::string text = "x\n";
  for (int i = 0; i < 30000; ++i) text += std::to_string(i % 7) + "\r\n";
  ASSERT_EQ(text[65535], '\r');
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  LineSource source(file);
  std::string_view line;
  ASSERT_TRUE(source.Next(line));
  int count = 0;
  bool allClean = true;
  while (source.Next(line)) {
    allClean = allClean && line == std::to_string(count % 7) + "\n";
    ++count;
  }
  std::fclose(file);
  EXPECT_EQ(count, 30000);
  EXPECT_TRUE(allClean);
}

}  // namespace
