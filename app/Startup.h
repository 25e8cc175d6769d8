// Start-up of the viewer, without the toolkit: the command line, the
// single-instance rule, the marker names and title, and the first word to the
// host. The GUI supplies the window through StartupWindow and keeps the
// Application for the whole run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/CommandLine.h"
#include "app/HostLink.h"
#include "app/MarkerFiles.h"
#include "app/SingleInstance.h"

namespace korvex {

// What start-up asks of the GUI, in the order it asks.
class StartupWindow {
 public:
  virtual ~StartupWindow() = default;
  // Creates the main window and the view, which loads the model the options
  // name. False ends start-up.
  virtual bool CreateMainWindow(const LaunchOptions& options) = 0;
  virtual void ShowMainWindow() = 0;
  // Only called when the marker files give a project name.
  virtual void SetTitle(std::string_view utf8) = 0;
  virtual void SetTopMost(bool on) = 0;
  // The main window's native id, which the host receives.
  virtual uint64_t MainWindowId() const = 0;
  // Something start-up could not do but went on without (UTF-8); the
  // terminal's error output unless the window shows it otherwise.
  virtual void ReportProblem(std::string_view utf8) { std::cerr << "korvex: " << utf8 << "\n"; }
};

// The application's state for the whole run.
struct Application {
  LaunchOptions options;  // options.hostId turns 0 when the host is forgotten
  MarkerNames names;
  // "Panorel - project(plan)"; the GUI applies it again at every paint of the
  // view, so it wins over the titles that opening a model sets.
  std::optional<std::string> title;
  SingleInstanceLock instanceLock;  // held until the process ends
  HostLink host;
};

struct StartupFolders {
  std::filesystem::path runtime;  // lock file and host sockets; empty: PrivateRuntimeFolder() and RuntimeFolder()
  std::filesystem::path markers;  // where "buk" lies; empty: the current folder
};

// Runs start-up with the program's arguments (program name left out). True
// when the viewer runs; false when it must end at once: the window could not
// be created, or another "/one" viewer runs (then the window is never shown
// and nothing reaches the host).
bool RunStartup(std::span<const std::string> args, StartupWindow& window, Application& app,
                const StartupFolders& folders = {});

// Posts to the host and forgets it when the post fails. For the GUI's side of
// the user interface (UserInterface::PostToHost).
bool PostToHost(Application& app, uint32_t message, uint64_t wParam, uint64_t lParam);

}  // namespace korvex
