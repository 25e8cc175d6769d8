// "ﾃｸｽﾁｬ": the texture list and the live editing of aspect and scale.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <cstring>
#include <vector>

#include "dialogs/TextureDlg.h"
#include "render/OGLDispTree.h"

namespace {

using korvex::dialogs::CTextureDlg;

TEST(TextureDialog, EditsGoIntoTheSelectedTextureAtOnce) {
  StereonTexture wall, roof;
  std::strcpy(wall.name, "/tex/wall.bmp");
  wall.aspect = 0.1234567;  // more decimals than the field shows
  wall.scale = 2.0;
  std::strcpy(roof.name, "/tex/roof.bmp");
  roof.aspect = 1.5;
  roof.scale = 4.0;
  const std::vector<StereonTexture*> textures = {&wall, &roof};
  CTextureDlg dialog(textures);

  auto* list = dialog.findChild<QListWidget*>(QStringLiteral("list"));
  auto* aspect = dialog.findChild<QLineEdit*>(QStringLiteral("aspect"));
  auto* scale = dialog.findChild<QLineEdit*>(QStringLiteral("scale"));
  ASSERT_TRUE(list && aspect && scale);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("roof.bmp"));
  EXPECT_EQ(list->item(1)->toolTip(), QStringLiteral("/tex/roof.bmp"));
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(aspect->text(), QStringLiteral("0.123457"));
  EXPECT_EQ(scale->text(), QStringLiteral("2.000000"));

  list->setCurrentRow(1);
  EXPECT_EQ(aspect->text(), QStringLiteral("1.500000"));
  // Typing stores the leading number of the text, 0 when there is none.
  scale->selectAll();
  QTest::keyClicks(scale, QStringLiteral("2.5m"));
  EXPECT_EQ(roof.scale, 2.5);
  aspect->selectAll();
  QTest::keyClicks(aspect, QStringLiteral("x"));
  EXPECT_EQ(roof.aspect, 0.0);

  // Showing a texture again does not round what it holds.
  list->setCurrentRow(0);
  EXPECT_EQ(wall.aspect, 0.1234567);
  EXPECT_EQ(wall.scale, 2.0);
  EXPECT_EQ(roof.scale, 2.5);
}

}  // namespace
