// GL rendering contexts the engine can draw with, and the off-screen
// framebuffer of a bitmap engine.
//
// A context is either the window's (borrowed from the GUI) or a headless EGL
// context on Mesa's surfaceless platform, which needs no display server.
// Headless contexts may share display lists with another headless context.
#pragma once

#include <memory>
#include <string>

#include "render/GLWindowContext.h"

namespace korvex {

class StereonGLContext {
 public:
  virtual ~StereonGLContext() = default;
  virtual bool MakeCurrent() = 0;
  virtual void DoneCurrent() = 0;
  // The EGL context handle of a headless context (to share lists with it);
  // null for a window context.
  virtual void* EglHandle() const { return nullptr; }
};

// A context that draws through a window the GUI owns. Not owning it.
class WindowGLContext final : public StereonGLContext {
 public:
  explicit WindowGLContext(GLWindowContext* window) : window_(window) {}
  bool MakeCurrent() override { return window_ != nullptr && window_->MakeCurrent(); }
  void DoneCurrent() override {
    if (window_ != nullptr) window_->DoneCurrent();
  }
  GLWindowContext* Window() const { return window_; }

 private:
  GLWindowContext* window_;
};

// A compatibility-profile OpenGL context on EGL's surfaceless platform.
// Null when EGL, the platform or the context cannot be had; `error` then says
// why (for the log and for test skips).
std::unique_ptr<StereonGLContext> CreateHeadlessContext(const StereonGLContext* shareWith, std::string* error);

// A framebuffer object with an RGBA8 colour buffer and a combined
// depth 24 / stencil 8 buffer. Must be created, bound and destroyed while its
// context is current.
class GLFramebuffer {
 public:
  // Null when the framebuffer is incomplete (the implementation refuses the
  // format or the size).
  static std::unique_ptr<GLFramebuffer> Create(int width, int height);
  ~GLFramebuffer();
  GLFramebuffer(const GLFramebuffer&) = delete;
  GLFramebuffer& operator=(const GLFramebuffer&) = delete;

  void Bind() const;
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  GLFramebuffer() = default;
  unsigned framebuffer_ = 0;
  unsigned colorBuffer_ = 0;
  unsigned depthStencilBuffer_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace korvex
