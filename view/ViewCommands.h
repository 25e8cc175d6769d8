// The command identifiers the view carries out, and the enable and check
// state a menu item or toolbar button shows for each.
//
// The numbers are the ones the menus, toolbars and accelerators of the
// program use; the GUI maps its actions to them and asks the view for their
// state before it shows them.
#pragma once

#include <array>

namespace korvex::cmd {

// Display toggles.
inline constexpr int kShowPolygons = 32772;
inline constexpr int kShowFaces = 32773;
inline constexpr int kShowFrames = 32774;
inline constexpr int kShowLines = 32775;
inline constexpr int kParallel = 32781;
inline constexpr int kShowShadows = 32786;
// Mouse modes.
inline constexpr int kModeEyeMove = 32777;
inline constexpr int kModeTargetMove = 32778;
inline constexpr int kModeLight = 32776;
inline constexpr int kModeSelect = 32780;
inline constexpr int kModeEyeTargetMove = 32794;
inline constexpr int kModeRotate = 32875;
inline constexpr int kShiftMode = 32815;
// Measuring: the mouse mode, and the last result to the clipboard.
inline constexpr int kModeMeasure = 32990;
inline constexpr int kCopyMeasure = 32991;
// Sections: the check item that switches the planes on and off, and the
// mouse mode that drags a plane along its normal.
inline constexpr int kShowSections = 33010;
inline constexpr int kModeSectionMove = 33011;
// Shadows.
inline constexpr int kMakeShadows = 32785;
inline constexpr int kDeleteShadows = 32787;
inline constexpr int kTransparentShadows = 32788;
inline constexpr int kHiddenShadows = 32789;
inline constexpr int kFastShadows = 32814;
// Up axis.
inline constexpr int kYUp = 32791;
inline constexpr int kZUp = 32792;
// Dialogs on the camera and the selection.
inline constexpr int kEyeDialog = 32783;
inline constexpr int kColourDialog = 32784;
inline constexpr int kNodeProperty = 32790;
inline constexpr int kClearSelection = 32803;
// The model and its display.
inline constexpr int kShowAll = 32802;
inline constexpr int kRemoveInvalid = 32874;
inline constexpr int kRebuild = 32810;
// Navigation.
inline constexpr int kFitAll = 32796;
inline constexpr int kZoomIn = 32868;
inline constexpr int kZoomOut = 32869;
inline constexpr int kResetEye = 32795;
inline constexpr int kTargetToModel = 32878;
inline constexpr int kTargetToSelection = 32880;
inline constexpr int kRotateLeft = 32929;
inline constexpr int kRotateRight = 32930;
inline constexpr int kRotateUp = 32931;
inline constexpr int kRotateDown = 32932;
inline constexpr int kPlanView = 32961;
inline constexpr int kElevation = 32962;
inline constexpr int kBackView = 32963;
inline constexpr int kLeftView = 32964;
inline constexpr int kRightView = 32965;
inline constexpr int kFreeCamera = 32804;
// Sun.
inline constexpr int kSolarView = 32970;
inline constexpr int kSunDirection = 32966;
// Light and colours.
inline constexpr int kDaylight = 32836;
inline constexpr int kNightLight = 32837;
inline constexpr int kSunset = 32838;
inline constexpr int kContrast = 32840;
inline constexpr int kAero = 32823;
inline constexpr int kBackground = 32806;
inline constexpr int kFog = 32811;
inline constexpr int kTextureAdjust = 32821;
inline constexpr int kLayers = 32885;
// Texture and billboard files.
inline constexpr int kLoadTexture = 32805;
inline constexpr int kOpenTextureAssignment = 32808;
inline constexpr int kSaveTextureAssignment = 32809;
inline constexpr int kOpenBillboards = 32826;
// Files.
inline constexpr int kOpen = 57601;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kFileOutput = 32793;
inline constexpr int kPrintSettings = 32782;
inline constexpr int kPrint = 57607;
inline constexpr int kPrintDirect = 57608;
inline constexpr int kPrintPreview = 57609;
inline constexpr int kTestPrint = 32828;
inline constexpr int kAlwaysOnTop = 32807;
inline constexpr int kPiles = 32882;

// What a menu item or button of the command shows.
struct CommandState {
  bool handled = false;  // the view knows the command
  bool enabled = true;
  bool checked = false;  // check mark, or the dot of a radio item
  bool radio = false;    // the mark is a radio dot rather than a tick
  friend bool operator==(const CommandState&, const CommandState&) = default;
};

// The pop-up menu the right button opens, in order; 0 is a separator.
inline constexpr std::array<int, 13> kContextMenu = {
    kModeSelect, kClearSelection, kColourDialog, 0,           kModeRotate, kFitAll, kResetEye,
    0,           kLayers,         0,             kBackground, 0,           kFileOutput};

}  // namespace korvex::cmd
