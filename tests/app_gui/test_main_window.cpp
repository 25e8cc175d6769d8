// The GUI program's main window on the bundled sample, under a real (virtual)
// display: start-up and title, the toolbars and panes, the menus and their
// states, and a pick with the mouse.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>
#include <QToolBar>

#include <filesystem>
#include <functional>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTimeEdit>
#include <QClipboard>
#include <QLineEdit>
#include <QRadioButton>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QSettings>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/HostLink.h"

#include "app/Startup.h"
#include "app/gui/MainWindow.h"
#include "app/gui/QtUserInterface.h"
#include "app/gui/ViewWidget.h"
#include "common/encoding.h"
#include "sheet/ShadowPlan.h"
#include "dialogs/ShadowRegulationDlg.h"
#include "dialogs/ControlIds.h"
#include "dialogs/FogDlg.h"
#include "dialogs/LayerDlg.h"
#include "dialogs/SunStudyDlg.h"
#include "app/gui/Printing.h"
#include "common/file_util.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "render/Stereon.h"
#include "tests/support/needs.h"
#include "window_fixture.h"

#ifdef KORVEX_HAVE_X11
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include "tests/support/gui_main.h"
#include "tests/support/scratch_folder.h"
#endif

namespace ids = korvex::dialogs::ids;

namespace {

namespace fs = std::filesystem;
using korvex::gui::MainWindow;

// Pixels (of every fourth row and column) that differ from the top-left
// corner's background: the model's share of the picture.
int ModelPixels(const QImage& picture) {
  const QRgb corner = picture.pixel(0, 0);
  int differing = 0;
  for (int y = 0; y < picture.height(); y += 4)
    for (int x = 0; x < picture.width(); x += 4) differing += picture.pixel(x, y) != corner;
  return differing;
}

// The item of a menu of the window's menu bar, by their texts; null when
// there is none.
QAction* MenuItem(QMainWindow& window, const QString& menuText, const QString& itemText) {
  for (QAction* menu : window.menuBar()->actions())
    if (menu->text() == menuText && menu->menu())
      for (QAction* action : menu->menu()->actions())
        if (action->text() == itemText) return action;
  return nullptr;
}

// Runs what may show message boxes, answering each with OK as it comes;
// the text of the last one.
QString AnsweringMessages(const std::function<void()>& run) {
  QString told;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = dynamic_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      told = box->text();
      box->accept();
    }
  });
  answer.start(50);
  run();
  answer.stop();
  return told;
}

using MainWindowTest = korvex_test::WindowTest;

TEST_F(MainWindowTest, StartsOnTheSampleWithItsFileNameInTheTitle) {
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), QStringLiteral("site.k3d - Korvex"));
  EXPECT_EQ(window.View()->StartupResult(), korvex::ModelLoadResult::kLoaded);
  EXPECT_EQ(window.StatusPane(0)->text(), QString::fromUtf8("ﾚﾃﾞｨ"));
  // The first picture shows the model: not every pixel has the background's
  // colour.
  const QImage picture = window.GLView()->grabFramebuffer();
  ASSERT_FALSE(picture.isNull());
  EXPECT_GT(ModelPixels(picture), 20);
}

TEST_F(MainWindowTest, ProjectMarkersGiveTheProjectTitleWhichWinsAfterPaints) {
  // "../buk" names the project, "buk" the plan.
  const auto write = [](const fs::path& path, const char* text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(text, f);
    std::fclose(f);
  };
  write(dir_ / "buk", "[PROJECT_NAME] Site\n");
  write(dir_ / "markers" / "buk", "[PLAN_NAME] Plan\n");
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  ASSERT_TRUE(app_.title.has_value());
  EXPECT_EQ(*app_.title, "Panorel - Site(Plan)");
  // Opening a model sets its own title; the next paint restores the project's.
  window.SetTitle("other - Korvex");
  window.GLView()->update();
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.windowTitle().toStdString() == *app_.title; }, 2000));
  EXPECT_EQ(window.windowTitle().toStdString(), *app_.title);
}

