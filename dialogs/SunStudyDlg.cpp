#include "dialogs/SunStudyDlg.h"

#include <numbers>

#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "dialogs/DialogFields.h"
#include "output/OutputTexts.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

namespace {

QDoubleSpinBox* Degrees(QWidget* parent, double low, double high, int decimals, double value) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(low, high);
  box->setDecimals(decimals);
  box->setValue(value);
  return box;
}

QTime Clock(int minutes) { return QTime(minutes / 60 % 24, minutes % 60); }

}  // namespace

CSunStudyDlg::CSunStudyDlg(const SunStudyPlan& plan, QWidget* parent) : QDialog(parent), plan_(plan) {
  setWindowTitle(Tr("日影図"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);

  date_ = new QDateEdit(QDate(plan.site.year, plan.site.month, plan.site.day), this);
  date_->setObjectName(QStringLiteral("date"));
  date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  date_->setCalendarPopup(true);
  form->addRow(Tr("日付"), date_);
  latitude_ = Degrees(this, -90, 90, 6, plan.site.latitude);
  form->addRow(Tr("緯度 (北が正)"), latitude_);
  longitude_ = Degrees(this, -180, 180, 6, plan.site.longitude);
  form->addRow(Tr("経度 (東が正)"), longitude_);
  utcOffset_ = Degrees(this, -18, 18, 2, plan.site.utcOffsetHours);
  utcOffset_->setSingleStep(0.5);
  form->addRow(Tr("UTCとの時差 (時間)"), utcOffset_);
  // The project file gives north in radians; people think in degrees.
  north_ = Degrees(this, -360, 360, 6, plan.north * 180.0 / std::numbers::pi);
  north_->setObjectName(QStringLiteral("north"));
  form->addRow(Tr("真北 (度)"), north_);

  from_ = new QTimeEdit(Clock(plan.fromMinutes), this);
  from_->setObjectName(QStringLiteral("from"));
  from_->setDisplayFormat(QStringLiteral("HH:mm"));
  form->addRow(Tr("開始時刻"), from_);
  to_ = new QTimeEdit(Clock(plan.toMinutes), this);
  to_->setObjectName(QStringLiteral("to"));
  to_->setDisplayFormat(QStringLiteral("HH:mm"));
  form->addRow(Tr("終了時刻"), to_);
  step_ = new QSpinBox(this);
  step_->setObjectName(QStringLiteral("step"));
  step_->setRange(1, 24 * 60);
  step_->setValue(plan.stepMinutes);
  step_->setSuffix(Tr(" 分"));
  form->addRow(Tr("間隔"), step_);

  auto* size = new QHBoxLayout;
  width_ = new QSpinBox(this);
  width_->setObjectName(QStringLiteral("width"));
  width_->setRange(1, 16384);
  width_->setValue(plan.width);
  height_ = new QSpinBox(this);
  height_->setObjectName(QStringLiteral("height"));
  height_->setRange(1, 16384);
  height_->setValue(plan.height);
  size->addWidget(width_);
  size->addWidget(height_);
  form->addRow(Tr("画像の大きさ (幅, 高さ)"), size);

  auto* folderRow = new QHBoxLayout;
  folder_ = new QLineEdit(QString::fromStdString(plan.folder.string()), this);
  folder_->setObjectName(QStringLiteral("folder"));
  auto* browse = new QPushButton(Tr("参照..."), this);
  connect(browse, &QPushButton::clicked, this, [this] { ChooseFolder(); });
  folderRow->addWidget(folder_);
  folderRow->addWidget(browse);
  form->addRow(Tr("出力フォルダ"), folderRow);

  AddOkCancel(this);
}

void CSunStudyDlg::ChooseFolder() {
  const QString chosen = QFileDialog::getExistingDirectory(this, Tr("出力フォルダ"), folder_->text());
  if (!chosen.isEmpty()) folder_->setText(chosen);
}

void CSunStudyDlg::accept() {
  SunStudyPlan read = plan_;
  const QDate date = date_->date();
  read.site.year = date.year();
  read.site.month = date.month();
  read.site.day = date.day();
  read.site.latitude = latitude_->value();
  read.site.longitude = longitude_->value();
  read.site.utcOffsetHours = utcOffset_->value();
  read.north = north_->value() * std::numbers::pi / 180.0;
  read.fromMinutes = from_->time().hour() * 60 + from_->time().minute();
  read.toMinutes = to_->time().hour() * 60 + to_->time().minute();
  read.stepMinutes = step_->value();
  read.width = width_->value();
  read.height = height_->value();
  read.folder = std::filesystem::path(folder_->text().trimmed().toStdString());
  const std::string problem = SunStudyPlanProblem(read);
  if (!problem.empty()) {
    // Not a modal box: the dialog stays open behind it for the user to
    // change the size (or whatever else was refused).
    ShowRefusal(problem == output::kBitmapTooLarge ? static_cast<QWidget*>(width_) : this,
                QString::fromStdString(problem));
    return;
  }
  plan_ = read;
  QDialog::accept();
}

}  // namespace korvex::dialogs
