// The near and far planes and the local origin: what keeps a model of any
// size, anywhere, whole and precise on the screen.
//
// The far plane is set so that the whole model lies before it from wherever
// the eye turns about the target; the near plane stays a good share of the way to the model, since in
// perspective the depth buffer's precision follows the near plane. Both are fitted at every load, fit all and reset
// of the eye, and between fits they only ever widen: a far plane that the
// model passes grows, a near plane that the model comes closer than shrinks.
#include <algorithm>
#include <cmath>

#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "view/ModelPoints.h"
#include "view/StereonView.h"
#include "view/ViewMath.h"

namespace korvex {

using namespace vm;

namespace {
// The far plane stands this many times as far as the model's far side.
constexpr double kFarHeadroom = 2.0;
// The near plane goes no closer than this share of the far side's distance.
constexpr double kDeepestRange = 1e-4;
// The near plane stands at this share of the distance to the model.
constexpr double kNearShare = 0.5;
// In parallel projection the eye stands this much beyond the model's reach.
constexpr double kOutsideMargin = 1.05;
}  // namespace

GMVector CStereonView::LocalOriginFor() const {
  GMBox box;
  if (!ModelBox(box)) return {};
  const GMVector centre = Centre(box);
  const double size = std::max({box.maxX - box.minX, box.maxY - box.minY, box.maxZ - box.minZ, 1.0});
  // A model around the origin draws about the origin, as it always has; one
  // farther away than its own size draws about its centre.
  if (std::fabs(centre.x) <= size && std::fabs(centre.y) <= size && std::fabs(centre.z) <= size) return {};
  return centre;
}

CStereonView::ModelBall CStereonView::DrawnBall() {
  if (!sceneBoxValid_) {
    BoxBuilder builder;
    if (scene_ && scene_->GetRoot())
      ForEachModelPoint(*scene_->GetRoot(), [&](const GMVector& p) { builder.Extend(p); }, true);
    sceneBox_ = builder.box;
    sceneBoxEmpty_ = builder.empty;
    sceneBoxValid_ = true;
  }
  BoxBuilder builder;
  builder.box = sceneBox_;
  builder.empty = sceneBoxEmpty_;
  // Billboards stand upright from their foot points; a ball round each
  // picture holds it however it turns.
  if (engine_) {
    const GMVector up = Unit(state_.camera.up);
    for (int i = 0; i < engine_->GetBillboardCount(); ++i) {
      const StereonBillboard* b = engine_->GetBillboard(i);
      if (b == nullptr) continue;
      const GMVector middle = b->position + up * (b->height * 0.5);
      const double r = std::hypot(b->width * 0.5, b->height * 0.5);
      builder.Extend(middle - GMVector{r, r, r});
      builder.Extend(middle + GMVector{r, r, r});
    }
  }
  ModelBall ball;
  if (builder.empty) return ball;
  const GMBox& box = builder.box;
  ball.empty = false;
  ball.centre = Centre(box);
  ball.radius = 0.5 * GMLength({box.maxX - box.minX, box.maxY - box.minY, box.maxZ - box.minZ});
  if (!std::isfinite(ball.radius) || !GMIsFinite(ball.centre)) ball.empty = true;
  return ball;
}

void CStereonView::KeepEyeOutsideModel(bool keepPicture) {
  const ModelBall ball = DrawnBall();
  if (ball.empty) return;
  // The model lies within `reach` of the target, however the eye turns
  // about it; in parallel projection nothing behind the eye is drawn.
  const double reach = GMDistance(ball.centre, state_.camera.target) + ball.radius;
  const double distance = GMDistance(state_.camera.eye, state_.camera.target);
  const double needed = std::max(reach * kOutsideMargin, distance);
  if (needed <= distance || !(needed > 0.0)) return;
  GMVector back = Unit(state_.camera.eye - state_.camera.target);
  if (GMLength(back) == 0.0) back = Unit(GMVector{1.0, -1.0, 1.0});  // the reset eye's side
  state_.camera.eye = state_.camera.target + back * needed;
  // The parallel view shows at the target what the perspective view shows
  // there: stepping back widens it, so the zoom narrows it again.
  if (keepPicture && distance > 0.0) state_.zoom *= distance / needed;
  DropHighlight();
}

void CStereonView::FitPlanes() {
  const ModelBall ball = DrawnBall();
  if (ball.empty) return;
  const double distance = GMDistance(state_.camera.eye, state_.camera.target);
  const double reach = GMDistance(ball.centre, state_.camera.target) + ball.radius;
  const double farSide = distance + reach;
  if (!(farSide > 0.0) || !std::isfinite(farSide)) return;
  // Parallel projection spreads the depth buffer evenly from the eye to the
  // far plane: a far plane of a million units (a scene exchange file's)
  // leaves steps of 6 cm, and the outlines, drawn 5 cm nearer than their
  // faces, break up. In perspective the precision follows the near plane.
  state_.camera.farPlane = farSide * kFarHeadroom;
  state_.camera.nearPlane = std::max(farSide * kDeepestRange, kNearShare * (distance - reach));
  DropHighlight();
}

void CStereonView::KeepModelBetweenPlanes() {
  const ModelBall ball = DrawnBall();
  if (ball.empty) return;
  const double distance = GMDistance(state_.camera.eye, ball.centre);
  const double farSide = distance + ball.radius;
  if (!(farSide > 0.0) || !std::isfinite(farSide)) return;
  if (state_.camera.farPlane < farSide) state_.camera.farPlane = farSide * kFarHeadroom;
  // Parallel projection draws from the eye whatever the near plane says.
  if (state_.displayFlags & frame::kParallel) return;
  const double nearSide = distance - ball.radius;
  if (state_.camera.nearPlane > nearSide)
    state_.camera.nearPlane = std::min(state_.camera.nearPlane, std::max(farSide * kDeepestRange, kNearShare * nearSide));
}

}  // namespace korvex
