// The engine object: contexts, the frame sequence, overlay, axis mark, log
// and teardown. Camera, light and fog, the scene pass and picking live in
// their own files.
#include "render/Stereon.h"

#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "common/user_interface.h"
#include "common/PlainList.h"
#include "render/GLContext.h"
#include "render/gl_api.h"

using korvex::GLFramebuffer;
using korvex::StereonGLContext;

CStereon::CStereon(korvex::UserInterface* ui) : ui_(ui) {
  // The log holds only what this engine's life produced.
  std::remove(kStereonLogFile);
}

CStereon::~CStereon() {
  // Lists and framebuffers belong to the context: release them while it is
  // current (without one the GL calls reach no context and do nothing). A
  // tree used from another engine stays with that engine.
  const bool current = context_ != nullptr && MakeCurrent();
  ownTree_.reset();
  dispTree_ = nullptr;
  FreeTexturesAndBillboards();
  axisList.Reset();
  axisTiltedList.Reset();
  shadowList.Reset();
  framebuffer_.reset();
  if (current) context_->DoneCurrent();
  ownContext_.reset();
  context_ = nullptr;
  ReleaseShadowArrays();
  FreeOverlay();
}

void CStereon::ReleaseWindowContext() {
  if (ownTree_) ownTree_->ReleaseLists();
  FreeTexturesAndBillboards();
  axisList.Reset();
  axisTiltedList.Reset();
  shadowList.Reset();
  framebuffer_.reset();
  ownContext_.reset();
  context_ = nullptr;
  window_ = nullptr;
}

int CStereon::DisplayListCount() const {
  int count = ownTree_ ? ownTree_->CountLists() : 0;
  for (const korvex::GLDisplayList* list : {&axisList, &axisTiltedList, &shadowList}) count += *list ? 1 : 0;
  return count;
}

void CStereon::ReleaseShadowArrays() {
  shadowArrays.clear();
  shadowArrays.shrink_to_fit();
}

void CStereon::ReportNoContext(const char* text) {
  if (ui_ != nullptr) ui_->ShowMessage(text, kStereonErrorCaption, korvex::MessageIcon::Error);
}

bool CStereon::MakeCurrent() {
  if (context_ == nullptr || !context_->MakeCurrent()) return false;
  if (framebuffer_) framebuffer_->Bind();
  return true;
}

bool CStereon::CreateWindowContext(korvex::GLWindowContext* window) {
  auto context = std::make_unique<korvex::WindowGLContext>(window);
  if (!context->MakeCurrent()) {
    ReportNoContext(kStereonNoPixelFormat);
    return false;
  }
  GLint depth = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depth);
  if (depth <= 0) {
    // A window without a depth buffer cannot show the model.
    context->DoneCurrent();
    ReportNoContext(kStereonFramebufferFailed);
    return false;
  }
  ownContext_ = std::move(context);
  context_ = ownContext_.get();
  return true;
}

void CStereon::InitialiseNewContext(bool present) {
  SetBackColor(backColor);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_TRUE);
  glFinish();
  if (present && window_ != nullptr) window_->Present();
  ownTree_ = std::make_unique<COGLDispTree>();
  ownTree_->Reset(nullptr, 0, 0);
  COGLDispTree::OptionWords fromTree{};
  ownTree_->SwapOptions(fromTree, treeOptions);
  treeOptions = fromTree;
  dispTree_ = ownTree_.get();
}

int CStereon::CreateOnWindow(korvex::GLWindowContext* window) {
  window_ = window;
  if (window == nullptr || !CreateWindowContext(window)) return 0;
  InitialiseNewContext(true);
  return 1;
}

