#include "dialogs/TextureDlg.h"

#include <algorithm>
#include <cmath>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "formats/K3dLines.h"
#include "render/OGLDispTree.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

namespace {

// "%f": six decimals, whatever the locale.
QString FixedText(double value) { return QString::number(value, 'f', 6); }

}  // namespace

CTextureDlg::CTextureDlg(std::span<StereonTexture* const> textures, QWidget* parent)
    : QDialog(parent), textures_(textures) {
  setWindowTitle(Tr("ﾃｸｽﾁｬ"));
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("list"));
  for (const StereonTexture* texture : textures_) {
    // The picture's file name tells the textures apart; the whole path,
    // usually a long one beside the program, is there on pointing.
    const QString path = QString::fromUtf8(texture != nullptr ? texture->name : "");
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    auto* item = new QListWidgetItem(path.mid(slash + 1), list_);
    item->setToolTip(path);
  }
  layout->addWidget(list_);

  auto* form = new QFormLayout;
  aspect_ = new QLineEdit(this);
  aspect_->setObjectName(QStringLiteral("aspect"));
  scale_ = new QLineEdit(this);
  scale_->setObjectName(QStringLiteral("scale"));
  form->addRow(Tr("縦横比"), aspect_);
  form->addRow(Tr("ｽｹｰﾙ"), scale_);
  layout->addLayout(form);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(Tr("閉じる"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowSelected(); });
  // Only what the user types is stored: refreshing the fields from a record
  // must not round its values to the six decimals shown.
  connect(aspect_, &QLineEdit::textEdited, this, [this] { Store(aspect_, &StereonTexture::aspect); });
  connect(scale_, &QLineEdit::textEdited, this, [this] { Store(scale_, &StereonTexture::scale); });
  if (!textures_.empty()) list_->setCurrentRow(0);
  ShowSelected();
}

StereonTexture* CTextureDlg::Selected() const {
  const int row = list_->currentRow();
  return row >= 0 && static_cast<std::size_t>(row) < textures_.size() ? textures_[static_cast<std::size_t>(row)]
                                                                       : nullptr;
}

void CTextureDlg::ShowSelected() {
  const StereonTexture* texture = Selected();
  aspect_->setText(texture != nullptr ? FixedText(texture->aspect) : QString());
  scale_->setText(texture != nullptr ? FixedText(texture->scale) : QString());
}

void CTextureDlg::Store(QLineEdit* field, double StereonTexture::*value) {
  StereonTexture* texture = Selected();
  if (texture == nullptr) return;
  // The leading number of the text, 0 when there is none; a number too
  // large for a double is none either.
  const double number = k3d::ParseNumber(field->text().toStdString());
  texture->*value = std::isfinite(number) ? number : 0.0;
}

}  // namespace korvex::dialogs