TEST_F(MainWindowTest, FiveToolbarsWithTheirButtonsAndFiveStatusPanes) {
  MainWindow& window = Start();
  const QList<QToolBar*> bars = window.findChildren<QToolBar*>();
  ASSERT_EQ(bars.size(), 5);
  // Every button's command id and tooltip, 0 for a separator: the host and
  // the user's habits rely on these ids and places.
  struct Button {
    int id;
    const char* tip;
  };
  const std::vector<std::pair<int, std::vector<Button>>> expected = {
      {147, {{57601, "開く"}, {0, ""}, {32793, "ファイル出力"}}},
      {151, {{32780, "選択"}, {32875, "回転"}, {32990, "計測"}}},
      {149,
       {{32929, "左回転"}, {32930, "右回転"}, {32931, "上回転"}, {32932, "下回転"}, {0, ""}, {32781, "正射影"},
        {0, ""}, {32961, "平面図"}, {32962, "立面図"}, {32963, "背面図"}, {32964, "左側面図"},
        {32965, "右側面図"}}},
      {153, {{32774, "枠表示"}, {32773, "面表示"}}},
      {155,
       {{32796, "全体表示"}, {32868, "拡大"}, {32869, "縮小"}, {32795, "視点初期化"}, {0, ""}, {32785, "影作製"},
        {32787, "影削除"}, {32966, "太陽方向"}}},
  };
  QSet<qint64> icons;
  int buttons = 0;
  for (const auto& [resource, row] : expected) {
    auto* bar = window.findChild<QToolBar*>(QStringLiteral("ToolBar%1").arg(resource));
    ASSERT_NE(bar, nullptr) << resource;
    const QList<QAction*> actions = bar->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(row.size())) << resource;
    for (qsizetype i = 0; i < actions.size(); ++i) {
      const Button& button = row[static_cast<size_t>(i)];
      if (button.id == 0) {
        EXPECT_TRUE(actions[i]->isSeparator()) << resource << " " << i;
        continue;
      }
      ++buttons;
      EXPECT_EQ(actions[i]->data().toInt(), button.id) << resource << " " << i;
      EXPECT_EQ(actions[i]->toolTip(), QString::fromUtf8(button.tip)) << button.id;
      ASSERT_FALSE(actions[i]->icon().isNull()) << button.id;
      const QImage image = actions[i]->icon().pixmap(24, 24).toImage();
      icons.insert(static_cast<qint64>(qHashBits(image.constBits(), static_cast<size_t>(image.sizeInBytes()))));
    }
  }
  EXPECT_EQ(buttons, 24);
  EXPECT_EQ(icons.size(), buttons) << "every button has a picture of its own";
  // 149, 153 and 147 at the top, 151 and 155 on the left.
  EXPECT_EQ(window.toolBarArea(window.findChild<QToolBar*>(QStringLiteral("ToolBar149"))), Qt::TopToolBarArea);
  EXPECT_EQ(window.toolBarArea(window.findChild<QToolBar*>(QStringLiteral("ToolBar147"))), Qt::TopToolBarArea);
  EXPECT_EQ(window.toolBarArea(window.findChild<QToolBar*>(QStringLiteral("ToolBar151"))), Qt::LeftToolBarArea);
  EXPECT_EQ(window.toolBarArea(window.findChild<QToolBar*>(QStringLiteral("ToolBar155"))), Qt::LeftToolBarArea);
  for (int i = 0; i < 5; ++i) {
    ASSERT_NE(window.StatusPane(i), nullptr);
    EXPECT_TRUE(window.StatusPane(i)->isVisible()) << i;
  }
}

TEST_F(MainWindowTest, MenusFollowTheCommandTableAndKeepTheirMarksCurrent) {
  MainWindow& window = Start();
  const QList<QAction*> menus = window.menuBar()->actions();
  ASSERT_EQ(menus.size(), 3);
  EXPECT_EQ(menus[0]->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
  EXPECT_EQ(menus[0]->menu()->actions().size(), 16);
  EXPECT_EQ(menus[1]->menu()->actions().size(), 14);
  // The commands the original menus never offered come after the items
  // they did offer (the exit stays last), each with the command's text.
  const auto texts = [](QMenu* menu) {
    QStringList list;
    for (QAction* action : menu->actions()) list << action->text();
    return list;
  };
  const QStringList file = texts(menus[0]->menu());
  EXPECT_EQ(file.indexOf(QStringLiteral("ファイル出力(&P)...")), 4);
  EXPECT_EQ(file.indexOf(QStringLiteral("保存")), 6);
  EXPECT_GT(file.indexOf(QStringLiteral("印刷...")), 6);
  EXPECT_GT(file.indexOf(QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ")), 6);
  EXPECT_GT(file.indexOf(QStringLiteral("Test")), 6);
  EXPECT_EQ(file.last(), QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"));
  const QStringList view = texts(menus[1]->menu());
  EXPECT_EQ(view.mid(4, 3), (QStringList{QStringLiteral("視点・注視点設定..."), QStringLiteral("ソーラビュー"),
                                         QStringLiteral("ﾌｫｸﾞ設定...")}));
  EXPECT_EQ(view.mid(8, 2), (QStringList{QStringLiteral("計測(&M)"), QStringLiteral("計測結果をコピー")}));
  EXPECT_EQ(view.mid(11), (QStringList{QStringLiteral("断面..."), QStringLiteral("断面表示"), QStringLiteral("断面移動")}));
  const QStringList settings = texts(menus[2]->menu());
  EXPECT_EQ(settings.last(), QStringLiteral("影描画の高速化"));
  EXPECT_GT(settings.indexOf(QStringLiteral("非表示体の影")), settings.indexOf(QStringLiteral("Aero対応機能の無効化")));
  // "非表示体の影" shows and toggles whether hidden bodies cast shadows.
  QAction* hidden = window.Actions(korvex::cmd::kHiddenShadows).front();
  window.RefreshCommandStates();
  EXPECT_FALSE(hidden->isChecked());
  hidden->trigger();
  EXPECT_TRUE(hidden->isChecked());
  EXPECT_EQ(window.View()->State().noHiddenShadows, 0);
  EXPECT_EQ(window.ContextMenu()->actions().size(), 13);
  EXPECT_EQ(window.Actions(korvex::cmd::kOpen).front()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));

  // The view starts rotating: the rotate button is down, select is not.
  QAction* rotate = window.Actions(korvex::cmd::kModeRotate).front();
  QAction* select = window.Actions(korvex::cmd::kModeSelect).front();
  EXPECT_TRUE(rotate->isChecked());
  EXPECT_FALSE(select->isChecked());
  select->trigger();
  EXPECT_TRUE(select->isChecked());
  EXPECT_FALSE(rotate->isChecked());

  // The projection button shows the display flag, whichever way it goes.
  QAction* parallel = window.Actions(korvex::cmd::kParallel).front();
  const bool before = parallel->isChecked();
  EXPECT_EQ(before, window.View()->GetCommandState(korvex::cmd::kParallel).checked);
  parallel->trigger();
  EXPECT_NE(parallel->isChecked(), before);
  EXPECT_EQ(parallel->isChecked(), window.View()->GetCommandState(korvex::cmd::kParallel).checked);

  // Colour settings need a selection; none yet.
  EXPECT_FALSE(window.Actions(korvex::cmd::kColourDialog).front()->isEnabled());
}

TEST_F(MainWindowTest, AClickThatPicksANodeNamesItInTheFirstPane) {
  MainWindow& window = Start();
  window.Command(korvex::cmd::kModeSelect);
  korvex::gui::ViewWidget* view = window.GLView();
  const QString suffix = QString::fromUtf8(" を選択");
  // Try points across the view until one lies on a building.
  bool picked = false;
  for (int y = view->height() / 4; y < view->height() && !picked; y += view->height() / 8) {
    for (int x = view->width() / 4; x < view->width() && !picked; x += view->width() / 8) {
      QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(x, y));
      picked = window.View()->Selection() != nullptr;
    }
  }
  ASSERT_TRUE(picked);
  char name[256] = {};
  window.View()->Selection()->GetName(name, sizeof name);
  EXPECT_EQ(window.StatusPane(0)->text(), QString::fromStdString(korvex::Cp932ToUtf8(name)) + suffix);
  // With a selection the colour command is offered.
  EXPECT_TRUE(window.Actions(korvex::cmd::kColourDialog).front()->isEnabled());

  // A click beside the model deselects and says so.
  QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_EQ(window.View()->Selection(), nullptr);
  EXPECT_EQ(window.StatusPane(0)->text(), QString::fromUtf8("選択出来ません"));
}

// The engine's display lists live in the widget's context. A widget that
// goes before the view takes them along while its context is still there,
// and leaves the engine nothing that points into the dead context.
TEST_F(MainWindowTest, DestroyingTheGLWidgetReleasesTheEnginesLists) {
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  CStereon* engine = window.View()->Engine();
  ASSERT_NE(engine, nullptr);
  ASSERT_GT(engine->DisplayListCount(), 0);  // the sample's buildings are compiled
  delete window.GLView();
  EXPECT_EQ(window.GLView(), nullptr);
  EXPECT_EQ(engine->DisplayListCount(), 0);
  // The window still closes cleanly (TearDown) with the view outliving its widget.
}

TEST_F(MainWindowTest, TheRightButtonOpensTheContextMenuOnlyWithinTwoPixels) {
  MainWindow& window = Start();
  korvex::gui::ViewWidget* view = window.GLView();
  const QPoint at(view->width() / 2, view->height() / 2);
  QTest::mousePress(view, Qt::RightButton, {}, at);
  QTest::mouseRelease(view, Qt::RightButton, {}, at + QPoint(3, 0));
  EXPECT_FALSE(window.ContextMenu()->isVisible());
  QTest::mousePress(view, Qt::RightButton, {}, at);
  QTest::mouseRelease(view, Qt::RightButton, {}, at + QPoint(2, -2));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.ContextMenu()->isVisible(); }, 2000));
  window.ContextMenu()->hide();
}

