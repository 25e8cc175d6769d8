// The main window: menus, the five toolbars, the status bar with its five
// panes, the view widget, the window placement and the host link. It builds
// the view core and forwards to it; the behaviour is the core's.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <memory>
#include <vector>

#include "app/Startup.h"
#include "app/gui/QtUserInterface.h"
#include "common/UiText.h"
#include "view/StereonView.h"
#include "view/ViewShell.h"

class QAction;
class QLabel;
class QMenu;
class QSocketNotifier;
class QToolBar;

namespace korvex::dialogs {
class CLayerDlg;
}

namespace korvex::gui {

class ViewWidget;

// The toolbars in the order they are made: resource number and buttons
// (command ids, 0 for a separator).
struct ToolbarResource {
  int resource;
  std::vector<int> buttons;
};
const std::vector<ToolbarResource>& ToolbarResources();

// The short text of a command (its tooltip); empty for an unknown one.
QString CommandText(int id);

inline constexpr int kExitCommand = 57665;

// A window rectangle moved (and, when larger, cut) into a screen's area.
QRect KeepOnScreen(QRect window, const QRect& area);

class MainWindow final : public QMainWindow, public StartupWindow, public ViewShell {
 public:
  explicit MainWindow(Application& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  // StartupWindow.
  bool CreateMainWindow(const LaunchOptions& options) override;
  void ShowMainWindow() override;
  // Both the start-up's project title and the view's model title.
  void SetTitle(std::string_view utf8) override;
  void SetTopMost(bool on) override;
  uint64_t MainWindowId() const override;

  // ViewShell.
  void ShowContextMenu(int x, int y) override;
  void MoveCursor(int x, int y) override;
  void CloseMainWindow() override;
  int ReadAeroFlag() override;
  void WriteAeroFlag(int value) override;
  bool RunCommand(int id) override;
  void Wake() override;
  bool EyeDialog(EyeDialogValues& values) override;
  bool ColourDialog(ColourDialogValues& values) override;
  bool NodePropertyDialog(NodePropertyValues& values) override;
  bool BackgroundDialog(BackgroundDialogValues& values) override;
  bool FogDialog(FogDialogValues& values) override;
  bool TimeDialog(TimeDialogValues& values) override;
  void TextureDialog(std::span<StereonTexture* const> textures) override;
  void OpenLayerDialog(CInkSolid& scene) override;
  bool BitmapOutputDialog(ExportDialogValues& values) override;
  bool PrintSettingsDialog(PrintDialogValues& values) override;

  // Starts watching the host link once start-up connected it.
  void WatchHost();
  // Carries out a command as its menu item or button does.
  void Command(int id);
  // Brings every menu item and button up to the view's state.
  void RefreshCommandStates();

  CStereonView* View() { return view_.get(); }
  ViewWidget* GLView();
  QLabel* StatusPane(int index) { return panes_[static_cast<size_t>(index)]; }
  QMenu* ContextMenu() { return contextMenu_; }
  // The layer dialog once it was opened (it is kept, hidden, when closed).
  dialogs::CLayerDlg* LayerDialog() { return layer_; }
  // The actions of a command (one per distinct text it shows).
  const std::vector<QAction*>& Actions(int id) { return actions_[id]; }
  bool TopMost() const { return topMost_; }
  // Shows the lock keys' states in panes 1 to 4.
  void RefreshLockPanes();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* Action(int id, const QString& text);
  void BuildMenus();
  // "言語 / Language": the language of the next start, kept in the user
  // settings.
  void BuildLanguageMenu(QMenu& settings);
  void ChooseLanguage(UiLanguage language);
  void BuildToolbars();
  void BuildStatusBar();
  void ReadPlacement();
  void SavePlacement();
  void NoteStartFit();
  void RefitAfterPlacement();
  void HostInput();
  void DropHost();
  void ApplyTopMost();

  Application& app_;
  LaunchValues launch_;
  QtUserInterface ui_;
  QPointer<ViewWidget> glView_;  // null once the widget is gone
  std::unique_ptr<CStereonView> view_;
  std::map<int, std::vector<QAction*>> actions_;
  QMenu* contextMenu_ = nullptr;
  dialogs::CLayerDlg* layer_ = nullptr;
  std::array<QLabel*, 5> panes_{};
  QSocketNotifier* hostNotifier_ = nullptr;
  bool topMost_ = false;
  // The fit of the start-up model and the size and camera it was made for.
  struct {
    bool active = false;
    bool noted = false;
    QSize size;
    ViewState camera;
  } startFit_;
  int layoutOut_ = 1;
  int oldOut_ = 1;
};

}  // namespace korvex::gui
