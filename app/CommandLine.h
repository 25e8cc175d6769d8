// The viewer's command line: the model to open and the switches a host
// application passes.
//
// A host writes switches as they looked on the viewer's first platform,
// quotes included: /t"file.txi", /b"sky.bmp", /sel"42", /r, /top, /one, /ps.
// Linux paths are full of "/", so a switch counts only where it begins an
// argument: "/run/user/1000/site.k3d" is a model path, not /r.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvex {

// The text after the opening quote of a switch is read into a buffer of this
// many bytes, terminator included; a closing quote beyond it is not seen.
inline constexpr std::size_t kSwitchValueBuffer = 1024;

// What the command line gives the application for the whole run. Every path
// holds at most kMaxPath - 1 bytes, as the path fields do.
struct LaunchOptions {
  std::string modelPath;        // the first argument that is not a switch; empty: none
  std::string texturePath;      // /t"path": a texture assignment file
  std::string backgroundPath;   // /b"path": a background image
  bool reload = false;          // /r: reload on change and on the host's request
  bool topMost = false;         // /top: the main window starts always on top
  uint64_t hostId = 0;          // /sel"N": the host listening as korvex-host-N; 0: none
  bool singleInstance = false;  // /one: refuse to run beside another /one viewer
  bool perspective = false;     // /ps: start in perspective projection

  friend bool operator==(const LaunchOptions&, const LaunchOptions&) = default;
};

// Reads the options from the program's arguments, the program name left out.
// Switches are tested in the order /t", /b", /r, /top, /sel", /one, /ps, each
// against the first argument that begins with it; the plain switches must be
// the whole argument. A quoted value ends at the next quote inside its
// argument; without one the switch is ignored. A path value longer than its
// field is cut to the field; a model path longer than the field is refused,
// since a cut one would name another file.
LaunchOptions ParseCommandLine(std::span<const std::string> args);
LaunchOptions ParseCommandLine(int argc, const char* const* argv);

// What `korvex --help` prints: the switches above and the model argument.
inline constexpr const char* kViewerUsage =
    "usage: korvex [MODEL] [/t\"FILE.txi\"] [/b\"IMAGE\"] [/sel\"N\"] [/r] [/top] [/one] [/ps]\n"
    "  Opens MODEL (a .k3d scene exchange file, a .ink file, or any format of a\n"
    "  file plug-in in FilePlugin beside the program) in the 3D viewer.\n"
    "  /t\"FILE.txi\"  texture assignments for the model\n"
    "  /b\"IMAGE\"     the background image\n"
    "  /sel\"N\"       report to the host application listening as korvex-host-N\n"
    "  /r            reload the model when it changes and when the host asks\n"
    "  /top          keep the main window on top of the others\n"
    "  /one          refuse to start beside another viewer started with /one\n"
    "  /ps           start in perspective projection\n"
    "  --help        print this text and exit\n"
    "  --version     print the version and exit\n"
    "A switch counts only where it begins an argument, so a path such as\n"
    "/run/user/1000/site.k3d is a model, not /r.\n";

// A request that is answered on standard output without opening a window.
enum class InfoRequest { kNone, kHelp, kVersion };

// --help or -h anywhere asks for help, else --version for the version; a
// host never passes either, so they cannot be mistaken for its switches.
InfoRequest FindInfoRequest(std::span<const std::string> args);

}  // namespace korvex