// A host of our own on the socket the viewer connects to.
class TestHost {
 public:
  TestHost(const fs::path& folder, uint64_t id) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (folder / ("korvex-host-" + std::to_string(id))).string();
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listener_, 1), 0);
  }
  ~TestHost() {
    if (peer_ >= 0) ::close(peer_);
    ::close(listener_);
  }
  // Waits for the viewer to connect (the listener blocks).
  void Accept() { peer_ = ::accept(listener_, nullptr, nullptr); }
  // The next record, reading while the viewer's events run.
  std::optional<korvex::HostRecord> Read(int tries = 200) {
    std::array<unsigned char, korvex::kHostRecordSize> bytes{};
    size_t have = 0;
    for (; tries > 0 && have < bytes.size(); --tries) {
      const ssize_t got = ::recv(peer_, bytes.data() + have, bytes.size() - have, MSG_DONTWAIT);
      if (got > 0) have += static_cast<size_t>(got);
      else QTest::qWait(10);
    }
    if (have < bytes.size()) return std::nullopt;
    return korvex::DecodeHostRecord(bytes);
  }
  void Send(uint32_t message) {
    const auto bytes = korvex::EncodeHostRecord({message, 0, 0});
    ASSERT_EQ(::send(peer_, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
  }

 private:
  int listener_ = -1;
  int peer_ = -1;
};

TEST_F(MainWindowTest, TheHostHearsOfStartAndPicksAndCanCloseTheViewer) {
  TestHost host(dir_ / "runtime", 7);
  MainWindow& window = Start({KORVEX_SAMPLE_MODEL, "/sel\"7\""});
  ASSERT_TRUE(started_);
  host.Accept();
  const std::optional<korvex::HostRecord> ready = host.Read();
  ASSERT_TRUE(ready.has_value());
  EXPECT_EQ(ready->message, korvex::hostmsg::kViewerReady);
  EXPECT_EQ(ready->wParam, window.MainWindowId());

  // A pick puts the name on the clipboard and tells the host.
  window.Command(korvex::cmd::kModeSelect);
  korvex::gui::ViewWidget* view = window.GLView();
  for (int x = view->width() / 4; x < view->width() && window.View()->Selection() == nullptr; x += 8)
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(x, view->height() / 2));
  ASSERT_NE(window.View()->Selection(), nullptr);
  const std::optional<korvex::HostRecord> selected = host.Read();
  ASSERT_TRUE(selected.has_value());
  EXPECT_EQ(selected->message, korvex::hostmsg::kNodeSelected);
  char name[256] = {};
  window.View()->Selection()->GetName(name, sizeof name);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), korvex::Cp932ToUtf8(name));

  // The host's 0x8019 selects the node the clipboard names.
  window.Command(korvex::cmd::kClearSelection);
  ASSERT_EQ(window.View()->Selection(), nullptr);
  ASSERT_TRUE(app_.host.Connected());
  QApplication::clipboard()->setText(QString::fromStdString(korvex::Cp932ToUtf8(name)));
  host.Send(korvex::hostmsg::kNodeSelected);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.View()->Selection() != nullptr; }, 2000));
  EXPECT_EQ(window.StatusPane(0)->text().toStdString(), korvex::Cp932ToUtf8(name) + " を選択");

  host.Send(korvex::hostmsg::kClose);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 2000));
}

