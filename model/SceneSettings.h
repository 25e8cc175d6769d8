// The scene settings block: the camera and light that travel with a scene
// between the viewer and the file plug-ins.
//
// Plug-ins receive it by address on import and by value on export, so its
// layout (offsets and size) is fixed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry/gm_types.h"

struct InkSceneSettings {
  GMVector eye{0.0, -50.0, 0.0};
  GMVector target{0.0, 0.0, 0.0};
  GMVector up{0.0, 0.0, 1.0};
  double nearClip = 1.0;
  double farClip = 3000.0;
  double viewAngle = 45.0;   // vertical field of view, degrees
  double unitFactor = 1.0;   // set to 1.0 by the viewer before every hand-over, never read back
  GMVector lightPosition{0.0, 0.0, 1.0};
  uint8_t reserved[12288] = {};  // the plug-ins' own; the viewer never reads it
};

static_assert(offsetof(InkSceneSettings, eye) == 0);
static_assert(offsetof(InkSceneSettings, target) == 24);
static_assert(offsetof(InkSceneSettings, up) == 48);
static_assert(offsetof(InkSceneSettings, nearClip) == 72);
static_assert(offsetof(InkSceneSettings, farClip) == 80);
static_assert(offsetof(InkSceneSettings, viewAngle) == 88);
static_assert(offsetof(InkSceneSettings, unitFactor) == 96);
static_assert(offsetof(InkSceneSettings, lightPosition) == 104);
static_assert(offsetof(InkSceneSettings, reserved) == 128);
static_assert(sizeof(InkSceneSettings) == 12416);

// The camera as the viewer keeps it and the eye dialog edits it: where the
// eye stands, what it looks at, which way is up, the clipping planes and the
// vertical field of view. The settings block carries the same values in its
// fixed layout; CameraOf and PutCamera move them between the two.
struct SceneCamera {
  GMVector eye{0.0, -50.0, 0.0};
  GMVector target{0.0, 0.0, 0.0};
  GMVector up{0.0, 0.0, 1.0};
  double nearPlane = 1.0;
  double farPlane = 3000.0;
  double viewAngle = 45.0;  // vertical field of view, degrees
};

inline SceneCamera CameraOf(const InkSceneSettings& settings) {
  return {settings.eye, settings.target, settings.up, settings.nearClip, settings.farClip, settings.viewAngle};
}

inline void PutCamera(InkSceneSettings& settings, const SceneCamera& camera) {
  settings.eye = camera.eye;
  settings.target = camera.target;
  settings.up = camera.up;
  settings.nearClip = camera.nearPlane;
  settings.farClip = camera.farPlane;
  settings.viewAngle = camera.viewAngle;
}
