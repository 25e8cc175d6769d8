#include "app/gui/MainWindow.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QMessageBox>
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
#include "app/gui/SectionRunner.h"
#include "app/gui/ShadowRegulationRunner.h"
#include "app/gui/SunStudyRunner.h"
#include "dialogs/BkColorDlg.h"
#include "dialogs/BMPOutDlg.h"
#include "dialogs/ExPrintDlg.h"
#include "dialogs/ColorDlg.h"
#include "dialogs/EyeDlg.h"
#include "dialogs/FogDlg.h"
#include "dialogs/JikokuDlg.h"
#include "dialogs/LayerDlg.h"
#include "dialogs/NodePropertyDlg.h"
#include "dialogs/TextureDlg.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "view/ViewTexts.h"
#include "sheet/Tr.h"
#include "sheet/Translations.h"
#include "common/UiText.h"

using korvex::Tr;

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
    case cmd::kModeMeasure:
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
    case cmd::kShowSections:
    case cmd::kModeSectionMove:
    case kShadowRegulationOverlayCommand: return true;
    default: return false;
  }
}

}  // namespace

const std::vector<ToolbarResource>& ToolbarResources() {
  using namespace cmd;
  static const std::vector<ToolbarResource> resources = {
      {147, {kOpen, 0, kFileOutput}},
      {151, {kModeSelect, kModeRotate, kModeMeasure}},
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
      {kOpen, TrNoop("開く")},           {kFileOutput, TrNoop("ファイル出力")}, {kModeSelect, TrNoop("選択")},
      {kModeRotate, TrNoop("回転")},     {kRotateLeft, TrNoop("左回転")},       {kRotateRight, TrNoop("右回転")},
      {kRotateUp, TrNoop("上回転")},     {kRotateDown, TrNoop("下回転")},       {kParallel, TrNoop("正射影")},
      {kPlanView, TrNoop("平面図")},     {kElevation, TrNoop("立面図")},        {kBackView, TrNoop("背面図")},
      {kLeftView, TrNoop("左側面図")},   {kRightView, TrNoop("右側面図")},      {kShowFrames, TrNoop("枠表示")},
      {kShowFaces, TrNoop("面表示")},    {kFitAll, TrNoop("全体表示")},         {kZoomIn, TrNoop("拡大")},
      {kZoomOut, TrNoop("縮小")},        {kResetEye, TrNoop("視点初期化")},     {kMakeShadows, TrNoop("影作製")},
      {kDeleteShadows, TrNoop("影削除")}, {kSunDirection, TrNoop("太陽方向")},  {kLoadTexture, TrNoop("ﾃｸｽﾁｬを読み込む")},
      {kAlwaysOnTop, TrNoop("常に手前")}, {kLayers, TrNoop("レイヤーの表示切り替え")}, {kBackground, TrNoop("背景色")},
      {kDaylight, TrNoop("昼光色")},     {kNightLight, TrNoop("夜光色")},       {kSunset, TrNoop("夕日色")},
      {kContrast, TrNoop("ｺﾝﾄﾗｽﾄ強調")}, {kTextureAdjust, TrNoop("ﾃｸｽﾁｬの調整")}, {kColourDialog, TrNoop("色設定")},
      {kAero, TrNoop("Aero対応機能の無効化")}, {kClearSelection, TrNoop("選択の解除")},
      {kSave, TrNoop("保存")},           {kSaveAs, TrNoop("名前をつけて保存")}, {kPrintSettings, TrNoop("拡張印刷設定")},
      {kPrint, TrNoop("印刷")},          {kPrintPreview, TrNoop("印刷ﾌﾟﾚﾋﾞｭｰ")}, {kPrintDirect, TrNoop("直接印刷")},
      {kTestPrint, TrNoop("Test")},      {kEyeDialog, TrNoop("視点・注視点設定")}, {kSolarView, TrNoop("ソーラビュー")},
      {kFog, TrNoop("ﾌｫｸﾞ設定")},        {kShowShadows, TrNoop("影表示")},      {kTransparentShadows, TrNoop("透明体の影")},
      {kHiddenShadows, TrNoop("非表示体の影")}, {kFastShadows, TrNoop("影描画の高速化")},
      {kModeMeasure, TrNoop("計測")},    {kCopyMeasure, TrNoop("計測結果をコピー")},
  };
  const auto it = texts.find(id);
  return it == texts.end() ? QString() : Tr(it->second);
}

MainWindow::MainWindow(Application& app, QWidget* parent) : QMainWindow(parent), app_(app), ui_(app, this) {}

