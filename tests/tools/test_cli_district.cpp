// korvex-cli render on districts opened through the OBJ plug-in: a district
// of 1.5 km in survey coordinates draws whole in every standard view and in
// perspective, exactly like the same district ten times smaller at the
// origin.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli_text.h"
#include "image/DibImage.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

using cli_test::Quote;

// A grid of 16 × 16 boxes `spacing` apart, each a tenth of the spacing
// across and a tenth to three tenths high, rising towards the far corner,
// with its first corner at (x0, y0, 0).
void WriteDistrictObj(const fs::path& path, double x0, double y0, double spacing) {
  std::ofstream out(path);
  out.precision(12);
  int base = 1;
  for (int j = 0; j < 16; ++j)
    for (int i = 0; i < 16; ++i) {
      const double x = x0 + i * spacing, y = y0 + j * spacing, s = 0.1 * spacing;
      const double h = spacing * (0.1 + 0.2 * (i + j) / 30.0);
      // OBJ stands y up: its (x, y, z) is the site's (x, height, -north).
      for (int k = 0; k < 8; ++k)
        out << "v " << x + ((k & 1) ? s : 0.0) << ' ' << ((k & 4) ? h : 0.0) << ' ' << -(y + ((k & 2) ? s : 0.0))
            << '\n';
      // Corners: bit 0 x, bit 1 y, bit 2 z; faces counter-clockwise from outside.
      static const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                      {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
      for (const auto& f : faces)
        out << "f " << base + f[0] << ' ' << base + f[1] << ' ' << base + f[2] << ' ' << base + f[3] << '\n';
      base += 8;
    }
}

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // top row first
  bool Blank() const {
    for (const uint8_t c : rgb)
      if (c < 240) return false;
    return true;
  }
};

Picture ReadPicture(const fs::path& path) {
  Picture picture;
  CDibImage image;
  if (image.Load(path.string()) != 0) return picture;
  picture.width = image.Width();
  picture.height = image.Height();
  const size_t row = image.PixelBytes() / static_cast<size_t>(picture.height);
  const uint8_t* pixels = image.GetPixels();
  for (int y = picture.height - 1; y >= 0; --y)
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = pixels + static_cast<size_t>(y) * row + static_cast<size_t>(x) * 3;
      picture.rgb.insert(picture.rgb.end(), {p[2], p[1], p[0]});
    }
  return picture;
}

int DifferentPixels(const Picture& a, const Picture& b) {
  int count = 0;
  for (size_t i = 0; i + 2 < a.rgb.size() && i + 2 < b.rgb.size(); i += 3)
    for (int c = 0; c < 3; ++c)
      if (std::abs(a.rgb[i + c] - b.rgb[i + c]) > 24) {
        ++count;
        break;
      }
  return count;
}

class DistrictTest : public ::testing::Test {
 protected:
  Picture Render(const fs::path& model, const std::string& options, const std::string& name) {
    const fs::path out = folder_ / (name + ".bmp");
    const std::string command = Quote(KORVEX_CLI_PATH) + " render " + Quote(model.string()) + " -o " +
                                Quote(out.string()) + " --size 160x120 " + options + " 2>" +
                                Quote((folder_ / "stderr").string());
    const int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << command << ": " << cli_test::ReadAll(folder_ / "stderr");
    return ReadPicture(out);
  }

  korvex_test::ScratchFolder scratch_;
  fs::path folder_ = scratch_.path();
};

TEST_F(DistrictTest, ASurveyDistrictDrawsWholeInEveryViewLikeItsSmallTwinAtTheOrigin) {
  const fs::path twin = folder_ / "twin.obj";
  const fs::path district = folder_ / "district.obj";
  WriteDistrictObj(twin, 0.0, 0.0, 10.0);                 // 150 m across, at the origin
  WriteDistrictObj(district, -40000.0, 30000.0, 100.0);   // 1.5 km across, in a national grid
  for (const std::string view : {"reset", "plan", "elevation", "back", "left", "right"}) {
    for (const std::string projection : {"", " --perspective"}) {
      SCOPED_TRACE(view + projection);
      const std::string options = "--view " + view + projection;
      const Picture small = Render(twin, options, "twin");
      const Picture large = Render(district, options, "district");
      ASSERT_EQ(small.width, 160);
      ASSERT_EQ(large.width, 160);
      EXPECT_FALSE(small.Blank());
      EXPECT_FALSE(large.Blank());
      EXPECT_LE(DifferentPixels(small, large), 160 * 120 / 100);
    }
  }
}

}  // namespace
