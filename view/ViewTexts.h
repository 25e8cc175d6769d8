// The texts the view shows: status-bar texts, message boxes and their
// captions, and the file-dialog captions and filters (UTF-8).
#pragma once

namespace korvex::text {

// Status bar.
inline constexpr const char* kReady = "ﾚﾃﾞｨ";
inline constexpr const char* kLoading = "読み込み中...";
inline constexpr const char* kBuilding = "画面構成中...";
inline constexpr const char* kReloading = "ﾘﾛｰﾄﾞ中...";
inline constexpr const char* kRedrawing = "再描画中...";
inline constexpr const char* kMeasurePreparing = "計測準備中...";
inline constexpr const char* kSelectedSuffix = " を選択";
inline constexpr const char* kCannotSelect = "選択出来ません";
inline constexpr const char* kDeselected = "選択解除";
inline constexpr const char* kEmptyModel = "ﾃﾞｰﾀが空なのでこの操作は行えません";

// Message boxes.
inline constexpr const char* kOpenFailed = "読み込みに失敗しました。";
inline constexpr const char* kOpenFailedCaption = "ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ";
inline constexpr const char* kSaveFailed = "保存に失敗しました。";
inline constexpr const char* kSaveFailedCaption = "ﾌｧｲﾙｾｰﾌﾞｴﾗｰ";
inline constexpr const char* kAskLoad = "ﾌｧｲﾙを読み込みますか？";
inline constexpr const char* kUnknownFile = "対応していないﾌｧｲﾙです";
inline constexpr const char* kNodeImportFailed = "ﾌｧｲﾙの読み込みに失敗しました";
inline constexpr const char* kNoticeCaption = "注意";

// File dialogs.
inline constexpr const char* kOpenCaption = "開く";
inline constexpr const char* kSaveAsCaption = "名前を付けて保存";
inline constexpr const char* kK3dFilterEntry = "Panorelファイル (*.k3d)|*.k3d|";
// The open dialog's first entry: every format the viewer reads at once.
inline constexpr const char* kAllModelsFilter = "全ての対応ファイル";

// Texture, background and billboard files.
inline constexpr const char* kErrorCaption = "ｴﾗｰ";
inline constexpr const char* kTxiOpenFailed = "ﾃｸｽﾁｬ割当ﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました。";
inline constexpr const char* kTxiReadFailed = "ﾃｸｽﾁｬ割当ﾌｧｲﾙの読み込みに失敗しました。";
inline constexpr const char* kTextureLoadFailed = "ﾃｸｽﾁｬの読み込みに失敗しました。";
inline constexpr const char* kBackgroundLoadFailed = "背景画像の読み込みに失敗しました。";
inline constexpr const char* kBillboardLoadFailed = "ﾋﾞﾙﾎﾞｰﾄﾞの読み込みに失敗しました。";
inline constexpr const char* kTxiOpenCaption = "ﾃｸｽﾁｬ割当ﾌｧｲﾙ読み込み";
inline constexpr const char* kTxiSaveCaption = "ﾃｸｽﾁｬ割当ﾌｧｲﾙ保存";
inline constexpr const char* kTxiFilter = "ﾃｸｽﾁｬ割当ﾌｧｲﾙ (*.txi)|*.txi||";
inline constexpr const char* kTextureLoadCaption = "ﾃｸｽﾁｬ読み込み";
inline constexpr const char* kBackgroundCaption = "背景画像読み込み";
inline constexpr const char* kBitmapFilter = "24Bits Bitmap Files (*.bmp)|*.bmp||";
inline constexpr const char* kBillboardCaption = "ﾋﾞﾙﾎﾞｰﾄﾞﾌｧｲﾙ読み込み";
inline constexpr const char* kBillboardFilter = "ﾋﾞﾙﾎﾞｰﾄﾞ設置ﾌｧｲﾙ (*.bil)|*.bil||";

// Title of the main window after a model is opened.
inline constexpr const char* kTitleSuffix = " - Korvex";

}  // namespace korvex::text
