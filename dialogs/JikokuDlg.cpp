#include "dialogs/JikokuDlg.h"

#include <QCheckBox>
#include <QListWidget>
#include <QVBoxLayout>

#include "dialogs/ControlIds.h"
#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"
#include "common/UiText.h"

using korvex::Tr;

namespace korvex::dialogs {

CJikokuDlg::CJikokuDlg(const TimeDialogValues& values, QWidget* parent) : QDialog(parent), values_(values) {
  setWindowTitle(Tr("時刻指定"));
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setObjectName(QString::number(ids::times::kList));
  for (const std::string& line : values.times.lines) list_->addItem(QString::fromStdString(UiText(line)));
  if (values.selection >= 0 && values.selection < list_->count()) list_->setCurrentRow(values.selection);
  layout->addWidget(list_);
  createShadow_ = new QCheckBox(Tr("影を作製する"), this);
  createShadow_->setObjectName(QString::number(ids::times::kCreateShadow));
  createShadow_->setChecked(values.createShadow);
  layout->addWidget(createShadow_);
  flipNorth_ = new QCheckBox(Tr("真北の反転"), this);
  flipNorth_->setObjectName(QString::number(ids::times::kFlipNorth));
  flipNorth_->setChecked(values.flipNorth);
  layout->addWidget(flipNorth_);
  AddOkCancel(this);
}

void CJikokuDlg::accept() {
  TimeDialogValues read = values_;
  read.createShadow = createShadow_->isChecked();
  read.flipNorth = flipNorth_->isChecked();
  // An empty list has no time to take the sun from: OK does nothing.
  if (!AcceptTimeDialog(read, list_->currentRow())) return;
  values_ = read;
  QDialog::accept();
}

}  // namespace korvex::dialogs
