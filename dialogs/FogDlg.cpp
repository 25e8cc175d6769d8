#include "dialogs/FogDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/ControlIds.h"
#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

CFogDlg::CFogDlg(const FogDialogValues& values, QWidget* parent) : QDialog(parent), values_(values) {
  setWindowTitle(Tr("ﾌｫｸﾞ設定"));
  new QVBoxLayout(this);
  using namespace ids::fog;
  face_ = MakeGroup(Tr("多角形用"), values.face,
                    {kFaceUsed, kFaceStart, kFaceEnd, kFaceDensity,  //
                     kFaceLinear, kFaceNonLinear1, kFaceNonLinear2});
  line_ = MakeGroup(Tr("線分用"), values.line,
                    {kLineUsed, kLineStart, kLineEnd, kLineDensity,  //
                     kLineLinear, kLineNonLinear1, kLineNonLinear2});
  AddOkCancel(this);
}

CFogDlg::Group CFogDlg::MakeGroup(const QString& title, const FogValues& values, const int (&ids)[7]) {
  auto* box = new QGroupBox(title, this);
  auto* form = new QFormLayout(box);
  Group group;
  group.used = new QCheckBox(Tr("使用する"), box);
  group.used->setObjectName(QString::number(ids[0]));
  group.used->setChecked(values.used);
  form->addRow(group.used);
  group.start = NumberField(box, ids[1], DoubleText(values.start));
  form->addRow(Tr("開始位置"), group.start);
  group.end = NumberField(box, ids[2], DoubleText(values.end));
  form->addRow(Tr("終了位置"), group.end);
  group.density = NumberField(box, ids[3], DoubleText(values.density));
  form->addRow(Tr("係数"), group.density);
  auto* modes = new QHBoxLayout;
  group.mode = new QButtonGroup(box);
  const QString captions[] = {Tr("線形"), Tr("非線形1"), Tr("非線形2")};
  for (int i = 0; i < 3; ++i) {
    auto* radio = new QRadioButton(captions[i], box);
    radio->setObjectName(QString::number(ids[4 + i]));
    group.mode->addButton(radio, i);
    modes->addWidget(radio);
  }
  if (QAbstractButton* chosen = group.mode->button(values.mode)) chosen->setChecked(true);
  form->addRow(modes);
  static_cast<QVBoxLayout*>(layout())->addWidget(box);
  return group;
}

bool CFogDlg::Read(const Group& group, FogValues& values) {
  FogValues read = values;
  if (!ReadDouble(group.start, read.start) || !ReadDouble(group.end, read.end) ||
      !ReadDouble(group.density, read.density))
    return false;
  read.used = group.used->isChecked();
  // A mode outside the three radios stays as it was handed over.
  if (group.mode->checkedId() >= 0) read.mode = group.mode->checkedId();
  values = read;
  return true;
}

void CFogDlg::accept() {
  FogDialogValues read = values_;
  if (!Read(face_, read.face) || !Read(line_, read.line)) return;
  values_ = read;
  QDialog::accept();
}

}  // namespace korvex::dialogs
