// Picking: the scene drawn in GL selection mode through a small window round
// the cursor; the nearest hit names the node.
#include <vector>

#include "render/Stereon.h"
#include "render/gl_api.h"

int CStereon::GetPickCapacity() const {
  const COGLDispTree* tree = sharedFrom != nullptr ? sharedFrom->GetDispTree() : dispTree_;
  return tree != nullptr ? tree->CountPickable() : 0;
}

int CStereon::Pick(int flags, int x, int y, int size) {
  if (bitmapMode) return -1;
  // Four words per triangle or segment: each name record is four words.
  const int capacity = GetPickCapacity();
  if (capacity <= 0 || !MakeCurrent()) return -1;
  std::vector<GLuint> buffer(static_cast<size_t>(capacity) * 4u);

  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  glSelectBuffer(static_cast<GLsizei>(buffer.size()), buffer.data());
  glRenderMode(GL_SELECT);
  glInitNames();

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPickMatrix(x, viewport[3] - y, size, size, viewport);
  SetProjection(flags, ClientRect());

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  ApplyLookAt();
  // What a section removed cannot be picked: GL drops the cut parts before
  // they reach the selection buffer.
  LoadSectionPlanes();
  DrawScene(flags, 0.0, nullptr);  // aspect 0: no shadow pass
  SectionClipping(false);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  const GLint records = glRenderMode(GL_RENDER);
  if (records <= 0) return -1;  // nothing hit, or the buffer overflowed

  // Records: name count, minimum depth, maximum depth, names. The nearest
  // minimum depth wins; on equal depths the first record written stays.
  int result = -1;
  double nearest = 0.0;
  bool found = false;
  size_t at = 0;
  for (GLint i = 0; i < records && at + 3 <= buffer.size(); ++i) {
    const GLuint names = buffer[at];
    const double depth = static_cast<double>(buffer[at + 1]) / 2147483647.0;
    const size_t next = at + 3 + names;
    if (next > buffer.size()) break;
    if (names > 0 && (!found || depth < nearest)) {
      nearest = depth;
      result = static_cast<int>(buffer[next - 1]);
      found = true;
    }
    at = next;
  }
  return result;
}
