// Sun light, light model and the two fogs.
#include "geometry/gm_vector.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace {
// The value as single precision holds it. The float passes through memory on
// purpose: GCC 12's straight-line vectoriser drops a double→float→double
// round trip when it pairs two of them, which would keep start and end at
// full precision.
double ToSingle(double value) {
  volatile float single = static_cast<float>(value);
  return single;
}

void ColorToFloats(uint32_t color, GLfloat out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<GLfloat>((color >> (8 * i)) & 0xFFu) / 255.0f;
}
}  // namespace

uint32_t CStereon::SetAmbientColor(uint32_t color) { return std::exchange(ambientColor, color); }
uint32_t CStereon::SetLightAmbient(uint32_t color) { return std::exchange(lightAmbient, color); }
uint32_t CStereon::SetLightDiffuse(uint32_t color) { return std::exchange(lightDiffuse, color); }
uint32_t CStereon::SetLightSpecular(uint32_t color) { return std::exchange(lightSpecular, color); }

void CStereon::SetLightDirection(double x, double y, double z) { lightDirection = {x, y, z}; }

// The fog values are kept at the precision GL works in, so what the fog
// dialog reads back is what is drawn.
void CStereon::SetFaceFog(double start, double end, double density, double mode) {
  faceFogStart = ToSingle(start);
  faceFogEnd = ToSingle(end);
  faceFogDensity = ToSingle(density);
  faceFogMode = static_cast<int>(mode);
}

void CStereon::GetFaceFog(double& start, double& end, double& density, int& mode) const {
  start = faceFogStart;
  end = faceFogEnd;
  density = faceFogDensity;
  mode = faceFogMode;
}

void CStereon::SetLineFog(double start, double end, double density, double mode) {
  lineFogStart = ToSingle(start);
  lineFogEnd = ToSingle(end);
  lineFogDensity = ToSingle(density);
  lineFogMode = static_cast<int>(mode);
}

void CStereon::GetLineFog(double& start, double& end, double& density, int& mode) const {
  start = lineFogStart;
  end = lineFogEnd;
  density = lineFogDensity;
  mode = lineFogMode;
}

double CStereon::GetLinePullScale() const { return linePullScale; }
double CStereon::SetLinePullScale(double value) { return std::exchange(linePullScale, value); }
double CStereon::GetLinePullDistance() const { return linePullDistance; }
double CStereon::SetLinePullDistance(double value) { return std::exchange(linePullDistance, value); }

void CStereon::ApplyLighting() {
  // Relies on: the model-view matrix holding the camera, so the sun
  // direction is taken in world coordinates. Leaves lighting and light 0 on,
  // the default material black with no shine: every display list sets its
  // own ambient and diffuse colour.
  glEnable(GL_LIGHTING);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
  GLfloat color[4];
  ColorToFloats(ambientColor, color);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, color);
  ColorToFloats(lightAmbient, color);
  glLightfv(GL_LIGHT0, GL_AMBIENT, color);
  ColorToFloats(lightDiffuse, color);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, color);
  ColorToFloats(lightSpecular, color);
  glLightfv(GL_LIGHT0, GL_SPECULAR, color);

  GMVector toSun = lightDirection;
  GMScaleToLength(toSun, GMDistance(eye, target));
  // With eye on target the length is 0 and the light would lose its
  // direction; the stored one still points the right way.
  if (GMIsUndefined(toSun) || (toSun.x == 0.0 && toSun.y == 0.0 && toSun.z == 0.0)) toSun = lightDirection;
  const GLfloat position[4] = {static_cast<GLfloat>(toSun.x), static_cast<GLfloat>(toSun.y),
                               static_cast<GLfloat>(toSun.z), 0.0f};
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glEnable(GL_LIGHT0);

  const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, black);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
  glDisable(GL_COLOR_MATERIAL);
}

void CStereon::ApplyFog(int flags, int bit, double start, double end, double density, int mode) {
  if (!(flags & bit)) {
    glDisable(GL_FOG);
    return;
  }
  // Fog fades towards the background.
  GLfloat color[4];
  ColorToFloats(backColor, color);
  glFogfv(GL_FOG_COLOR, color);
  glEnable(GL_FOG);
  glFogf(GL_FOG_START, static_cast<GLfloat>(start));
  glFogf(GL_FOG_END, static_cast<GLfloat>(end));
  glFogf(GL_FOG_DENSITY, static_cast<GLfloat>(density));
  switch (mode) {
    case 0: glFogi(GL_FOG_MODE, GL_LINEAR); break;
    case 1: glFogi(GL_FOG_MODE, GL_EXP); break;
    case 2: glFogi(GL_FOG_MODE, GL_EXP2); break;
    default: break;  // an unknown mode keeps whatever mode was last set
  }
}

void CStereon::ApplyFaceFog(int flags) {
  ApplyFog(flags, frame::kFaceFog, faceFogStart, faceFogEnd, faceFogDensity, faceFogMode);
}

void CStereon::ApplyLineFog(int flags) {
  ApplyFog(flags, frame::kLineFog, lineFogStart, lineFogEnd, lineFogDensity, lineFogMode);
}
