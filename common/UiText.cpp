#include "common/UiText.h"

#include <array>
#include <atomic>
#include <utility>
#include <vector>

namespace korvex {
namespace {

std::atomic<UiLanguage> g_language{UiLanguage::kJapanese};

struct Entry {
  std::string_view japanese;
  std::string_view english;
};

// Every text of the core that reaches the user. Keys are UTF-8, exactly as the
// core writes them; the half-width katakana are the viewer's own.
constexpr std::array kTable = {
    // Status texts shown side by side (what a load left out, for more than
    // one reason), a full-width space apart, which no text of its own holds;
    // first, so that no pattern's "{}" takes in the texts after its own.
    Entry{"{t}　{t}", "{t}  {t}"},
    // Status bar.
    Entry{"ﾚﾃﾞｨ", "Ready"},
    Entry{"読み込み中...", "Loading..."},
    Entry{"画面構成中...", "Building the view..."},
    Entry{"ﾘﾛｰﾄﾞ中...", "Reloading..."},
    Entry{"再描画中...", "Redrawing..."},
    Entry{"{} を選択", "{} selected"},
    Entry{"選択出来ません", "Nothing to select there"},
    Entry{"選択解除", "Selection cleared"},
    Entry{"ﾃﾞｰﾀが空なのでこの操作は行えません", "The model is empty: this cannot be done"},
    Entry{"点が多すぎるため {} 個の立体を読み込みませんでした", "{} solid(s) with too many points were left out"},
    Entry{"穴の切り抜きに時間がかかりすぎるため {} 個の立体を読み込みませんでした",
          "{} solid(s) whose holes would take too long to cut were left out"},
    Entry{"形が入り組みすぎているため {} 個の面を描けませんでした", "{} face(s) too tangled to draw were left out"},
    // Measurements: a distance with its level and height parts, a face.
    Entry{"距離 {}  ΔXY {}  ΔZ {}", "Distance {}  ΔXY {}  ΔZ {}"},
    Entry{"面積 {}  周長 {}", "Area {}  Perimeter {}"},
    Entry{"計測準備中...", "Preparing to measure..."},
    // Messages and captions.
    Entry{"読み込みに失敗しました。", "The file could not be read."},
    Entry{"読み込みに失敗しました。 {t}", "The file could not be read: {t}"},
    Entry{"ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ", "File open error"},
    Entry{"保存に失敗しました。", "The file could not be saved."},
    Entry{"ﾌｧｲﾙｾｰﾌﾞｴﾗｰ", "File save error"},
    Entry{"ﾌｧｲﾙを読み込みますか？", "Open the file?"},
    Entry{"対応していないﾌｧｲﾙです", "This kind of file is not supported"},
    Entry{"ﾌｧｲﾙの読み込みに失敗しました", "The file could not be read"},
    Entry{"注意", "Notice"},
    Entry{"開く", "Open"},
    Entry{"名前を付けて保存", "Save As"},
    Entry{"Panorelファイル", "Panorel file"},
    Entry{"Korvexファイル", "Korvex file"},
    Entry{"全ての対応ファイル", "All supported files"},
    Entry{"ｴﾗｰ", "Error"},
    Entry{"エラー", "Error"},
    Entry{"ﾃｸｽﾁｬ割当ﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました。", "The texture assignment file could not be opened."},
    Entry{"ﾃｸｽﾁｬ割当ﾌｧｲﾙの読み込みに失敗しました。", "The texture assignment file could not be read."},
    Entry{"ﾃｸｽﾁｬの読み込みに失敗しました。", "A texture could not be read."},
    Entry{"背景画像の読み込みに失敗しました。", "The background image could not be read."},
    Entry{"ﾋﾞﾙﾎﾞｰﾄﾞの読み込みに失敗しました。", "A billboard could not be read."},
    Entry{"ﾃｸｽﾁｬ割当ﾌｧｲﾙ読み込み", "Open Texture Assignments"},
    Entry{"ﾃｸｽﾁｬ割当ﾌｧｲﾙ保存", "Save Texture Assignments"},
    Entry{"ﾃｸｽﾁｬ割当ﾌｧｲﾙ", "Texture assignment file"},
    Entry{"ﾃｸｽﾁｬ読み込み", "Load Texture"},
    Entry{"背景画像読み込み", "Load Background Image"},
    Entry{"ﾋﾞﾙﾎﾞｰﾄﾞﾌｧｲﾙ読み込み", "Load Billboard File"},
    Entry{"ﾋﾞﾙﾎﾞｰﾄﾞ設置ﾌｧｲﾙ", "Billboard placement file"},
    // Image output and printing.
    Entry{"ファイル出力", "File Output"},
    Entry{"ファイルを保存出来ませんでした。", "The file could not be saved."},
    Entry{"ビットマップを初期化出来ませんでした。大きすぎる可能性があります。",
          "The bitmap could not be made. It may be too large."},
    Entry{"「旧式の処理を使う」をチェックしている時はJPEGファイルを出力出来ません",
          "JPEG files cannot be written while \"Use the old method\" is checked"},
    Entry{"ﾋﾞｯﾄﾏｯﾌﾟを保存", "Save Bitmap"},
    Entry{"JPEGﾌｧｲﾙ", "JPEG file"},
    Entry{"24ﾋﾞｯﾄﾋﾞｯﾄﾏｯﾌﾟﾌｧｲﾙ", "24-bit bitmap file"},
    Entry{"無題", "Untitled"},
    Entry{"出力しました。", "Written."},
    Entry{"画像: {}", "Picture: {}"},
    Entry{"図面レイアウト: {}", "Drawing layout: {}"},
    Entry{"印刷出来ないデバイスです。", "This device cannot print."},
    Entry{"印刷イメ－ジを作成出来ませんでした。", "The print image could not be made."},
    Entry{"印刷イメ－ジを読み取れません。", "The print image cannot be read."},
    Entry{"印刷イメ－ジを書き込めません。", "The print image cannot be written."},
    Entry{"図面レイアウトファイルを作れません。", "The drawing layout file cannot be made."},
    Entry{"{} が開けない。", "{} cannot be opened."},
    Entry{"ＢＭＰファイルではない。", "Not a BMP file."},
    Entry{"２４ビットＢＭＰではない。", "Not a 24-bit BMP."},
    Entry{"圧縮形式には対応していない。", "Compressed BMP files are not supported."},
    Entry{"{} を作製できない。", "{} cannot be made."},
    Entry{"{} の書き込みが異常終了した。", "Writing {} failed."},
    // The engine.
    Entry{"ピクセルフォーマットは使用出来ません。", "The pixel format cannot be used."},
    Entry{"フレームバッファの初期化に失敗しました。", "The frame buffer could not be set up."},
    Entry{"OpenGL ｴﾗｰ", "OpenGL error"},
    Entry{"Indexが値の範囲を越えています。", "The index is out of range."},
    Entry{"指定アイテムは存在しません。", "No such item."},
    // The time list of the sun.
    Entry{"{}時 {}分", "{}:{}"},
    // Why an import failed.
    Entry{"メモリが足りません", "not enough memory"},
    Entry{"制限時間 ({} 秒) を超えました", "it took longer than the time limit ({} s)"},
    // The exit code before the signal name: the first pattern that fits wins.
    Entry{"プラグインが異常終了しました (終了コード {})", "the plug-in ended abnormally (exit code {})"},
    Entry{"プラグインが異常終了しました ({})", "the plug-in ended abnormally ({})"},
    Entry{"プラグインが異常終了しました", "the plug-in ended abnormally"},
    Entry{"プラグインがファイルを読めませんでした", "the plug-in could not read the file"},
    Entry{"メモリの上限 ({}) を超えました", "it needed more than the memory limit ({})"},
    Entry{"プラグインを読み込めませんでした", "the plug-in could not be loaded"},
    Entry{"読み込んだ場面を受け渡せませんでした", "the imported scene could not be handed over"},
    Entry{"読み込み用の補助プログラムを起動できませんでした", "the import helper could not be started"},
    Entry{"読み込み用の補助プログラムがありません", "the import helper is missing"},
    Entry{"ファイルを開けません (通常のファイルではありません)", "the file cannot be opened (not a regular file)"},
    Entry{"読み込み用の一時領域を作れませんでした", "no room for the import could be made"},
    Entry{"読み込んだ場面を受け取れませんでした", "the imported scene could not be received"},
    Entry{"読み込んだ場面が壊れています", "the imported scene is damaged"},
    Entry{"メモリが足りないため、操作を中止しました。", "There was not enough memory: the operation was stopped."},
    Entry{"ﾒﾓﾘｴﾗｰ", "Memory error"},
};

constexpr std::string_view kRaw = "{}";
constexpr std::string_view kTranslated = "{t}";

std::string EnglishLine(std::string_view line, int depth);

// Matches `line` against `pattern` from its start, filling `parts` with what
// each placeholder stood for. A placeholder takes the shortest run that lets
// the rest match, and never an empty one.
bool Match(std::string_view pattern, std::string_view line, std::vector<std::string_view>& parts) {
  const std::size_t brace = pattern.find('{');
  if (brace == std::string_view::npos) return pattern == line;
  if (line.substr(0, brace) != pattern.substr(0, brace)) return false;
  const std::string_view holder = pattern.substr(brace).starts_with(kTranslated) ? kTranslated : kRaw;
  if (!pattern.substr(brace).starts_with(holder)) return false;
  const std::string_view rest = pattern.substr(brace + holder.size());
  const std::string_view tail = line.substr(brace);
  for (std::size_t n = 1; n <= tail.size(); ++n) {
    parts.push_back(tail.substr(0, n));
    if (Match(rest, tail.substr(n), parts)) return true;
    parts.pop_back();
  }
  return false;
}

std::string Fill(std::string_view english, std::string_view japanese, const std::vector<std::string_view>& parts,
                 int depth) {
  // The placeholders of the Japanese pattern in their order, each as it is to
  // be written.
  std::vector<std::string> values;
  for (std::size_t at = japanese.find('{'), i = 0; at != std::string_view::npos && i < parts.size();
       at = japanese.find('{', at + 1), ++i) {
    values.push_back(japanese.substr(at).starts_with(kTranslated) ? EnglishLine(parts[i], depth + 1)
                                                                  : std::string(parts[i]));
  }
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < english.size();) {
    const std::string_view rest = english.substr(i);
    const std::size_t length = rest.starts_with(kTranslated) ? kTranslated.size() : rest.starts_with(kRaw) ? kRaw.size() : 0;
    if (length > 0 && next < values.size()) {
      out += values[next++];
      i += length;
    } else {
      out += english[i++];
    }
  }
  return out;
}

std::string EnglishLine(std::string_view line, int depth) {
  if (line.empty() || depth > 4) return std::string(line);
  for (const Entry& entry : kTable)
    if (entry.japanese == line) return std::string(entry.english);
  std::vector<std::string_view> parts;
  for (const Entry& entry : kTable) {
    if (entry.japanese.find('{') == std::string_view::npos) continue;
    parts.clear();
    if (Match(entry.japanese, line, parts)) return Fill(entry.english, entry.japanese, parts, depth);
  }
  return std::string(line);
}

}  // namespace

std::optional<UiLanguage> ParseUiLanguage(std::string_view code) {
  if (code == "ja") return UiLanguage::kJapanese;
  if (code == "en") return UiLanguage::kEnglish;
  return std::nullopt;
}

std::string_view UiLanguageCode(UiLanguage language) { return language == UiLanguage::kEnglish ? "en" : "ja"; }

void SetUiLanguage(UiLanguage language) { g_language.store(language); }

UiLanguage CurrentUiLanguage() { return g_language.load(); }

std::string EnglishText(std::string_view text) {
  std::string out;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find('\n', start);
    out += EnglishLine(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start), 0);
    if (end == std::string_view::npos) break;
    out += '\n';
    start = end + 1;
  }
  return out;
}

std::string UiText(std::string_view text) {
  return CurrentUiLanguage() == UiLanguage::kEnglish ? EnglishText(text) : std::string(text);
}

}  // namespace korvex
