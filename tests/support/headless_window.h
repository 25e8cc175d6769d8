// A "window" for the on-screen engine in tests and benchmarks: a headless
// context (EGL on Mesa) drawing into a framebuffer of the given size, read
// back as the screen would be.
#pragma once

#include <memory>
#include <string>

#include "render/GLContext.h"
#include "render/Stereon.h"
#include "render/gl_api.h"
#include "tests/support/gl_pixels.h"

namespace korvex_test {

class HeadlessWindow final : public korvex::GLWindowContext {
 public:
  // The window, or null with the reason in `why` when it is given.
  static std::unique_ptr<HeadlessWindow> Create(int width, int height, std::string* why = nullptr) {
    auto window = std::unique_ptr<HeadlessWindow>(new HeadlessWindow());
    std::string reason;
    window->context_ = korvex::CreateHeadlessContext(nullptr, why != nullptr ? why : &reason);
    if (!window->context_ || !window->context_->MakeCurrent()) return nullptr;
    window->framebuffer_ = korvex::GLFramebuffer::Create(width, height);
    if (!window->framebuffer_) return nullptr;
    window->framebuffer_->Bind();
    glViewport(0, 0, width, height);
    return window;
  }
  ~HeadlessWindow() override {
    // The framebuffer belongs to the context: release it while it is current.
    if (context_ && context_->MakeCurrent()) framebuffer_.reset();
  }
  bool MakeCurrent() override {
    if (failMakeCurrent || !context_->MakeCurrent()) return false;
    framebuffer_->Bind();
    return true;
  }
  void DoneCurrent() override { context_->DoneCurrent(); }
  void Size(int& width, int& height) const override {
    width = framebuffer_->Width();
    height = framebuffer_->Height();
  }
  void Present() override { ++presented; }

  StereonImage Read() {
    MakeCurrent();
    return ReadBoundPixels(framebuffer_->Width(), framebuffer_->Height());
  }

  int presented = 0;
  // A test sets it to play a window whose context is lost.
  bool failMakeCurrent = false;

 private:
  HeadlessWindow() = default;
  std::unique_ptr<korvex::StereonGLContext> context_;
  std::unique_ptr<korvex::GLFramebuffer> framebuffer_;
};

}  // namespace korvex_test
