#include "dialogs/EyeDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/ControlIds.h"
#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

CEyeDlg::CEyeDlg(const EyeDialogValues& values, QWidget* parent) : QDialog(parent), values_(values) {
  setWindowTitle(Tr("視点設定"));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);
  const SceneCamera& camera = values.camera;
  const double numbers[] = {camera.eye.x,    camera.eye.y,      camera.eye.z,     camera.target.x,
                            camera.target.y, camera.target.z,   camera.viewAngle, camera.nearPlane,
                            camera.farPlane, values.rotationStep};
  static_assert(ids::eye::kRotationStep - ids::eye::kFirstField + 1 == std::tuple_size_v<decltype(fields_)>);
  for (size_t i = 0; i < fields_.size(); ++i)
    fields_[i] = NumberField(this, ids::eye::kFirstField + static_cast<int>(i), DoubleText(numbers[i]));
  grid->addWidget(new QLabel(Tr("視点"), this), 0, 0);
  grid->addWidget(new QLabel(Tr("注視点"), this), 1, 0);
  for (int c = 0; c < 3; ++c) {
    grid->addWidget(fields_[static_cast<size_t>(c)], 0, c + 1);
    grid->addWidget(fields_[static_cast<size_t>(3 + c)], 1, c + 1);
  }
  const QString singles[] = {Tr("視野角"), Tr("前面位置"), Tr("後面位置"),
                             Tr("回転角")};
  for (int i = 0; i < 4; ++i) {
    grid->addWidget(new QLabel(singles[i], this), 2 + i, 0);
    grid->addWidget(fields_[static_cast<size_t>(6 + i)], 2 + i, 1);
  }

  auto* isometric = new QGroupBox(Tr("ｱｲｿﾒ"), this);
  auto* corners = new QHBoxLayout(isometric);
  corner_ = new QButtonGroup(this);
  const QString captions[] = {Tr("左下"), Tr("右下"), Tr("右上"),
                              Tr("左上")};
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(captions[i], isometric);
    radio->setObjectName(QString::number(ids::eye::kFirstCorner + i));
    corner_->addButton(radio, i);
    corners->addWidget(radio);
  }
  if (QAbstractButton* chosen = corner_->button(values.isometricCorner)) chosen->setChecked(true);
  layout->addWidget(isometric);

  auto* scaleRow = new QHBoxLayout;
  scaleRow->addWidget(new QLabel(Tr("表示基準縮尺  1/"), this));
  scale_ = new QComboBox(this);
  scale_->setObjectName(QString::number(ids::eye::kReferenceScale));
  scale_->setEditable(true);
  for (const char* item : {"10", "20", "30", "40", "50", "100", "200", "250", "300", "400", "500", "1000", "2000",
                           "2500", "3000", "4000", "5000", "10000"})
    scale_->addItem(QString::fromLatin1(item));
  scale_->setEditText(QString::fromStdString(values.referenceScale));
  scaleRow->addWidget(scale_);
  layout->addLayout(scaleRow);
  AddOkCancel(this);
}

void CEyeDlg::accept() {
  std::array<double, 10> read{};
  for (size_t i = 0; i < read.size(); ++i)
    if (!ReadDouble(fields_[i], read[i])) return;
  values_.camera.eye = {read[0], read[1], read[2]};
  values_.camera.target = {read[3], read[4], read[5]};
  values_.camera.viewAngle = read[6];
  values_.camera.nearPlane = read[7];
  values_.camera.farPlane = read[8];
  values_.rotationStep = read[9];
  values_.isometricCorner = corner_->checkedId();
  values_.referenceScale = scale_->currentText().toStdString();
  QDialog::accept();
}

}  // namespace korvex::dialogs