TEST_F(MainWindowTest, TheHostsReloadReadsTheModelAgainOnlyWithSlashR) {
  const korvex::StartupFolders folders{dir_ / "runtime", dir_ / "markers"};
  const fs::path model = dir_ / "m.k3d";
  for (const bool withR : {false, true}) {
    SCOPED_TRACE(withR ? "with /r" : "without /r");
    fs::copy_file(KORVEX_SAMPLE_MODEL, model, fs::copy_options::overwrite_existing);
    TestHost host(dir_ / "runtime", withR ? 9 : 8);
    korvex::Application app;
    MainWindow window(app);
    std::vector<std::string> args = {model.string(), withR ? "/sel\"9\"" : "/sel\"8\""};
    if (withR) args.push_back("/r");
    ASSERT_TRUE(korvex::RunStartup(args, window, app, folders));
    window.WatchHost();
    host.Accept();
    ASSERT_TRUE(host.Read().has_value());  // 0x801A
    CInkNode* root = window.View()->Scene()->GetRoot();
    ASSERT_EQ(root->GetCount(), 3);  // the sample's header announces zones 0 to 2
    std::ofstream(model) << "HEADER\n0,5\n";
    // The close after the reload shows that the reload request was read.
    host.Send(korvex::hostmsg::kReload);
    host.Send(korvex::hostmsg::kClose);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 3000));
    EXPECT_EQ(window.View()->Scene()->GetRoot()->GetCount(), withR ? 6 : 3) << window.StatusPane(0)->text().toStdString();
  }
}

TEST_F(MainWindowTest, PlacementIsSavedOnCloseAndRestoredOnStart) {
  {
    MainWindow& window = Start();
    window.setGeometry(30, 40, 600, 500);
    QTest::qWait(20);
    window.close();
  }
  const QRect saved = window_->frameGeometry();
  window_.reset();
  QSettings profile(QStringLiteral("Meridan"), QStringLiteral("Korvex"));
  EXPECT_EQ(profile.value(QStringLiteral("WindowPos/FrameWidth")).toInt(), saved.width());
  EXPECT_EQ(profile.value(QStringLiteral("WindowPos/FrameX")).toInt(), saved.left());
  EXPECT_EQ(profile.value(QStringLiteral("Config/LayoutOut")).toInt(), 1);

  MainWindow& again = Start();
  EXPECT_EQ(again.size(), saved.size());

  // A window partly left of the screen keeps what was saved before.
  again.move(-50, 10);
  again.close();
  QSettings after(QStringLiteral("Meridan"), QStringLiteral("Korvex"));
  EXPECT_EQ(after.value(QStringLiteral("WindowPos/FrameX")).toInt(), saved.left());
  profile.clear();
}

TEST_F(MainWindowTest, FirstStartIsCentredAtTwoThirdsAndAMaximisedWindowComesBackSo) {
  QSettings(QStringLiteral("Meridan"), QStringLiteral("Korvex")).clear();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  {
    MainWindow& window = Start();
    EXPECT_NEAR(window.width(), area.width() * 2 / 3, 2);
    EXPECT_NEAR(window.height(), area.height() * 2 / 3, 2);
    EXPECT_NEAR(window.frameGeometry().center().x(), area.center().x(), 4);
    EXPECT_NEAR(window.frameGeometry().center().y(), area.center().y(), 4);
    window.showMaximized();
    QTest::qWait(50);
    window.close();
  }
  window_.reset();
  {
    MainWindow& again = Start();
    EXPECT_TRUE(again.isMaximized());
    again.close();
  }
  window_.reset();

  // Numbers alone, from an older viewer, that lie beyond the screen: the
  // window comes up on it.
  QSettings profile(QStringLiteral("Meridan"), QStringLiteral("Korvex"));
  profile.clear();
  profile.setValue(QStringLiteral("WindowPos/FrameX"), area.right() + 500);
  profile.setValue(QStringLiteral("WindowPos/FrameY"), 20);
  profile.setValue(QStringLiteral("WindowPos/FrameWidth"), 400);
  profile.setValue(QStringLiteral("WindowPos/FrameHeight"), 300);
  profile.sync();
  MainWindow& beyond = Start();
  EXPECT_TRUE(area.intersects(beyond.frameGeometry()));
  EXPECT_LE(beyond.frameGeometry().right(), area.right());
  EXPECT_EQ(beyond.size(), QSize(400, 300));
  profile.clear();
}

TEST_F(MainWindowTest, TheStartFitFollowsASizeChangeUntilTheUserMovesTheCamera) {
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  window.resize(1000, 400);
  QTest::qWait(50);
  QCoreApplication::processEvents();
  const double zoom = window.View()->State().zoom;
  // The window manager brings the restored size, narrow and tall: the model
  // is fitted again, as "全体表示" would fit it now.
  window.resize(450, 900);
  QTest::qWait(50);
  QCoreApplication::processEvents();
  const double refitted = window.View()->State().zoom;
  EXPECT_NE(refitted, zoom);
  window.Command(korvex::cmd::kFitAll);
  EXPECT_DOUBLE_EQ(window.View()->State().zoom, refitted);

  // Once the user zoomed, a new size keeps the user's camera.
  window.Command(korvex::cmd::kZoomIn);
  const double chosen = window.View()->State().zoom;
  window.resize(500, 400);
  QTest::qWait(50);
  QCoreApplication::processEvents();
  EXPECT_EQ(window.View()->State().zoom, chosen);
}

