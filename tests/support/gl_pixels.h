// Headless GL for the tests: whether the machine gives a context at all,
// and reading back what a test window drew (the bound framebuffer's pixels).
#pragma once

#include <cstddef>
#include <string>

#include "render/GLContext.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace korvex_test {

// Whether a headless OpenGL context can be made here (EGL on Mesa).
inline bool HaveHeadlessGl() {
  std::string why;
  return korvex::CreateHeadlessContext(nullptr, &why) != nullptr;
}

// The width × height pixels of the framebuffer bound in the current
// context: RGBA, bottom row first, as the engine hands out its pictures.
inline StereonImage ReadBoundPixels(int width, int height) {
  StereonImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.data());
  return image;
}

}  // namespace korvex_test
