// CStereon: the OpenGL 1.1 engine that draws every picture of the viewer, on
// screen and off screen.
//
// One engine draws into one window (the GUI hands it a GLWindowContext) or
// into a framebuffer of its own (a "bitmap" engine for export and printing),
// which may share the display lists and the display tree of another engine.
// The view fills in camera, light and fog and calls Render for every paint.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"
#include "render/FrameFlags.h"
#include "render/GLList.h"
#include "render/GLWindowContext.h"
#include "render/OGLDispTree.h"

namespace korvex {
class UserInterface;
class StereonGLContext;
class GLFramebuffer;
}  // namespace korvex

class CPlainList;

// A rectangle in pixels with its origin at (0, 0): right is the width,
// bottom the height.
struct StereonRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// A finished picture: RGBA bytes, bottom row first.
struct StereonImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Messages shown when no context can be had.
inline constexpr const char* kStereonNoPixelFormat = "ピクセルフォーマットは使用出来ません。";
inline constexpr const char* kStereonFramebufferFailed = "フレームバッファの初期化に失敗しました。";
inline constexpr const char* kStereonErrorCaption = "OpenGL ｴﾗｰ";
// The engine's log of problems with texture and billboard files, in the
// current folder.
inline constexpr const char* kStereonLogFile = "StereonErr.log";

class CStereon {
 public:
  // `ui` receives the messages about contexts that cannot be made; it may be
  // null (then nothing is shown).
  explicit CStereon(korvex::UserInterface* ui = nullptr);
  CStereon(const CStereon&) = delete;
  CStereon& operator=(const CStereon&) = delete;

  // --- operations, in the engine's table order ---------------------------
  virtual void ReleaseShadowArrays();
  virtual bool CreateWindowContext(korvex::GLWindowContext* window);
  virtual void ApplyFaceFog(int flags);
  virtual void ApplyLineFog(int flags);
  virtual void DrawScene(int flags, double aspect, const StereonRect* rect);
  virtual void ApplyLookAt();
  virtual void SetProjection(int flags, const StereonRect& rect);
  // The sun-shadow pass: counts the faces of the shadow volumes in the
  // stencil buffer and darkens every pixel with a non-zero count by one quad
  // over the whole view. DrawScene calls it when the frame shows shadows.
  virtual void DrawStencilShadow(double halfWidth, double halfHeight, int flags, const StereonRect* rect);
  // Draws the billboards far to near, each turned towards the eye; those
  // behind the eye are left out. Reorders the billboard list by depth.
  virtual void DrawBillboards(int flags);
  virtual ~CStereon();
  // The window's context is about to go and is current: deletes every list,
  // texture and framebuffer made in it and forgets the window, so that
  // nothing is drawn or released through that context afterwards.
  void ReleaseWindowContext();
  // Display lists the engine holds: its display tree's, the axes' and the
  // shadows'.
  int DisplayListCount() const;
  // A framebuffer of width × height with 24 depth and 8 stencil bits. With
  // `share` the new context shares display lists with that one (the caller
  // then calls ShareWith); without, the engine gets its own headless context
  // and an empty display tree. The finished picture of each frame is
  // stretched to destWidth × destHeight.
  virtual int CreateBitmapContext(int width, int height, int colorBits, int depthBits, int destWidth, int destHeight,
                                  korvex::StereonGLContext* share = nullptr);
  virtual int CreateOnWindow(korvex::GLWindowContext* window);
  virtual void ShareWith(CStereon* other);
  // After CreateBitmapContext with `share`: an empty display tree of this
  // engine's own instead of ShareWith's, for a picture built afresh in the
  // context it shares (the old output method beside the window).
  // False when the context cannot be made current.
  bool UseOwnTree();
  virtual int SetTag(int value);
  virtual int GetTag() const;
  // Each value is kept when 0 is passed for it.
  virtual void SetPlanes(double front, double back, double angle);
  virtual uint32_t SetBackColor(uint32_t color);
  virtual uint32_t GetBackColor() const;
  virtual void SetEyeTarget(const GMVector& eyePoint, const GMVector& targetPoint);
  virtual void SetCamera(const GMVector& eyePoint, const GMVector& targetPoint, const GMVector& upVector);
  virtual void SetLightDirection(double x, double y, double z);
  virtual double GetViewAngle() const;
  virtual double GetFrontPlane() const;
  virtual double GetBackPlane() const;
  virtual double SetLineWidth(double width);
  virtual double GetLineWidth() const;
  virtual double SetZoom(double factor);
  virtual double GetZoom() const;