TEST_F(MainWindowTest, ASecondSingleInstanceViewerEndsWithoutShowingItsWindow) {
  MainWindow& first = Start({KORVEX_SAMPLE_MODEL, "/one"});
  ASSERT_TRUE(started_);
  korvex::Application secondApp;
  MainWindow second(secondApp);
  korvex::StartupFolders folders{dir_ / "runtime", dir_ / "markers"};
  const std::vector<std::string> args = {KORVEX_SAMPLE_MODEL, "/one"};
  EXPECT_FALSE(korvex::RunStartup(args, second, secondApp, folders));
  EXPECT_FALSE(second.isVisible());
  EXPECT_TRUE(first.isVisible());
}

#ifdef KORVEX_HAVE_X11
TEST_F(MainWindowTest, TheLockPanesFollowTheKeyboard) {
  MainWindow& window = Start();
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  KORVEX_NEED(x11 != nullptr, "KORVEX_ALLOW_NO_X11", "not on an X server");
  Display* display = x11->display();
  const auto setCaps = [&](bool on) {
    XkbLockModifiers(display, XkbUseCoreKbd, LockMask, on ? LockMask : 0);
    XSync(display, False);
    // A key released anywhere in the application brings the panes up to date.
    QTest::keyRelease(window.GLView(), Qt::Key_Shift);
  };
  setCaps(true);
  EXPECT_EQ(window.StatusPane(2)->text(), QStringLiteral("CAP"));
  setCaps(false);
  EXPECT_EQ(window.StatusPane(2)->text(), QString());
}
#endif

// Answers the next message box with `button`, noting its text and icon.
struct MessageAnswerer {
  explicit MessageAnswerer(QMessageBox::StandardButton button) {
    QObject::connect(&timer, &QTimer::timeout, [this, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      text = box->text();
      icon = box->icon();
      box->button(button)->click();
    });
    timer.start(20);
  }
  QTimer timer;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

TEST_F(MainWindowTest, AFileDroppedBesideTheModelOpensAfterTheQuestion) {
  fs::copy_file(KORVEX_SAMPLE_MODEL, dir_ / "other.k3d");
  MainWindow& window = Start();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir_ / "other.k3d").string()))});
  const auto drop = [&] {
    // Handed to the widget directly: a drop sent through the application
    // with no drag in progress does not reach it.
    QDropEvent event(QPointF(1, 1), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    static_cast<QObject*>(window.GLView())->event(&event);
  };
  {
    MessageAnswerer cancel(QMessageBox::Cancel);
    drop();
    EXPECT_EQ(cancel.text, QString::fromUtf8("ﾌｧｲﾙを読み込みますか？"));
    EXPECT_EQ(cancel.icon, QMessageBox::Question);
  }
  EXPECT_EQ(window.windowTitle(), QStringLiteral("site.k3d - Korvex"));
  {
    MessageAnswerer ok(QMessageBox::Ok);
    drop();
  }
  EXPECT_EQ(window.windowTitle(), QStringLiteral("other.k3d - Korvex"));
}

TEST_F(MainWindowTest, AlwaysOnTopTogglesTheWindowAndItsMark) {
  MainWindow& window = Start();
  QAction* top = window.Actions(korvex::cmd::kAlwaysOnTop).front();
  EXPECT_FALSE(top->isChecked());
  top->trigger();
  EXPECT_TRUE(top->isChecked());
  EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(window.isVisible());
  // The window is made anew with the flag; the view's context and the
  // engine's display lists in it must survive that.
  window.GLView()->update();
  QTest::qWait(50);
  EXPECT_GT(ModelPixels(window.GLView()->grabFramebuffer()), 20);
  top->trigger();
  EXPECT_FALSE(top->isChecked());
  EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);
}

// The program itself: main() wires start-up, the window and the host link.
TEST_F(MainWindowTest, TheProgramGreetsItsHostAndEndsWhenTheHostClosesIt) {
  TestHost host(dir_ / "runtime", 31);
  QProcess korvex;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((dir_ / "runtime").string()));
  // The program's own exit is not what is checked here; its leak report
  // would name Mesa's driver, which it does not suppress.
  env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  korvex.setProcessEnvironment(env);
  korvex.setWorkingDirectory(QString::fromStdString(dir_.string()));
  korvex.start(QStringLiteral(KORVEX_PROGRAM), {QStringLiteral(KORVEX_SAMPLE_MODEL), QStringLiteral("/sel\"31\"")});
  ASSERT_TRUE(korvex.waitForStarted(10000));
  host.Accept();
  const std::optional<korvex::HostRecord> ready = host.Read(3000);
  ASSERT_TRUE(ready.has_value());
  EXPECT_EQ(ready->message, korvex::hostmsg::kViewerReady);
  EXPECT_NE(ready->wParam, 0u);
  host.Send(korvex::hostmsg::kClose);
  EXPECT_TRUE(korvex.waitForFinished(20000));
  EXPECT_EQ(korvex.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(korvex.exitCode(), 0);
  if (korvex.state() != QProcess::NotRunning) korvex.kill();
}

