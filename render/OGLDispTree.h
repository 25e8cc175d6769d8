// The scene as the engine draws it: one tree node per scene node, each with
// up to six display lists compiled from a display element, and the node's own
// placement (origin, rotation, scale).
//
// A node whose children are many small buildings (a district exported with
// one object per building) shares display lists among them: each small child
// keeps its compiled vertices in a compact record instead of lists of its
// own, and the parent compiles the records of a block of children into one
// list per pass. A GL display list costs kilobytes however little it holds,
// so a list or two per building costs more memory than the buildings.
//
// Building needs the engine's GL context current (CStereon::MakeCurrent), and
// so does destroying a node, which deletes its lists.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "geometry/gm_mesh.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"
#include "common/PlainList.h"
#include "render/GLList.h"

// An entry of the engine's texture table: the image file, its GL texture and
// how it repeats across a face (every `scale` model units across and every
// `scale`·`aspect` units up).
struct StereonTexture {
  char name[260] = {};
  unsigned textureId = 0;
  double aspect = 1.0;
  double scale = 1.0;
};

// A billboard of the engine's list: an upright picture standing at its foot
// point and turned towards the viewer. Billboards with the same `key` share
// one GL texture (and each keeps its own copy of the outline).
struct StereonBillboard {
  GMVector position{};
  double width = 0.0;
  double height = 0.0;
  char key[64] = {};  // image path below the program's folder
  std::string source;  // the whole image path ("/" separators): billboards of one picture share its texture
  unsigned textureId = 0;
  // The picture's outline in billboard units (x 0..1 across, y 0..1 up), for
  // its shadow; null without a ".poly" file.
  std::unique_ptr<GMPolygonSet> outline;
};

// One triangle of a face with the normal the face is drawn with.
struct OGLTriangle {
  GMVector p[3];
  GMVector normal;
};

// Appends the triangles of one face as the display draws them: the polygon
// cut into triangles (tolerance 1e-7), each carrying the given normal, or,
// when that has a GM_UNDEFINED component, the normal of the first triangle
// (then the polygon's own, then +Z, so that GL never gets an undefined one).
void OGLAppendFaceTriangles(const GMPolygon& polygon, const GMVector& normal, std::vector<OGLTriangle>& out);

// What one tree node is compiled from. The element only refers to the
// caller's geometry; the caller keeps it alive until the build returns.
struct OGLDispElement {
  // Pushed as the GL selection name; Pick returns it. An opaque 32-bit handle
  // of the view's choosing, never a pointer.
  int32_t name = -1;
  uint32_t color = 0xFFFFFFFFu;  // red in the low byte, alpha (opacity) in the high byte
  const StereonTexture* texture = nullptr;
  GMVector origin{};
  GMVector axis{0.0, 0.0, 1.0};
  double angle = 0.0;  // radians
  GMVector scale{1.0, 1.0, 1.0};
  // The point of the node's own coordinates its lists are drawn about: every
  // vertex goes to GL less this point (see COGLDispTree::shift).
  GMVector shift{};
  std::span<const GMPolygon> polygons;
  // One per polygon, or empty. A component of GM_UNDEFINED asks for the
  // normal of the polygon's first triangle.
  std::span<const GMVector> normals;
  // Meshes drawn straight from their records: their faces (each the polygon
  // of its vertices in face order, with the normal of its plane for opaque
  // faces) after the polygons, their edge tables after the outlines. A model
  // of millions of faces then needs no polygon, triangle or segment record
  // per face between the scene and the display list.
  std::span<const GMMesh* const> meshes;
  std::span<const GMSegment> lines;
  std::span<const GMSegment> outlines;
  std::span<const GMSegment> markLines;
  std::span<const GMVector> points;
  std::span<const GMVector> markPoints;
};

