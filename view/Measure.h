// Measuring a model: points snapped to its corners, edges and faces under the
// cursor, the distance between two points with its level and height parts,
// and the area and perimeter of a whole planar face (a roof, a floor slab, a
// plot).
//
// Everything works on the model's own double coordinates in the world, so a
// site placed in survey coordinates measures as precisely as one near the
// origin.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/gm_types.h"
#include "model/OctTree.h"
#include "view/WindowProjector.h"

class CInkNode;

namespace korvex {

// How far from the cursor, in window pixels, a corner and an edge catch it.
inline constexpr double kSnapVertexPixels = 8.0;
inline constexpr double kSnapEdgePixels = 6.0;

enum class SnapKind { None, Vertex, Edge, Face };

struct MeasurePoint {
  SnapKind kind = SnapKind::None;
  GMVector at{};
};

// The straight distance and its parts: along the ground (ΔXY) and in height
// (ΔZ, positive when the second point is higher).
struct MeasureDistance {
  double distance = 0;
  double horizontal = 0;
  double vertical = 0;
};
MeasureDistance MeasureBetween(const GMVector& first, const GMVector& second);

// Shift holds the second point to the vertical through the first (a
// height), Ctrl to the horizontal plane through it.
enum class MeasureConstraint { None, Vertical, Horizontal };
GMVector ConstrainPoint(const GMVector& first, const GMVector& second, MeasureConstraint constraint);
// Where the viewing ray origin + t·direction comes nearest to the vertical
// through `first`, or meets the horizontal plane through it: the second point
// when the cursor is over no part of the model. Nothing for a ray that runs
// along the vertical or level with the plane.
std::optional<GMVector> ConstrainRay(const GMVector& first, const GMVector& origin, const GMVector& direction,
                                     MeasureConstraint constraint);

// The whole planar face around a triangle: every triangle in its plane,
// facing the same way, joined to it edge to edge.
struct PlanarFace {
  double area = 0;
  double perimeter = 0;
  GMVector normal{};                // unit, the way the face looks
  std::vector<int> triangles;       // indexes into the scene's triangles
  std::vector<GMSegment> outline;   // the edges that border no other triangle of the face
};

// Corners or edges of a model filed by their boxes in a binary tree, so that
// finding those near the cursor looks only at the few whose box comes near it
// on the window, not at every one of a city's million.
class SnapTree {
 public:
  // Files items 0 … n-1 by their boxes lo[i] … hi[i].
  void Build(const std::vector<GMVector>& lo, const std::vector<GMVector>& hi);
  // The items whose box, as projected, comes within `pixels` of window
  // point (x, y); a box reaching behind the eye counts as near.
  void Near(const WindowProjector& projector, double x, double y, double pixels, std::vector<int>& out) const;

 private:
  struct Node {
    GMVector lo{}, hi{};
    int begin = 0, end = 0;      // its items: items_[begin … end)
    int left = -1, right = -1;  // children; none for a leaf
  };
  int Split(const std::vector<GMVector>& lo, const std::vector<GMVector>& hi, const std::vector<GMVector>& centre,
            int begin, int end);
  std::vector<Node> nodes_;
  std::vector<int> items_;
};

// Whether a point of the model is shown: a section removes the rest, and
// what it removed is neither caught nor hides what lies behind it. An empty
// test shows everything.
using ShownTest = std::function<bool(const GMVector&)>;

// How many times the octree of a scene of `faces` faces is split: about
// eight triangles a leaf, within 4 … 8.
int MeasureOctTreeLevels(int faces);

// The model's surfaces (as triangles) and drawn edges in world coordinates.
class MeasureScene {
 public:
  // The shown surfaces and outlines of every figure under root. False when
  // nothing there has a surface.
  bool Build(CInkNode* root);
  // Loose triangles and edges, then Build(): for generated models.
  void AddTriangle(const GMVector& a, const GMVector& b, const GMVector& c);
  void AddEdge(const GMSegment& edge);
  bool Build();
  // Build(root) in two steps, for a worker thread: Gather reads the model
  // (false for none, or when stopped), Build(stop) files what was gathered
  // and reads the model no more. A stopped build leaves surfaces that catch
  // nothing.
  bool Gather(CInkNode* root, std::stop_token stop = {});
  bool Build(std::stop_token stop);

  int TriangleCount() { return octree_.GetTriangleCount(); }
  const COctTreeTriangle& Triangle(int index) { return *octree_.GetTriangle(index); }

  struct Hit {
    int triangle = -1;
    GMVector at{};
  };
  // The shown face first met by the ray from origin along direction.
  std::optional<Hit> FirstHit(const GMVector& origin, const GMVector& direction, const ShownTest& shown = {});
  // The point under window point (x, y): a visible corner within
  // kSnapVertexPixels, else a visible edge point within kSnapEdgePixels,
  // else the face hit, else none; only shown points count.
  MeasurePoint Snap(const WindowProjector& projector, double x, double y, const ShownTest& shown = {});
  // The planar face around a triangle; nothing for a degenerate one.
  std::optional<PlanarFace> FaceOf(int triangle);
  // The planar face of the model that contains point within tolerance;
  // nothing when the point lies on no face.
  std::optional<PlanarFace> FaceAt(const GMVector& point, double tolerance);

 private:
  bool Visible(const WindowProjector& projector, const GMVector& point, const ShownTest& shown);
  // The first shown hit from start towards end; with limitToSegment not
  // beyond end.
  std::optional<Hit> FirstShownHit(GMVector start, const GMVector& end, bool limitToSegment, const ShownTest& shown);
  // Triangles filed in the octree's leaves that meet the box lo..hi.
  void TrianglesNear(const GMVector& lo, const GMVector& hi, std::vector<int>& out);

  COctTreeBoxel octree_;
  std::vector<GMPolygon> loose_;
  std::vector<GMSegment> edges_;
  std::vector<GMVector> corners_;
  SnapTree cornerTree_, edgeTree_;
  bool built_ = false;
};

// A length in model units with up to three decimals ("12.5", "0.333").
std::string FormatMeasure(double value);
// "m" for a model whose unit is metres (a ".k3d" scene, an IFC model),
// otherwise nothing.
std::string MeasureUnitFor(std::string_view modelPath);
// The status-bar texts of a distance and of a face.
std::string DistanceText(const MeasureDistance& d, std::string_view unit);
std::string FaceText(const PlanarFace& face, std::string_view unit);

}  // namespace korvex
