// The frame flags word the view hands to Render, DrawScene, Pick and the
// shadow pass: independent bits saying what to draw and how.
#pragma once

namespace frame {
inline constexpr int kFaces = 0x01;             // polygons shown at all
inline constexpr int kLines = 0x02;             // line figures
inline constexpr int kOutlines = 0x04;          // outlines (frames) of area figures
inline constexpr int kLitFaces = 0x08;          // filled, lit faces
inline constexpr int kParallel = 0x10;          // parallel projection
inline constexpr int kShadows = 0x20;           // sun shadows
inline constexpr int kTransparentFirst = 0x40;  // transparent faces before the shadows
inline constexpr int kCullBack = 0x80;          // back-face culling
inline constexpr int kFaceFog = 0x100;
inline constexpr int kLineFog = 0x200;
inline constexpr int kPoints = 0x400;
inline constexpr int kMarks = 0x800;            // stippled marks
inline constexpr int kKeepColor = 0x1000;       // keep the colour buffer, clear depth and stencil only
inline constexpr int kViewDefault = 0x4F;       // what the view starts with
}  // namespace frame
