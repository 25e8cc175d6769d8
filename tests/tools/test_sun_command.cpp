// korvex-cli sun and sunstudy as a script runs them, and the study loop
// itself stopped half way as the Ctrl+C of the command line and the cancel
// button of the viewer stop it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/wait.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli_text.h"
#include "tests/support/gl_pixels.h"
#include "tests/support/needs.h"

#include "tools/BatchView.h"
#include "view/StereonView.h"
#include "view/SunStudy.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using cli_test::Quote;
using cli_test::ReadAll;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
  return fields;
}

// Mean brightness (0 … 255) of a column band of a JPEG picture.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> grey;  // top row first
  double Mean(int x0, int x1) const {
    double sum = 0;
    for (int y = 0; y < height; ++y)
      for (int x = x0; x < x1; ++x) sum += grey[static_cast<std::size_t>(y) * width + x];
    return sum / ((x1 - x0) * static_cast<double>(height));
  }
};

Picture DecodeJpeg(const fs::path& path) {
  const std::string bytes = ReadAll(path);
  Picture p;
  tjhandle h = tjInitDecompress();
  int subsampling = 0, colourspace = 0;
  auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  if (tjDecompressHeader3(h, data, bytes.size(), &p.width, &p.height, &subsampling, &colourspace) == 0) {
    p.grey.resize(static_cast<std::size_t>(p.width) * p.height);
    if (tjDecompress2(h, data, bytes.size(), p.grey.data(), p.width, 0, p.height, TJPF_GRAY, 0) != 0) p.grey.clear();
  }
  tjDestroy(h);
  return p;
}

class SunCommandTest : public ::testing::Test {
 protected:
  struct Run {
    int status = -1;
    std::string out, err;
  };
  Run Execute(const std::vector<std::string>& args) {
    std::string command = Quote(KORVEX_CLI_PATH);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote((folder_ / "stdout").string()) + " 2>" + Quote((folder_ / "stderr").string());
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(folder_ / "stdout"), ReadAll(folder_ / "stderr")};
  }

  korvex_test::ScratchFolder scratch_;
  fs::path folder_ = scratch_.path();
};