// The README's two commands in a row: the viewer runs on the example in
// its plan folder (as scripts/run starts it) and quits normally, then the
// example is compared with what its generator writes (as scripts/test
// does). What the viewer left in the plan folder must not fail the check.
TEST_F(MainWindowTest, TheExampleMatchesAfterTheViewerRanInIt) {
  const fs::path examples = dir_ / "examples";
  fs::copy(KORVEX_EXAMPLES, examples, fs::copy_options::recursive);
  const fs::path plan = examples / "riverside" / "plan1";
  ASSERT_TRUE(fs::exists(plan / "site.k3d"));
  {
    TestHost host(dir_ / "runtime", 32);
    QProcess korvex;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((dir_ / "runtime").string()));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    korvex.setProcessEnvironment(env);
    korvex.setWorkingDirectory(QString::fromStdString(plan.string()));
    korvex.start(QStringLiteral(KORVEX_PROGRAM), {QStringLiteral("site.k3d"), QStringLiteral("/sel\"32\"")});
    ASSERT_TRUE(korvex.waitForStarted(10000));
    host.Accept();
    ASSERT_TRUE(host.Read(20000).has_value());
    host.Send(korvex::hostmsg::kClose);
    EXPECT_TRUE(korvex.waitForFinished(30000));
    EXPECT_EQ(korvex.exitCode(), 0);
    if (korvex.state() != QProcess::NotRunning) korvex.kill();
  }
  // The session left its eye file, as a user's would.
  EXPECT_TRUE(fs::exists(plan / "eye.ini"));
  QProcess check;
  check.setProcessChannelMode(QProcess::MergedChannels);
  check.start(QStringLiteral("sh"), {QStringLiteral(KORVEX_EXAMPLE_CHECK), QStringLiteral(KORVEX_PYTHON),
                                     QStringLiteral(KORVEX_EXAMPLE_GENERATOR),
                                     QString::fromStdString((dir_ / "generated").string()),
                                     QString::fromStdString(examples.string())});
  ASSERT_TRUE(check.waitForFinished(120000));
  EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
}

