// "ﾃｸｽﾁｬ": the engine's textures in a list, and how the selected one repeats
// across a face (aspect and scale). Each edit goes into the texture record at
// once; the view rebuilds the display when the dialog closes.
#pragma once

#include <span>

#include <QDialog>

struct StereonTexture;
class QLineEdit;
class QListWidget;

namespace korvex::dialogs {

class CTextureDlg final : public QDialog {
 public:
  // The records stay the caller's and must outlive the dialog.
  explicit CTextureDlg(std::span<StereonTexture* const> textures, QWidget* parent = nullptr);

 private:
  void ShowSelected();
  void Store(QLineEdit* field, double StereonTexture::*value);
  StereonTexture* Selected() const;

  std::span<StereonTexture* const> textures_;
  QListWidget* list_;
  QLineEdit* aspect_;
  QLineEdit* scale_;
};

}  // namespace korvex::dialogs