// Near Kobe on the winter solstice.
const std::vector<std::string> kWinterSite = {"--lat", "35", "--lon", "135", "--utc-offset", "9",
                                              "--date", "2024-12-21"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST_F(SunCommandTest, SunPrintsTheWorkedExampleAndRefusesBadInput) {
  const Run run = Execute({"sun", "--lat", "39.742476", "--lon", "-105.1786", "--date", "2003-10-17", "--time",
                           "12:30:30", "--utc-offset", "-7", "--elevation", "1830.14", "--pressure", "820",
                           "--temperature", "11", "--delta-t", "67", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const json sun = json::parse(run.out);
  EXPECT_NEAR(sun.at("zenith").get<double>(), 50.111622, 1e-4);
  EXPECT_NEAR(sun.at("azimuth").get<double>(), 194.340241, 1e-4);
  EXPECT_NEAR(sun.at("altitude").get<double>(), 39.888378, 1e-4);
  EXPECT_NEAR(sun.at("azimuthFromSouth").get<double>(), 14.340241, 1e-4);
  ASSERT_EQ(sun.at("sunVector").size(), 3u);
  // West of south and up: the time dialog's vector has -X towards the west.
  EXPECT_LT(sun.at("sunVector")[0].get<double>(), 0);
  EXPECT_GT(sun.at("sunVector")[2].get<double>(), 0);
  EXPECT_EQ(sun.at("sunrise"), "06:12:43");
  EXPECT_EQ(sun.at("sunset"), "17:18:52");

  const Run month13 = Execute(With({"sun", "--time", "12:00"}, With(kWinterSite, {"--date", "2024-13-01"})));
  EXPECT_EQ(month13.status, 1);
  EXPECT_NE(month13.err.find("month"), std::string::npos) << month13.err;
  const Run lat95 = Execute({"sun", "--lat", "95", "--lon", "0", "--utc-offset", "0", "--date", "2024-01-01",
                             "--time", "12:00"});
  EXPECT_EQ(lat95.status, 1);
  EXPECT_NE(lat95.err.find("latitude"), std::string::npos) << lat95.err;
  EXPECT_EQ(Execute({"sun", "--lat", "35", "--time", "12:00"}).status, 2);
  EXPECT_EQ(Execute(With({"sun", "--time", "noon"}, kWinterSite)).status, 2);
}

TEST_F(SunCommandTest, StudyOfTheSampleSiteDrawsTheDaylightStepsAndTabulatesTheSun) {
  KORVEX_NEED(korvex_test::HaveHeadlessGl(), "KORVEX_ALLOW_NO_GL", "the study draws on a headless OpenGL context");
  const fs::path out = folder_ / "study";
  // Sunrise is near 07:00 and sunset near 16:50: 06:00 and 18:00 are dark.
  const Run run = Execute(With({"sunstudy", KORVEX_EXAMPLE_SITE, "-o", out.string(), "--from", "06:00", "--to",
                                "18:00", "--step", "120", "--size", "160x120", "--view", "plan"},
                               kWinterSite));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_GE(Lines(run.err).size(), 7u) << "a progress line per step:\n" << run.err;
  for (const char* name : {"0800.jpg", "1000.jpg", "1200.jpg", "1400.jpg", "1600.jpg", "sheet.jpg", "sun.csv"})
    EXPECT_TRUE(fs::is_regular_file(out / name)) << name;
  EXPECT_FALSE(fs::exists(out / "0600.jpg"));
  EXPECT_FALSE(fs::exists(out / "1800.jpg"));
  const Picture frame = DecodeJpeg(out / "1200.jpg");
  EXPECT_EQ(frame.width, 160);
  EXPECT_EQ(frame.height, 120);
  EXPECT_GT(DecodeJpeg(out / "sheet.jpg").width, 2 * frame.width) << "the frames side by side";

  const std::vector<std::string> rows = Lines(ReadAll(out / "sun.csv"));
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0], "time,zenith,azimuth,altitude,azimuthFromSouth,sunX,sunY,sunZ,file");
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const std::vector<std::string> f = Fields(rows[i]);
    ASSERT_EQ(f.size(), 9u) << rows[i];
    const Run sun = Execute(With({"sun", "--json", "--time", f[0]}, kWinterSite));
    ASSERT_EQ(sun.status, 0) << sun.err;
    const json j = json::parse(sun.out);
    EXPECT_NEAR(std::stod(f[1]), j.at("zenith").get<double>(), 1e-6) << f[0];
    EXPECT_NEAR(std::stod(f[2]), j.at("azimuth").get<double>(), 1e-6) << f[0];
    EXPECT_NEAR(std::stod(f[3]), j.at("altitude").get<double>(), 1e-6) << f[0];
    EXPECT_NEAR(std::stod(f[4]), j.at("azimuthFromSouth").get<double>(), 1e-6) << f[0];
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(std::stod(f[5 + k]), j.at("sunVector")[k].get<double>(), 1e-5) << f[0];
    EXPECT_GT(std::stod(f[3]), 0) << "only steps with the sun up are drawn";
  }
}

// A step as long as an int allows takes the first time only; it does not
// wrap round to an earlier time and run on for ever.
TEST_F(SunCommandTest, AStepAsLongAsAnIntAllowsTakesTheFirstTimeOnly) {
  KORVEX_NEED(korvex_test::HaveHeadlessGl(), "KORVEX_ALLOW_NO_GL", "the study draws on a headless OpenGL context");
  const fs::path out = folder_ / "study";
  const Run run = Execute(With({"sunstudy", KORVEX_EXAMPLE_SITE, "-o", out.string(), "--from", "12:00", "--to",
                                "16:00", "--step", "2147483647", "--size", "160x120", "--view", "plan"},
                               kWinterSite));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_regular_file(out / "1200.jpg"));
  EXPECT_EQ(Lines(ReadAll(out / "sun.csv")).size(), 2u);
}

