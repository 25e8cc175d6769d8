// The eye file "eye.ini": the camera and light of the last run, kept in the
// current folder for projects that have marker files.
//
// Despite its name it is a binary file of 80 bytes, little-endian IEEE
// doubles: eye x, y, z (offset 0), target x, y, z (24), zoom scale (48),
// light position x, y, z (56).
//
// When the view reads and writes it:
//   - view window created, after the start-up model is loaded: when both
//     marker files exist (ProjectMarkersExist) and the eye file can be
//     opened, read it over the current camera (ReadEyeFile); otherwise reset
//     the eye. A read eye straight above or below the target
//     (EyeIsOverhead) is discarded in favour of the reset eye. Whenever the
//     eye is reset during creation, a fit all is scheduled for the first
//     paint. LoadStartupEye does the marker test, the read and the overhead
//     rule in one call.
//   - save command with an ".ink" current file, and view window destroyed:
//     write the eye file when both marker files exist (SaveProjectEye).
//   - without the marker files the eye file is never read nor written.
// All failures are silent. Writing goes through a temporary file, so a
// failing write leaves the old file.
//
// The other per-user settings: the wheel direction comes from "KQ.ini"
// (view/UserSettings.h). The Aero flag is an integer in the application's
// settings store, section "Setup", key "AeroFlag", default 0; the Qt layer
// keeps it (QSettings "Meridan"/"Korvex", "Setup/AeroFlag"): read when the
// view window is created, written when it is destroyed.
#pragma once

#include <cstddef>
#include <filesystem>

#include "geometry/gm_types.h"

namespace korvex {

inline constexpr const char* kEyeFileName = "eye.ini";
inline constexpr std::size_t kEyeFileBytes = 80;

// The values the eye file keeps, in file order.
struct EyeSettings {
  GMVector eye;
  GMVector target;
  double zoomScale = 1.0;
  GMVector light;
  friend bool operator==(const EyeSettings&, const EyeSettings&) = default;
};

// Both marker files "../buk" and "buk" exist as files, relative to `folder`
// (empty: the current folder).
bool ProjectMarkersExist(const std::filesystem::path& folder = {});

// Reads eye, target, zoom scale and light position in this order over
// `settings`. A short file leaves the items it does not hold completely as
// they were; so does an item that is not a finite number (or a zoom scale
// that is not positive), which a broken file could otherwise hand to the
// camera. False when the file cannot be opened (then nothing changed).
bool ReadEyeFile(const std::filesystem::path& path, EyeSettings& settings);

// Writes the 80 bytes; false when the file could not be written completely,
// and then the previous file is left as it was.
bool WriteEyeFile(const std::filesystem::path& path, const EyeSettings& settings);

// The eye lies straight above or below the target: same x and same y within
// 1e-7. The view then resets the eye rather than look along its up vector.
bool EyeIsOverhead(const EyeSettings& settings);

// The start-up rule: true when the markers exist under `folder`, its eye
// file was read over `settings` and the eye is not overhead; the view then
// uses `settings`. False means: reset the eye and fit all at the first paint
// (`settings` may then hold values from the file and must not be used).
bool LoadStartupEye(EyeSettings& settings, const std::filesystem::path& folder = {});

// Writes the eye file under `folder` when both markers exist there. True
// when it was written.
bool SaveProjectEye(const EyeSettings& settings, const std::filesystem::path& folder = {});

}  // namespace korvex
