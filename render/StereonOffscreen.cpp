// Drawing the engine's picture at another size than its window's, for image
// export and printing: the same engine, display tree, textures and shadows,
// drawn into a framebuffer of the asked size in the engine's own context.
#include <new>
#include <utility>

#include "render/GLContext.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

int CStereon::RenderToImage(int flags, int width, int height, StereonImage& dest) {
  dest = StereonImage{};
  if (width <= 0 || height <= 0 || busy || !MakeCurrent()) return 0;
  GLint viewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  if (width > viewport[0] || height > viewport[1]) return 0;
  std::unique_ptr<korvex::GLFramebuffer> target = korvex::GLFramebuffer::Create(width, height);
  if (!target) {
    MakeCurrent();  // back to the engine's own framebuffer
    return 0;
  }

  // For one frame the engine is a bitmap engine of the asked size; Render
  // then draws into `target` and reads it back instead of presenting.
  std::swap(framebuffer_, target);
  const int savedMode = std::exchange(bitmapMode, 1);
  const int savedWidth = std::exchange(bitmapWidth, width);
  const int savedHeight = std::exchange(bitmapHeight, height);
  const int savedDestWidth = std::exchange(destWidth, width);
  const int savedDestHeight = std::exchange(destHeight, height);
  try {
    Render(flags, &dest);
  } catch (const std::bad_alloc&) {
    dest = StereonImage{};  // the read-back did not fit in memory
  }
  std::swap(framebuffer_, target);
  bitmapMode = savedMode;
  bitmapWidth = savedWidth;
  bitmapHeight = savedHeight;
  destWidth = savedDestWidth;
  destHeight = savedDestHeight;

  // The temporary framebuffer goes while the context is current, and the
  // engine's own drawing target is bound again.
  const bool current = MakeCurrent();
  target.reset();
  if (current) MakeCurrent();
  if (dest.width != width || dest.height != height || dest.pixels.empty()) {
    dest = StereonImage{};
    return 0;
  }
  return 1;
}
