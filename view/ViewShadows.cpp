// The sun and its shadows: the time dialog's two commands, making and
// deleting the shadow volumes, and the casters handed to the engine.
#include <cmath>
#include <cstdint>
#include <vector>

#include "common/user_interface.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_polygon_measure.h"
#include "model/FigureTessellationWorld.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "common/PlainList.h"
#include "render/OGLDispTree.h"
#include "view/StereonView.h"
#include "view/SunTimes.h"
#include "view/ViewMath.h"
#include "view/ViewTexts.h"

namespace korvex {

namespace {

// Tessellation of the casters: the display's subdivision level and arc factor.
constexpr int kCasterLevel = 4;
constexpr double kCasterArc = 1.0;
constexpr double kTolerance = 1e-7;
// A mesh face casts only when it is turned this far away from the sun; the
// faces towards it would only repeat the same shadow.
constexpr double kBackFaceLimit = 0.1;
// Black at half opacity: shadowed pixels keep half their brightness.
constexpr uint32_t kShadowColour = 0x80000000u;
// The near caps are lifted off the casters by this much when hidden bodies
// or billboards cast, so that their own faces are not darkened.
constexpr double kCapOffset = 0.01;

struct CasterRules {
  bool transparentCast = false;
  bool hiddenCast = false;
  GMVector light;  // unit, the way the sunlight travels
};

// The casters with, for each, whether the frame draws it as an opaque face
// before the shadows: such a caster closes its own volume in the depth
// buffer and needs no near cap.
struct Casters {
  std::vector<GMPolygon> polygons;
  std::vector<uint8_t> drawn;
  void Add(GMPolygon polygon, bool isDrawn) {
    polygons.push_back(std::move(polygon));
    drawn.push_back(isDrawn ? 1 : 0);
  }
};

// The node's figures, then its children's, as world-space polygons.
void CollectCasters(CInkNode& node, const CasterRules& rules, Casters& casters) {
  if (NodeCastsShadow(node, rules.transparentCast, rules.hiddenCast)) {
    const InkAttributes* attributes = node.GetAttributeRecord();
    const bool opaque = attributes != nullptr && (attributes->colour >> 24) == 0xFFu;
    for (int i = 0; i < node.GetFigureCount(); ++i) {
      const InkFigure* figure = node.GetFigure(i);
      if (figure == nullptr) continue;
      GMPolygonSetPtr set = FigureWorldPolygons(figure, kCasterLevel, kCasterArc, kTolerance);
      if (!set) continue;
      const bool drawn = opaque && node.IsShown() && figure->hidden == 0;
      for (GMPolygon& polygon : set->polygons) {
        if (figure->kind == kInkFigureMesh) {
          const GMVector n = GMPolygonNormal(polygon, kTolerance);
          if (n.x == GM_UNDEFINED || GMDot(vm::Unit(n), rules.light) <= kBackFaceLimit) continue;
        }
        casters.Add(std::move(polygon), drawn);
      }
    }
  }
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i)) CollectCasters(*child, rules, casters);
}

// Each billboard's outline stood upright at the billboard and turned about
// the vertical so that its face looks into the sun. A sun straight overhead
// (no horizontal part) casts no billboard shadow.
void CollectBillboardCasters(CPlainList* billboards, const GMVector& light, Casters& casters) {
  if (billboards == nullptr) return;
  if (std::fabs(light.x) <= kTolerance && std::fabs(light.y) <= kTolerance) return;
  // The signed angle from (0, -1) to the light's horizontal part: the
  // outline's face, which looks along -y when upright, then looks along
  // the light, across the sun's rays. The unsigned angle would turn it
  // the wrong way whenever the sun stands east of south.
  const double turn = std::atan2(light.x, -light.y);
  const double c = std::cos(turn), s = std::sin(turn);
  for (int i = 0; i < billboards->GetCount(); ++i) {
    const auto* billboard = static_cast<const StereonBillboard*>(billboards->GetAt(i));
    if (billboard == nullptr || !billboard->outline) continue;
    for (const GMPolygon& ring : billboard->outline->polygons) {
      if (ring.Count() < 3) continue;
      GMPolygon placed;
      placed.points.reserve(ring.points.size());
      for (const GMVector& p : ring.points) {
        // Centred across, sized, stood upright (y becomes height).
        const double x = (p.x - 0.5) * billboard->width;
        const double up = p.y * billboard->height;
        placed.points.push_back(
            {billboard->position.x + x * c, billboard->position.y + x * s, billboard->position.z + up});
      }
      // A billboard is drawn after the shadows, so its outline is no face
      // in the depth buffer.
      casters.Add(std::move(placed), false);
    }
  }
}