int CStereon::CreateBitmapContext(int width, int height, int colorBitsIn, int depthBitsIn, int destWidthIn,
                                  int destHeightIn, StereonGLContext* share) {
  bitmapWidth = width;
  bitmapHeight = height;
  colorBits = colorBitsIn;
  depthBits = depthBitsIn;
  destWidth = destWidthIn;
  destHeight = destHeightIn;
  bitmapMode = 1;

  std::string why;
  if (share != nullptr) {
    if (share->EglHandle() != nullptr) {
      ownContext_ = korvex::CreateHeadlessContext(share, &why);
      if (!ownContext_) return 0;
      context_ = ownContext_.get();
    } else {
      // A window context (the GUI's) cannot be joined from here: the picture
      // is drawn in that very context, into a framebuffer of its own, which
      // shares everything with the window.
      context_ = share;
    }
  } else {
    ownContext_ = korvex::CreateHeadlessContext(nullptr, &why);
    if (!ownContext_) {
      ReportNoContext(kStereonNoPixelFormat);
      return 0;
    }
    context_ = ownContext_.get();
  }
  if (!context_->MakeCurrent()) {
    ownContext_.reset();
    context_ = nullptr;
    if (share == nullptr) ReportNoContext(kStereonNoPixelFormat);
    return 0;
  }
  framebuffer_ = GLFramebuffer::Create(width, height);
  if (!framebuffer_) {
    context_->DoneCurrent();
    ownContext_.reset();
    context_ = nullptr;
    ReportNoContext(kStereonFramebufferFailed);
    return 0;
  }
  framebuffer_->Bind();
  glViewport(0, 0, width, height);
  if (share != nullptr) return 1;  // the caller goes on with ShareWith
  InitialiseNewContext(false);
  return 1;
}

void CStereon::ShareWith(CStereon* other) {
  if (other == nullptr || other == this) return;
  sharedFrom = other;
  // The lists were shared when this context was made (EGL shares at
  // creation); what remains is to drop this engine's own tree.
  if (MakeCurrent()) {
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  ownTree_.reset();
  dispTree_ = other->GetDispTree();
}

bool CStereon::UseOwnTree() {
  if (dispTree_ != nullptr) return true;
  if (!MakeCurrent()) return false;
  InitialiseNewContext(false);
  return true;
}

int CStereon::SetTag(int value) { return std::exchange(tag, value); }
int CStereon::GetTag() const { return tag; }

uint32_t CStereon::SetBackColor(uint32_t color) {
  const uint32_t old = std::exchange(backColor, color);
  if (context_ != nullptr && MakeCurrent())
    glClearColor((color & 0xFFu) / 255.0f, ((color >> 8) & 0xFFu) / 255.0f, ((color >> 16) & 0xFFu) / 255.0f,
                 ((color >> 24) & 0xFFu) / 255.0f);
  return old;
}
uint32_t CStereon::GetBackColor() const { return backColor; }

double CStereon::SetLineWidth(double width) { return std::exchange(lineWidth, width); }
double CStereon::GetLineWidth() const { return lineWidth; }

COGLDispTree* CStereon::GetDispTree() {
  if (sharedFrom != nullptr) return sharedFrom->GetDispTree();
  return dispTree_;
}

StereonGLContext* CStereon::GetContext() const { return context_; }

StereonRect CStereon::ClientRect() const {
  StereonRect rect;
  if (bitmapMode) {
    rect.right = bitmapWidth;
    rect.bottom = bitmapHeight;
  } else if (window_ != nullptr) {
    window_->Size(rect.right, rect.bottom);
  }
  return rect;
}

std::span<uint8_t> CStereon::AllocOverlay(int width, int height) {
  FreeOverlay();
  if (width <= 0 || height <= 0) return {};
  overlayPixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4u, 0);
  overlayWidth_ = width;
  overlayHeight_ = height;
  return overlayPixels_;
}

std::span<uint8_t> CStereon::GetOverlay(int& width, int& height) {
  if (overlayPixels_.empty()) AllocOverlay(width, height);
  width = overlayWidth_;
  height = overlayHeight_;
  return overlayPixels_;
}

