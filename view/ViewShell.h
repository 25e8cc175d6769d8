// What the view asks of the program around it, beyond the user interface of
// common/user_interface.h: the main window's title, the context menu, the
// cursor, closing, the stored Aero flag, and the dialogs.
//
// Every dialog is a call that receives the current values and returns true
// when the user pressed OK, with the values changed in place. The default
// answers are those of a user who cancels everything, so a shell (or a test)
// overrides only what it offers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "geometry/gm_types.h"
#include "model/SceneSettings.h"

class CInkSolid;
class CStereon;
struct StereonTexture;

namespace korvex {

struct EyeDialogValues {
  SceneCamera camera;  // the dialog leaves which way is up as it is
  double rotationStep = 5.0;
  int isometricCorner = -1;  // 0..3 chosen by the isometric buttons, -1 none
  std::string referenceScale;  // N of the reference scale 1/N, as decimal text
};

struct ColourDialogValues {
  uint32_t colour = 0;  // opacity in the top byte, red in the lowest
  int textureIndex = 0;
  bool visible = true;
  CStereon* engine = nullptr;  // for the list of textures
};

struct NodePropertyValues {
  GMVector origin;
  GMVector scale{1.0, 1.0, 1.0};
  GMVector axis{0.0, 0.0, 1.0};
  double angleDegrees = 0.0;
};

struct BackgroundDialogValues {
  uint32_t colour = 0;  // low 24 bits
  bool useImage = false;
};

struct FogValues {
  bool used = false;
  double start = 1.0;
  double end = 3000.0;
  double density = 0.01;
  int mode = 2;
};

struct FogDialogValues {
  FogValues face;
  FogValues line;
};

// The export settings of "ファイル出力", kept while the program runs.
struct ExportDialogValues {
  int sizeMode = 1;  // 0 the view's size, 1 the given size
  int width = 3900;  // 4 … 10000
  int height = 2420;  // 1 … 10000
  double lineWidth = 1.0;  // 0.1 … 10
  // Both open unchecked every time; their last values go to the settings
  // store ("Config", "OldOut" and "LayoutOut").
  bool oldMethod = false;
  bool layoutOut = false;
  std::string layoutBase = "BmpLayout";  // at most 259 bytes
};

// The extended print settings "拡張印刷設定", kept while the program runs.
struct PrintDialogValues {
  int resolution = 3;  // 0 high, 1 medium, 2 low, 3 simple (the view's size)
  double lineWidth = 1.0;  // 0.1 … 10
};

struct TimeDialogValues;  // view/SunTimes.h

class ViewShell {
 public:
  virtual ~ViewShell() = default;

  // Called on a worker thread when the view has news for its own thread
  // (the measure surfaces are ready): the shell then calls
  // CStereonView::OnWake on the view's thread, soon. Without it the news
  // waits for the next mouse move.
  virtual void Wake() {}
  // The main window's title.
  virtual void SetTitle(std::string_view /*title*/) {}
  // The pop-up menu of cmd::kContextMenu at a point of the view (pixels,
  // y down); the chosen command comes back through CStereonView::OnCommand.
  virtual void ShowContextMenu(int /*x*/, int /*y*/) {}
  // Puts the mouse cursor on a point of the view.
  virtual void MoveCursor(int /*x*/, int /*y*/) {}
  // The host asked the viewer to close: close the main window.
  virtual void CloseMainWindow() {}
  // The Aero flag of the settings store ("Setup", "AeroFlag").
  virtual int ReadAeroFlag() { return 0; }
  virtual void WriteAeroFlag(int /*value*/) {}

  virtual bool EyeDialog(EyeDialogValues& /*values*/) { return false; }
  virtual bool ColourDialog(ColourDialogValues& /*values*/) { return false; }
  virtual bool NodePropertyDialog(NodePropertyValues& /*values*/) { return false; }
  virtual bool BackgroundDialog(BackgroundDialogValues& /*values*/) { return false; }
  virtual bool FogDialog(FogDialogValues& /*values*/) { return false; }
  // "時刻指定": the list is filled (LoadTimeDialog); OK is AcceptTimeDialog.
  virtual bool TimeDialog(TimeDialogValues& /*values*/) { return false; }
  // Edits the records in place; closes with "閉じる" only.
  virtual void TextureDialog(std::span<StereonTexture* const> /*textures*/) {}
  // The modeless layer dialog on the scene; opened once, kept afterwards.
  virtual void OpenLayerDialog(CInkSolid& /*scene*/) {}
  virtual bool BitmapOutputDialog(ExportDialogValues& /*values*/) { return false; }
  virtual bool PrintSettingsDialog(PrintDialogValues& /*values*/) { return false; }
  // Commands whose work lies outside the view core: printing (the page
  // itself is the view's PrintPage) and always-on-top. True when the shell carried it out.
  virtual bool RunCommand(int /*id*/) { return false; }
};

}  // namespace korvex