// The companion files named on the command line are read after the model's
// own, by the viewer's commands: a good one draws, a billboard file naming a
// picture that is not there stops the picture with the viewer's message.
TEST_F(SunCommandTest, CompanionFilesOfTheCommandLineAreReadAsTheCommandsReadThem) {
  KORVEX_NEED(korvex_test::HaveHeadlessGl(), "KORVEX_ALLOW_NO_GL", "the study draws on a headless OpenGL context");
  const fs::path site = fs::path(KORVEX_EXAMPLE_SITE).parent_path();
  const Run render = Execute({"render", KORVEX_EXAMPLE_SITE, "-o", (folder_ / "a.jpg").string(), "--size", "64x48",
                              "--txi", (site / "site.txi").string(), "--bil", (site / "site.bil").string()});
  EXPECT_EQ(render.status, 0) << render.err;
  EXPECT_TRUE(fs::is_regular_file(folder_ / "a.jpg"));

  const fs::path bad = folder_ / "bad.bil";
  std::ofstream(bad) << "ADD 0 0 0 4 6 no-such-picture\n";
  const Run badRender =
      Execute({"render", KORVEX_EXAMPLE_SITE, "-o", (folder_ / "b.jpg").string(), "--bil", bad.string()});
  EXPECT_EQ(badRender.status, 1);
  EXPECT_NE(badRender.err.find(bad.string()), std::string::npos) << badRender.err;
  EXPECT_FALSE(fs::exists(folder_ / "b.jpg"));

  const fs::path out = folder_ / "study";
  const Run study = Execute(With({"sunstudy", KORVEX_EXAMPLE_SITE, "-o", out.string(), "--size", "64x48", "--bil",
                                  bad.string()},
                                 kWinterSite));
  EXPECT_EQ(study.status, 1);
  EXPECT_FALSE(fs::exists(out / "1200.jpg"));
  EXPECT_EQ(Execute(With(With({"sunstudy", KORVEX_EXAMPLE_SITE, "-o", out.string()}, kWinterSite), {"--bil"})).status, 2);
}

// Shadow volumes reach past the far plane over the sky; where two of them
// meet there, clipping once left single pixels of the sky darkened.
TEST_F(SunCommandTest, TheSkyOverTheExampleSiteStaysFreeOfShadow) {
  KORVEX_NEED(korvex_test::HaveHeadlessGl(), "KORVEX_ALLOW_NO_GL", "the study draws on a headless OpenGL context");
  fs::copy(fs::path(KORVEX_EXAMPLE_SITE).parent_path().parent_path(), folder_ / "riverside",
           fs::copy_options::recursive);
  const fs::path shaded = folder_ / "site.bmp", plain = folder_ / "plain.bmp";
  const std::string command = "cd " + Quote((folder_ / "riverside" / "plan1").string()) + " && " +
                              Quote(KORVEX_CLI_PATH) + " render site.k3d --size 800x600 --perspective --iso 1 -o ";
  ASSERT_EQ(std::system((command + Quote(shaded.string()) + " --sun 14:00 --shadows").c_str()), 0);
  ASSERT_EQ(std::system((command + Quote(plain.string())).c_str()), 0);
  const std::string bmp = ReadAll(shaded), sky = ReadAll(plain);
  ASSERT_GE(bmp.size(), 54u + 800u * 600u * 3u);
  ASSERT_EQ(sky.size(), bmp.size());
  // The sky over the top 120 rows: white where the picture without shadows
  // is white. BMP rows run from the bottom.
  auto white = [](const std::string& picture, std::size_t at) {
    return static_cast<unsigned char>(picture[at]) == 255 && static_cast<unsigned char>(picture[at + 1]) == 255 &&
           static_cast<unsigned char>(picture[at + 2]) == 255;
  };
  int skyPixels = 0, darkened = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 800; ++x) {
      const std::size_t at = 54 + (static_cast<std::size_t>(599 - y) * 800 + x) * 3;
      if (!white(sky, at)) continue;
      ++skyPixels;
      darkened += !white(bmp, at);
    }
  EXPECT_GT(skyPixels, 800 * 60);
  EXPECT_EQ(darkened, 0);
}