void CStereon::FreeOverlay() {
  overlayPixels_.clear();
  overlayPixels_.shrink_to_fit();
  overlayWidth_ = 0;
  overlayHeight_ = 0;
}

void CStereon::Log(const char* format, ...) {
  std::FILE* file = std::fopen(kStereonLogFile, "a");
  if (file == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(file, format, args);
  va_end(args);
  std::fclose(file);
}

int CStereon::Render(int flags, StereonImage* dest, const StereonRect* rectIn) {
  // A paint that arrives while a frame is being drawn is dropped.
  if (busy) return 1;
  busy = 1;
  struct BusyGuard {
    int& flag;
    ~BusyGuard() { flag = 0; }
  } guard{busy};

  StereonRect rect = rectIn != nullptr ? *rectIn : ClientRect();
  if (sharedFrom != nullptr) dispTree_ = sharedFrom->GetDispTree();
  if (!MakeCurrent()) return 1;

  glClearColor((backColor & 0xFFu) / 255.0f, ((backColor >> 8) & 0xFFu) / 255.0f,
               ((backColor >> 16) & 0xFFu) / 255.0f, 1.0f);
  glClearDepth(1.0);
  glClearStencil(0);
  // Clearing honours the write masks: make sure every bit is written.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glStencilMask(0xFFFFFFFFu);
  glDisable(GL_SCISSOR_TEST);
  if (flags & frame::kKeepColor)
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  else
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

  if (bitmapMode) rect = StereonRect{0, 0, bitmapWidth, bitmapHeight};
  // An empty (minimised) window has no aspect; there is nothing to project.
  if (rect.right > 0 && rect.bottom > 0) {
    glViewport(0, 0, rect.right, rect.bottom);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    SetProjection(flags, rect);

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glFrontFace(GL_CCW);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_FLAT);
    glDisable(GL_FOG);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ApplyLookAt();

    ApplyLighting();
    LoadSectionPlanes();

    glLineWidth(static_cast<GLfloat>(lineWidth));
    glLineStipple(1, 0xCCCC);

    DrawScene(flags, static_cast<double>(rect.right) / rect.bottom, &rect);
    // The background and the overlay belong to the screen, not the model:
    // a section does not cut them.
    SectionClipping(false);
    // Behind everything already drawn: the depth test lets the picture show
    // only where the scene left the far depth.
    if (backTexture != 0) DrawBackground(flags, rect);
    if (!overlayPixels_.empty()) DrawOverlay(rect);
    SectionClipping(true);
    DrawBillboards(flags);
    SectionClipping(false);
  }
  glFinish();

  if (!bitmapMode) {
    if (window_ != nullptr) window_->Present();
    return 1;
  }
  FinishBitmap(dest);
  return 1;
}

void CStereon::DrawOverlay(const StereonRect& rect) {
  // Relies on: blending (source alpha) from the frame. Leaves depth test and
  // lighting on, fog off, both matrices as they were.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glPixelZoom(static_cast<GLfloat>(static_cast<double>(rect.right) / overlayWidth_),
              static_cast<GLfloat>(static_cast<double>(rect.bottom) / overlayHeight_));
  glRasterPos2d(-1.0, -1.0);
  glDrawPixels(overlayWidth_, overlayHeight_, GL_RGBA, GL_UNSIGNED_BYTE, overlayPixels_.data());
  glPixelZoom(1.0f, 1.0f);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
}

