// korvex: the viewer for building and site models.
//
//   korvex [MODEL] [/t"file.txi"] [/b"sky.bmp"] [/sel"N"] [/r] [/top] [/one] [/ps]
//
// Start-up, the host link and the view are the toolkit-free core; this
// program gives them a Qt main window.
#include <QApplication>
#include <QSettings>

#include <string>
#include <vector>

#include "app/Startup.h"
#include "app/gui/MainWindow.h"
#include "plugins/IsolatedImport.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvex"));
  QApplication::setOrganizationName(QStringLiteral("Meridan"));

  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

  // How long one model may take to import before the viewer gives up on it
  // (seconds; the registry profile's "Config/ImportTimeLimit", 60 unless set).
  const int importSeconds = QSettings(QStringLiteral("Meridan"), QStringLiteral("Korvex"))
                                .value(QStringLiteral("Config/ImportTimeLimit"), 60)
                                .toInt();
  if (importSeconds > 0) korvex::ImportIsolationSettings().limits.seconds = importSeconds;

  korvex::Application app;
  korvex::gui::MainWindow window(app);
  if (!korvex::RunStartup(args, window, app)) {
    // A viewer that could not make its window fails; a second "/one" viewer
    // ends silently.
    return window.View() == nullptr ? 1 : 0;
  }
  window.WatchHost();
  return QApplication::exec();
}
