// The example plug-in of the plug-in guide, loaded as the viewer loads it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "plugins/ScenePlugins.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

TEST(ExamplePlugin, ReadsPointListsIntoOneNode) {
  const korvex_test::ScratchFolder scratch;
  const fs::path& dir = scratch.path();
  fs::create_directories(dir / "FilePlugin");
  fs::copy_file(KORVEX_EXAMPLE_PLUGIN, dir / "FilePlugin" / "example_points.so", fs::copy_options::overwrite_existing);
  std::ofstream(dir / "survey.xyz") << "1 2 3\nnot a point\n4 5 6\n";
  std::ofstream(dir / "empty.xyz") << "\n";
  {
    CInkSolid solid;
    korvex::InitializeWithPlugins(solid, dir);
    ASSERT_EQ(solid.GetFormatCount(), 1);
    EXPECT_EQ(solid.CanExport(0), 0);
    ASSERT_EQ(solid.Import(0, (dir / "survey.xyz").c_str()), 1);
    CInkNode* points = solid.GetRoot()->GetChild(0);
    ASSERT_NE(points, nullptr);
    ASSERT_EQ(points->GetFigureCount(), 2);
    EXPECT_EQ(points->GetVertex(1)->position, (GMVector{4, 5, 6}));
    EXPECT_EQ(solid.Import(0, (dir / "empty.xyz").c_str()), 0);
  }
}
