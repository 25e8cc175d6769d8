// The window the on-screen engine draws into, as the GUI provides it.
//
// The engine knows nothing of the toolkit: the Qt widget (or a test) hands it
// this small interface. The window's framebuffer is expected to have 24 depth
// and 8 stencil bits. The window must outlive the engine drawing into it (and
// any bitmap engine created on its context): the engine makes it current once
// more when it goes, to release its display lists.
#pragma once

namespace korvex {

class GLWindowContext {
 public:
  virtual ~GLWindowContext() = default;

  // Makes the window's GL context current and binds the framebuffer the
  // window shows; false when no context can be had.
  virtual bool MakeCurrent() = 0;
  // Releases the context from this thread.
  virtual void DoneCurrent() = 0;
  // The drawable size in pixels.
  virtual void Size(int& width, int& height) const = 0;
  // Shows the finished frame (the buffer swap).
  virtual void Present() = 0;
};

}  // namespace korvex
