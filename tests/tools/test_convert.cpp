// korvex-cli convert, run as a program with the file plug-ins of the build
// beside it: .k3d to .ink to OBJ to glTF and back to .ink.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "formats/ModelLoader.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "plugins/ScenePlugins.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/tangled_site.h"

namespace fs = std::filesystem;

namespace {

// shell: what the shell does before it starts the program ("ulimit ...").
int RunCli(const std::vector<std::string>& args, const fs::path& err, const std::string& shell = "") {
  std::string command = shell + "'" KORVEX_CLI_PATH "'";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " >/dev/null 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string Text(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// World box of every shown vertex of the scene.
GMBox SceneBox(CInkSolid& scene) {
  GMBox box{GM_UNDEFINED, GM_UNDEFINED, GM_UNDEFINED, -GM_UNDEFINED, -GM_UNDEFINED, -GM_UNDEFINED};
  std::vector<CInkNode*> stack{scene.GetRoot()};
  while (!stack.empty()) {
    CInkNode* node = stack.back();
    stack.pop_back();
    node->UpdateWorldVertices(0);
    for (int v = 0; v < node->GetVertexCount(); ++v) {
      const GMVector& p = node->GetVertex(v)->worldPosition;
      box.Extend(p);
    }
    for (int i = 0; i < node->GetCount(); ++i) stack.push_back(node->GetChild(i));
  }
  return box;
}

class Convert : public ::testing::Test {
 protected:
  std::string At(const std::string& name) const { return (dir_ / name).string(); }

  // Loads a file with the plug-ins beside the program, as the program does.
  GMBox Load(const std::string& path) {
    CInkSolid scene;
    korvex::InitializeWithPlugins(scene, fs::path(KORVEX_CLI_PATH).parent_path());
    korvex::K3dViewState view;
    EXPECT_EQ(korvex::LoadModel(scene, path, view), korvex::ModelLoadResult::kLoaded) << path;
    return SceneBox(scene);
  }

  korvex_test::ScratchFolder scratch_;
  fs::path dir_ = scratch_.path();
};

TEST_F(Convert, AModelTravelsThroughEveryFormatAndKeepsItsPlace) {
  const std::string site = KORVEX_SAMPLE_DIR "/site.k3d";
  const fs::path err = dir_ / "err";
  ASSERT_EQ(RunCli({"convert", site, At("site.ink")}, err), 0) << Text(err);
  ASSERT_EQ(RunCli({"convert", At("site.ink"), At("site.obj")}, err), 0) << Text(err);
  ASSERT_EQ(RunCli({"convert", At("site.obj"), At("site.gltf")}, err), 0) << Text(err);
  ASSERT_EQ(RunCli({"convert", At("site.gltf"), At("back.ink")}, err), 0) << Text(err);
  // Without an extension the viewer's own format is written.
  ASSERT_EQ(RunCli({"convert", At("site.ink"), At("copy")}, err), 0) << Text(err);

  const GMBox original = Load(site);
  for (const char* name : {"site.ink", "back.ink"}) {
    SCOPED_TRACE(name);
    const GMBox box = Load(At(name));
    // OBJ and glTF hold single precision.
    const double tolerance = 1e-5 * std::max({std::abs(original.maxX), std::abs(original.maxY), 1.0});
    EXPECT_NEAR(box.minX, original.minX, tolerance);
    EXPECT_NEAR(box.minY, original.minY, tolerance);
    EXPECT_NEAR(box.maxY, original.maxY, tolerance);
    EXPECT_NEAR(box.maxZ, original.maxZ, tolerance);
  }
  EXPECT_EQ(Text(At("copy")), Text(At("site.ink")));
}

TEST_F(Convert, FailuresSayWhyAndWriteNothing) {
  const fs::path err = dir_ / "err";
  EXPECT_EQ(RunCli({"convert", KORVEX_SAMPLE_DIR "/site.k3d", At("site.xyz")}, err), 1);
  EXPECT_NE(Text(err).find("no plug-in writes"), std::string::npos);
  EXPECT_EQ(RunCli({"convert", At("missing.k3d"), At("out.ink")}, err), 1);
  EXPECT_NE(Text(err).find("missing.k3d"), std::string::npos);
  std::ofstream(At("broken.obj")) << "f 1 2 3\n";
  EXPECT_EQ(RunCli({"convert", At("broken.obj"), At("out.ink")}, err), 1);
  EXPECT_FALSE(fs::exists(At("out.ink")));
  EXPECT_EQ(RunCli({"convert", At("only-one")}, err), 2);
  EXPECT_EQ(RunCli({"convert", "--fast", At("a.obj"), At("b.ink")}, err), 2);
}

TEST_F(Convert, AFileSizeLimitEndsInAMessageAndKeepsThePreviousFiles) {
  const fs::path err = dir_ / "err";
  const std::vector<std::string> previous = {"site.ink", "site.obj", "site.mtl"};
  for (const std::string& name : previous) std::ofstream(At(name)) << "previous " << name;
  for (const char* out : {"site.ink", "site.obj"}) {
    SCOPED_TRACE(out);
    // 512 bytes, less than the model needs: the write fails, the program is
    // not killed, and it says so.
    EXPECT_EQ(RunCli({"convert", KORVEX_SAMPLE_DIR "/site.k3d", At(out)}, err, "ulimit -f 1; exec "), 1);
    EXPECT_NE(Text(err).find("cannot write " + At(out)), std::string::npos) << Text(err);
  }
  for (const std::string& name : previous) EXPECT_EQ(Text(At(name)), "previous " + name);
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"err", "site.ink", "site.obj", "site.mtl"}));
}