MainWindow::~MainWindow() {
  // The engine releases its display lists in the widget's context, so the
  // view goes while the widget is still there. The layer dialog, which
  // reaches into the view's scene, goes first.
  delete layer_;
  layer_ = nullptr;
  if (glView_) glView_->SetView(nullptr);
  view_.reset();
}

ViewWidget* MainWindow::GLView() { return glView_; }

void MainWindow::Wake() {
  // Called from a worker: the view is reached on the window's own thread,
  // and not at all once the window has gone.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (view_) view_->OnWake();
      },
      Qt::QueuedConnection);
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
  QMenu* file = menuBar()->addMenu(Tr("ﾌｧｲﾙ(&F)"));
  QAction* open = Action(kOpen, Tr("開く(&O)..."));
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  open->setShortcutContext(Qt::ApplicationShortcut);
  file->addAction(open);
  file->addSeparator();
  file->addAction(Action(kLoadTexture, Tr("ﾃｸｽﾁｬ読み込み(&T)...")));
  file->addSeparator();
  file->addAction(Action(kFileOutput, Tr("ファイル出力(&P)...")));
  // The view's commands that no menu of the original offers: saving and
  // printing, after the items above, the exit still last.
  file->addSeparator();
  file->addAction(Action(kSave, Tr("保存")));
  file->addAction(Action(kSaveAs, Tr("名前をつけて保存...")));
  file->addSeparator();
  file->addAction(Action(kPrintSettings, Tr("拡張印刷設定...")));
  file->addAction(Action(kPrint, Tr("印刷...")));
  file->addAction(Action(kPrintPreview, Tr("印刷ﾌﾟﾚﾋﾞｭｰ")));
  file->addAction(Action(kPrintDirect, Tr("直接印刷")));
  file->addAction(Action(kTestPrint, QStringLiteral("Test")));
  file->addSeparator();
  file->addAction(Action(kExitCommand, Tr("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)")));

  QMenu* view = menuBar()->addMenu(Tr("表示(&V)"));
  view->addAction(Action(kAlwaysOnTop, Tr("常に手前に表示(&U)")));
  view->addSeparator();
  view->addAction(Action(kLayers, Tr("レイヤー設定(&L)")));
  view->addSeparator();
  view->addAction(Action(kEyeDialog, Tr("視点・注視点設定...")));
  view->addAction(Action(kSolarView, Tr("ソーラビュー")));
  view->addAction(Action(kFog, Tr("ﾌｫｸﾞ設定...")));
  view->addSeparator();
  view->addAction(Action(kModeMeasure, Tr("計測(&M)")));
  view->addAction(Action(kCopyMeasure, Tr("計測結果をコピー")));
  view->addSeparator();
  view->addAction(Action(kSectionDialogCommand, Tr("断面...")));
  view->addAction(Action(cmd::kShowSections, Tr("断面表示")));
  view->addAction(Action(cmd::kModeSectionMove, Tr("断面移動")));

  QMenu* settings = menuBar()->addMenu(Tr("設定(&C)"));
  settings->addAction(Action(kBackground, Tr("背景色指定(&B)...")));
  QMenu* light = settings->addMenu(Tr("光源切り替え"));
  light->addAction(Action(kDaylight, Tr("昼光色")));
  light->addAction(Action(kNightLight, Tr("夜光色")));
  light->addAction(Action(kSunset, Tr("夕日色")));
  settings->addAction(Action(kContrast, Tr("ｺﾝﾄﾗｽﾄ強調")));
  settings->addAction(Action(kTextureAdjust, Tr("ﾃｸｽﾁｬの調整(&T)...")));
  settings->addSeparator();
  settings->addAction(Action(kColourDialog, Tr("色設定(&C)...")));
  settings->addAction(Action(kSunStudyCommand, Tr("日影図...")));
  settings->addAction(Action(kShadowRegulationCommand, Tr("日影規制...")));
  settings->addAction(Action(kShadowRegulationOverlayCommand, Tr("日影規制の表示")));
  settings->addSeparator();
  BuildLanguageMenu(*settings);
  settings->addSeparator();
  settings->addAction(Action(kAero, Tr("Aero対応機能の無効化")));
  settings->addSeparator();
  settings->addAction(Action(kShowShadows, Tr("影表示")));
  settings->addAction(Action(kTransparentShadows, Tr("透明体の影")));
  settings->addAction(Action(kHiddenShadows, Tr("非表示体の影")));
  settings->addAction(Action(kFastShadows, Tr("影描画の高速化")));

  contextMenu_ = new QMenu(this);
  const std::map<int, QString> contextTexts = {
      {kModeSelect, Tr("選択(&S)")},      {kClearSelection, Tr("選択解除(&U)")},
      {kColourDialog, Tr("色設定(&C)...")}, {kModeRotate, Tr("回転(&R)")},
      {kFitAll, Tr("全体表示(&A)")},       {kResetEye, Tr("視点初期化(&R)")},
      {kLayers, Tr("レイヤー設定(&L)")},   {kBackground, Tr("背景色指定(&B)")},
      {kFileOutput, Tr("ファイル出力(&P)...")},
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

void MainWindow::BuildLanguageMenu(QMenu& settings) {
  // Written in both languages, and each language in its own, so that a user
  // who reads only one of them finds the way back.
  QMenu* menu = settings.addMenu(QStringLiteral("言語 / Language"));
  menu->setObjectName(QStringLiteral("language"));
  auto* group = new QActionGroup(menu);
  const UiLanguage saved = SavedUiLanguage();
  for (const auto& [language, name] : {std::pair{UiLanguage::kJapanese, "日本語"}, std::pair{UiLanguage::kEnglish, "English"}}) {
    QAction* action = menu->addAction(QString::fromUtf8(name));
    action->setCheckable(true);
    action->setChecked(language == saved);
    action->setData(QString::fromUtf8(UiLanguageCode(language).data()));
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, language] { ChooseLanguage(language); });
  }
}

