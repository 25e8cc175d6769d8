#include "app/gui/MainWindow.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QToolBar>

#include "app/HostFlood.h"
#include "app/gui/CommandIcons.h"
#include "app/gui/KeyboardLocks.h"
#include "app/gui/ViewWidget.h"
#include "app/gui/Printing.h"
#include "app/gui/ShadowRegulationRunner.h"
#include "app/gui/SunStudyRunner.h"
#include "dialogs/BackgroundDialog.h"
#include "dialogs/BmpOutDialog.h"
#include "dialogs/ExPrintDialog.h"
#include "dialogs/ColorDialog.h"
#include "dialogs/EyeDialog.h"
#include "dialogs/FogDialog.h"
#include "dialogs/JikokuDlg.h"
#include "dialogs/LayerDialog.h"
#include "dialogs/NodePropertyDialog.h"
#include "dialogs/TextureDialog.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "view/ViewTexts.h"

namespace korvex::gui {

namespace {

QSettings Profile() { return QSettings(QStringLiteral("Meridan"), QStringLiteral("Korvex")); }

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Commands whose items and buttons carry a check or radio mark.
bool Markable(int id) {
  switch (id) {
    case cmd::kShowFaces:
    case cmd::kShowFrames:
    case cmd::kModeSelect:
    case cmd::kModeRotate:
    case cmd::kParallel:
    case cmd::kDaylight:
    case cmd::kNightLight:
    case cmd::kSunset:
    case cmd::kContrast:
    case cmd::kAero:
    case cmd::kShowShadows:
    case cmd::kTransparentShadows:
    case cmd::kHiddenShadows:
    case cmd::kFastShadows:
    case cmd::kAlwaysOnTop:
    case kShadowRegulationOverlayCommand: return true;
    default: return false;
  }
}

}  // namespace

const std::vector<ToolbarResource>& ToolbarResources() {
  using namespace cmd;
  static const std::vector<ToolbarResource> resources = {
      {147, {kOpen, 0, kFileOutput}},
      {151, {kModeSelect, kModeRotate}},
      {149, {kRotateLeft, kRotateRight, kRotateUp, kRotateDown, 0, kParallel, 0, kPlanView, kElevation, kBackView,
             kLeftView, kRightView}},
      {153, {kShowFrames, kShowFaces}},
      {155, {kFitAll, kZoomIn, kZoomOut, kResetEye, 0, kMakeShadows, kDeleteShadows, kSunDirection}},
  };
  return resources;
}

QString CommandText(int id) {
  using namespace cmd;
  static const std::map<int, const char*> texts = {
      {kOpen, "開く"},           {kFileOutput, "ファイル出力"}, {kModeSelect, "選択"},
      {kModeRotate, "回転"},     {kRotateLeft, "左回転"},       {kRotateRight, "右回転"},
      {kRotateUp, "上回転"},     {kRotateDown, "下回転"},       {kParallel, "正射影"},
      {kPlanView, "平面図"},     {kElevation, "立面図"},        {kBackView, "背面図"},
      {kLeftView, "左側面図"},   {kRightView, "右側面図"},      {kShowFrames, "枠表示"},
      {kShowFaces, "面表示"},    {kFitAll, "全体表示"},         {kZoomIn, "拡大"},
      {kZoomOut, "縮小"},        {kResetEye, "視点初期化"},     {kMakeShadows, "影作製"},
      {kDeleteShadows, "影削除"}, {kSunDirection, "太陽方向"},  {kLoadTexture, "ﾃｸｽﾁｬを読み込む"},
      {kAlwaysOnTop, "常に手前"}, {kLayers, "レイヤーの表示切り替え"}, {kBackground, "背景色"},
      {kDaylight, "昼光色"},     {kNightLight, "夜光色"},       {kSunset, "夕日色"},
      {kContrast, "ｺﾝﾄﾗｽﾄ強調"}, {kTextureAdjust, "ﾃｸｽﾁｬの調整"}, {kColourDialog, "色設定"},
      {kAero, "Aero対応機能の無効化"}, {kClearSelection, "選択の解除"},
      {kSave, "保存"},           {kSaveAs, "名前をつけて保存"}, {kPrintSettings, "拡張印刷設定"},
      {kPrint, "印刷"},          {kPrintPreview, "印刷ﾌﾟﾚﾋﾞｭｰ"}, {kPrintDirect, "直接印刷"},
      {kTestPrint, "Test"},      {kEyeDialog, "視点・注視点設定"}, {kSolarView, "ソーラビュー"},
      {kFog, "ﾌｫｸﾞ設定"},        {kShowShadows, "影表示"},      {kTransparentShadows, "透明体の影"},
      {kHiddenShadows, "非表示体の影"}, {kFastShadows, "影描画の高速化"},
  };
  const auto it = texts.find(id);
  return it == texts.end() ? QString() : QString::fromUtf8(it->second);
}

MainWindow::MainWindow(Application& app, QWidget* parent) : QMainWindow(parent), app_(app), ui_(app, this) {}

MainWindow::~MainWindow() {
  // The engine releases its display lists in the widget's context, so the
  // view goes while the widget is still there. The layer dialog, which
  // reaches into the view's scene, goes first.
  delete layer_;
  layer_ = nullptr;
  view_.reset();
}

QAction* MainWindow::Action(int id, const QString& text) {
  std::vector<QAction*>& list = actions_[id];
  for (QAction* action : list)
    if (action->text() == text) return action;
  auto* action = new QAction(text, this);
  action->setData(id);
  action->setCheckable(Markable(id));
  const QString tip = CommandText(id);
  action->setToolTip(tip.isEmpty() ? text : tip);
  action->setStatusTip(tip);
  const QIcon icon = CommandIcon(id);
  if (!icon.isNull()) {
    action->setIcon(icon);
    action->setIconVisibleInMenu(false);
  }
  connect(action, &QAction::triggered, this, [this, id] { Command(id); });
  list.push_back(action);
  return action;
}

void MainWindow::BuildMenus() {
  using namespace cmd;
  QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  QAction* open = Action(kOpen, QStringLiteral("開く(&O)..."));
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  open->setShortcutContext(Qt::ApplicationShortcut);
  file->addAction(open);
  file->addSeparator();
  file->addAction(Action(kLoadTexture, QStringLiteral("ﾃｸｽﾁｬ読み込み(&T)...")));
  file->addSeparator();
  file->addAction(Action(kFileOutput, QStringLiteral("ファイル出力(&P)...")));
  // The view's commands that no menu of the original offers: saving and
  // printing, after the items above, the exit still last.
  file->addSeparator();
  file->addAction(Action(kSave, QStringLiteral("保存")));
  file->addAction(Action(kSaveAs, QStringLiteral("名前をつけて保存...")));
  file->addSeparator();
  file->addAction(Action(kPrintSettings, QStringLiteral("拡張印刷設定...")));
  file->addAction(Action(kPrint, QStringLiteral("印刷...")));
  file->addAction(Action(kPrintPreview, QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ")));
  file->addAction(Action(kPrintDirect, QStringLiteral("直接印刷")));
  file->addAction(Action(kTestPrint, QStringLiteral("Test")));
  file->addSeparator();
  file->addAction(Action(kExitCommand, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)")));

  QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  view->addAction(Action(kAlwaysOnTop, QStringLiteral("常に手前に表示(&U)")));
  view->addSeparator();
  view->addAction(Action(kLayers, QStringLiteral("レイヤー設定(&L)")));
  view->addSeparator();
  view->addAction(Action(kEyeDialog, QStringLiteral("視点・注視点設定...")));
  view->addAction(Action(kSolarView, QStringLiteral("ソーラビュー")));
  view->addAction(Action(kFog, QStringLiteral("ﾌｫｸﾞ設定...")));

  QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&C)"));
  settings->addAction(Action(kBackground, QStringLiteral("背景色指定(&B)...")));
  QMenu* light = settings->addMenu(QStringLiteral("光源切り替え"));
  light->addAction(Action(kDaylight, QStringLiteral("昼光色")));
  light->addAction(Action(kNightLight, QStringLiteral("夜光色")));
  light->addAction(Action(kSunset, QStringLiteral("夕日色")));
  settings->addAction(Action(kContrast, QStringLiteral("ｺﾝﾄﾗｽﾄ強調")));
  settings->addAction(Action(kTextureAdjust, QStringLiteral("ﾃｸｽﾁｬの調整(&T)...")));
  settings->addSeparator();
  settings->addAction(Action(kColourDialog, QStringLiteral("色設定(&C)...")));
  settings->addAction(Action(kSunStudyCommand, QStringLiteral("日影図...")));
  settings->addAction(Action(kShadowRegulationCommand, QStringLiteral("日影規制...")));
  settings->addAction(Action(kShadowRegulationOverlayCommand, QStringLiteral("日影規制の表示")));
  settings->addSeparator();
  settings->addAction(Action(kAero, QStringLiteral("Aero対応機能の無効化")));
  settings->addSeparator();
  settings->addAction(Action(kShowShadows, QStringLiteral("影表示")));
  settings->addAction(Action(kTransparentShadows, QStringLiteral("透明体の影")));
  settings->addAction(Action(kHiddenShadows, QStringLiteral("非表示体の影")));
  settings->addAction(Action(kFastShadows, QStringLiteral("影描画の高速化")));

  contextMenu_ = new QMenu(this);
  const std::map<int, QString> contextTexts = {
      {kModeSelect, QStringLiteral("選択(&S)")},      {kClearSelection, QStringLiteral("選択解除(&U)")},
      {kColourDialog, QStringLiteral("色設定(&C)...")}, {kModeRotate, QStringLiteral("回転(&R)")},
      {kFitAll, QStringLiteral("全体表示(&A)")},       {kResetEye, QStringLiteral("視点初期化(&R)")},
      {kLayers, QStringLiteral("レイヤー設定(&L)")},   {kBackground, QStringLiteral("背景色指定(&B)")},
      {kFileOutput, QStringLiteral("ファイル出力(&P)...")},
  };
  for (const int id : kContextMenu) {
    if (id == 0)
      contextMenu_->addSeparator();
    else
      contextMenu_->addAction(Action(id, contextTexts.at(id)));
  }

  // Every menu shows the state of the moment.
  for (QMenu* menu : {file, view, settings, light, contextMenu_})
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::RefreshCommandStates);
}

void MainWindow::BuildToolbars() {
  std::map<int, QToolBar*> bars;
  for (const ToolbarResource& resource : ToolbarResources()) {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar%1").arg(resource.resource));
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    bar->setMovable(true);
    bar->setIconSize(QSize(24, 24));
    for (const int id : resource.buttons) {
      if (id == 0)
        bar->addSeparator();
      else
        bar->addAction(Action(id, CommandText(id)));
    }
    bars[resource.resource] = bar;
  }
  // 149, 153 and 147 in one row at the top; 151 above 155 on the left.
  addToolBar(Qt::TopToolBarArea, bars[149]);
  addToolBar(Qt::TopToolBarArea, bars[153]);
  addToolBar(Qt::TopToolBarArea, bars[147]);
  addToolBar(Qt::LeftToolBarArea, bars[151]);
  addToolBar(Qt::LeftToolBarArea, bars[155]);
  setDockOptions(dockOptions() | QMainWindow::AllowTabbedDocks);
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  for (size_t i = 0; i < panes_.size(); ++i) {
    auto* pane = new QLabel(this);
    pane->setObjectName(QStringLiteral("StatusPane%1").arg(i));
    if (i == 0) {
      pane->setText(QString::fromUtf8(text::kReady));
      bar->addWidget(pane, 1);
    } else {
      // The kana, caps, num and scroll lock indicators.
      pane->setMinimumWidth(40);
      pane->setFrameShape(QFrame::Panel);
      pane->setFrameShadow(QFrame::Sunken);
      bar->addPermanentWidget(pane);
    }
    panes_[i] = pane;
  }
  ui_.SetStatusPane(panes_[0]);
  // The lock keys change with any key the application sees, and while it
  // was in the background.
  qApp->installEventFilter(this);
  RefreshLockPanes();
}

void MainWindow::RefreshLockPanes() {
  const std::optional<KeyboardLocks> locks = ReadKeyboardLocks();
  if (!locks) return;
  const auto show = [this](size_t pane, bool on, const char* text) {
    panes_[pane]->setText(on ? QString::fromLatin1(text) : QString());
  };
  show(1, locks->kana, "KANA");
  show(2, locks->caps, "CAP");
  show(3, locks->num, "NUM");
  show(4, locks->scroll, "SCRL");
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::KeyRelease || type == QEvent::ApplicationActivate) RefreshLockPanes();
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ReadPlacement() {
  QSettings profile = Profile();
  layoutOut_ = profile.value(QStringLiteral("Config/LayoutOut"), 1).toInt();
  oldOut_ = profile.value(QStringLiteral("Config/OldOut"), 1).toInt();
  // The whole placement as it was saved: frame and client alike, the
  // maximised state, and on a screen that is still there.
  if (restoreGeometry(profile.value(QStringLiteral("WindowPos/Geometry")).toByteArray())) return;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 768, 690);
  if (profile.contains(QStringLiteral("WindowPos/FrameWidth"))) {
    // Only the four numbers, from an older viewer: the frame they describe,
    // kept on the screen.
    const int width = profile.value(QStringLiteral("WindowPos/FrameWidth"), 512).toInt();
    const int height = profile.value(QStringLiteral("WindowPos/FrameHeight"), 460).toInt();
    const int x = profile.value(QStringLiteral("WindowPos/FrameX"), 0).toInt();
    const int y = profile.value(QStringLiteral("WindowPos/FrameY"), 0).toInt();
    const QRect placed = KeepOnScreen(QRect(x, y, width, height), area);
    resize(placed.size());
    move(placed.topLeft());
    return;
  }
  // First start: two thirds of the screen, in its middle, so the toolbars
  // have room.
  const QSize size(area.width() * 2 / 3, area.height() * 2 / 3);
  resize(size);
  move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void MainWindow::SavePlacement() {
  // A window partly left of the primary screen keeps the placement saved
  // before.
  const QRect frame = frameGeometry();
  if (frame.left() < 0) return;
  QSettings profile = Profile();
  // The numbers describe the frame; a maximised window keeps the placement
  // it goes back to.
  const QRect normal = isMaximized() || isFullScreen() ? normalGeometry() : frame;
  profile.setValue(QStringLiteral("WindowPos/FrameWidth"), normal.width());
  profile.setValue(QStringLiteral("WindowPos/FrameHeight"), normal.height());
  profile.setValue(QStringLiteral("WindowPos/FrameX"), normal.left());
  profile.setValue(QStringLiteral("WindowPos/FrameY"), normal.top());
  profile.setValue(QStringLiteral("WindowPos/Geometry"), saveGeometry());
  profile.setValue(QStringLiteral("Config/LayoutOut"), layoutOut_);
  profile.setValue(QStringLiteral("Config/OldOut"), oldOut_);
  profile.setValue(QStringLiteral("ControlBarState"), saveState());
}

QRect KeepOnScreen(QRect window, const QRect& area) {
  window.setWidth(std::clamp(window.width(), 1, std::max(area.width(), 1)));
  window.setHeight(std::clamp(window.height(), 1, std::max(area.height(), 1)));
  window.moveLeft(std::clamp(window.left(), area.left(), area.right() + 1 - window.width()));
  window.moveTop(std::clamp(window.top(), area.top(), area.bottom() + 1 - window.height()));
  return window;
}

bool MainWindow::CreateMainWindow(const LaunchOptions& options) {
  ReadPlacement();
  BuildMenus();
  BuildToolbars();
  BuildStatusBar();
  glView_ = new ViewWidget(this);
  setCentralWidget(glView_);
  {
    // A saved toolbar layout replaces the default one.
    QSettings profile = Profile();
    const QByteArray state = profile.value(QStringLiteral("ControlBarState")).toByteArray();
    if (!state.isEmpty()) restoreState(state);
  }
  setWindowTitle(QStringLiteral("Korvex"));
  ui_.SetRepaint([this] { glView_->update(); });
  ui_.SetHostLost([this] { DropHost(); });

  winId();  // the native window, whose id the host receives
  if (!glView_->PrepareContext()) return false;

  launch_.modelPath = options.modelPath;
  launch_.texturePath = options.texturePath;
  launch_.backgroundPath = options.backgroundPath;
  launch_.reload = options.reload;
  launch_.perspective = options.perspective;
  launch_.hostWindow = options.hostId;
  launch_.mainWindow = MainWindowId();
  view_ = std::make_unique<CStereonView>(ui_, launch_, this);
  if (!view_->Create(glView_)) {
    view_.reset();
    return false;
  }
  glView_->SetView(view_.get());
  glView_->SetAfterInput([this] { RefreshCommandStates(); });
  glView_->SetAfterPaint([this] {
    // The project title wins over the titles of opened models.
    if (app_.title) setWindowTitle(FromUtf8(*app_.title));
    NoteStartFit();
  });
  glView_->SetAfterResize([this] { RefitAfterPlacement(); });
  startFit_.active = view_->FitPending();
  // The framework's title: the opened document's name, or none.
  const bool loaded = !options.modelPath.empty() && view_->StartupResult() == ModelLoadResult::kLoaded;
  const QString document =
      loaded ? QFileInfo(QFile::decodeName(options.modelPath.c_str())).fileName() : QStringLiteral("無題");
  setWindowTitle(document + QString::fromUtf8(text::kTitleSuffix));
  RefreshCommandStates();
  return true;
}

void MainWindow::NoteStartFit() {
  if (!startFit_.active || startFit_.noted || view_->FitPending()) return;
  startFit_.noted = true;
  startFit_.size = glView_->size();
  startFit_.camera = view_->State();
}

void MainWindow::RefitAfterPlacement() {
  // The window manager may give the window its restored (or maximised)
  // size only after the model was fitted to the first one: fit again, as
  // long as the user has not moved the camera since.
  if (!startFit_.active || !startFit_.noted || glView_->size() == startFit_.size) return;
  const ViewState& now = view_->State();
  const ViewState& then = startFit_.camera;
  if (now.eye != then.eye || now.target != then.target || now.zoom != then.zoom ||
      now.displayFlags != then.displayFlags) {
    startFit_.active = false;
    return;
  }
  view_->OnCommand(cmd::kFitAll);
  startFit_.size = glView_->size();
  startFit_.camera = view_->State();
}

void MainWindow::ShowMainWindow() {
  show();
  glView_->setFocus();
}

void MainWindow::SetTitle(std::string_view utf8) { setWindowTitle(FromUtf8(utf8)); }

void MainWindow::SetTopMost(bool on) {
  topMost_ = on;
  ApplyTopMost();
  RefreshCommandStates();
}

void MainWindow::ApplyTopMost() {
  const bool has = (windowFlags() & Qt::WindowStaysOnTopHint) != 0;
  if (has == topMost_) {
    if (topMost_) raise();
    return;
  }
  // Changing the flag re-creates the native window; keep it where it is.
  const bool visible = isVisible();
  const QRect geometry = this->geometry();
  setWindowFlag(Qt::WindowStaysOnTopHint, topMost_);
  setGeometry(geometry);
  if (visible) show();
  // The host names the window by its new id from now on.
  launch_.mainWindow = MainWindowId();
}

uint64_t MainWindow::MainWindowId() const { return static_cast<uint64_t>(winId()); }

void MainWindow::ShowContextMenu(int x, int y) {
  const qreal ratio = glView_->devicePixelRatioF();
  const QPoint at = glView_->mapToGlobal(QPoint(qRound(x / ratio), qRound(y / ratio)));
  contextMenu_->popup(at);
}

void MainWindow::MoveCursor(int x, int y) {
  const qreal ratio = glView_->devicePixelRatioF();
  QCursor::setPos(glView_->mapToGlobal(QPoint(qRound(x / ratio), qRound(y / ratio))));
}

void MainWindow::CloseMainWindow() {
  // Not from inside the host's notification: the window goes after it.
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

int MainWindow::ReadAeroFlag() { return Profile().value(QStringLiteral("Setup/AeroFlag"), 0).toInt(); }

void MainWindow::WriteAeroFlag(int value) { Profile().setValue(QStringLiteral("Setup/AeroFlag"), value); }

bool MainWindow::RunCommand(int id) {
  if (id == cmd::kAlwaysOnTop) {
    SetTopMost(!topMost_);
    return true;
  }
  if (view_ && RunPrintCommand(this, *view_, id)) {
    glView_->update();
    return true;
  }
  return false;
}

namespace {

// Shows a settings dialog modally over the window; on OK its values replace
// the caller's.
template <typename Dialog, typename Values>
bool RunDialog(QWidget* parent, Values& values) {
  Dialog dialog(values, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  values = dialog.Values();
  return true;
}

}  // namespace

bool MainWindow::EyeDialog(EyeDialogValues& values) { return RunDialog<dialogs::EyeDialog>(this, values); }

bool MainWindow::ColourDialog(ColourDialogValues& values) { return RunDialog<dialogs::ColorDialog>(this, values); }

bool MainWindow::NodePropertyDialog(NodePropertyValues& values) {
  return RunDialog<dialogs::NodePropertyDialog>(this, values);
}

bool MainWindow::BackgroundDialog(BackgroundDialogValues& values) {
  return RunDialog<dialogs::BackgroundDialog>(this, values);
}

bool MainWindow::FogDialog(FogDialogValues& values) { return RunDialog<dialogs::FogDialog>(this, values); }

bool MainWindow::TimeDialog(TimeDialogValues& values) { return RunDialog<dialogs::CJikokuDlg>(this, values); }

bool MainWindow::BitmapOutputDialog(ExportDialogValues& values) {
  if (!RunDialog<dialogs::BmpOutDialog>(this, values)) return false;
  // The boxes' last values are stored at exit, though they never preset
  // the dialog.
  oldOut_ = values.oldMethod ? 1 : 0;
  layoutOut_ = values.layoutOut ? 1 : 0;
  return true;
}

bool MainWindow::PrintSettingsDialog(PrintDialogValues& values) {
  return RunDialog<dialogs::ExPrintDialog>(this, values);
}

void MainWindow::TextureDialog(std::span<StereonTexture* const> textures) {
  dialogs::CTextureDlg dialog(textures, this);
  dialog.exec();
}

void MainWindow::OpenLayerDialog(CInkSolid& scene) {
  // Made once and kept when closed, so it reopens with the size it had.
  if (layer_ == nullptr)
    layer_ = new dialogs::LayerDialog([&scene] { return scene.GetRoot(); },
                                      [this](CInkNode& node) { view_->RebuildNode(node); },
                                      [this] { glView_->update(); }, this);
  layer_->Fill();
  layer_->show();
  layer_->raise();
  layer_->activateWindow();
}

void MainWindow::Command(int id) {
  if (id == kExitCommand) {
    close();
    return;
  }
  if (id == cmd::kAlwaysOnTop) {
    RunCommand(id);
  } else if (id == kSunStudyCommand) {
    if (view_) RunSunStudyDialog(this, *view_);
  } else if (id == kShadowRegulationCommand) {
    if (view_) RunShadowRegulationDialog(this, *view_);
  } else if (id == kShadowRegulationOverlayCommand) {
    if (view_) view_->ShowStudyDrawing(!view_->StudyDrawingShown());
  } else if (view_) {
    view_->OnCommand(id);
  }
  RefreshCommandStates();
}

void MainWindow::RefreshCommandStates() {
  if (!view_) return;
  for (auto& [id, list] : actions_) {
    cmd::CommandState state;
    if (id == cmd::kAlwaysOnTop) {
      state.checked = topMost_;
    } else if (id == kShadowRegulationOverlayCommand) {
      state.enabled = view_->HasStudyDrawing();
      state.checked = view_->HasStudyDrawing() && view_->StudyDrawingShown();
    } else if (id != kExitCommand && id != kSunStudyCommand && id != kShadowRegulationCommand) {
      state = view_->GetCommandState(id);
    }
    for (QAction* action : list) {
      action->setEnabled(state.enabled);
      if (action->isCheckable()) action->setChecked(state.checked);
    }
  }
}

void MainWindow::WatchHost() {
  if (!app_.host.Connected()) {
    launch_.hostWindow = 0;
    return;
  }
  hostNotifier_ = new QSocketNotifier(static_cast<qintptr>(app_.host.Descriptor()), QSocketNotifier::Read, this);
  connect(hostNotifier_, &QSocketNotifier::activated, this, [this] { HostInput(); });
}

void MainWindow::HostInput() {
  for (const HostRecord& record : korvex::CollapseHostBatch(app_.host.Receive()))
    if (view_) view_->OnHostMessage(record.message);
  if (!app_.host.Connected()) DropHost();
  RefreshCommandStates();
}

void MainWindow::DropHost() {
  // The host is forgotten: nothing more is sent, and its socket, closed
  // now, is no longer watched.
  app_.options.hostId = 0;
  launch_.hostWindow = 0;
  if (hostNotifier_ != nullptr) {
    hostNotifier_->setEnabled(false);
    hostNotifier_->deleteLater();
    hostNotifier_ = nullptr;
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  SavePlacement();
  QMainWindow::closeEvent(event);
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Each activation puts the always-on-top state in force again.
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && topMost_) ApplyTopMost();
}

}  // namespace korvex::gui
