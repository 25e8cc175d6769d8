// Measuring in the viewer's window, with the real mouse and keyboard events:
// the button, two clicks on the sample site, the line and label drawn over
// the picture, Shift and Ctrl, a double click on a face, Escape and the
// right button, copying, and the texts in English.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "app/gui/MainWindow.h"
#include "app/gui/ViewWidget.h"
#include "common/UiText.h"
#include "dialogs/LayerDlg.h"
#include "sheet/Translations.h"
#include "tests/support/gui_main.h"
#include "window_fixture.h"

namespace {

namespace fs = std::filesystem;
namespace cmd = korvex::cmd;
using korvex::gui::MainWindow;

// Pixels within a small distance of a colour: the marks drawn over the
// picture in that colour.
int PixelsOf(const QImage& picture, uint32_t rgb) {
  const QColor want = QColor::fromRgb(rgb);
  int count = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      count += std::abs(c.red() - want.red()) + std::abs(c.green() - want.green()) +
                   std::abs(c.blue() - want.blue()) <
               30;
    }
  return count;
}

constexpr uint32_t kLineColour = 0xFFD000;
constexpr uint32_t kFaceColour = 0xFF8000;

// The window in the language each test installs; Japanese again after it.
class MeasureWindowTest : public korvex_test::WindowTest {
 protected:
  void TearDown() override {
    WindowTest::TearDown();
    korvex::InstallUiLanguage(korvex::UiLanguage::kJapanese);
  }

  // The sample in plan view, in measure mode through its toolbar button.
  MainWindow& StartMeasuring() {
    Start();
    EXPECT_TRUE(started_);
    window_->Command(cmd::kPlanView);
    QAction* button = nullptr;
    if (auto* bar = window_->findChild<QToolBar*>(QStringLiteral("ToolBar151")))
      for (QAction* action : bar->actions())
        if (action->data().toInt() == cmd::kModeMeasure) button = action;
    EXPECT_NE(button, nullptr);
    if (button != nullptr) {
      button->trigger();
      EXPECT_TRUE(button->isChecked());
    }
    // The measure surfaces are made on a worker; the clicks come after.
    EXPECT_TRUE(View().WaitForMeasureSurfaces());
    QCoreApplication::processEvents();
    return *window_;
  }

  korvex::gui::ViewWidget& Widget() { return *window_->GLView(); }
  korvex::CStereonView& View() { return *window_->View(); }

  // Clicks across the view until one catches a point of the model; the
  // first point of a measurement.
  std::optional<QPoint> ClickOnModel() {
    korvex::gui::ViewWidget& w = Widget();
    for (int y = w.height() / 4; y < w.height() * 3 / 4; y += w.height() / 10)
      for (int x = w.width() / 4; x < w.width() * 3 / 4; x += w.width() / 10) {
        QTest::mouseMove(&w, QPoint(x, y));
        QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(x, y));
        if (View().MeasureFirst()) return QPoint(x, y);
      }
    return std::nullopt;
  }
  // A place at least 40 pixels from `from` where the moving end lands on
  // the model.
  std::optional<QPoint> SecondOnModel(QPoint from) {
    korvex::gui::ViewWidget& w = Widget();
    for (int y = w.height() / 5; y < w.height() * 4 / 5; y += w.height() / 12)
      for (int x = w.width() / 5; x < w.width() * 4 / 5; x += w.width() / 12) {
        if ((QPoint(x, y) - from).manhattanLength() < 40) continue;
        QTest::mouseMove(&w, QPoint(x, y));
        if (View().MeasureSecond()) return QPoint(x, y);
      }
    return std::nullopt;
  }
  // A move with Shift or Ctrl held, which QTest's mouseMove cannot give.
  void MoveHolding(QPoint at, Qt::KeyboardModifiers modifiers) {
    QMouseEvent move(QEvent::MouseMove, QPointF(at), Widget().mapToGlobal(QPointF(at)), Qt::NoButton,
                     Qt::NoButton, modifiers);
    QApplication::sendEvent(&Widget(), &move);
  }
  QImage Picture() { return Widget().grabFramebuffer(); }
};

