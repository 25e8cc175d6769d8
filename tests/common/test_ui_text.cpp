// The English of the texts the core hands to the user interface: Japanese
// passes unchanged, every text the core can show has English, and texts
// made of parts (a name, a number, a reason) keep their parts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/UiText.h"

namespace {

using korvex::EnglishText;
using korvex::UiLanguage;

// Hiragana, katakana (full and half width), kanji and full-width forms.
bool HasJapanese(const std::string& utf8) {
  static const std::regex japanese("\xE3[\x81-\x83]|[\xE4-\xE9]|\xEF[\xBC-\xBE]");
  return std::regex_search(utf8, japanese);
}

class LanguageGuard {
 public:
  explicit LanguageGuard(UiLanguage language) : previous_(korvex::CurrentUiLanguage()) {
    korvex::SetUiLanguage(language);
  }
  ~LanguageGuard() { korvex::SetUiLanguage(previous_); }

 private:
  UiLanguage previous_;
};

TEST(UiText, JapaneseIsTheDefaultAndPassesUnchanged) {
  EXPECT_EQ(korvex::CurrentUiLanguage(), UiLanguage::kJapanese);
  for (const char* text : {"ﾚﾃﾞｨ", "補助線 を選択", "読み込みに失敗しました。 メモリが足りません", "anything"})
    EXPECT_EQ(korvex::UiText(text), text);
  LanguageGuard english(UiLanguage::kEnglish);
  EXPECT_EQ(korvex::UiText("ﾚﾃﾞｨ"), "Ready");
}

TEST(UiText, CodesOfTheSettingAndTheCommandLine) {
  EXPECT_EQ(korvex::ParseUiLanguage("en"), UiLanguage::kEnglish);
  EXPECT_EQ(korvex::ParseUiLanguage("ja"), UiLanguage::kJapanese);
  for (const char* wrong : {"", "EN", "english", "de", "en "}) EXPECT_FALSE(korvex::ParseUiLanguage(wrong)) << wrong;
  EXPECT_EQ(korvex::UiLanguageCode(UiLanguage::kEnglish), "en");
  EXPECT_EQ(korvex::UiLanguageCode(UiLanguage::kJapanese), "ja");
}

// Names and numbers inside a text are kept as they are, even when a name is
// itself a text of the table; a reason after a failure is translated too.
TEST(UiText, PartsOfComposedTextsKeepTheirPlace) {
  EXPECT_EQ(EnglishText("補助線 を選択"), "補助線 selected");
  EXPECT_EQ(EnglishText("開く を選択"), "開く selected");
  EXPECT_EQ(EnglishText("08時 30分"), "08:30");
  // Measurements keep their numbers, signs and units.
  EXPECT_EQ(EnglishText("距離 12.5 m  ΔXY 3 m  ΔZ -4.25 m"), "Distance 12.5 m  ΔXY 3 m  ΔZ -4.25 m");
  EXPECT_EQ(EnglishText("面積 400 m²  周長 80 m"), "Area 400 m²  Perimeter 80 m");
  EXPECT_EQ(EnglishText("読み込みに失敗しました。 制限時間 (60 秒) を超えました"),
            "The file could not be read: it took longer than the time limit (60 s)");
  EXPECT_EQ(EnglishText("読み込みに失敗しました。 プラグインが異常終了しました (終了コード 3)"),
            "The file could not be read: the plug-in ended abnormally (exit code 3)");
  EXPECT_EQ(EnglishText("読み込みに失敗しました。 no reader for .xyz"),
            "The file could not be read: no reader for .xyz");
  EXPECT_EQ(EnglishText("出力しました。\n画像: /tmp/a.jpg\n図面レイアウト: /tmp/a.tdo"),
            "Written.\nPicture: /tmp/a.jpg\nDrawing layout: /tmp/a.tdo");
  EXPECT_EQ(EnglishText("site.bmp が開けない。"), "site.bmp cannot be opened.");
  // Unknown texts, empty lines and a bare placeholder's text stay as they are.
  EXPECT_EQ(EnglishText("\nplain\n"), "\nplain\n");
  EXPECT_EQ(EnglishText(" を選択"), " を選択");
  EXPECT_EQ(EnglishText("未知の文"), "未知の文");
}

// Every Japanese text constant the core declares for the user (status
// texts, messages, captions, file filters) has English: a text added
// without it fails here.
TEST(UiText, EveryTextTheCoreDeclaresHasEnglish) {
  const std::filesystem::path root = KORVEX_SOURCE_DIR;
  const std::vector<std::string> headers = {"view/ViewTexts.h",  "output/OutputTexts.h", "output/LayoutFile.h",
                                            "image/DibImage.h",  "render/Stereon.h",     "common/PlainList.h"};
  const std::regex literal("=\\s*\"((?:[^\"\\\\]|\\\\.)*)\"");
  int checked = 0;
  for (const std::string& header : headers) {
    std::ifstream in(root / header);
    ASSERT_TRUE(in) << header;
    std::string line;
    while (std::getline(in, line)) {
      std::smatch match;
      if (line.find("//") == line.find_first_not_of(' ') || !std::regex_search(line, match, literal)) continue;
      std::string text = std::regex_replace(match[1].str(), std::regex("\\\\n"), "\n");
      if (!HasJapanese(text)) continue;
      text = std::regex_replace(text, std::regex("%s"), "site.bmp");
      // A suffix the core puts after a name.
      if (text.front() == ' ') text = "building" + text;
      // A file filter: "Description (*.ext)|*.ext|", each description shown.
      std::vector<std::string> shown;
      if (text.find('|') != std::string::npos) {
        std::stringstream parts(text);
        std::string part;
        for (int i = 0; std::getline(parts, part, '|'); ++i)
          if (i % 2 == 0 && !part.empty()) shown.push_back(part.substr(0, part.find('(')));
      } else {
        shown.push_back(text);
      }
      for (std::string piece : shown) {
        while (!piece.empty() && piece.back() == ' ') piece.pop_back();
        const std::string english = EnglishText(piece);
        EXPECT_FALSE(HasJapanese(english)) << header << ": " << piece << " -> " << english;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 50);
}

}  // namespace