// What a small node of a sharing parent keeps instead of lists: its
// primitives in single precision about its own shift, and the colours it was
// built with, so that its block's lists can be compiled again without it.
struct OGLBatchRecord {
  std::vector<float> faces;     // 12 floats a triangle: the normal, then three corners
  bool transparent = false;     // the faces belong to the transparent pass
  std::vector<float> lines;     // 6 floats a segment
  std::vector<float> outlines;  // 6 floats a segment
  std::vector<float> points;    // 3 floats a point
  std::vector<float> markPoints;
  std::vector<float> markLines;
  float ambient[4] = {};        // the faces' material
  float diffuse[4] = {};
  float colourDiffuse[4] = {};  // the lines', points' and marks' material
  uint8_t colour[4] = {};
  bool outlineDiffuse = false;  // outlines take the colour as diffuse too
  size_t Primitives() const;
};

// The compiled lists of one tree node. A list that would draw nothing is not
// made (its id is 0), so a frame never calls empty lists.
struct OGLDispLists {
  int32_t name = -1;
  korvex::GLDisplayList faceList;
  korvex::GLDisplayList lineList;
  korvex::GLDisplayList transparentList;
  korvex::GLDisplayList outlineList;
  korvex::GLDisplayList markList;
  korvex::GLDisplayList pointList;
  int faceCount = 0;   // triangles in the face and transparent lists
  int lineCount = 0;   // segments in the line and outline lists
  int pointCount = 0;
  int markCount = 0;
  int flags = 0;       // bit 0: the element had a texture
  // Whether the opaque faces enclose a solid: every edge of their outlines
  // is met by an even number of faces. Only a solid has an inside that a
  // section can show as a filled cut; an open mesh is cut without one.
  bool closed = false;
  // The box round the opaque faces, in the coordinates the lists are drawn
  // in (less the node's shift); empty (min above max) without faces.
  GMBox faceBox{1.0, 1.0, 1.0, -1.0, -1.0, -1.0};
  // The face material (ambient, diffuse RGBA) a section's cut is filled with.
  std::array<float, 4> cutAmbient{};
  std::array<float, 4> cutDiffuse{};
};

// What a node drawn straight keeps instead of lists (see
// COGLDispTree::SetDrawStraight).
struct OGLListSource;

class COGLDispTree : public CPlainList {
 public:
  using OptionWords = std::array<int, 5>;

  COGLDispTree();
  ~COGLDispTree() override;

  // Removing a child destroys it with its children and lists.
  void RemoveAt(int index) override;
  void RemoveAll() override;

  virtual COGLDispTree* GetNodeAt(int index);
  virtual int FindNode(const COGLDispTree* node) const;
  // Index of the first child whose lists carry this name, -1 if none.
  virtual int FindName(int32_t name) const;
  virtual COGLDispTree* GetParent() const;
  virtual void DrawFaces();
  virtual void DrawLines();
  virtual void DrawOutlines();
  virtual void DrawTransparent();
  virtual void DrawPoints();
  virtual void DrawMarks();
  // Calls `visit` for every shown node with opaque faces (in a list of its
  // own or in its parent's shared lists), in drawing order, with the node's
  // placement applied to the model-view matrix.
  void VisitFaceLists(const std::function<void(const COGLDispTree&)>& visit);
  // This node's opaque faces alone, without materials or names, as
  // VisitFaceLists hands the node over: from its own list, or from its
  // record when it shares its parent's lists.
  void DrawOwnFaces() const;
  // Triangles and segments of this node and all below it: the selection
  // buffer needs at most one record per primitive.
  virtual int CountPickable() const;
  virtual const OGLDispLists* GetLists() const;
  // Deletes the lists of this node, of its shared blocks and of every node
  // below it, keeping their names and counts: the context they were
  // compiled in is going.
  void ReleaseLists();
  // Display lists held by this node and every node below it.
  int CountLists() const;
  // Hands out the five option words and takes the caller's in their place.
  virtual void SwapOptions(OptionWords& out, const OptionWords& in);

