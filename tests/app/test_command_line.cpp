#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

using korvex::LaunchOptions;
using korvex::ParseCommandLine;

namespace {

struct Row {
  const char* name;
  std::vector<std::string> args;
  LaunchOptions expected;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

LaunchOptions Model(std::string path) {
  LaunchOptions o;
  o.modelPath = std::move(path);
  return o;
}

LaunchOptions Texture(std::string path) {
  LaunchOptions o;
  o.texturePath = std::move(path);
  return o;
}

LaunchOptions Host(uint64_t id) {
  LaunchOptions o;
  o.hostId = id;
  return o;
}

LaunchOptions Everything() {
  LaunchOptions o;
  o.modelPath = "/home/me/site.k3d";
  o.texturePath = "/home/me/site tex.txi";
  o.backgroundPath = "sky.bmp";
  o.reload = o.topMost = o.singleInstance = o.perspective = true;
  o.hostId = 123;
  return o;
}

std::vector<Row> Rows() {
  const std::string q = "\"";
  const std::string long300(300, 'p');
  LaunchOptions flags;
  flags.reload = flags.perspective = true;
  LaunchOptions topTexture = Texture("/top/a.txi");
  topTexture.modelPath = "/run/site.k3d";
  LaunchOptions background;
  background.backgroundPath = "b.bmp";
  return {
      {"Nothing", {}, {}},
      {"EverySwitchAnyOrder",
       {"/ps", "/one", "/sel" + q + "123" + q, "/home/me/site.k3d", "/top", "/r", "/b" + q + "sky.bmp" + q,
        "/t" + q + "/home/me/site tex.txi" + q},
       Everything()},
      // Paths are full of slashes; only a whole argument is a switch.
      {"SwitchLettersInsidePaths", {"/run/user/1000/onestop/top/ps/site.k3d"}, Model("/run/user/1000/onestop/top/ps/site.k3d")},
      {"SwitchLettersInsideQuotedPath", {"/t" + q + "/top/a.txi" + q, "/run/site.k3d"}, topTexture},
      {"TextureIsNotTop", {"/t" + q + "op" + q}, Texture("op")},
      {"SwitchWithMoreTextIsAPath", {"/rx", "/tops", "/one/", "/PS", "/R"}, Model("/rx")},
      {"PlainSwitchesOnly", {"/r", "/ps"}, flags},
      {"FirstFileArgumentIsTheModel", {"-geometry", "/r", "a.k3d", "b.k3d"}, [] {
         LaunchOptions o = Model("a.k3d");
         o.reload = true;
         return o;
       }()},
      {"UnclosedQuoteIgnored", {"/t" + q + "a.txi", "/b" + q + "b.bmp" + q}, background},
      {"FirstOccurrenceCountsEvenUnclosed", {"/t" + q + "a.txi", "/t" + q + "b.txi" + q}, {}},
      {"FirstOccurrenceWins", {"/t" + q + "a.txi" + q, "/t" + q + "b.txi" + q}, Texture("a.txi")},
      {"ValueEndsAtNextQuote", {"/t" + q + "a" + q + "b" + q}, Texture("a")},
      {"EmptyValue", {"/t" + q + q}, {}},
      {"HostLeadingDigits", {"/sel" + q + "12abc" + q}, Host(12)},
      {"HostLeadingZeros", {"/sel" + q + "007" + q}, Host(7)},
      {"HostNotDigits", {"/sel" + q + "abc1" + q}, Host(0)},
      {"HostSigned", {"/sel" + q + "-5" + q}, Host(0)},
      {"HostLargest", {"/sel" + q + "18446744073709551615" + q}, Host(UINT64_MAX)},
      {"HostTooLarge", {"/sel" + q + "18446744073709551616" + q}, Host(0)},
      {"HostUnclosed", {"/sel" + q + "42"}, Host(0)},
      // Values longer than a path field are cut to it.
      {"LongValueCut", {"/t" + q + long300 + q}, Texture(long300.substr(0, 259))},
      // The closing quote must lie within the 1024-byte value buffer.
      {"QuoteAtBufferEnd", {"/t" + q + std::string(1022, 'v') + q}, Texture(std::string(259, 'v'))},
      {"QuoteBeyondBuffer", {"/t" + q + std::string(1023, 'v') + q}, {}},
      {"ModelPathAtLimit", {std::string(259, 'm')}, Model(std::string(259, 'm'))},
      {"ModelPathTooLongRefused", {std::string(260, 'm')}, {}},
      // Paths written the Windows way are made ours where they enter.
      {"BackslashPathsNormalised",
       {"plan\\site.k3d", "/t" + q + "tex\\site.txi" + q, "/b" + q + "sky\\b.bmp" + q},
       [] {
         LaunchOptions o = Model("plan/site.k3d");
         o.texturePath = "tex/site.txi";
         o.backgroundPath = "sky/b.bmp";
         return o;
       }()},
  };
}

class CommandLineTable : public ::testing::TestWithParam<Row> {};

TEST_P(CommandLineTable, GivesExactOptions) {
  EXPECT_EQ(ParseCommandLine(GetParam().args), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, CommandLineTable, ::testing::ValuesIn(Rows()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, ArgvSkipsTheProgramName) {
  const char* argv[] = {"/usr/bin/korvex", "/r", "site.k3d"};
  const LaunchOptions o = ParseCommandLine(3, argv);
  EXPECT_EQ(o.modelPath, "site.k3d");
  EXPECT_TRUE(o.reload);
}

}  // namespace
