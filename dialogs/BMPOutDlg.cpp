#include "dialogs/BMPOutDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/ControlIds.h"
#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

namespace {
// The layout base name is a path of at most 259 bytes.
constexpr int kMaxBaseBytes = 259;
}  // namespace

CBMPOutDlg::CBMPOutDlg(const ExportDialogValues& values, QWidget* parent) : QDialog(parent), values_(values) {
  setWindowTitle(Tr("ファイル出力"));
  auto* layout = new QVBoxLayout(this);
  displaySize_ = new QRadioButton(Tr("表示ｻｲｽﾞ"), this);
  displaySize_->setObjectName(QString::number(ids::picture::kDisplaySize));
  givenSize_ = new QRadioButton(Tr("指定ｻｲｽﾞ"), this);
  givenSize_->setObjectName(QString::number(ids::picture::kGivenSize));
  (values.sizeMode == 0 ? displaySize_ : givenSize_)->setChecked(true);
  layout->addWidget(displaySize_);
  layout->addWidget(givenSize_);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  width_ = NumberField(this, ids::picture::kWidth, QString::number(values.width));
  height_ = NumberField(this, ids::picture::kHeight, QString::number(values.height));
  lineWidth_ = NumberField(this, ids::kLineWidth, DoubleText(values.lineWidth));
  form->addRow(Tr("横ｻｲｽﾞ"), width_);
  form->addRow(Tr("縦ｻｲｽﾞ"), height_);
  form->addRow(Tr("各種線分の太さ"), lineWidth_);
  // Both boxes open unchecked, whatever was chosen before.
  oldMethod_ = new QCheckBox(Tr("旧式の処理を使う"), this);
  oldMethod_->setObjectName(QString::number(ids::picture::kOldMethod));
  layoutOut_ = new QCheckBox(Tr("図面レイアウト出力"), this);
  layoutOut_->setObjectName(QString::number(ids::picture::kLayoutOut));
  form->addRow(oldMethod_);
  form->addRow(layoutOut_);
  layoutBase_ = new QLineEdit(QString::fromStdString(values.layoutBase), this);
  layoutBase_->setObjectName(QString::number(ids::picture::kLayoutBase));
  form->addRow(Tr("出力ファイル名"), layoutBase_);
  connect(displaySize_, &QRadioButton::clicked, this, [this] { EnableSizes(); });
  connect(givenSize_, &QRadioButton::clicked, this, [this] { EnableSizes(); });
  EnableSizes();
  AddOkCancel(this);
}

void CBMPOutDlg::EnableSizes() {
  const bool given = givenSize_->isChecked();
  width_->setEnabled(given);
  height_->setEnabled(given);
}

void CBMPOutDlg::accept() {
  ExportDialogValues read = values_;
  unsigned width = 0, height = 0;
  if (!ReadUnsigned(width_, 4, 10000, width) || !ReadUnsigned(height_, 1, 10000, height) ||
      !ReadDoubleIn(lineWidth_, 0.1, 10.0, read.lineWidth))
    return;
  const QByteArray base = layoutBase_->text().toUtf8();
  if (base.size() > kMaxBaseBytes) {
    QMessageBox::warning(this, windowTitle(), Tr("%1 文字以内で入力してください。").arg(kMaxBaseBytes));
    layoutBase_->setFocus();
    return;
  }
  read.sizeMode = displaySize_->isChecked() ? 0 : 1;
  read.width = static_cast<int>(width);
  read.height = static_cast<int>(height);
  read.oldMethod = oldMethod_->isChecked();
  read.layoutOut = layoutOut_->isChecked();
  read.layoutBase = base.toStdString();
  values_ = read;
  QDialog::accept();
}

}  // namespace korvex::dialogs