  // Appends a child and makes this node its parent; -1 for null.
  int AddChild(std::unique_ptr<COGLDispTree> node);
  // Whether small children built from now on share their lists (see the
  // top of this file). A child must be added before its element is set to
  // share; children already built keep what they have. A block holds about
  // `blockPrimitives` triangles, segments and points.
  static constexpr size_t kBlockPrimitives = 65536;
  void SetShareChildLists(bool share, size_t blockPrimitives = kBlockPrimitives) {
    shareChildLists_ = share;
    blockPrimitives_ = blockPrimitives;
  }
  bool SharesChildLists() const { return shareChildLists_; }
  // Whether elements set from now on are drawn straight at every draw
  // instead of compiled into display lists; children added later take it
  // on. For a picture drawn once (a batch render, an export beside the
  // window) a list is pure cost: the GL driver copies every vertex into it,
  // replays it once and throws it away. Straight drawing issues the very
  // calls the lists would hold, in the same order and state, so the picture
  // is the same to the pixel. The node then draws from its element's
  // geometry, which must stay alive and unchanged until the node is set
  // again.
  void SetDrawStraight(bool straight) { drawStraight_ = straight; }
  bool DrawsStraight() const { return drawStraight_; }
  // Whether this node's primitives are drawn from its parent's shared lists.
  bool InSharedLists() const { return record_ != nullptr; }
  // The shared blocks of this node's children, and how many have been
  // compiled since this node was made: a changed child recompiles its block
  // only.
  size_t SharedBlockCount() const { return blocks_.size(); }
  size_t SharedBlockCompiles() const { return blockCompiles_; }
  // Recompiles this node's lists from the element (null: an empty record).
  void SetElement(const OGLDispElement* element);
  void SetElementWith(const OGLDispElement* element, int option);
  // Drops all children, keeps both flags and compiles the element.
  void Reset(const OGLDispElement* element, int option, int whiteForBlack);

  // Placement applied to the children (the node's own lists apply it inside).
  GMVector origin{};
  GMVector axis{0.0, 0.0, 1.0};
  double angle = 0.0;
  GMVector scale{1.0, 1.0, 1.0};
  int whiteForBlack = 0;  // draw a pure black element white
  int option = 0;         // bit 0: highlighted
  OptionWords options{};  // exchanged with the engine; [0] != 0 gives outlines a diffuse colour
  int visible = 1;        // 0 hides this node's own lists, not its children
  // The point of this node's own coordinates that its lists are drawn about.
  // Vertices are compiled less it, and the node's placement is applied
  // relative to its parent's shift, worked out in double precision at every
  // draw; a node drawn from the top is drawn in its parent's coordinates
  // less its own shift. The view chooses the shifts so that the numbers GL
  // sees stay small: the engine's local origin, in each node's coordinates.
  // Any shift draws the same picture; only the precision differs.
  GMVector shift{};

 private:
  enum class Pass { Faces, Lines, Outlines, Transparent, Points, Marks, Visit };
  void DrawPass(Pass pass, const GMVector& parentShift,
                const std::function<void(const COGLDispTree&)>* visit = nullptr);
  void Build(const OGLDispElement* element);
  void CompileFrom(const OGLListSource& source);
  bool ShareableElement(const OGLDispElement& e) const;
  void BuildRecord(const OGLDispElement& e);
  // A block of children whose records share one list per pass.
  struct Block {
    std::vector<COGLDispTree*> members;
    std::array<korvex::GLDisplayList, 6> lists;
    size_t primitives = 0;  // of the members, as last compiled or joined
    bool dirty = true;
    GMVector compiledShift{};  // this node's shift the lists were compiled for
  };
  void JoinBlock(COGLDispTree* child);
  void LeaveBlock(COGLDispTree* child);
  void DrawBlocks(Pass pass);
  void CompileBlock(Block& block);
  void EmitBlock(const Block& block, Pass pass, bool named) const;
  // The shift carried through this node's placement, in its parent's
  // coordinates.
  GMVector PlacedShift() const;

  std::unique_ptr<OGLDispLists> lists_;
  std::unique_ptr<OGLListSource> straight_;  // while drawn straight: what the lists would hold
  bool drawStraight_ = false;
  COGLDispTree* parent_ = nullptr;
  bool shareChildLists_ = false;
  size_t blockPrimitives_ = kBlockPrimitives;
  std::unique_ptr<OGLBatchRecord> record_;
  Block* block_ = nullptr;     // the parent's block holding this node's record
  bool recordDrawn_ = false;   // `visible` when the block was last compiled
  std::vector<std::unique_ptr<Block>> blocks_;
  size_t blockCompiles_ = 0;
};