// A square plot with one tall tower in its middle.
constexpr const char* kTowerK3d =
    "HEADER\n0,0\n"
    "SOLIDV,Z0,0,G,0.9,0.9,0.9,0,4,1,ground\n"
    "-40,-40,-1\n40,-40,-1\n40,40,-1\n-40,40,-1\n0,0,1\n"
    "SOLIDV,Z0,0,G,0.9,0.9,0.9,0,4,1,tower\n"
    "-3,-3,0\n3,-3,0\n3,3,0\n-3,3,0\n0,0,30\n";

TEST_F(SunCommandTest, TowerShadowFallsWestInTheMorningAndEastInTheAfternoon) {
  KORVEX_NEED(korvex_test::HaveHeadlessGl(), "KORVEX_ALLOW_NO_GL", "the study draws on a headless OpenGL context");
  // The tower seen from above.
  const fs::path model = folder_ / "tower.k3d";
  std::ofstream(model) << kTowerK3d;
  const fs::path out = folder_ / "study";
  const Run run = Execute(With({"sunstudy", model.string(), "-o", out.string(), "--from", "09:00", "--to",
                                "15:00", "--step", "360", "--size", "160x160", "--view", "plan"},
                               kWinterSite));
  ASSERT_EQ(run.status, 0) << run.err;
  const Picture morning = DecodeJpeg(out / "0900.jpg");
  const Picture afternoon = DecodeJpeg(out / "1500.jpg");
  ASSERT_EQ(morning.width, 160);
  ASSERT_EQ(afternoon.width, 160);
  // Bands beside the tower, clear of its roof in the middle.
  const double morningWest = morning.Mean(20, 65), morningEast = morning.Mean(95, 140);
  const double afternoonWest = afternoon.Mean(20, 65), afternoonEast = afternoon.Mean(95, 140);
  EXPECT_LT(morningWest + 10, morningEast) << "morning: the shadow lies west";
  EXPECT_LT(afternoonEast + 10, afternoonWest) << "afternoon: the shadow lies east";
}

