#include "sheet/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

namespace korvex {
namespace {

QSettings Profile() { return QSettings(QStringLiteral("Meridan"), QStringLiteral("Korvex")); }

const QString kLanguageKey = QStringLiteral("Config/Language");

// The translators live as long as the process; a second call replaces the
// first's.
QTranslator& QtTranslator() {
  static QTranslator translator;
  return translator;
}

QTranslator& KorvexTranslator() {
  static QTranslator translator;
  return translator;
}

}  // namespace

UiLanguage SavedUiLanguage() {
  const QString code = Profile().value(kLanguageKey).toString();
  return ParseUiLanguage(code.toStdString()).value_or(UiLanguage::kJapanese);
}

void SaveUiLanguage(UiLanguage language) {
  QSettings profile = Profile();
  profile.setValue(kLanguageKey, QString::fromUtf8(UiLanguageCode(language).data()));
  profile.sync();
}

QString TranslationsFolder() { return QCoreApplication::applicationDirPath() + QStringLiteral("/translations"); }

bool InstallUiLanguage(UiLanguage language) {
  SetUiLanguage(language);
  QCoreApplication::removeTranslator(&QtTranslator());
  QCoreApplication::removeTranslator(&KorvexTranslator());
  const QString code = QString::fromUtf8(UiLanguageCode(language).data());
  if (language == UiLanguage::kJapanese) {
    // Qt's own dialogs (the colour picker, the file dialogs, the buttons)
    // in Japanese; the viewer's texts are Japanese as written.
    return QtTranslator().load(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
           QCoreApplication::installTranslator(&QtTranslator());
  }
  // Qt's own texts are written in English: its English file holds nothing
  // (an empty file does not load) and is taken only when it has something.
  if (QtTranslator().load(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&QtTranslator());
  return KorvexTranslator().load(QStringLiteral("korvex_") + code, TranslationsFolder()) &&
         QCoreApplication::installTranslator(&KorvexTranslator());
}

}  // namespace korvex
