// The rendering engine alone on a headless window, as the engine benchmarks
// draw with it: the window, the display nodes of a generated site and the
// plain display list the engine's frames are measured against.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "render/Stereon.h"
#include "render/gl_api.h"
#include "tests/support/headless_window.h"

namespace korvex_bench {

// One engine on a window of its own; the window outlives the engine.
struct HeadlessEngine {
  std::unique_ptr<korvex_test::HeadlessWindow> window;
  std::unique_ptr<CStereon> engine;

  // False, with the reason on stderr, where no headless context can be had.
  bool Open(int width, int height) {
    std::string why;
    window = korvex_test::HeadlessWindow::Create(width, height, &why);
    if (!window) {
      std::fprintf(stderr, "no headless context: %s\n", why.c_str());
      return false;
    }
    engine = std::make_unique<CStereon>();
    return engine->CreateOnWindow(window.get());
  }
};

// Adds the faces as the display node of the index-th building (named index
// + 1, in a colour of its own) under root; returns the new node.
inline COGLDispTree& AddBuilding(COGLDispTree& root, size_t index, const std::vector<GMPolygon>& faces) {
  OGLDispElement element;
  element.name = static_cast<int32_t>(index + 1);
  element.color = 0xFF000000u | static_cast<uint32_t>((index * 2654435761u) & 0x00FFFFFFu);
  element.polygons = faces;
  auto node = std::make_unique<COGLDispTree>();
  node->SetElement(&element);
  COGLDispTree& added = *node;
  root.AddChild(std::move(node));
  return added;
}

// Starts compiling a new display list in one grey material, for the bare
// replay of triangles the engine's frames are compared with; the caller adds
// the primitives, ends the list and deletes it.
inline GLuint BeginGreyList() {
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  const GLfloat ambient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
  const GLfloat diffuse[4] = {0.6f, 0.6f, 0.6f, 1.0f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
  return list;
}

}  // namespace korvex_bench
