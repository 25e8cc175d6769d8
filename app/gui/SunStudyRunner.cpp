#include "app/gui/SunStudyRunner.h"

#include <QApplication>
#include <QDate>
#include <QMessageBox>
#include <QProgressDialog>

#include <optional>
#include <string>

#include "dialogs/SunStudyDlg.h"
#include "sheet/ContactSheet.h"
#include "view/StereonView.h"
#include "view/SunStudy.h"
#include "view/SunTimes.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex {

namespace {

SunStudyPlan FirstPlan() {
  SunStudyPlan plan;
  // The shortest day, when the shadows are longest: what permits ask for.
  plan.site.year = QDate::currentDate().year();
  plan.site.month = 12;
  plan.site.day = 22;
  plan.site.latitude = 35.6812;
  plan.site.longitude = 139.7671;
  plan.site.utcOffsetHours = 9;
  plan.north = ReadProjectNorth(std::filesystem::path("."));
  plan.folder = std::filesystem::current_path() / "日影図";
  return plan;
}

}  // namespace

void RunSunStudyDialog(QWidget* parent, CStereonView& view) {
  static std::optional<SunStudyPlan> lastPlan;
  dialogs::CSunStudyDlg dialog(lastPlan ? *lastPlan : FirstPlan(), parent);
  if (dialog.exec() != QDialog::Accepted) return;
  const SunStudyPlan plan = dialog.Plan();
  lastPlan = plan;

  const int steps = static_cast<int>(SunStudyTimes(plan).size());
  QProgressDialog progress(Tr("日影図を作成中..."), Tr("キャンセル"), 0, steps, parent);
  progress.setWindowTitle(Tr("日影図"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setValue(0);
  const SunStudyResult result = RunSunStudy(view, plan, [&](int step, int, const SunStudyFrame* frame) {
    if (frame != nullptr)
      progress.setLabelText(Tr("%1:%2  方位 %3°  高度 %4°")
                                .arg(frame->minutes / 60, 2, 10, QLatin1Char('0'))
                                .arg(frame->minutes % 60, 2, 10, QLatin1Char('0'))
                                .arg(frame->sun.viewer.azimuthFromSouth, 0, 'f', 1)
                                .arg(frame->sun.viewer.altitude, 0, 'f', 1));
    progress.setValue(step);
    QApplication::processEvents();
    return !progress.wasCanceled();
  });
  progress.reset();

  std::string error = result.error;
  if (error.empty() && !result.frames.empty())
    WriteContactSheet(plan.folder, result.frames, SunStudyTitle(plan), &error);
  const QString folder = QString::fromStdString(plan.folder.string());
  if (!error.empty()) {
    QMessageBox::warning(parent, Tr("日影図"), QString::fromStdString(error));
  } else {
    QMessageBox::information(parent, Tr("日影図"),
                             Tr("%1 枚の画像を %2 に出力しました。%3")
                                 .arg(result.frames.size())
                                 .arg(folder)
                                 .arg(result.cancelled ? Tr("(中断)") : QString()));
  }
}

}  // namespace korvex