TEST_F(SunCommandTest, TowerCutByASectionCastsOnlyTheShadowOfWhatIsLeft) {
  KORVEX_NEED(korvex_test::HaveHeadlessGl(), "KORVEX_ALLOW_NO_GL", "the study draws on a headless OpenGL context");
  const fs::path model = folder_ / "tower.k3d";
  std::ofstream(model) << kTowerK3d;
  const fs::path out = folder_ / "study";
  auto study = [&](const std::vector<std::string>& sections) {
    return Execute(With(With({"sunstudy", model.string(), "-o", out.string(), "--from", "09:00", "--to", "09:00",
                              "--size", "160x160", "--view", "plan"},
                             kWinterSite),
                        sections));
  };
  // Cut just above the ground, the stump's shadow is too short to reach the
  // band west of it that the whole tower darkens.
  Run run = study({"--section", "z=0.5"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Picture cut = DecodeJpeg(out / "0900.jpg");
  ASSERT_EQ(cut.width, 160);
  EXPECT_NEAR(cut.Mean(20, 65), cut.Mean(95, 140), 5) << "no tower shadow lies west";
  // The same cut given as a plane of four numbers, among two others that
  // keep everything: the same picture.
  run = study({"--section", "0,0,2,-1", "--section", "x=100", "--section", "-1,0,0,-100"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(DecodeJpeg(out / "0900.jpg").grey, cut.grey);

  for (const auto& [wrong, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--section", "0,0,0,1"}, "has no normal"},
           {{"--section", "z=ten"}, "is not z=H, x=V, y=V or a,b,c,d"},
           {{"--section", "z=1", "--section", "z=2", "--section", "z=3", "--section", "z=4"}, "at most three"},
           {{"--section"}, "--section needs"}}) {
    fs::remove_all(out);
    run = study(wrong);
    EXPECT_EQ(run.status, 2) << wrong.back();
    EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(out / "0900.jpg"));
  }
}

TEST_F(SunCommandTest, StudyStoppedAfterAFrameKeepsThatFrameAndItsTable) {
  KORVEX_NEED(korvex_test::HaveHeadlessGl(), "KORVEX_ALLOW_NO_GL", "the study draws on a headless OpenGL context");
  korvex::cli::BatchUi ui;
  korvex::LaunchValues launch;
  launch.modelPath = KORVEX_EXAMPLE_SITE;
  launch.useEyeFile = false;
  korvex::CStereonView view(ui, launch);
  ASSERT_TRUE(view.CreateHeadless(64, 48));
  const GMVector userLight{0.3, 0.0, 0.9};
  view.State().lightPosition = userLight;
  const int userFlags = view.State().displayFlags;
  korvex::SunStudyPlan plan;
  plan.site.year = 2024, plan.site.month = 12, plan.site.day = 21;
  plan.site.latitude = 35, plan.site.longitude = 135, plan.site.utcOffsetHours = 9;
  plan.width = 64, plan.height = 48;
  plan.folder = folder_ / "stopped";
  int calls = 0;
  const korvex::SunStudyResult result = korvex::RunSunStudy(view, plan, [&](int step, int steps, auto* frame) {
    ++calls;
    EXPECT_EQ(steps, 9);
    EXPECT_EQ(step, 1);
    EXPECT_NE(frame, nullptr);
    return false;
  });
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(result.cancelled);
  EXPECT_TRUE(result.error.empty()) << result.error;
  ASSERT_EQ(result.frames.size(), 1u);
  EXPECT_TRUE(fs::is_regular_file(plan.folder / "0800.jpg"));
  EXPECT_FALSE(fs::exists(plan.folder / "0900.jpg"));
  EXPECT_EQ(Lines(ReadAll(plan.folder / "sun.csv")).size(), 2u);
  // The user's sun comes back, and the study's shadows go with it.
  EXPECT_EQ(view.State().lightPosition.x, userLight.x);
  EXPECT_EQ(view.State().lightPosition.z, userLight.z);
  EXPECT_EQ(view.State().displayFlags, userFlags);
  EXPECT_FALSE(view.Engine()->shadowList);
  EXPECT_TRUE(view.Engine()->shadowArrays.empty());

  plan.toMinutes = plan.fromMinutes - 1;
  EXPECT_FALSE(korvex::RunSunStudy(view, plan).error.empty()) << "an empty range is refused";
}

// --lang chooses the language of the contact sheet's labels: the same study
// in English and in Japanese differs only in its texts, so the sheets
// differ and the pictures of the steps do not. A language the tool does not
// know is a wrong command line.
TEST_F(SunCommandTest, TheSheetsLabelsFollowTheLanguageGiven) {
  std::vector<Picture> sheets;
  std::vector<std::string> steps;
  for (const std::string language : {"ja", "en"}) {
    const fs::path out = folder_ / language;
    const Run run = Execute(With({"sunstudy", KORVEX_EXAMPLE_SITE, "-o", out.string(), "--from", "12:00", "--to",
                                  "12:00", "--size", "160x120", "--lang", language},
                                 kWinterSite));
    ASSERT_EQ(run.status, 0) << run.err;
    sheets.push_back(DecodeJpeg(out / "sheet.jpg"));
    steps.push_back(ReadAll(out / "1200.jpg"));
  }
  ASSERT_FALSE(sheets[0].grey.empty());
  ASSERT_EQ(sheets[0].grey.size(), sheets[1].grey.size());
  EXPECT_NE(sheets[0].grey, sheets[1].grey);
  EXPECT_EQ(steps[0], steps[1]);
  const Run wrong = Execute(With({"sunstudy", KORVEX_EXAMPLE_SITE, "-o", (folder_ / "x").string(), "--lang", "de"},
                                 kWinterSite));
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("--lang needs en or ja"), std::string::npos) << wrong.err;
  EXPECT_FALSE(fs::exists(folder_ / "x"));
}

}  // namespace
