// The language of the interface: chosen in the settings menu and kept in
// the user settings (the viewer), or given with --lang (korvex-cli). Loading
// it sets the core's language (common/UiText.h), the viewer's own
// translation and Qt's translation of its dialogs (the colour picker, the
// file dialogs, the buttons).
#pragma once

#include <QString>

#include "common/UiText.h"

namespace korvex {

// The language kept in the user settings ("Config/Language": "ja" or "en");
// Japanese when it is not set or not understood.
UiLanguage SavedUiLanguage();
void SaveUiLanguage(UiLanguage language);

// The folder of the viewer's compiled translations: "translations" beside
// the program.
QString TranslationsFolder();

// Sets the language for this process and installs the translators into the
// application (which must exist). Returns false when a translation the
// language needs could not be loaded (Qt's Japanese, or the viewer's
// English); the language is set all the same and what is missing stays as
// written (the viewer's texts Japanese, Qt's English).
bool InstallUiLanguage(UiLanguage language);

}  // namespace korvex