// An export whose model cannot take its name after the material library
// was written: the old library stays, as does everything else there.
TEST_F(Convert, AnExportThatFailsAtTheModelKeepsTheOldCompanions) {
  const fs::path err = dir_ / "err";
  fs::create_directory(At("site.obj"));
  std::ofstream(At("site.obj") + "/keep") << "kept";
  std::ofstream(At("site.mtl")) << "previous site.mtl";
  EXPECT_EQ(RunCli({"convert", KORVEX_SAMPLE_DIR "/site.k3d", At("site.obj")}, err), 1);
  EXPECT_EQ(Text(At("site.mtl")), "previous site.mtl");
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"err", "site.obj", "site.mtl"}));
}

TEST_F(Convert, APathTooLongIsNamedAsSuch) {
  const fs::path err = dir_ / "err";
  // A model path longer than a path the formats hold, though the file is there.
  fs::path deep = dir_;
  while (deep.string().size() < 270) deep /= "folder";
  fs::create_directories(deep);
  fs::copy_file(KORVEX_SAMPLE_DIR "/site.k3d", deep / "site.k3d");
  EXPECT_EQ(RunCli({"convert", (deep / "site.k3d").string(), At("out.ink")}, err), 1);
  EXPECT_NE(Text(err).find("path too long"), std::string::npos) << Text(err);
  // A name longer than the system stores.
  EXPECT_EQ(RunCli({"convert", KORVEX_SAMPLE_DIR "/site.k3d", At(std::string(300, 'n') + ".ink")}, err), 1);
  EXPECT_NE(Text(err).find("path too long"), std::string::npos) << Text(err);
  // The longest name there is is written.
  const std::string longest = std::string(251, 'n') + ".ink";
  EXPECT_EQ(RunCli({"convert", KORVEX_SAMPLE_DIR "/site.k3d", At(longest)}, err), 0) << Text(err);
  EXPECT_TRUE(fs::exists(At(longest)));
}

