// korvex: the viewer for building and site models.
//
//   korvex [MODEL] [/t"file.txi"] [/b"sky.bmp"] [/sel"N"] [/r] [/top] [/one] [/ps]
//   korvex --help | --version
//
// Start-up, the host link and the view are the toolkit-free core; this
// program gives them a Qt main window.
#include <QApplication>
#include <QMessageBox>
#include <QSettings>

#include <csignal>
#include <cstdio>
#include <new>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Startup.h"
#include "app/gui/MainWindow.h"
#include "sheet/Tr.h"
#include "sheet/Translations.h"
#include "common/Version.h"
#include "plugins/IsolatedImport.h"

namespace {

constexpr const char* kOutOfMemory = korvex::TrNoop("メモリが足りないため、操作を中止しました。");
constexpr const char* kOutOfMemoryCaption = korvex::TrNoop("ﾒﾓﾘｴﾗｰ");

void ReportOutOfMemory() {
  QMessageBox::warning(nullptr, korvex::Tr(kOutOfMemoryCaption), korvex::Tr(kOutOfMemory));
}

// Every command, mouse event and host message reaches the view through
// here: one that runs out of memory (a model or a picture too large for
// the machine) ends with a message, and the viewer goes on.
class KorvexApplication final : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
      ReportOutOfMemory();
      return false;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Under a file size limit a save past it fails with its message, as on a
  // full disk, instead of ending the viewer with the scene unsaved.
  std::signal(SIGXFSZ, SIG_IGN);
  // Help and the version are answered before the toolkit starts: they need
  // no display and open no window.
  {
    const std::vector<std::string> args(argv + 1, argv + argc);
    switch (korvex::FindInfoRequest(args)) {
      case korvex::InfoRequest::kHelp:
        std::fputs(korvex::kViewerUsage, stdout);
        return 0;
      case korvex::InfoRequest::kVersion:
        std::printf("korvex %.*s\n", static_cast<int>(korvex::kVersion.size()), korvex::kVersion.data());
        return 0;
      case korvex::InfoRequest::kNone:
        break;
    }
  }
  KorvexApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvex"));
  QApplication::setOrganizationName(QStringLiteral("Meridan"));
  // The language of the menus, the dialogs and Qt's own texts, chosen in
  // the settings menu at an earlier run.
  korvex::InstallUiLanguage(korvex::SavedUiLanguage());

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
  bool started = false;
  try {
    started = korvex::RunStartup(args, window, app);
  } catch (const std::bad_alloc&) {
    ReportOutOfMemory();
    return 1;
  }
  if (!started) {
    // A viewer that could not make its window fails; a second "/one" viewer
    // ends silently.
    return window.View() == nullptr ? 1 : 0;
  }
  window.WatchHost();
  return QApplication::exec();
}
