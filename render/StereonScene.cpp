// The scene pass: the display tree drawn layer by layer.
#include "geometry/gm_vector.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

void CStereon::ApplyLinePull(int flags, bool reverse) {
  // Lines are drawn a hair nearer the eye than the faces they lie on, so they
  // win the depth test; transparent faces are pushed the same hair away.
  if (flags & frame::kParallel) {
    GMVector towardsEye{eye.x - target.x, eye.y - target.y, eye.z - target.z};
    GMScaleToLength(towardsEye, reverse ? -linePullDistance : linePullDistance);
    if (GMIsUndefined(towardsEye)) return;  // eye on target: no direction to pull along
    glTranslated(towardsEye.x, towardsEye.y, towardsEye.z);
    return;
  }
  if (linePullScale == 0.0) return;
  const double s = reverse ? 1.0 / linePullScale : linePullScale;
  const GMVector e = ToLocal(eye);
  glTranslated(e.x, e.y, e.z);
  glScaled(s, s, s);
  glTranslated(-e.x, -e.y, -e.z);
}

void CStereon::DrawTransparentPass(int flags) {
  COGLDispTree* tree = GetDispTree();
  glPushMatrix();
  ApplyLinePull(flags, true);
  ApplyFaceFog(flags);
  tree->DrawTransparent();
  glPopMatrix();
}

void CStereon::DrawScene(int flags, double aspect, const StereonRect* rect) {
  // Relies on: the model-view matrix holding the camera, lighting set up,
  // blending by source alpha. Leaves the model-view matrix as it was and
  // lighting on; fog and culling as the last layer set them.
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  if (flags & frame::kCullBack) {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
  } else {
    glDisable(GL_CULL_FACE);
  }
  glPolygonMode(GL_FRONT, GL_FILL);

  COGLDispTree* tree = GetDispTree();
  if (tree == nullptr) {
    glPopMatrix();
    return;
  }
  // The camera stands less the local origin, and so does the tree's top.
  tree->shift = LocalOrigin();
  const bool faces = (flags & frame::kFaces) && (flags & frame::kLitFaces);

  if (faces) {
    ApplyFaceFog(flags);
    tree->DrawFaces();
    DrawSectionCuts(flags);
    DrawSectionOutlines(flags);
  }

  glPushMatrix();
  ApplyLinePull(flags, false);
  if (flags & frame::kLines) {
    glDisable(GL_LIGHTING);
    ApplyLineFog(flags);
    tree->DrawLines();
    glEnable(GL_LIGHTING);
  }
  if (flags & frame::kMarks) {
    glPointSize(static_cast<GLfloat>(lineWidth * 5.0));
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glEnable(GL_LINE_STIPPLE);
    tree->DrawMarks();
    glDisable(GL_LINE_STIPPLE);
    glEnable(GL_LIGHTING);
  }
  if (flags & frame::kPoints) {
    glPointSize(static_cast<GLfloat>(lineWidth * 3.0));
    glDisable(GL_LIGHTING);
    ApplyLineFog(flags);
    tree->DrawPoints();
    glEnable(GL_LIGHTING);
  }
  if ((flags & frame::kOutlines) && (flags & frame::kFaces)) {
    ApplyLineFog(flags);
    // Frames of lit faces are lit too (black unless the option word gives
    // them a colour); without lit faces they show in their own colour.
    if (flags & frame::kLitFaces)
      glEnable(GL_LIGHTING);
    else
      glDisable(GL_LIGHTING);
    tree->DrawOutlines();
    glEnable(GL_LIGHTING);
  }
  glPopMatrix();

  if (faces && (flags & frame::kTransparentFirst)) DrawTransparentPass(flags);

  if ((flags & frame::kShadows) && aspect > 0.0 && (flags & frame::kLitFaces)) {
    double left, right, bottom, top, nearPlane, farPlane;
    if (flags & frame::kParallel)
      GetParallelFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
    else
      GetPerspectiveFrustum(aspect, left, right, bottom, top, nearPlane, farPlane);
    DrawStencilShadow(right, top, flags, rect);
  }

  if (faces && !(flags & frame::kTransparentFirst)) DrawTransparentPass(flags);
  glPopMatrix();
}
