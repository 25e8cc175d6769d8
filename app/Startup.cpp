#include "app/Startup.h"

#include "app/RuntimeFolder.h"

namespace korvex {

bool RunStartup(std::span<const std::string> args, StartupWindow& window, Application& app,
                const StartupFolders& folders) {
  const std::filesystem::path runtime = folders.runtime.empty() ? RuntimeFolder() : folders.runtime;

  app.options = ParseCommandLine(args);
  if (!window.CreateMainWindow(app.options)) return false;
  if (!SingleInstanceAllows(app.options.singleInstance, app.instanceLock, runtime)) return false;
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