int BillboardCount(const CPlainList* billboards) { return billboards != nullptr ? billboards->GetCount() : 0; }

}  // namespace

bool NodeCastsShadow(CInkNode& node, bool transparentCast, bool hiddenCast) {
  const InkAttributes* attributes = node.GetAttributeRecord();
  const bool opaque = attributes != nullptr && (attributes->colour >> 24) == 0xFFu;
  return (transparentCast || opaque) && (hiddenCast || node.IsShown());
}

void CStereonView::MakeShadows() {
  if (!engine_ || !scene_) return;
  ui_.SetWaitCursor(true);
  if (engine_->MakeCurrent()) {
    shadowLight_ = vm::Unit(state_.lightPosition * -1.0);
    // Shadows asked for are shadows shown.
    if (BuildShadowsOn(*engine_, shadowLight_, engine_->billboards)) state_.displayFlags |= frame::kShadows;
  }
  ui_.SetWaitCursor(false);
  Redraw();
}

bool CStereonView::BuildShadowsOn(CStereon& target, const GMVector& light, CPlainList* billboards) {
  CasterRules rules;
  rules.transparentCast = state_.noTransparentShadows == 0;
  rules.hiddenCast = state_.noHiddenShadows == 0;
  rules.light = light;
  Casters casters;
  if (CInkNode* root = scene_ ? scene_->GetRoot() : nullptr)
    for (int i = 0; i < root->GetCount(); ++i)
      if (CInkNode* child = root->GetChild(i)) CollectCasters(*child, rules, casters);
  CollectBillboardCasters(billboards, rules.light, casters);
  if (state_.sectionShown && !state_.sectionPlanes.empty()) {
    // What a section removed casts no shadow: the casters are cut as the
    // faces are, and the volumes are built from what is left.
    Casters cut;
    for (size_t i = 0; i < casters.polygons.size(); ++i) {
      ClipToSections(casters.polygons[i], state_.sectionPlanes);
      if (casters.polygons[i].Count() >= 3) cut.Add(std::move(casters.polygons[i]), casters.drawn[i] != 0);
    }
    casters = std::move(cut);
  }
  if (casters.polygons.empty()) {
    // The casters are gone: so must be the shadows of the old ones.
    target.DeleteShadowVolumes();
    return false;
  }
  const bool offset = rules.hiddenCast || BillboardCount(billboards) > 0;
  // The volumes end just beyond everything drawn, however far the site
  // reaches past the far plane.
  GMBox reach;
  const bool haveReach = ModelBox(reach, true);
  target.BuildSiteShadowVolumes(casters.polygons, casters.drawn, haveReach ? &reach : nullptr, rules.light.x,
                                rules.light.y, rules.light.z, offset ? kCapOffset : 0.0, state_.camera.farPlane,
                                kShadowColour, state_.fastShadowsOff == 1 ? 1 : 0);
  return true;
}

void CStereonView::DeleteShadows() {
  DropShadowVolumes();
  Redraw();
}

void CStereonView::DropShadowVolumes() {
  // The display flag stays as the user set it: shadows made again later
  // show at once.
  if (engine_ && engine_->MakeCurrent()) engine_->DeleteShadowVolumes();
}

void CStereonView::SunCommand(bool solarView) {
  int& remembered = solarView ? state_.solarViewSelection : state_.sunSelection;
  TimeDialogValues values;
  values.selection = remembered;
  values.createShadow = !solarView;
  LoadTimeDialog(values, std::filesystem::path("."));
  if (!shell_->TimeDialog(values)) return;
  remembered = values.selection;
  state_.lightPosition = values.sunDirection;
  if (solarView) {
    GMBox box;
    if (!ModelBox(box)) {
      Status(text::kEmptyModel);
      Redraw();
      return;
    }
    const GMVector low{box.minX, box.minY, box.minZ};
    const GMVector high{box.maxX, box.maxY, box.maxZ};
    // A model of one point has no diagonal; the eye then keeps the sun
    // vector's own length rather than falling onto the target.
    const double diagonal = GMLength(high - low);
    state_.camera.target = (low + high) * 0.5;
    state_.camera.eye =
        state_.camera.target + (diagonal > 0.0 ? vm::WithLength(values.sunVector, diagonal) : values.sunVector);
    DropHighlight();
  }
  if (values.createShadow)
    MakeShadows();
  else
    Redraw();
}

}  // namespace korvex