// Every command that writes says so for a name the system cannot store, up
// front (not as a file that "could not be written" after the work), and
// leaves nothing behind.
TEST_F(Convert, EveryWriterNamesAPathTooLong) {
  const fs::path err = dir_ / "err";
  const std::string site = KORVEX_SAMPLE_DIR "/site.k3d";
  const std::string name(300, 'n');
  const std::vector<std::vector<std::string>> commands = {
      {"render", site, "-o", At(name + ".jpg")},
      {"render", site, "--old", "-o", At(name + ".bmp")},
      {"render", site, "--layout", At(name)},
      {"sunstudy", site, "-o", At(name), "--lat", "35", "--lon", "135", "--utc-offset", "9", "--date", "2024-12-21"},
      {"shadowhours", site, "-o", At(name), "--lat", "35", "--date", "2024-12-21"},
      {"shadowhours-merge", "-o", At(name), At("tile")},
  };
  for (const auto& command : commands) {
    SCOPED_TRACE(command[0] + " " + command[2] + " " + command[3]);
    EXPECT_EQ(RunCli(command, err), 1);
    EXPECT_NE(Text(err).find("path too long"), std::string::npos) << Text(err);
  }
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"err"}));
}

// A site whose shell has too many courtyards to cut is drawn, converted and
// measured without it, and every command that reads the site says so once,
// with the work still done.
TEST_F(Convert, EveryCommandTellsOfSolidsLeftOut) {
  std::string yards;
  for (int k = 0; k < 160; ++k) {
    const int x = 10 * (k % 13) + 5, y = 10 * (k / 13) + 5;
    yards += "4\n" + std::to_string(x) + "," + std::to_string(y) + ",0\n" + std::to_string(x + 2) + "," +
             std::to_string(y) + ",0\n" + std::to_string(x + 2) + "," + std::to_string(y + 2) + ",0\n" +
             std::to_string(x) + "," + std::to_string(y + 2) + ",0\n";
  }
  const std::string site = At("site.k3d");
  std::ofstream(site) << "HEADER\n0,0\nSOLIDV,Z0,0,g,1,1,1,0,4,1,house\n0,0,0\n4,0,0\n4,3,0\n0,3,0\n0,0,3\n"
                         "SHELLV,Z0,0,g,1,1,1,0,4,160,1,maze\n0,0,0\n140,0,0\n140,140,0\n0,140,0\n0,0,3\n"
                      << yards;
  const fs::path err = dir_ / "err";
  const std::vector<std::vector<std::string>> commands = {
      {"dump", site},
      {"convert", site, At("out.ink")},
      {"render", site, "-o", At("out.jpg"), "--size", "64x48"},
      {"sunstudy", site, "-o", At("study"), "--lat", "35", "--lon", "135", "--utc-offset", "9", "--date",
       "2024-06-21", "--from", "12:00", "--to", "12:00", "--size", "64x48"},
      {"shadowhours", site, "-o", At("hours"), "--lat", "35", "--date", "2024-06-21", "--grid", "2"},
      {"measure", site, "--points", "0,0,0", "4,3,0"},
  };
  for (const auto& command : commands) {
    SCOPED_TRACE(command[0]);
    EXPECT_EQ(RunCli(command, err), 0) << Text(err);
    const std::string text = Text(err);
    const std::string line = "site.k3d: 1 solid(s) whose holes would take too long to cut were left out\n";
    const size_t at = text.find(line);
    EXPECT_NE(at, std::string::npos) << text;
    if (at != std::string::npos) {
      EXPECT_EQ(text.find(line, at + 1), std::string::npos) << text;
    }
  }
}

// A face tangled past what the triangulation untangles is in effect missing
// from the picture: the dump of such a site says how many, in the words of
// the left-out solids, and still succeeds.
TEST_F(Convert, DumpTellsOfFacesTooTangledToDraw) {
  const std::string site = At("knot.k3d");
  std::ofstream(site) << korvex_test::TangledSiteK3d();
  const fs::path err = dir_ / "err";
  ASSERT_EQ(RunCli({"dump", site}, err), 0) << Text(err);
  EXPECT_EQ(Text(err), "korvex-cli: " + site + ": 2 face(s) too tangled to draw were left out\n");

  // A plain site says nothing.
  const std::string plain = At("plain.k3d");
  std::ofstream(plain) << "HEADER\n0,0\nSOLIDV,Z0,0,g,1,1,1,0,4,1,house\n0,0,0\n4,0,0\n4,3,0\n0,3,0\n0,0,3\n";
  ASSERT_EQ(RunCli({"dump", plain}, err), 0) << Text(err);
  EXPECT_EQ(Text(err), "");
}

}  // namespace