  // --- background image and texture table --------------------------------
  // Replaces the background image by the 24-bit BMP at `path`, drawn behind
  // the scene at its own size. False when the picture cannot be read (the
  // BMP reader has shown why); the old background is gone either way.
  virtual bool LoadBackTexture(const char* path);
  virtual void DeleteBackTexture();
  // Loads the picture at `path` (with "path.mask" as its alpha when that file
  // exists) as a square power-of-two texture and appends it to the table.
  // `aspect` 0 takes the picture's height / width, `scale` 0 takes 1. The new
  // index, or -1 when a picture cannot be read.
  virtual int AddTexture(const char* path, double aspect, double scale);
  // Null outside 0 .. count-1.
  virtual StereonTexture* GetTexture(int index);
  // Clears `length` bytes of `buffer` and copies at most length-1 bytes of
  // the name.
  virtual void GetTextureName(int index, char* buffer, int length);
  // 1, or 0 for a bad index (the values are then untouched).
  virtual int GetTextureScale(int index, double* aspect, double* scale);
  // -1 deletes every texture and the table; a valid index deletes that one
  // (later indexes move down); anything else does nothing.
  virtual void DeleteTexture(int index);
  virtual int GetTextureCount();
  virtual void SetFaceFog(double start, double end, double density, double mode);
  virtual void GetFaceFog(double& start, double& end, double& density, int& mode) const;
  virtual void SetLineFog(double start, double end, double density, double mode);
  virtual void GetLineFog(double& start, double& end, double& density, int& mode) const;
  virtual double GetLinePullScale() const;
  virtual double SetLinePullScale(double value);
  virtual double GetLinePullDistance() const;
  virtual double SetLinePullDistance(double value);
  virtual uint32_t SetAmbientColor(uint32_t color);
  virtual uint32_t SetLightAmbient(uint32_t color);
  virtual uint32_t SetLightDiffuse(uint32_t color);
  virtual uint32_t SetLightSpecular(uint32_t color);
  // Draws one frame. `dest` receives the finished picture of a bitmap engine
  // (ignored on a window); `rect` null means the whole window.
  virtual int Render(int flags, StereonImage* dest = nullptr, const StereonRect* rect = nullptr);
  virtual COGLDispTree* GetDispTree();
  // Frees any overlay and returns width × height × 4 bytes (RGBA, bottom row
  // first) for the caller to fill; the overlay covers the picture, blended by
  // its alpha.
  virtual std::span<uint8_t> AllocOverlay(int width, int height);
  virtual std::span<uint8_t> GetOverlay(int& width, int& height);
  virtual void FreeOverlay();
  // The selection name of the nearest element under the size × size pixels
  // around (x, y) (window coordinates, y down), or -1.
  virtual int Pick(int flags, int x, int y, int size);
  virtual int GetPickCapacity() const;
  virtual void GetPerspectiveFrustum(double aspect, double& left, double& right, double& bottom, double& top,
                                     double& nearPlane, double& farPlane) const;
  virtual void GetParallelFrustum(double aspect, double& left, double& right, double& bottom, double& top,
                                  double& nearPlane, double& farPlane) const;
  // How much taller the view volume is drawn for a picture of that aspect
  // (see windowAspect); 1 for the window itself.
  double TallerPictureFactor(double aspect) const;
  virtual korvex::StereonGLContext* GetContext() const;
  virtual void DrawAxisMark();
  virtual void BuildAxisMark();