// File-dialog filters in the core's form become Qt's.
TEST(QtFilters, PairsBecomeDescriptionWithPatterns) {
  struct Row {
    const char* input;
    QStringList expected;
  };
  const std::vector<Row> rows = {
      {"Panorelファイル (*.k3d)|*.k3d||", {QStringLiteral("Panorelファイル (*.k3d)")}},
      {"Objファイル|*.obj|Panorelファイル (*.k3d)|*.k3d||",
       {QStringLiteral("Objファイル (*.obj)"), QStringLiteral("Panorelファイル (*.k3d)")}},
      {"画像|*.bmp;*.jpg||", {QStringLiteral("画像 (*.bmp *.jpg)")}},
      {"", {}},
      {"不完全", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(korvex::gui::ToQtFilters(row.input), row.expected) << row.input;
}

// The extension a bare name takes follows the filter shown in a save dialog.
TEST(QtFilters, ASaveDialogGivesABareNameTheShownFiltersExtension) {
  using korvex::gui::FilterSuffix;
  const QStringList filters = korvex::gui::ToQtFilters("JPEGﾌｧｲﾙ(*.jpg)|*.jpg|24ﾋﾞｯﾄﾋﾞｯﾄﾏｯﾌﾟﾌｧｲﾙ(*.bmp)|*.bmp||");
  ASSERT_EQ(filters.size(), 2);
  EXPECT_EQ(FilterSuffix(filters[0]), QStringLiteral("jpg"));
  EXPECT_EQ(FilterSuffix(filters[1]), QStringLiteral("bmp"));
  EXPECT_EQ(FilterSuffix(QStringLiteral("画像 (*.bmp *.jpg)")), QStringLiteral("bmp"));
  EXPECT_EQ(FilterSuffix(QStringLiteral("全て (*.*)")), QString());
  EXPECT_EQ(FilterSuffix(QStringLiteral("名前だけ")), QString());
}

TEST(ViewWidgetDrops, TheFirstLocalFileCounts) {
  const QList<QUrl> urls = {QUrl(QStringLiteral("https://example.org/a.k3d")),
                            QUrl::fromLocalFile(QStringLiteral("/tmp/b.k3d")),
                            QUrl::fromLocalFile(QStringLiteral("/tmp/c.k3d"))};
  EXPECT_EQ(korvex::gui::FirstLocalFile(urls), QStringLiteral("/tmp/b.k3d"));
  EXPECT_TRUE(korvex::gui::FirstLocalFile({QUrl(QStringLiteral("https://example.org/a"))}).isEmpty());
}

// The view's fog request opens the fog dialog; what the user leaves in it
// sets the face-fog flag, reaches the engine and changes the picture.
TEST_F(MainWindowTest, FogDialogValuesReachTheEngineAndThePicture) {
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  const QImage before = window.GLView()->grabFramebuffer();
  bool filled = false;
  // The dialog runs modally: fill it in once it is up.
  QTimer::singleShot(0, [&filled] {
    auto* dialog = dynamic_cast<korvex::dialogs::CFogDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QCheckBox*>(QString::number(ids::fog::kFaceUsed))->setChecked(true);
    dialog->findChild<QLineEdit*>(QString::number(ids::fog::kFaceStart))->setText(QStringLiteral("0"));
    dialog->findChild<QLineEdit*>(QString::number(ids::fog::kFaceEnd))->setText(QStringLiteral("1"));
    dialog->findChild<QRadioButton*>(QString::number(ids::fog::kFaceLinear))->setChecked(true);
    filled = true;
    dialog->accept();
  });
  window.Command(korvex::cmd::kFog);
  ASSERT_TRUE(filled);
  EXPECT_NE(window.View()->State().displayFlags & 0x100, 0);
  EXPECT_EQ(window.View()->State().displayFlags & 0x200, 0);
  double start = -1.0, end = -1.0, density = -1.0;
  int mode = -1;
  window.View()->Engine()->GetFaceFog(start, end, density, mode);
  EXPECT_EQ(start, 0.0);
  EXPECT_EQ(end, 1.0);
  EXPECT_EQ(mode, 0);
  const QImage after = window.GLView()->grabFramebuffer();
  ASSERT_EQ(after.size(), before.size());
  int changed = 0;
  for (int y = 0; y < after.height(); y += 4)
    for (int x = 0; x < after.width(); x += 4) changed += after.pixel(x, y) != before.pixel(x, y);
  EXPECT_GT(changed, 20);
}

// With no printer installed the test print (A4 landscape) goes to a PDF in
// the current folder: one page, holding the view's picture.
TEST_F(MainWindowTest, TheTestPrintWithoutAPrinterWritesOnePdfPage) {
  KORVEX_NEED(QPrinterInfo::availablePrinterNames().isEmpty(), "KORVEX_ALLOW_PRINTER",
              "a printer is installed, so the print goes there and not to a PDF");
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  window.Command(korvex::cmd::kTestPrint);
  std::ifstream in(dir_ / "KorvexPrint.pdf", std::ios::binary);
  ASSERT_TRUE(in) << "no PDF written";
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string pdf = bytes.str();
  EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
  EXPECT_FALSE(fs::exists(dir_ / "KorvexPrint.pdf.partial"));
  const auto count = [&pdf](const std::regex& pattern) {
    return std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), pattern), std::sregex_iterator());
  };
  EXPECT_EQ(count(std::regex(R"(/Type\s*/Page[^s])")), 1);
  // A4 landscape.
  std::smatch box;
  ASSERT_TRUE(std::regex_search(pdf, box, std::regex(R"(/MediaBox\s*\[\s*0\s+0\s+([0-9.]+)\s+([0-9.]+))")));
  EXPECT_NEAR(std::stod(box[1]), 842.0, 1.0);
  EXPECT_NEAR(std::stod(box[2]), 595.0, 1.0);
  // The picture at the view's own size (the default resolution setting),
  // its width rounded down to a multiple of 4.
  std::smatch image;
  ASSERT_TRUE(std::regex_search(pdf, image, std::regex(R"(/Subtype\s*/Image[^>]*?/Width\s+(\d+)[^>]*?/Height\s+(\d+))")))
      << "no picture on the page";
  const int width = window.View()->ClientWidth();
  EXPECT_EQ(std::stoi(image[1]), width - width % 4);
  EXPECT_EQ(std::stoi(image[2]), window.View()->ClientHeight());

  // The highest resolution renders the size on paper in hundredths of an
  // inch, not in the printer's pixels (some 1,100 across, not 13,000).
  window.View()->PrintSettings().resolution = 0;
  window.Command(korvex::cmd::kTestPrint);
  std::ifstream again(dir_ / "KorvexPrint.pdf", std::ios::binary);
  std::stringstream highBytes;
  highBytes << again.rdbuf();
  const std::string high = highBytes.str();
  ASSERT_TRUE(std::regex_search(high, image, std::regex(R"(/Subtype\s*/Image[^>]*?/Width\s+(\d+)[^>]*?/Height\s+(\d+))")));
  QPrinter a4(QPrinter::HighResolution);
  a4.setPageSize(QPageSize(QPageSize::A4));
  a4.setPageOrientation(QPageLayout::Landscape);
  const QSize extent = korvex::gui::TestPrintExtent(a4);
  EXPECT_GT(extent.width(), 1000);
  EXPECT_LT(extent.width(), 1170);
  const int drawnWidth = std::stoi(image[1]), drawnHeight = std::stoi(image[2]);
  EXPECT_LE(drawnWidth, extent.width());
  EXPECT_LE(drawnHeight, extent.height());
  // The view's aspect fills one side of the extent.
  EXPECT_TRUE(drawnWidth > extent.width() - 8 || drawnHeight > extent.height() - 2) << drawnWidth << "x" << drawnHeight;
}

// "日影図..." of the settings menu: the dialog's plan runs the study, the
// pictures, the table and the sheet land in the folder, and the view gets
// the user's own sun back.
TEST_F(MainWindowTest, TheSunStudyOfTheSettingsMenuWritesItsPicturesAndSheet) {
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  QAction* study = MenuItem(window, QStringLiteral("設定(&C)"), QStringLiteral("日影図..."));
  ASSERT_NE(study, nullptr);
  const GMVector light = window.View()->State().lightPosition;
  const fs::path folder = dir_ / "study";
  bool filled = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = dynamic_cast<korvex::dialogs::CSunStudyDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QTimeEdit*>(QStringLiteral("from"))->setTime(QTime(12, 0));
    dialog->findChild<QTimeEdit*>(QStringLiteral("to"))->setTime(QTime(13, 0));
    dialog->findChild<QSpinBox*>(QStringLiteral("step"))->setValue(60);
    dialog->findChild<QSpinBox*>(QStringLiteral("width"))->setValue(64);
    dialog->findChild<QSpinBox*>(QStringLiteral("height"))->setValue(48);
    dialog->findChild<QLineEdit*>(QStringLiteral("folder"))->setText(QString::fromStdString(folder.string()));
    filled = true;
    dialog->accept();
  });
  // The closing message box is answered when it comes.
  AnsweringMessages([&] { study->trigger(); });
  ASSERT_TRUE(filled);
  for (const char* name : {"1200.jpg", "1300.jpg", "sun.csv", "sheet.jpg"})
    EXPECT_TRUE(fs::is_regular_file(folder / name)) << name;
  EXPECT_EQ(window.View()->State().lightPosition.x, light.x);
  EXPECT_EQ(window.View()->State().lightPosition.z, light.z);
}

