#include "dialogs/ColorDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cstring>

#include "dialogs/ControlIds.h"
#include "dialogs/ColorButton.h"
#include "dialogs/DialogFields.h"
#include "common/PlainList.h"
#include "render/OGLDispTree.h"
#include "render/Stereon.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

namespace {

// The file name part of a texture's path: after the last backslash (or slash).
QString FileNamePart(const char* path) {
  const char* last = std::strrchr(path, '\\');
  if (const char* slash = std::strrchr(path, '/'); slash != nullptr && (last == nullptr || slash > last))
    last = slash;
  return QString::fromUtf8(last != nullptr ? last + 1 : path);
}

}  // namespace

CColorDlg::CColorDlg(const ColourDialogValues& values, QWidget* parent) : QDialog(parent), values_(values) {
  setWindowTitle(Tr("色設定"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);

  colour_ = new ColorButton(values.colour, this);
  form->addRow(Tr("色"), colour_);
  opacity_ = NumberField(this, ids::colour::kOpacity, QString::number(values.colour >> 24));
  form->addRow(Tr("不透明度"), opacity_);
  visible_ = new QCheckBox(Tr("表示する"), this);
  visible_->setObjectName(QString::number(ids::colour::kVisible));
  visible_->setChecked(values.visible);
  form->addRow(visible_);

  texture_ = new QComboBox(this);
  texture_->setObjectName(QString::number(ids::colour::kTexture));
  texture_->addItem(Tr("無し"));
  if (values.engine != nullptr && values.engine->textureTable != nullptr) {
    CPlainList& table = *values.engine->textureTable;
    for (int i = 0; i < table.GetCount(); ++i)
      if (const auto* texture = static_cast<const StereonTexture*>(table.GetAt(i)))
        texture_->addItem(FileNamePart(texture->name));
  }
  texture_->setCurrentIndex(values.textureIndex >= 0 && values.textureIndex < texture_->count() ? values.textureIndex
                                                                                                 : -1);
  form->addRow(Tr("ﾃｸｽﾁｬ割当"), texture_);
  AddOkCancel(this);
}

void CColorDlg::accept() {
  unsigned opacity = 0;
  if (!ReadUnsigned(opacity_, 0, 255, opacity)) return;
  values_.colour = (colour_->Colour() & 0x00FFFFFFu) | (opacity << 24);
  values_.visible = visible_->isChecked();
  values_.textureIndex = texture_->currentIndex() < 0 ? 0 : texture_->currentIndex();
  QDialog::accept();
}

}  // namespace korvex::dialogs
