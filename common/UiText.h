// The language of the user interface, and the English of the texts the core
// hands to it (status texts, messages and their captions, file-dialog
// captions and filters, the reasons an import failed).
//
// The core keeps its texts in Japanese, exactly as the Japanese interface
// shows them; the user interface passes every text it receives through
// UiText, which gives it back unchanged in Japanese and looks it up in one
// table in English. Files, host messages and stored settings never go
// through here, so the language changes nothing that is written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvex {

enum class UiLanguage { kJapanese, kEnglish };

// "ja" or "en" (the user setting and --lang); nothing for anything else.
std::optional<UiLanguage> ParseUiLanguage(std::string_view code);
std::string_view UiLanguageCode(UiLanguage language);

// The language of this process; Japanese until set. Set once at start-up.
void SetUiLanguage(UiLanguage language);
UiLanguage CurrentUiLanguage();

// `text` in the current language. Each line is looked up whole, then against
// the table's patterns, whose "{}" stands for a name or a number kept as it
// is and "{t}" for a text looked up in turn (the reason after a failure). A
// line the table does not know stays as it is.
std::string UiText(std::string_view text);
std::string EnglishText(std::string_view text);

}  // namespace korvex
