#include "dialogs/ExPrintDlg.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/ControlIds.h"
#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

CExPrintDlg::CExPrintDlg(const PrintDialogValues& values, QWidget* parent) : QDialog(parent), values_(values) {
  setWindowTitle(Tr("拡張印刷設定"));
  auto* layout = new QVBoxLayout(this);
  resolution_ = new QButtonGroup(this);
  // Control ids in the order of the settings 0 … 3.
  const struct {
    int id;
    const char* text;
  } radios[] = {{ids::print::kHighResolution, korvex::TrNoop("高解像度")},
                 {ids::print::kMediumResolution, korvex::TrNoop("中解像度")},
                 {ids::print::kLowResolution, korvex::TrNoop("低解像度")},
                 {ids::print::kQuickPrint, korvex::TrNoop("簡易印刷")}};
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(Tr(radios[i].text), this);
    radio->setObjectName(QString::number(radios[i].id));
    resolution_->addButton(radio, i);
    layout->addWidget(radio);
  }
  if (QAbstractButton* chosen = resolution_->button(values.resolution)) chosen->setChecked(true);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  lineWidth_ = NumberField(this, ids::kLineWidth, DoubleText(values.lineWidth));
  form->addRow(Tr("各種線分の太さ"), lineWidth_);
  AddOkCancel(this);
}

void CExPrintDlg::accept() {
  double lineWidth = 0.0;
  if (!ReadDoubleIn(lineWidth_, 0.1, 10.0, lineWidth)) return;
  values_.lineWidth = lineWidth;
  if (resolution_->checkedId() >= 0) values_.resolution = resolution_->checkedId();
  QDialog::accept();
}

}  // namespace korvex::dialogs
