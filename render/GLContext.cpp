#include "render/GLContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <mutex>
#include <string_view>

#include "render/gl_api.h"

namespace korvex {
namespace {

// The surfaceless display is initialised on first use and stays so for the
// life of the process. Engines come and go all through a session (every
// export makes one); terminating the display with the last of them would
// unload and reload the driver each time, and contexts still alive elsewhere
// would go with it.
class EglDisplay {
 public:
  static EglDisplay* Acquire(std::string* error) {
    static std::mutex mutex;
    static EglDisplay* shared = nullptr;
    std::lock_guard lock(mutex);
    if (shared != nullptr) return shared;

    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) {
      if (error) *error = "EGL has no eglGetPlatformDisplayEXT";
      return nullptr;
    }
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) {
      if (error) *error = "EGL surfaceless platform is not available";
      return nullptr;
    }
    EGLint major = 0;
    EGLint minor = 0;
    if (eglInitialize(display, &major, &minor) != EGL_TRUE) {
      if (error) *error = "eglInitialize failed on the surfaceless platform";
      return nullptr;
    }
    static EglDisplay instance(display);
    shared = &instance;
    return shared;
  }

  EGLDisplay Handle() const { return display_; }

 private:
  explicit EglDisplay(EGLDisplay display) : display_(display) {}
  EGLDisplay display_;
};

class HeadlessGLContext final : public StereonGLContext {
 public:
  HeadlessGLContext(EglDisplay* display, EGLContext context) : display_(display), context_(context) {}

  ~HeadlessGLContext() override {
    if (eglGetCurrentContext() == context_) DoneCurrent();
    eglDestroyContext(display_->Handle(), context_);
  }

  bool MakeCurrent() override {
    return eglMakeCurrent(display_->Handle(), EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
  }
  void DoneCurrent() override { eglMakeCurrent(display_->Handle(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT); }
  void* EglHandle() const override { return context_; }

 private:
  EglDisplay* display_;
  EGLContext context_;
};

}  // namespace

std::unique_ptr<StereonGLContext> CreateHeadlessContext(const StereonGLContext* shareWith, std::string* error) {
  EglDisplay* display = EglDisplay::Acquire(error);
  if (display == nullptr) return nullptr;
  if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    if (error) *error = "EGL cannot bind the desktop OpenGL API";
    return nullptr;
  }
  const char* extensions = eglQueryString(display->Handle(), EGL_EXTENSIONS);
  const bool surfaceless =
      extensions != nullptr && std::string_view(extensions).find("EGL_KHR_surfaceless_context") != std::string_view::npos;
  if (!surfaceless) {
    if (error) *error = "EGL lacks EGL_KHR_surfaceless_context";
    return nullptr;
  }
  // The engine is written against the fixed-function pipeline: it needs the
  // compatibility profile, and renders into its own framebuffer object, so it
  // asks for no config.
  const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                               EGL_NONE};
  EGLContext share = shareWith != nullptr ? static_cast<EGLContext>(shareWith->EglHandle()) : EGL_NO_CONTEXT;
  if (shareWith != nullptr && share == EGL_NO_CONTEXT) {
    if (error) *error = "a headless context can share lists only with another headless context";
    return nullptr;
  }
  EGLContext context = eglCreateContext(display->Handle(), EGL_NO_CONFIG_KHR, share, attributes);
  if (context == EGL_NO_CONTEXT) {
    if (error) *error = "eglCreateContext failed for a compatibility-profile context";
    return nullptr;
  }
  return std::make_unique<HeadlessGLContext>(display, context);
}

std::unique_ptr<GLFramebuffer> GLFramebuffer::Create(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
  if (width > maxSize || height > maxSize) return nullptr;

  std::unique_ptr<GLFramebuffer> fb(new GLFramebuffer());
  fb->width_ = width;
  fb->height_ = height;
  glGenFramebuffers(1, &fb->framebuffer_);
  glGenRenderbuffers(1, &fb->colorBuffer_);
  glGenRenderbuffers(1, &fb->depthStencilBuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, fb->framebuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, fb->colorBuffer_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, fb->colorBuffer_);
  // Every context has 8 stencil bits: the shadow pass counts volume faces in
  // them, and an exported picture must look like the screen.
  glBindRenderbuffer(GL_RENDERBUFFER, fb->depthStencilBuffer_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, fb->depthStencilBuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return nullptr;  // deleted by the destructor
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  return fb;
}

GLFramebuffer::~GLFramebuffer() {
  GLint bound = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  if (static_cast<unsigned>(bound) == framebuffer_) glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (depthStencilBuffer_ != 0) glDeleteRenderbuffers(1, &depthStencilBuffer_);
  if (colorBuffer_ != 0) glDeleteRenderbuffers(1, &colorBuffer_);
  if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
}

void GLFramebuffer::Bind() const {
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
}

}  // namespace korvex
