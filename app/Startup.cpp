#include "app/Startup.h"

#include <string>

#include "app/RuntimeFolder.h"

namespace korvex {

bool RunStartup(std::span<const std::string> args, StartupWindow& window, Application& app,
                const StartupFolders& folders) {
  const std::filesystem::path runtime = folders.runtime.empty() ? RuntimeFolder() : folders.runtime;

  app.options = ParseCommandLine(args);
  if (!window.CreateMainWindow(app.options)) return false;
  if (app.options.singleInstance) {
    // The lock lives where only this user can write; an unusable lock is
    // reported and the viewer starts, rather than taking it for another
    // viewer and ending without a word.
    std::string problem;
    std::filesystem::path lockFolder = folders.runtime;
    if (lockFolder.empty()) lockFolder = PrivateRuntimeFolder(problem);
    if (!SingleInstanceAllows(true, app.instanceLock, lockFolder, &problem)) return false;
    if (!problem.empty()) window.ReportProblem("the single-instance lock cannot be used: " + problem);
  }
  window.ShowMainWindow();

  app.names = ReadMarkerNames(folders.markers);
  app.title = MarkerTitle(app.names);
  if (app.title) window.SetTitle(*app.title);
  window.SetTopMost(app.options.topMost);

  if (app.options.hostId != 0) {
    if (!app.host.Connect(app.options.hostId, runtime)) app.options.hostId = 0;
    PostToHost(app, hostmsg::kViewerReady, window.MainWindowId(), 0);
  }
  return true;
}

bool PostToHost(Application& app, uint32_t message, uint64_t wParam, uint64_t lParam) {
  if (app.host.Post(message, wParam, lParam)) return true;
  app.options.hostId = 0;
  return false;
}

}  // namespace korvex
