#include "app/gui/ShadowRegulationRunner.h"

#include <QApplication>
#include <QDate>
#include <QMessageBox>
#include <QProgressDialog>

#include <cmath>
#include <optional>
#include <string>

#include "analysis/SceneCasters.h"
#include "common/encoding.h"
#include "sheet/ShadowPlan.h"
#include "common/file_util.h"
#include "dialogs/ShadowRegulationDlg.h"
#include "model/FigureTessellationWorld.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "view/StereonView.h"
#include "view/SunTimes.h"
#include "sheet/Tr.h"

using korvex::Tr;

namespace korvex {

namespace {

using analysis::Point2;
using analysis::Polyline;

dialogs::ShadowRegulationChoice FirstChoice() {
  dialogs::ShadowRegulationChoice choice;
  analysis::StudyPlan& plan = choice.plan;
  // The shortest day: what the regulation measures.
  plan.window.site.year = QDate::currentDate().year();
  plan.window.site.month = 12;
  plan.window.site.day = 22;
  plan.window.site.latitude = 35.6812;
  plan.window.site.longitude = 139.7671;
  plan.window.site.utcOffsetHours = 9;
  plan.longitudeGiven = true;
  plan.window.north = ReadProjectNorth(std::filesystem::path("."));
  choice.folder = std::filesystem::current_path() / "日影規制";
  return choice;
}

CInkNode* FindNode(CInkNode& node, const std::string& cp932Name) {
  if (cp932Name == node.GetName(nullptr, 0)) return &node;
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i))
      if (CInkNode* found = FindNode(*child, cp932Name)) return found;
  return nullptr;
}

// The outline of the node "敷地": its first figure's first face, seen from
// above.
std::vector<Point2> SiteFromNode(CInkSolid& scene) {
  std::vector<Point2> site;
  CInkNode* root = scene.GetRoot();
  CInkNode* node = root ? FindNode(*root, Utf8ToCp932("敷地")) : nullptr;
  if (node == nullptr || node->GetFigureCount() == 0) return site;
  GMPolygonSetPtr polygons = FigureWorldPolygons(node->GetFigure(0), 4, 1.0, 1e-7);
  if (!polygons || polygons->Count() == 0) return site;
  for (const GMVector& p : polygons->polygons.front().points) site.push_back({p.x, p.y});
  return site;
}

std::vector<GMVector> OnPlane(const Polyline& line, double z) {
  std::vector<GMVector> points;
  for (const Point2& p : line) points.push_back({p.x, p.y, z});
  return points;
}

QString Hours(double hours) { return QString::number(hours, 'g', 4) + Tr("時間"); }

// The study as the view draws it on the measurement plane.
StudyDrawing Drawing(const analysis::StudyResult& result) {
  StudyDrawing drawing;
  const double z = result.grid.z;
  for (const auto& outline : result.outlines)
    for (const auto& polygon : outline.polygons)
      for (const Polyline& ring : polygon.rings) drawing.lines.push_back({OnPlane(ring, z), kShadowOutlineRgb, 1, false});
  const auto levels = analysis::StudyContours(result);
  for (std::size_t k = 0; k < levels.size(); ++k)
    for (const Polyline& line : levels[k]) {
      drawing.lines.push_back({OnPlane(line, z), ShadowLineRgb(k), 2.5, false});
      if (line.size() >= 6) {
        const Point2& middle = line[line.size() / 2];
        drawing.labels.push_back({{middle.x, middle.y, z}, Hours(result.plan.contours[k]).toStdString(),
                                  ShadowLineRgb(k)});
      }
    }
  if (!result.plan.site.empty()) {
    Polyline site = result.plan.site;
    site.push_back(site.front());
    drawing.lines.push_back({OnPlane(site, z), 0x000000, 2, false});
  }
  for (std::size_t k = 0; k < result.lines.size(); ++k) {
    const auto& check = result.lines[k];
    drawing.lines.push_back({OnPlane(check.line, z), RegulatedLineRgb(k), 2, true});
    if (!check.maxHours) continue;
    // The worst point: a cross of half a metre, and its hours.
    const double r = 0.5 + result.grid.step;
    const Point2 a = check.at;
    drawing.lines.push_back({{{a.x - r, a.y - r, z}, {a.x + r, a.y + r, z}}, RegulatedLineRgb(k), 2.5, false});
    drawing.lines.push_back({{{a.x - r, a.y + r, z}, {a.x + r, a.y - r, z}}, RegulatedLineRgb(k), 2.5, false});
    drawing.labels.push_back({{a.x, a.y, z},
                              Tr("%1m 最大 %2").arg(check.offset, 0, 'f', 0).arg(Hours(*check.maxHours)).toStdString(),
                              RegulatedLineRgb(k)});
  }
  return drawing;
}

}  // namespace

