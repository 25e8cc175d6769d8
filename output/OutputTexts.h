// The texts of image export and printing (UTF-8).
#pragma once

namespace korvex::output {

inline constexpr const char* kErrorCaption = "エラー";
inline constexpr const char* kNoticeCaption = "注意";

// Export.
inline constexpr const char* kDialogTitle = "ファイル出力";
inline constexpr const char* kCannotSave = "ファイルを保存出来ませんでした。";
inline constexpr const char* kBitmapTooLarge = "ビットマップを初期化出来ませんでした。大きすぎる可能性があります。";
inline constexpr const char* kOldMethodNoJpeg = "「旧式の処理を使う」をチェックしている時はJPEGファイルを出力出来ません";
inline constexpr const char* kSaveCaption = "ﾋﾞｯﾄﾏｯﾌﾟを保存";
inline constexpr const char* kSaveFilter = "JPEGﾌｧｲﾙ(*.jpg)|*.jpg|24ﾋﾞｯﾄﾋﾞｯﾄﾏｯﾌﾟﾌｧｲﾙ(*.bmp)|*.bmp||";
inline constexpr const char* kSaveDefaultName = "無題";
inline constexpr const char* kSaveDefaultExtension = "bmp";
inline constexpr const char* kDefaultLayoutBase = "BmpLayout";
// Told after a layout output: the picture's and the sheet's full paths.
inline constexpr const char* kLayoutWritten = "出力しました。\n画像: %s\n図面レイアウト: %s";

// Printing.
inline constexpr const char* kCannotPrintDevice = "印刷出来ないデバイスです。";
inline constexpr const char* kNoPrintImage = "印刷イメ－ジを作成出来ませんでした。";
inline constexpr const char* kCannotReadPrintImage = "印刷イメ－ジを読み取れません。";
inline constexpr const char* kCannotWritePrintImage = "印刷イメ－ジを書き込めません。";
inline constexpr const char* kPrintDocumentName = "OpenGL Print";

}  // namespace korvex::output