TEST_F(MeasureWindowTest, TwoClicksMeasureShowTheResultAndDrawTheLineUntilEscape) {
  MainWindow& window = StartMeasuring();
  QAction* copy = window.Actions(cmd::kCopyMeasure).front();
  EXPECT_FALSE(copy->isEnabled());
  const int before = PixelsOf(Picture(), kLineColour);

  const std::optional<QPoint> first = ClickOnModel();
  ASSERT_TRUE(first) << "no click caught the sample site";
  const std::optional<QPoint> second = SecondOnModel(*first);
  ASSERT_TRUE(second);
  // The line follows the cursor and the status bar tells the distance.
  EXPECT_TRUE(window.StatusPane(0)->text().startsWith(QString::fromUtf8("距離 ")))
      << window.StatusPane(0)->text().toStdString();
  QTest::mouseClick(&Widget(), Qt::LeftButton, {}, *second);
  const QString result = QString::fromStdString(View().MeasureResult());
  ASSERT_TRUE(result.startsWith(QString::fromUtf8("距離 "))) << result.toStdString();
  // The sample is a ".k3d" scene: metres.
  EXPECT_TRUE(result.contains(QStringLiteral(" m  ΔXY "))) << result.toStdString();
  EXPECT_EQ(window.StatusPane(0)->text(), result);
  const double length = std::hypot(View().MeasureSecond()->x - View().MeasureFirst()->x,
                                   View().MeasureSecond()->y - View().MeasureFirst()->y);
  EXPECT_GT(length, 0.0);

  const int drawn = PixelsOf(Picture(), kLineColour);
  EXPECT_GT(drawn, before + 30) << "the line and its label are drawn over the picture";

  EXPECT_TRUE(copy->isEnabled());
  copy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), result);

  // Escape takes the line away; the result stays to be copied.
  QTest::keyClick(&Widget(), Qt::Key_Escape);
  EXPECT_FALSE(View().MeasureFirst());
  EXPECT_LT(PixelsOf(Picture(), kLineColour), before + 10);
  EXPECT_TRUE(copy->isEnabled());
}

TEST_F(MeasureWindowTest, ShiftMeasuresAHeightAndCtrlALevelDistance) {
  StartMeasuring();
  const std::optional<QPoint> first = ClickOnModel();
  ASSERT_TRUE(first);
  const std::optional<QPoint> second = SecondOnModel(*first);
  ASSERT_TRUE(second);
  const GMVector start = *View().MeasureFirst();

  MoveHolding(*second, Qt::ShiftModifier);
  ASSERT_TRUE(View().MeasureSecond());
  EXPECT_EQ(View().MeasureSecond()->x, start.x);
  EXPECT_EQ(View().MeasureSecond()->y, start.y);
  QTest::mouseClick(&Widget(), Qt::LeftButton, Qt::ShiftModifier, *second);
  EXPECT_TRUE(QString::fromStdString(View().MeasureResult()).contains(QStringLiteral("ΔXY 0 m")))
      << View().MeasureResult();

  // A new measurement, held level with Ctrl.
  QTest::mouseMove(&Widget(), *first);
  QTest::mouseClick(&Widget(), Qt::LeftButton, {}, *first);
  ASSERT_TRUE(View().MeasureFirst());
  EXPECT_FALSE(View().MeasureSecond() && View().MeasureResult().empty());
  MoveHolding(*second, Qt::ControlModifier);
  ASSERT_TRUE(View().MeasureSecond());
  EXPECT_EQ(View().MeasureSecond()->z, View().MeasureFirst()->z);
  QTest::mouseClick(&Widget(), Qt::LeftButton, Qt::ControlModifier, *second);
  EXPECT_TRUE(QString::fromStdString(View().MeasureResult()).contains(QStringLiteral("ΔZ 0 m")))
      << View().MeasureResult();
}