  // --- shadows -------------------------------------------------------------
  // Extrudes every caster (world coordinates) along (dx, dy, dz), the way
  // the sunlight travels, by `length`, the near cap moved by `capOffset`
  // (no near cap when 0): one volume per caster, kept as one display list,
  // or as triangle arrays with `useArrays`. `color` is the shadow colour
  // (alpha high byte). The old volumes go first; an empty set leaves none.
  virtual void BuildShadowVolumes(std::span<const GMPolygon> polygons, double dx, double dy, double dz,
                                  double capOffset, double length, uint32_t color, int useArrays);
  // The array form of the same volumes; every caster casts.
  virtual void BuildShadowArrays(std::span<const GMPolygon> polygons, double dx, double dy, double dz,
                                 double capOffset, double length, uint32_t color);
  // The volumes the view builds for a whole site: the same shadowed pixels
  // as one volume per caster, from far fewer and shorter faces.
  // - Side faces that two casters share in opposite directions cancel and
  //   are left out, so a closed body casts from its silhouette edges only
  //   (the edges between its faces towards and away from the sun); open and
  //   non-manifold bodies and billboards keep every side of their own.
  // - A caster the frame draws as an opaque face before the shadows
  //   (`drawn`[i] non-zero) gets no near cap: its own face closes the volume
  //   in the depth buffer, and a cap on it would fight with it pixel by
  //   pixel. The others get theirs, moved by `capOffset`.
  // - With `reach` (everything the shadows can fall on), every volume ends
  //   on one plane just beyond it, whatever the far plane; without, after
  //   `length`.
  virtual void BuildSiteShadowVolumes(std::span<const GMPolygon> polygons, std::span<const uint8_t> drawn,
                                      const GMBox* reach, double dx, double dy, double dz, double capOffset,
                                      double length, uint32_t color, int useArrays);
  virtual void DeleteShadowVolumes();
  // One flag per caster; a non-zero flag keeps that caster from casting.
  // Every caster casts here.
  virtual void MarkShadowExclusions(std::span<const GMPolygon> polygons, const GMVector& direction,
                                    std::span<int> flags);
  // A quad over the whole view just behind the front plane, following the
  // pan shift of a perspective view.
  virtual void DrawScreenQuad(double halfWidth, double halfHeight, int flags, const StereonRect* rect);
  // The shadow volumes counted in the accumulation buffer instead of the
  // stencil buffer; the frame does not call it, and the result stays in the
  // accumulation buffer. Needs a context with an accumulation buffer.
  virtual void DrawAccumShadow();
  // Moves every vertex of the ring 0.1 outwards, along the bisector of its
  // two edges (turned round at corners whose angle about `normal` exceeds
  // pi). The ring runs counter-clockwise about `normal`.
  virtual void OffsetOutline(GMPolygon& polygon, const GMVector& normal);

  // --- billboards ----------------------------------------------------------
  // Stands the picture at `path` (below the program's folder) upright at foot
  // point (x, y, z), width × height model units. Billboards of the same
  // picture share one texture. 0, or -1 when the picture is missing or cannot
  // be read; problems are written to the engine's log.
  virtual int AddBillboard(double x, double y, double z, const char* path, double width, double height);
  // Null outside 0 .. count-1.
  virtual StereonBillboard* GetBillboard(int index);
  virtual int GetBillboardCount();
  // Deletes one billboard (its texture unless another billboard still shows
  // it); out-of-range indexes are ignored.
  virtual void DeleteBillboard(int index);
  virtual void DeleteAllBillboards();