// "日影規制..." of the settings menu: the study runs from its dialog, its
// folder is written, and its equal-time lines are drawn over the view in
// their colour until "日影規制の表示" hides them.
TEST_F(MainWindowTest, TheShadowRegulationStudyDrawsItsLinesOverTheView) {
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  QAction* run = MenuItem(window, QStringLiteral("設定(&C)"), QStringLiteral("日影規制..."));
  QAction* shown = MenuItem(window, QStringLiteral("設定(&C)"), QStringLiteral("日影規制の表示"));
  ASSERT_NE(run, nullptr);
  ASSERT_NE(shown, nullptr);
  window.Command(korvex::cmd::kPlanView);
  const fs::path folder = dir_ / "regulation";
  // Pixels of the first equal-time line's colour (1 hour, red).
  auto redPixels = [&] {
    const QImage picture = window.GLView()->grabFramebuffer();
    const QColor red = QColor::fromRgb(korvex::ShadowLineRgb(0));
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        const QColor c = picture.pixelColor(x, y);
        count += std::abs(c.red() - red.red()) + std::abs(c.green() - red.green()) + std::abs(c.blue() - red.blue()) < 40;
      }
    return count;
  };
  const int before = redPixels();
  bool filled = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = dynamic_cast<korvex::dialogs::CShadowRegulationDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QDoubleSpinBox*>(QStringLiteral("grid"))->setValue(2);
    dialog->findChild<QLineEdit*>(QStringLiteral("contours"))->setText(QStringLiteral("1,2"));
    dialog->findChild<QLineEdit*>(QStringLiteral("folder"))->setText(QString::fromStdString(folder.string()));
    filled = true;
    dialog->accept();
  });
  AnsweringMessages([&] { run->trigger(); });
  ASSERT_TRUE(filled);
  for (const char* name : {"hours.csv", "contours.geojson", "outlines.dxf", "report.json", "plan.jpg"})
    EXPECT_TRUE(fs::is_regular_file(folder / name)) << name;

  window.RefreshCommandStates();
  EXPECT_TRUE(shown->isEnabled());
  EXPECT_TRUE(shown->isChecked());
  const int drawn = redPixels();
  EXPECT_GT(drawn, before + 50);
  shown->trigger();
  EXPECT_FALSE(shown->isChecked());
  EXPECT_LT(redPixels(), before + 10);
  shown->trigger();
  EXPECT_EQ(redPixels(), drawn);
}

// "旧式の処理を使う" draws with a second engine beside the window's own
// context: it writes its BMP, alone and with the drawing layout.
TEST_F(MainWindowTest, TheOldOutputMethodWritesItsPictureWithAndWithoutTheLayout) {
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  const auto modelPixels = [](const fs::path& path) {
    const QImage image(QString::fromStdString(path.string()));
    return image.isNull() ? -1 : ModelPixels(image);
  };
  // Without the layout: what the command does once the file is chosen.
  ASSERT_TRUE(window.View()->SaveImageOld((dir_ / "old.bmp").string(), 320, 200, 1.0))
      << window.StatusPane(0)->text().toStdString();
  EXPECT_GT(modelPixels(dir_ / "old.bmp"), 20);

  // With the layout, through the menu's dialog: both files, and a word
  // where they went.
  bool filled = false;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QRadioButton*>(QString::number(ids::picture::kGivenSize))->click();
    dialog->findChild<QCheckBox*>(QString::number(ids::picture::kOldMethod))->setChecked(true);
    dialog->findChild<QCheckBox*>(QString::number(ids::picture::kLayoutOut))->setChecked(true);
    dialog->findChild<QLineEdit*>(QString::number(ids::picture::kLayoutBase))->setText(QStringLiteral("sheet"));
    filled = true;
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  const QString told = AnsweringMessages([&] { window.Command(korvex::cmd::kFileOutput); });
  ASSERT_TRUE(filled);
  EXPECT_GT(modelPixels(dir_ / "sheet.bmp"), 20);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "sheet.tdo"));
  EXPECT_TRUE(told.contains(QString::fromStdString((dir_ / "sheet.tdo").string()))) << told.toStdString();
  // The window draws as before.
  window.GLView()->update();
  QCoreApplication::processEvents();
  EXPECT_GT(ModelPixels(window.GLView()->grabFramebuffer()), 20);
}

// The layer command opens the modeless tree of the scene once; closing it
// keeps it, and the next opening fills it again at the size it had.
TEST_F(MainWindowTest, TheLayerDialogShowsTheSceneAndReopensAtItsSize) {
  MainWindow& window = Start();
  ASSERT_TRUE(started_);
  window.Command(korvex::cmd::kLayers);
  korvex::dialogs::CLayerDlg* dialog = window.LayerDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  CInkNode* root = window.View()->Scene()->GetRoot();
  ASSERT_GT(root->GetCount(), 0);
  EXPECT_EQ(dialog->Tree()->topLevelItemCount(), root->GetCount());
  dialog->resize(420, 380);
  dialog->close();
  window.Command(korvex::cmd::kLayers);
  EXPECT_EQ(window.LayerDialog(), dialog);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->size(), QSize(420, 380));
  EXPECT_EQ(dialog->Tree()->topLevelItemCount(), root->GetCount());
}

}  // namespace

int main(int argc, char** argv) { return korvex_test::RunGuiTests(argc, argv, true); }