TEST_F(MeasureWindowTest, ADoubleClickMeasuresTheFaceAndTheRightButtonEndsItBeforeTheMenu) {
  MainWindow& window = StartMeasuring();
  const int before = PixelsOf(Picture(), kFaceColour);
  const std::optional<QPoint> on = ClickOnModel();
  ASSERT_TRUE(on);
  QTest::mouseDClick(&Widget(), Qt::LeftButton, {}, *on);
  ASSERT_TRUE(View().MeasuredFace());
  EXPECT_FALSE(View().MeasureFirst()) << "the release after the double click starts no distance";
  EXPECT_GT(View().MeasuredFace()->area, 0.0);
  const QString result = QString::fromStdString(View().MeasureResult());
  EXPECT_TRUE(result.startsWith(QString::fromUtf8("面積 "))) << result.toStdString();
  EXPECT_TRUE(result.contains(QString::fromUtf8(" m²  周長 "))) << result.toStdString();
  EXPECT_EQ(window.StatusPane(0)->text(), result);
  EXPECT_GT(PixelsOf(Picture(), kFaceColour), before + 20) << "the face's outline is drawn";

  // The first right click ends the measurement, the next opens the menu.
  QTest::mouseClick(&Widget(), Qt::RightButton, {}, *on);
  EXPECT_FALSE(View().MeasuredFace());
  EXPECT_FALSE(window.ContextMenu()->isVisible());
  QTest::mouseClick(&Widget(), Qt::RightButton, {}, *on);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.ContextMenu()->isVisible(); }, 2000));
  window.ContextMenu()->hide();

  // Another mode ends measuring; the select button is down again.
  window.Command(cmd::kModeSelect);
  EXPECT_FALSE(window.Actions(cmd::kModeMeasure).front()->isChecked());
}

// The layer dialog hides every layer while measuring: the surfaces are made
// anew without them (the worker is stopped before the dialog touches a
// layer, so it never reads a layer's flag while it changes) and nothing is
// caught any more.
TEST_F(MeasureWindowTest, LayersHiddenWhileMeasuringAreNoLongerCaught) {
  StartMeasuring();
  ASSERT_TRUE(ClickOnModel());
  QTest::keyClick(&Widget(), Qt::Key_Escape);
  window_->Command(cmd::kLayers);
  korvex::dialogs::CLayerDlg* dialog = window_->LayerDialog();
  ASSERT_NE(dialog, nullptr);
  QTreeWidget* tree = dialog->Tree();
  ASSERT_GT(tree->topLevelItemCount(), 0);
  for (int i = 0; i < tree->topLevelItemCount(); ++i) tree->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
  dialog->close();
  QCoreApplication::processEvents();
  ASSERT_TRUE(View().WaitForMeasureSurfaces());
  EXPECT_FALSE(ClickOnModel());
}

TEST_F(MeasureWindowTest, InEnglishTheResultAndItsCopyAreEnglish) {
  ASSERT_TRUE(korvex::InstallUiLanguage(korvex::UiLanguage::kEnglish));
  MainWindow& window = StartMeasuring();
  EXPECT_EQ(window.Actions(cmd::kModeMeasure).front()->toolTip(), QStringLiteral("Measure"));
  const std::optional<QPoint> first = ClickOnModel();
  ASSERT_TRUE(first);
  const std::optional<QPoint> second = SecondOnModel(*first);
  ASSERT_TRUE(second);
  QTest::mouseClick(&Widget(), Qt::LeftButton, {}, *second);
  const QString shown = window.StatusPane(0)->text();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("Distance "))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QStringLiteral(" m  ΔXY "))) << shown.toStdString();
  window.Actions(cmd::kCopyMeasure).front()->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), shown);
  QTest::mouseDClick(&Widget(), Qt::LeftButton, {}, *first);
  EXPECT_TRUE(window.StatusPane(0)->text().startsWith(QStringLiteral("Area "))) << window.StatusPane(0)->text().toStdString();
  EXPECT_TRUE(window.StatusPane(0)->text().contains(QStringLiteral("Perimeter ")));
}

}  // namespace

int main(int argc, char** argv) { return korvex_test::RunGuiTests(argc, argv, true); }
