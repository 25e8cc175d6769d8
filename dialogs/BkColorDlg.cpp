#include "dialogs/BkColorDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "dialogs/ControlIds.h"
#include "dialogs/ColorButton.h"
#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

CBkColorDlg::CBkColorDlg(const BackgroundDialogValues& values, QWidget* parent)
    : QDialog(parent), values_(values) {
  setWindowTitle(Tr("背景色"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  colour_ = new ColorButton(values.colour, this);
  form->addRow(Tr("色"), colour_);
  useImage_ = new QCheckBox(Tr("背景に画像を使用する"), this);
  useImage_->setObjectName(QString::number(ids::background::kUseImage));
  useImage_->setChecked(values.useImage);
  form->addRow(useImage_);
  AddOkCancel(this);
}

void CBkColorDlg::accept() {
  values_.colour = colour_->Colour();
  values_.useImage = useImage_->isChecked();
  QDialog::accept();
}

}  // namespace korvex::dialogs