void MainWindow::ChooseLanguage(UiLanguage language) {
  if (language == SavedUiLanguage()) return;
  SaveUiLanguage(language);
  // The menus, the dialogs and Qt's own texts are made in one language at
  // the start; the message says it in both.
  QMessageBox box(QMessageBox::Information, QStringLiteral("言語 / Language"),
                  QStringLiteral("言語の変更は次回の起動から有効になります。\n"
                                 "The language changes at the next start of the viewer."),
                  QMessageBox::Ok, this);
  box.exec();
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
      pane->setText(FromUtf8(UiText(text::kReady)));
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
  ui_.SetRepaint([this] {
    if (glView_) glView_->update();
  });
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
      loaded ? QFileInfo(QFile::decodeName(options.modelPath.c_str())).fileName() : Tr("無題");
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
  if (now.camera.eye != then.camera.eye || now.camera.target != then.camera.target || now.zoom != then.zoom ||
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

bool MainWindow::EyeDialog(EyeDialogValues& values) { return RunDialog<dialogs::CEyeDlg>(this, values); }

bool MainWindow::ColourDialog(ColourDialogValues& values) { return RunDialog<dialogs::CColorDlg>(this, values); }

bool MainWindow::NodePropertyDialog(NodePropertyValues& values) {
  return RunDialog<dialogs::CNodePropertyDlg>(this, values);
}

bool MainWindow::BackgroundDialog(BackgroundDialogValues& values) {
  return RunDialog<dialogs::CBkColorDlg>(this, values);
}

bool MainWindow::FogDialog(FogDialogValues& values) { return RunDialog<dialogs::CFogDlg>(this, values); }

bool MainWindow::TimeDialog(TimeDialogValues& values) { return RunDialog<dialogs::CJikokuDlg>(this, values); }

bool MainWindow::BitmapOutputDialog(ExportDialogValues& values) {
  if (!RunDialog<dialogs::CBMPOutDlg>(this, values)) return false;
  // The boxes' last values are stored at exit, though they never preset
  // the dialog.
  oldOut_ = values.oldMethod ? 1 : 0;
  layoutOut_ = values.layoutOut ? 1 : 0;
  return true;
}

bool MainWindow::PrintSettingsDialog(PrintDialogValues& values) {
  return RunDialog<dialogs::CExPrintDlg>(this, values);
}

void MainWindow::TextureDialog(std::span<StereonTexture* const> textures) {
  dialogs::CTextureDlg dialog(textures, this);
  dialog.exec();
}

void MainWindow::OpenLayerDialog(CInkSolid& scene) {
  // Made once and kept when closed, so it reopens with the size it had.
  if (layer_ == nullptr) {
    // The dialog writes the shown flags of the nodes it is handed, which the
    // measure worker reads: the worker is stopped first.
    auto root = [this, &scene] {
      view_->StopMeasureBuild();
      return scene.GetRoot();
    };
    layer_ = new dialogs::CLayerDlg(root, [this](CInkNode& node) { view_->RebuildNode(node); },
                                      [this] { glView_->update(); }, this);
  }
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
  } else if (id == kSectionDialogCommand) {
    if (view_) RunSectionDialog(this, *view_);
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
    } else if (id != kExitCommand && id != kSunStudyCommand && id != kShadowRegulationCommand &&
               id != kSectionDialogCommand) {
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
