// The control ids of the settings dialogs. Each control carries its id as
// its object name, as the resource ids of the original dialogs numbered
// them, so that tests (and anything that drives a dialog) find a control by
// the same name the dialog gives it.
#pragma once

namespace korvex::dialogs::ids {

// The colour swatch button, wherever a dialog shows one.
inline constexpr int kColourButton = 1019;
// The width of drawn lines, in the print and the file output dialogs.
inline constexpr int kLineWidth = 1004;

// The print dialog's quality choice.
namespace print {
inline constexpr int kHighResolution = 1000;
inline constexpr int kMediumResolution = 1001;
inline constexpr int kQuickPrint = 1002;
inline constexpr int kLowResolution = 1003;
}  // namespace print

// The file output dialog.
namespace picture {
inline constexpr int kWidth = 1023;
inline constexpr int kHeight = 1024;
inline constexpr int kDisplaySize = 1025;
inline constexpr int kGivenSize = 1026;
inline constexpr int kOldMethod = 1055;
inline constexpr int kLayoutOut = 1056;
inline constexpr int kLayoutBase = 1058;
}  // namespace picture

// The colour dialog of a node.
namespace colour {
inline constexpr int kOpacity = 1020;
inline constexpr int kVisible = 1021;
inline constexpr int kTexture = 1030;
}  // namespace colour

// The background dialog.
namespace background {
inline constexpr int kUseImage = 1050;
}  // namespace background

// The eye dialog: the eye (x, y, z), the target (x, y, z), the view angle,
// the near and far planes and the rotation step, one field each from
// kFirstField on; the four isometric corners from kFirstCorner on.
namespace eye {
inline constexpr int kFirstField = 1006;
inline constexpr int kEyeX = kFirstField;
inline constexpr int kEyeY = kFirstField + 1;
inline constexpr int kEyeZ = kFirstField + 2;
inline constexpr int kTargetX = kFirstField + 3;
inline constexpr int kTargetY = kFirstField + 4;
inline constexpr int kTargetZ = kFirstField + 5;
inline constexpr int kViewAngle = kFirstField + 6;
inline constexpr int kNearPlane = kFirstField + 7;
inline constexpr int kFarPlane = kFirstField + 8;
inline constexpr int kRotationStep = kFirstField + 9;
inline constexpr int kFirstCorner = 1041;
inline constexpr int kReferenceScale = 1028;
}  // namespace eye

// The fog dialog: one group for faces, one for lines.
namespace fog {
inline constexpr int kFaceUsed = 1040;
inline constexpr int kFaceStart = 1032;
inline constexpr int kFaceEnd = 1033;
inline constexpr int kFaceDensity = 1034;
inline constexpr int kFaceLinear = 1035;
inline constexpr int kFaceNonLinear1 = 1046;
inline constexpr int kFaceNonLinear2 = 1047;
inline constexpr int kLineUsed = 1041;
inline constexpr int kLineStart = 1036;
inline constexpr int kLineEnd = 1037;
inline constexpr int kLineDensity = 1038;
inline constexpr int kLineLinear = 1039;
inline constexpr int kLineNonLinear1 = 1048;
inline constexpr int kLineNonLinear2 = 1045;
}  // namespace fog

// The sun time dialog.
namespace times {
inline constexpr int kList = 1027;
inline constexpr int kCreateShadow = 1031;
inline constexpr int kFlipNorth = 1057;
}  // namespace times

// The layer dialog.
namespace layer {
inline constexpr int kTree = 1059;
}  // namespace layer

}  // namespace korvex::dialogs::ids