void CStereon::FinishBitmap(StereonImage* dest) {
  if (dest == nullptr || bitmapWidth <= 0 || bitmapHeight <= 0) return;
  const int bw = bitmapWidth;
  const int bh = bitmapHeight;
  std::vector<uint8_t> picture(static_cast<size_t>(bw) * static_cast<size_t>(bh) * 4u);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, bw, bh, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
  const int dw = destWidth > 0 ? destWidth : bw;
  const int dh = destHeight > 0 ? destHeight : bh;
  dest->width = dw;
  dest->height = dh;
  if (dw == bw && dh == bh) {
    dest->pixels = std::move(picture);
    return;
  }
  // Stretched colour on colour: each destination pixel takes the nearest
  // source pixel, nothing is blended.
  dest->pixels.assign(static_cast<size_t>(dw) * static_cast<size_t>(dh) * 4u, 0);
  for (int y = 0; y < dh; ++y) {
    const int sy = static_cast<int>(static_cast<long long>(y) * bh / dh);
    for (int x = 0; x < dw; ++x) {
      const int sx = static_cast<int>(static_cast<long long>(x) * bw / dw);
      const size_t from = (static_cast<size_t>(sy) * bw + sx) * 4u;
      const size_t to = (static_cast<size_t>(y) * dw + x) * 4u;
      for (int c = 0; c < 4; ++c) dest->pixels[to + c] = picture[from + c];
    }
  }
}

void CStereon::BuildAxisMark() {
  if (!MakeCurrent()) return;
  const GLuint first = glGenLists(1);
  if (first == 0) return;
  axisList = korvex::GLDisplayList(first);
  glNewList(first, GL_COMPILE);
  glPushAttrib(GL_LIGHTING_BIT);
  const GLfloat cubeAmbient[4] = {0.5f, 0.0f, 0.0f, 0.5f};
  const GLfloat cubeDiffuse[4] = {1.0f, 0.0f, 0.0f, 0.5f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, cubeAmbient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, cubeDiffuse);
  glShadeModel(GL_FLAT);
  // A cube of half-size 10 about the origin, faces counter-clockwise seen
  // from outside.
  struct Face {
    GLdouble n[3];
    GLdouble v[4][3];
  };
  static constexpr double h = 10.0;
  static const Face faces[6] = {
      {{1, 0, 0}, {{h, -h, -h}, {h, h, -h}, {h, h, h}, {h, -h, h}}},
      {{-1, 0, 0}, {{-h, -h, -h}, {-h, -h, h}, {-h, h, h}, {-h, h, -h}}},
      {{0, 1, 0}, {{-h, h, -h}, {-h, h, h}, {h, h, h}, {h, h, -h}}},
      {{0, -1, 0}, {{-h, -h, -h}, {h, -h, -h}, {h, -h, h}, {-h, -h, h}}},
      {{0, 0, 1}, {{-h, -h, h}, {h, -h, h}, {h, h, h}, {-h, h, h}}},
      {{0, 0, -1}, {{-h, -h, -h}, {-h, h, -h}, {h, h, -h}, {h, -h, -h}}},
  };
  glColor3d(0.0, 0.0, 0.0);
  for (const Face& f : faces) {
    glBegin(GL_POLYGON);
    glNormal3dv(f.n);
    for (const auto& v : f.v) glVertex3dv(v);
    glEnd();
  }
  const GLfloat lineAmbient[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, lineAmbient);
  glColor3d(0.0, 1.0, 0.0);
  glBegin(GL_LINES);
  glVertex3d(0, 0, 0);
  glVertex3d(0, 0, 50);
  glVertex3d(0, 0, 0);
  glVertex3d(50, 0, 0);
  glVertex3d(0, 0, 0);
  glVertex3d(0, 50, 0);
  glEnd();
  glPopAttrib();
  glEndList();

  const GLuint second = glGenLists(1);
  if (second == 0) return;
  axisTiltedList = korvex::GLDisplayList(second);
  glNewList(second, GL_COMPILE);
  glTranslated(30.0, 0.0, 0.0);
  glRotated(10.0, 0.0, 1.0, 0.0);
  glCallList(first);
  glEndList();
}

void CStereon::DrawAxisMark() {
  if (axisList) glCallList(axisList.Id());
  if (axisTiltedList) glCallList(axisTiltedList.Id());
}