  // --- sections ------------------------------------------------------------
  // Planes that cut the model open: each keeps the side where
  // nx·x + ny·y + nz·z + d <= 0 (world coordinates) and removes the other.
  // Faces, lines, billboards and picking are cut; where a plane cuts a
  // closed solid, the cut is filled in the solid's own colour, lit as a face
  // towards the viewer. Open meshes are cut without a fill.
  static constexpr int kMaxSectionPlanes = 3;
  // Replaces the planes (none: no section). False, with the planes as they
  // were, for more than three or for a plane without a normal.
  bool SetSectionPlanes(std::span<const GMPlane> planes);
  // The planes in force, each with a unit normal.
  std::span<const GMPlane> SectionPlanes() const { return sectionPlanes_; }
  // The lines where plane `index` cuts the model's faces (world
  // coordinates), drawn in black over the cut so that it reads as a
  // section drawing. Kept until the planes change.
  void SetSectionOutline(size_t index, std::vector<GMSegment> segments);
  std::span<const GMSegment> SectionOutline(size_t index) const;
  // The plane with a unit normal and its constant scaled alike; false for a
  // plane without a normal or with a part that is no number.
  static bool UnitSectionPlane(const GMPlane& plane, GMPlane& unit);

  // --- not in the table ----------------------------------------------------
  // Makes the engine's context current and binds its framebuffer; display
  // trees must be built and destroyed with the context current.
  bool MakeCurrent();
  bool IsBitmap() const { return bitmapMode != 0; }
  // Draws one frame at width × height into a framebuffer of that size in
  // the engine's own context and reads it back into `dest` (RGBA, bottom row
  // first), whatever the window's size; the window's picture is untouched.
  // 0, with `dest` empty, when no framebuffer or memory of that size can be
  // had or a frame is being drawn.
  int RenderToImage(int flags, int width, int height, StereonImage& dest);
  // The segment through pixel (x, y) (y down) of a viewport of that size:
  // from the eye (or the eye plane in parallel projection) into the scene.
  GMSegment ScreenToRay(int flags, int x, int y, int width, int height) const;
  // Appends one printf-style message to the log; skipped when the file
  // cannot be opened.
  void Log(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // The world point the picture is drawn about. GL works in single
  // precision: a site in survey coordinates (x = -40,000 m) has a float step
  // of 4 mm there, and a camera matrix that cancels two such numbers makes
  // near details jitter. So display lists, shadow volumes, billboards, the
  // background and the camera all reach GL less this point, computed in
  // double precision, and a far-off site draws as finely as one at the
  // origin. The view sets it to a point near the model before it builds the
  // display trees; an engine drawing another's tree uses that engine's.
  void SetLocalOrigin(const GMVector& origin) { localOrigin_ = origin; }
  const GMVector& LocalOrigin() const;
  // A world point as GL receives it: less the local origin.
  GMVector ToLocal(const GMVector& world) const;

  // --- state, read and written directly by the view ----------------------
  korvex::GLDisplayList axisList;
  korvex::GLDisplayList axisTiltedList;
  GMVector eye{30.0, 30.0, 30.0};
  GMVector target{0.0, 0.0, 0.0};
  GMVector up{0.0, 0.0, 1.0};
  double frontPlane = 1.0;
  double backPlane = 3000.0;
  double viewAngle = 45.0;  // degrees, the full vertical angle
  uint32_t backColor = 0xFFFFFFFFu;
  uint32_t ambientColor = 0x004C4C4Cu;
  uint32_t lightAmbient = 0xFF4C4C4Cu;
  uint32_t lightDiffuse = 0xFFFFFFFFu;
  uint32_t lightSpecular = 0xFFFFFFFFu;
  GMVector lightDirection{0.0, 0.0, 1.0};  // from the scene towards the sun
  int tag = 0;
  int bitmapWidth = 0;
  int bitmapHeight = 0;
  int colorBits = 0;
  int depthBits = 0;
  int destWidth = 0;
  int destHeight = 0;
  int bitmapMode = 0;
  double lineWidth = 1.0;
  uint32_t shadowColor = 0;
  // The volumes in list form (0 = none) ...
  korvex::GLDisplayList shadowList;
  // ... or in array form: the volumes' triangles as plain data, xyz floats,
  // three vertices a triangle, relative to `origin` so that a site far from
  // the world's origin keeps its precision. The list is compiled from the
  // same data.
  struct ShadowArray {
    GMVector origin{0.0, 0.0, 0.0};
    std::vector<float> vertices;
    size_t TriangleCount() const { return vertices.size() / 9; }
  };
  std::vector<ShadowArray> shadowArrays;
  // Where the list's vertices are measured from.
  GMVector shadowListOrigin{0.0, 0.0, 0.0};
  int busy = 0;
  CStereon* sharedFrom = nullptr;
  double zoom = 1.0;
  // Owned StereonTexture records, created with the first texture.
  CPlainList* textureTable = nullptr;
  unsigned backTexture = 0;  // background image texture; 0 = none
  // Owned StereonBillboard records, created with the first billboard.
  CPlainList* billboards = nullptr;
  double faceFogStart = 1.0;
  double faceFogEnd = 3000.0;
  double faceFogDensity = static_cast<double>(0.01f);
  int faceFogMode = 2;
  double lineFogStart = 1.0;
  double lineFogEnd = 3000.0;
  double lineFogDensity = static_cast<double>(0.01f);
  int lineFogMode = 2;
  double linePullScale = 0.999;
  double linePullDistance = 0.05;
  double tolerance = 1e-7;
  int panEnabled = 0;
  int panX = 0;
  int panY = 0;
  // While an output picture is drawn: the aspect (width / height) of the
  // window it copies; 0 otherwise. See TallerPictureFactor.
  double windowAspect = 0.0;
  COGLDispTree::OptionWords treeOptions{};

 private:
  void ReportNoContext(const char* text);
  void InitialiseNewContext(bool present);
  void ApplyLighting();
  void BuildVolumes(std::span<const GMPolygon> polygons, std::span<const uint8_t> drawn, const GMBox* reach,
                    double dx, double dy, double dz, double capOffset, double length, uint32_t color,
                    bool useArrays, bool merge);
  void DrawShadowTriangles(const GMVector& origin, unsigned list, const ShadowArray* array);
  void ApplyFog(int flags, int bit, double start, double end, double density, int mode);
  void ApplyLinePull(int flags, bool reverse);
  void DrawTransparentPass(int flags);
  void DrawBackground(int flags, const StereonRect& rect);
  void FreeTexturesAndBillboards();
  void DrawOverlay(const StereonRect& rect);
  void FinishBitmap(StereonImage* dest);
  // Hands the planes to GL (the model-view matrix holding the camera) and
  // switches clipping on. SectionClipping switches the loaded planes off and
  // on again, for what is drawn on the screen rather than in the model.
  void LoadSectionPlanes();
  void SectionClipping(bool on);
  // Fills the cuts of the closed solids after the opaque faces are drawn.
  void DrawSectionCuts(int flags);
  void DrawSectionOutlines(int flags);
  StereonRect ClientRect() const;

  GMVector localOrigin_{};
  std::vector<GMPlane> sectionPlanes_;
  std::array<std::vector<GMSegment>, kMaxSectionPlanes> sectionOutlines_;
  korvex::UserInterface* ui_ = nullptr;
  korvex::GLWindowContext* window_ = nullptr;                 // the window drawn into (not owned)
  std::unique_ptr<korvex::StereonGLContext> ownContext_;     // this engine's own context
  korvex::StereonGLContext* context_ = nullptr;               // own, or borrowed from a shared engine
  std::unique_ptr<korvex::GLFramebuffer> framebuffer_;        // bitmap engines
  std::unique_ptr<COGLDispTree> ownTree_;                     // null while another engine's tree is used
  COGLDispTree* dispTree_ = nullptr;
  std::vector<uint8_t> overlayPixels_;
  int overlayWidth_ = 0;
  int overlayHeight_ = 0;
};
