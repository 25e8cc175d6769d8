#include "dialogs/ShadowRegulationDlg.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <cmath>

#include "dialogs/DialogFields.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex::dialogs {

namespace {

QDoubleSpinBox* Number(QWidget* parent, const char* name, double low, double high, int decimals, double value) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(low, high);
  box->setDecimals(decimals);
  box->setValue(value);
  return box;
}

QLineEdit* Text(QWidget* parent, const char* name, const QString& value) {
  auto* edit = new QLineEdit(value, parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

QTime Clock(double hours) {
  const int minutes = static_cast<int>(std::lround(hours * 60));
  return QTime(minutes / 60 % 24, minutes % 60);
}

QString Numbers(const std::vector<double>& values) {
  QStringList parts;
  for (const double v : values) parts << QString::number(v, 'g', 10);
  return parts.join(QLatin1Char(','));
}

// "1,2,2.5" or "1 2 2.5"; false for anything that is not a number.
bool ParseNumbers(const QString& text, std::vector<double>& out) {
  out.clear();
  const QStringList parts = QString(text).replace(QLatin1Char(','), QLatin1Char(' ')).split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (const QString& part : parts) {
    bool ok = false;
    out.push_back(part.toDouble(&ok));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

CShadowRegulationDlg::CShadowRegulationDlg(const ShadowRegulationChoice& choice, QWidget* parent)
    : QDialog(parent), choice_(choice) {
  const analysis::StudyPlan& plan = choice.plan;
  const SolarInput& site = plan.window.site;
  setWindowTitle(Tr("日影規制"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);

  date_ = new QDateEdit(QDate(site.year, site.month, site.day), this);
  date_->setObjectName(QStringLiteral("date"));
  date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  date_->setCalendarPopup(true);
  form->addRow(Tr("日付"), date_);
  latitude_ = Number(this, "latitude", -90, 90, 6, site.latitude);
  form->addRow(Tr("緯度 (北が正)"), latitude_);
  longitude_ = Number(this, "longitude", -180, 180, 6, site.longitude);
  form->addRow(Tr("経度 (東が正)"), longitude_);
  crs_ = Text(this, "crs", QString::fromStdString(plan.crs));
  crs_->setPlaceholderText(Tr("EPSG:6677 など (緯度・経度・真北を座標系から)"));
  form->addRow(Tr("座標系"), crs_);
  north_ = Number(this, "north", -100, 100, 6, plan.window.north);
  form->addRow(Tr("真北 (ラジアン)"), north_);
  height_ = Number(this, "height", -1000, 1000, 2, plan.height);
  form->addRow(Tr("測定面の高さ (m)"), height_);
  ground_ = Text(this, "ground", plan.ground ? QString::number(*plan.ground) : QString());
  ground_->setPlaceholderText(Tr("空欄: モデルの最下点"));
  form->addRow(Tr("地盤面の高さ"), ground_);
  grid_ = Number(this, "grid", 0.01, 1000, 2, plan.grid);
  form->addRow(Tr("格子間隔 (m)"), grid_);

  auto* window = new QHBoxLayout;
  from_ = new QTimeEdit(Clock(plan.window.fromHours), this);
  from_->setObjectName(QStringLiteral("from"));
  from_->setDisplayFormat(QStringLiteral("HH:mm"));
  to_ = new QTimeEdit(Clock(plan.window.toHours), this);
  to_->setObjectName(QStringLiteral("to"));
  to_->setDisplayFormat(QStringLiteral("HH:mm"));
  window->addWidget(from_);
  window->addWidget(to_);
  form->addRow(Tr("測定時間 (開始, 終了)"), window);
  auto* clock = new QHBoxLayout;
  clockTime_ = new QCheckBox(Tr("中央標準時 (UTCとの時差)"), this);
  clockTime_->setObjectName(QStringLiteral("clockTime"));
  clockTime_->setChecked(plan.window.clockTime);
  utcOffset_ = Number(this, "utcOffset", -18, 18, 2, site.utcOffsetHours);
  clock->addWidget(clockTime_);
  clock->addWidget(utcOffset_);
  form->addRow(Tr("時刻の基準 (既定: 真太陽時)"), clock);

  contours_ = Text(this, "contours", Numbers(plan.contours));
  form->addRow(Tr("等時間線 (時間)"), contours_);
  QStringList points;
  for (const auto& p : plan.site) points << QStringLiteral("%1,%2").arg(p.x).arg(p.y);
  site_ = Text(this, "site", points.join(QLatin1Char(',')));
  site_->setPlaceholderText(Tr("X,Y,X,Y,... (空欄: 敷地なし)"));
  form->addRow(Tr("敷地境界 (点列)"), site_);
  siteFromNode_ = new QCheckBox(Tr("「敷地」ノードの輪郭を使う"), this);
  siteFromNode_->setObjectName(QStringLiteral("siteFromNode"));
  siteFromNode_->setChecked(choice.siteFromNode);
  form->addRow(QString(), siteFromNode_);
  auto* limits = new QHBoxLayout;
  useLimits_ = new QCheckBox(Tr("規制時間"), this);
  useLimits_->setObjectName(QStringLiteral("useLimits"));
  useLimits_->setChecked(plan.limits.has_value());
  limit5_ = Number(this, "limit5", 0, 24, 2, plan.limits ? (*plan.limits)[0] : 4.0);
  limit10_ = Number(this, "limit10", 0, 24, 2, plan.limits ? (*plan.limits)[1] : 2.5);
  limits->addWidget(useLimits_);
  limits->addWidget(limit5_);
  limits->addWidget(limit10_);
  form->addRow(Tr("5m / 10m を超える範囲"), limits);

  auto* folderRow = new QHBoxLayout;
  folder_ = Text(this, "folder", QString::fromStdString(choice.folder.string()));
  auto* browse = new QPushButton(Tr("参照..."), this);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString chosen = QFileDialog::getExistingDirectory(this, Tr("出力フォルダ"), folder_->text());
    if (!chosen.isEmpty()) folder_->setText(chosen);
  });
  folderRow->addWidget(folder_);
  folderRow->addWidget(browse);
  form->addRow(Tr("出力フォルダ"), folderRow);

  AddOkCancel(this);
}

void CShadowRegulationDlg::accept() {
  ShadowRegulationChoice read = choice_;
  analysis::StudyPlan& plan = read.plan;
  SolarInput& site = plan.window.site;
  const QDate date = date_->date();
  site.year = date.year();
  site.month = date.month();
  site.day = date.day();
  site.latitude = latitude_->value();
  site.longitude = longitude_->value();
  plan.longitudeGiven = true;
  plan.crs = crs_->text().trimmed().toStdString();
  plan.window.north = north_->value();
  plan.height = height_->value();
  plan.grid = grid_->value();
  plan.window.fromHours = from_->time().hour() + from_->time().minute() / 60.0;
  plan.window.toHours = to_->time().hour() + to_->time().minute() / 60.0;
  plan.window.clockTime = clockTime_->isChecked();
  site.utcOffsetHours = utcOffset_->value();
  read.siteFromNode = siteFromNode_->isChecked();
  read.folder = std::filesystem::path(folder_->text().trimmed().toStdString());

  QString problem;
  std::vector<double> numbers;
  plan.ground.reset();
  if (!ground_->text().trimmed().isEmpty()) {
    bool ok = false;
    plan.ground = ground_->text().trimmed().toDouble(&ok);
    if (!ok) problem = Tr("地盤面の高さは数値で指定してください。");
  }
  if (!ParseNumbers(contours_->text(), numbers) || numbers.empty())
    problem = Tr("等時間線は時間の数値を , で区切って指定してください。");
  else
    plan.contours = numbers;
  plan.site.clear();
  if (!ParseNumbers(site_->text(), numbers) || numbers.size() % 2 != 0)
    problem = Tr("敷地境界は X,Y の組で指定してください。");
  else
    for (std::size_t i = 0; i + 1 < numbers.size(); i += 2) plan.site.push_back({numbers[i], numbers[i + 1]});
  plan.limits.reset();
  if (useLimits_->isChecked()) plan.limits = std::array<double, 2>{limit5_->value(), limit10_->value()};
  if (read.folder.empty()) problem = Tr("出力フォルダを指定してください。");
  if (problem.isEmpty() && plan.crs.empty())
    problem = QString::fromStdString(analysis::SunWindowProblem(plan.window));
  if (!problem.isEmpty()) {
    QMessageBox::warning(this, windowTitle(), problem);
    return;
  }
  choice_ = read;
  QDialog::accept();
}

}  // namespace korvex::dialogs