void RunShadowRegulationDialog(QWidget* parent, CStereonView& view) {
  static std::optional<dialogs::ShadowRegulationChoice> last;
  dialogs::CShadowRegulationDlg dialog(last ? *last : FirstChoice(), parent);
  if (dialog.exec() != QDialog::Accepted) return;
  dialogs::ShadowRegulationChoice choice = dialog.Choice();
  last = choice;
  const QString title = Tr("日影規制");
  CInkSolid* scene = view.Scene();
  if (scene == nullptr) return;

  // The casters of the view's own shadows.
  analysis::CasterChoice casters;
  casters.transparentCast = view.State().noTransparentShadows == 0;
  casters.hiddenCast = view.State().noHiddenShadows == 0;
  const analysis::TriangleSoup faces = analysis::SceneCasters(*scene, casters);
  analysis::StudyPlan& plan = choice.plan;
  if (choice.siteFromNode) {
    plan.site = SiteFromNode(*scene);
    if (plan.site.empty()) {
      QMessageBox::warning(parent, title, Tr("「敷地」ノードの輪郭がありません。"));
      return;
    }
  }
  if (std::string problem; !analysis::ApplyCrs(plan, faces, &problem)) {
    QMessageBox::warning(parent, title, QString::fromStdString(problem));
    return;
  }
  if (const std::string problem = analysis::StudyPlanProblem(plan, faces); !problem.empty()) {
    QMessageBox::warning(parent, title, QString::fromStdString(problem));
    return;
  }

  constexpr int kSteps = 1000;
  QProgressDialog progress(Tr("日影時間を計算中..."), Tr("キャンセル"), 0, kSteps, parent);
  progress.setWindowTitle(title);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setValue(0);
  const analysis::StudyResult result = analysis::RunStudy(plan, faces, [&](std::size_t done, std::size_t total) {
    progress.setValue(static_cast<int>(total ? done * kSteps / total : 0));
    QApplication::processEvents();
    return !progress.wasCanceled();
  });
  progress.reset();
  if (result.cancelled) {
    QMessageBox::information(parent, title, Tr("計算を中断しました。"));
    return;
  }

  std::string error;
  if (!analysis::WriteStudy(result, choice.folder, &error) || !WriteShadowPlan(result, choice.folder, &error)) {
    QMessageBox::warning(parent, title, QString::fromStdString(error));
  }
  view.SetStudyDrawing(Drawing(result));
  QString summary = Tr("%1 点の日影時間を %2 に出力しました。")
                        .arg(result.grid.Points())
                        .arg(QString::fromStdString(choice.folder.string()));
  for (const auto& check : result.lines) {
    summary += Tr("\n%1m: 最大 %2").arg(check.offset, 0, 'f', 0).arg(check.maxHours ? Hours(*check.maxHours) : Tr("なし"));
  }
  if (plan.limits && !plan.site.empty()) {
    bool pass = true;
    for (std::size_t k = 0; k < result.lines.size(); ++k)
      pass = pass && (!result.lines[k].maxHours || *result.lines[k].maxHours <= (*plan.limits)[k]);
    summary += pass ? Tr("\n規制時間に適合します。") : Tr("\n規制時間を超えています。");
  }
  QMessageBox::information(parent, title, summary);
}

}  // namespace korvex
