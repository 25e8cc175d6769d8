// Boolean operations on closed meshes, face plane by face plane.
//
// For every face of both groups, the plane of that face cuts both groups into
// 2D sections; their outlines together split the plane into cells. The cells
// that lie on the face are kept and classified in 3D by a test point against
// every mesh: on its surface, inside or outside. A cell then carries what the
// selection needs to know: whose face it lies on, and where it lies relative
// to the other group. A union keeps the faces that lie outside the other
// group, a difference keeps A's faces outside B and B's faces inside A turned
// round, an intersection keeps the faces inside the other group.

#include "geometry/gm_boolean.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <unistd.h>

#include "geometry/gm_linenet.h"
#include "geometry/gm_lists.h"
#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_mesh_repair.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_detail.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"

// --- prepared meshes --------------------------------------------------------------

// What the sections ask of a mesh again for every plane, worked out once: the
// face polygons with their normals and images, the plane values' range, the
// drawable edges and the bounds.
namespace {

struct PreparedFace {
  GMPolygon polygon;
  std::vector<int32_t> indices;
  GMVector normal;          // GMPolygonNormal, undefined for a face without area
  GMPolygon image;          // the polygon on its own projection axis
  GMProjectionAxis axis = 0;
};

struct PreparedMesh {
  const GMMesh* mesh = nullptr;
  std::vector<GMVector> points;             // the vertex positions, by index
  double largest = 0.0;                     // the largest coordinate, for rounding margins
  std::unique_ptr<CGMMeshLocator> locator;  // the faces made once for every point question
  std::vector<PreparedFace> faces;
  std::unordered_set<uint64_t> drawable;  // undirected edges of the edge table
  GMVector low, high;                     // bounds
};

PreparedMesh Prepare(const GMMesh& mesh) {
  PreparedMesh out;
  out.mesh = &mesh;
  out.locator = std::make_unique<CGMMeshLocator>(mesh);
  out.low = GMSetScalar(GM_UNDEFINED);
  out.high = GMSetScalar(-GM_UNDEFINED);
  out.points.reserve(static_cast<size_t>(mesh.vertexCount));
  for (const InkVertex* v : mesh.Vertices()) {
    out.points.push_back(v->position);
    out.low = {std::min(out.low.x, v->position.x), std::min(out.low.y, v->position.y),
               std::min(out.low.z, v->position.z)};
    out.high = {std::max(out.high.x, v->position.x), std::max(out.high.y, v->position.y),
                std::max(out.high.z, v->position.z)};
    out.largest = std::max({out.largest, std::fabs(v->position.x), std::fabs(v->position.y),
                            std::fabs(v->position.z)});
  }
  for (const GMMeshEdge& e : mesh.Edges()) out.drawable.insert(GMUndirectedEdgeKey(e.first, e.second));
  out.faces.reserve(static_cast<size_t>(mesh.faceCount));
  for (const GMMeshFace& face : mesh.Faces()) {
    PreparedFace f;
    f.indices.assign(face.Indices().begin(), face.Indices().end());
    for (int32_t i : face.Indices()) f.polygon.points.push_back(mesh.Position(i));
    f.normal = GMPolygonNormal(f.polygon, GM_TOLERANCE);
    if (!GMIsUndefined(f.normal)) {
      GMPolygonPtr image = GMProjectPolygon(f.polygon, f.normal, f.axis);
      if (image) f.image = std::move(*image);
    }
    out.faces.push_back(std::move(f));
  }
  return out;
}

std::vector<PreparedMesh> PrepareGroup(InkMeshGroup group) {
  std::vector<PreparedMesh> out;
  for (const GMMesh* mesh : group)
    if (mesh) out.push_back(Prepare(*mesh));
  return out;
}

// The vertices of all meshes, sorted by x, so that a lifted cell vertex can
// take the exact coordinates of the mesh vertex it stands for.
class CVertexSnap {
 public:
  CVertexSnap(const std::vector<PreparedMesh>& a, const std::vector<PreparedMesh>& b, double tol) : tol_(tol) {
    for (const auto* group : {&a, &b})
      for (const PreparedMesh& m : *group)
        for (const InkVertex* v : m.mesh->Vertices()) points_.push_back(v->position);
    std::stable_sort(points_.begin(), points_.end(),
                     [](const GMVector& p, const GMVector& q) { return p.x < q.x; });
  }
  void Snap(GMVector& p) const {
    auto it = std::lower_bound(points_.begin(), points_.end(), p.x - tol_,
                               [](const GMVector& q, double x) { return q.x < x; });
    for (; it != points_.end() && it->x <= p.x + tol_; ++it)
      if (GMIsSamePoint(*it, p, tol_)) {
        p = *it;
        return;
      }
  }

 private:
  std::vector<GMVector> points_;
  double tol_;
};

struct SectionInput {
  std::vector<PreparedMesh> a, b;
  CVertexSnap snap;
  SectionInput(InkMeshGroup ga, InkMeshGroup gb, double tol)
      : a(PrepareGroup(ga)), b(PrepareGroup(gb)), snap(a, b, tol) {}
};


// Where p lies relative to the mesh: -1 on its surface, 1 inside, 0 outside.
// A point beyond the mesh's bounds is outside without casting a ray.
int Locate(const PreparedMesh& m, const GMVector& p, double tol) {
  if (p.x < m.low.x - tol || p.y < m.low.y - tol || p.z < m.low.z - tol || p.x > m.high.x + tol ||
      p.y > m.high.y + tol || p.z > m.high.z + tol)
    return 0;
  return m.locator->PointInMesh(p, 1, tol);
}

// Whether the plane passes the mesh by, given its lowest and highest value
// at the mesh's vertices: every vertex lies beyond the tolerance on one side,
// so no face crosses the plane, and none lies in it either. A face lies in
// the plane when GMPlaneSide puts its first corner on it, which judges by
// the angle seen from the plane's foot point and so reaches farther out than
// the tolerance: up to the tolerance times a kilometre (its held range),
// which the margin covers twice over, with room for the rounding of values
// this large. That reasoning needs a plane of unit normal (as every face
// plane is); any other plane is left to the faces, and so is a mesh with a
// value that is not finite (the callers' part).
bool MeshClearOfPlane(const PreparedMesh& m, const GMPlane& plane, double lowest, double highest, double tol) {
  const double length2 = plane.nx * plane.nx + plane.ny * plane.ny + plane.nz * plane.nz;
  if (!(std::fabs(length2 - 1.0) <= 1e-9)) return false;
  const double margin = 2000.0 * std::fabs(tol) + 2.0 * std::fabs(tol) +
                        4e-9 * (1.0 + m.largest + std::fabs(plane.d));
  return lowest > margin || highest < -margin;
}

// The lines in which one group meets the plane: the outlines of its faces that
// lie in the plane (only their drawable edges when byEdges is set), and the
// stretches of the other faces' cuts that lie on those faces.
void CutGroup(const std::vector<PreparedMesh>& group, const GMPlane& plane, bool byEdges, double tol,
              gm_detail::SegmentSet& lines) {
  const GMVector n{plane.nx, plane.ny, plane.nz};
  std::vector<double> value;
  std::vector<GMVector> crossings;
  for (const PreparedMesh& m : group) {
    // The plane's value at every vertex, once for all the faces that share it.
    value.resize(m.points.size());
    double lowest = GM_UNDEFINED, highest = -GM_UNDEFINED;
    bool finite = true;
    for (size_t v = 0; v < m.points.size(); ++v) {
      const GMVector& p = m.points[v];
      const double s = plane.nx * p.x + plane.ny * p.y + plane.nz * p.z + plane.d;
      value[v] = s;
      finite = finite && std::isfinite(s);
      lowest = std::min(lowest, s);
      highest = std::max(highest, s);
    }
    if (finite && MeshClearOfPlane(m, plane, lowest, highest, tol)) continue;
    // A mesh whose edge table lists nothing has no drawable edges to go by.
    const bool useTable = byEdges && !m.drawable.empty();
    for (const PreparedFace& f : m.faces) {
      const int count = f.polygon.Count();
      if (count < 3 || GMIsUndefined(f.normal)) continue;
      const bool parallel = (GMIsNear(f.normal.x, n.x, tol) && GMIsNear(f.normal.y, n.y, tol) &&
                             GMIsNear(f.normal.z, n.z, tol)) ||
                            (GMIsNear(f.normal.x, -n.x, tol) && GMIsNear(f.normal.y, -n.y, tol) &&
                             GMIsNear(f.normal.z, -n.z, tol));
      if (parallel && GMPlaneSide(f.polygon[0], plane, tol) == 0) {
        for (int i = 0; i < count; ++i) {
          const int j = (i + 1) % count;
          if (useTable && !m.drawable.count(GMUndirectedEdgeKey(f.indices[static_cast<size_t>(i)],
                                                     f.indices[static_cast<size_t>(j)])))
            continue;
          lines.Add(f.polygon[i], f.polygon[j]);
        }
        continue;
      }
      // A face wholly on one side of the plane (beyond the tolerance the
      // segment test uses) has nothing to cut.
      bool above = true, below = true;
      for (int32_t v : f.indices) {
        const double s = value[static_cast<size_t>(v)];
        if (s <= tol) above = false;
        if (s >= -tol) below = false;
      }
      if (above || below) continue;

      // The crossing points, each once (as a point list with duplicate
      // rejection would keep them, without its allocations).
      std::vector<GMVector>& cut = crossings;
      cut.clear();
      const auto addPoint = [&](const GMVector& p) {
        for (const GMVector& q : cut)
          if (GMIsSamePoint(q, p, tol)) return;
        cut.push_back(p);
      };
      for (int i = 0; i < count; ++i) {
        GMVector hit;
        const GMVector& p0 = f.polygon[i];
        const GMVector& p1 = f.polygon[(i + 1) % count];
        const int r = GMIntersectSegmentPlane(p0, p1, plane, hit, tol);
        if (r == 3) {
          addPoint(p0);
          addPoint(p1);
        } else if (r == 0) {
          addPoint(hit);
        }
      }
      const int found = static_cast<int>(cut.size());
      if (found < 2) continue;
      if (found > 2) {
        // Order along the cut line, measured from its farthest pair's first end.
        size_t far = 1;
        for (size_t i = 1; i < cut.size(); ++i)
          if (GMDistance(cut[0], cut[i]) > GMDistance(cut[0], cut[far])) far = i;
        const GMVector dir = GMSubtract(cut[0], cut[far]);
        const GMVector origin = cut[0];
        std::stable_sort(cut.begin(), cut.end(), [&](const GMVector& p, const GMVector& q) {
          return GMDot(GMSubtract(origin, p), dir) < GMDot(GMSubtract(origin, q), dir);
        });
      }
      for (size_t i = 0; i + 1 < cut.size(); ++i) {
        const GMVector mid = GMMidpoint(cut[i], cut[i + 1]);
        if (GMPointInPolygon2D(f.image, GMProject2D(mid, f.axis), 1, tol)) lines.Add(cut[i], cut[i + 1]);
      }
    }
  }
}

// The closed rings of a group's section, as counter-clockwise polygons in the
// plane's 2D image.
std::vector<GMPolygon> SectionRings(const gm_detail::SegmentSet& lines, const GMVector& normal, bool byEdges,
                                    double tol) {
  std::vector<GMPolygon> rings;
  // One network per thread, started again for every section, keeps its
  // storage from plane to plane.
  thread_local CLineNet net;
  net.InitNetwork(tol);
  GMProjectionAxis axis = 0;
  for (const GMSegment& s : lines.Segments()) {
    net.AddLineToNetwork(GMProjectByNormal(s.start, normal, axis), GMProjectByNormal(s.end, normal, axis));
  }
  GMPolygonSetPtr faces = net.GetFaces(1);
  if (!faces) return rings;
  for (GMPolygon& ring : faces->polygons) {
    if (GMPolygonArea2D(ring) <= 0.0) continue;
    if (byEdges) {
      GMPolygonPtr clean = GMRemoveCollinearVertices(ring, tol);
      if (clean) rings.push_back(std::move(*clean));
    } else {
      rings.push_back(std::move(ring));
    }
  }
  return rings;
}

GMVector Centroid(const GMPolygon& polygon) {
  GMVector c;
  for (const GMVector& p : polygon.points) GMAdd(c, p.x, p.y, p.z);
  const double n = polygon.Count() > 0 ? polygon.Count() : 1;
  return {c.x / n, c.y / n, c.z / n};
}

// The cells of one plane, worked out once for all the faces that lie in it:
// lifted onto the plane with their vertices snapped to the meshes', each with
// the word CombinePlanar2D gave it, its test point, and its classification
// once a face has asked for it.
struct PlaneCells {
  InkFragmentsPtr cells;
  std::vector<GMVector> probes;    // on the plane; undefined when the cell has none
  std::vector<int32_t> classified; // -1 until asked for
};

PlaneCells CutPlane(const SectionInput& input, const GMPlane& plane, bool byEdges, double tol,
                    CInkElement& element) {
  PlaneCells out;
  const GMVector normal{plane.nx, plane.ny, plane.nz};
  if (GMIsUndefined(normal)) return out;
  gm_detail::SegmentSet linesA(tol), linesB(tol);
  CutGroup(input.a, plane, byEdges, tol, linesA);
  CutGroup(input.b, plane, byEdges, tol, linesB);
  const std::vector<GMPolygon> ringsA = SectionRings(linesA, normal, byEdges, tol);
  const std::vector<GMPolygon> ringsB = SectionRings(linesB, normal, byEdges, tol);
  std::vector<GMVector> probes2D;
  out.cells = element.CombinePlanar2DWithProbes(ringsA, ringsB, 0, &probes2D);
  if (!out.cells) return out;

  const GMProjectionAxis axis = GMProjectionAxisOf(normal);
  const size_t count = out.cells->polygons.size();
  out.probes.assign(count, GMUndefinedVector());
  out.classified.assign(count, -1);
  for (size_t i = 0; i < count; ++i) {
    GMPolygon& cell = out.cells->polygons[i];
    if (out.cells->flags[i] != 0) {
      const GMVector& probe2D = probes2D[i];
      if (!GMIsUndefined(probe2D)) out.probes[i] = GMUnproject2D(probe2D.x, probe2D.y, plane, axis);
    }
    for (GMVector& p : cell.points) {
      p = GMUnproject2D(p.x, p.y, plane, axis);
      input.snap.Snap(p);
    }
  }
  return out;
}

// The word of cell i for a face of the plane (null: the whole plane): 0 when
// the cell has no test point or lies off the face; otherwise its word with
// the classification against both groups.
int32_t CellWord(const SectionInput& input, PlaneCells& plane, size_t i, const GMPolygon* faceImage,
                 GMProjectionAxis faceAxis, double tol) {
  int32_t word = plane.cells->flags[i];
  if (word == 0) return 0;
  const GMVector& probe = plane.probes[i];
  if (GMIsUndefined(probe)) return 0;
  // Only the cells on the face itself; a point on the face's outline counts
  // as on it, so a cell on the seam of two coplanar faces is made by both and
  // merged later rather than lost.
  if (faceImage && !GMPointInPolygon2D(*faceImage, GMProject2D(probe, faceAxis), 1, tol)) return 0;
  int32_t& known = plane.classified[i];
  if (known >= 0) return known;
  const auto classify = [&](const std::vector<PreparedMesh>& group, int in, int on, int inside) {
    if (!word) return;
    for (const PreparedMesh& m : group) {
      const int r = Locate(m, probe, tol);
      if (r == -1) {
        word |= on;
        return;
      }
      if (r == 1) {
        word |= inside;
        return;
      }
    }
    word &= ~in;
  };
  classify(input.a, INK_CELL_IN_A, INK_CELL_ON_A, INK_CELL_INSIDE_A);
  classify(input.b, INK_CELL_IN_B, INK_CELL_ON_B, INK_CELL_INSIDE_B);
  known = word;
  return word;
}

InkFragmentsPtr SectionWith(const SectionInput& input, const GMPlane& plane, const GMPolygon* face, bool byEdges,
                            double tol, CInkElement& element) {
  PlaneCells cut = CutPlane(input, plane, byEdges, tol, element);
  if (!cut.cells) return nullptr;
  GMPolygonPtr faceImage;
  GMProjectionAxis faceAxis = 0;
  if (face) faceImage = GMProjectPolygonByOwnNormal(*face, faceAxis);
  for (size_t i = 0; i < cut.cells->polygons.size(); ++i)
    cut.cells->flags[i] = CellWord(input, cut, i, faceImage.get(), faceAxis, tol);
  return std::move(cut.cells);
}

// A face plane's bits, so that faces whose planes came out exactly alike
// share one section. Alike to the bit: a plane that differs in the last place
// (or in the sign of a zero) may cut differently and gets a section of its own.
struct PlaneKey {
  uint64_t bits[4];
  bool operator==(const PlaneKey&) const = default;
};
struct PlaneKeyHash {
  size_t operator()(const PlaneKey& k) const {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (uint64_t b : k.bits) h = (h ^ b) * 0xBF58476D1CE4E5B9ull;
    return static_cast<size_t>(h ^ (h >> 31));
  }
};
PlaneKey KeyOf(const GMPlane& plane) {
  PlaneKey key;
  std::memcpy(&key.bits[0], &plane.nx, sizeof(double));
  std::memcpy(&key.bits[1], &plane.ny, sizeof(double));
  std::memcpy(&key.bits[2], &plane.nz, sizeof(double));
  std::memcpy(&key.bits[3], &plane.d, sizeof(double));
  return key;
}

// Helper threads kept for the life of the process. A Boolean step on a pipe
// or a pile cuts its planes in about a millisecond, a good share of which
// starting a thread every time would take, and the helpers' line networks
// keep their storage from step to step. A step that finds every helper
// busy (another step running on another thread) does its work itself.
class CPlaneHelpers {
 public:
  static constexpr size_t kMaxHelpers = 3;

  // The helpers of this process. A child made by fork has none of its
  // parent's threads (and may find their locks held): it starts its own set
  // and leaves the parent's alone.
  static CPlaneHelpers& Get() {
    static std::atomic<CPlaneHelpers*> current{nullptr};
    const pid_t pid = ::getpid();
    CPlaneHelpers* helpers = current.load(std::memory_order_acquire);
    while (!helpers || helpers->pid_ != pid) {
      auto* fresh = new CPlaneHelpers(pid);  // never freed: helpers wait until the process ends
      if (current.compare_exchange_strong(helpers, fresh, std::memory_order_acq_rel)) {
        helpers = fresh;
      } else {
        delete fresh;
      }
    }
    return *helpers;
  }

  // Hands the task to up to `wanted` idle helpers (started on first need);
  // returns the helpers that took it, for Wait.
  std::vector<size_t> Lend(size_t wanted, const std::function<void()>* task) {
    std::vector<size_t> taken;
    if (wanted == 0) return taken;
    const std::lock_guard<std::mutex> hold(slotsLock_);
    for (size_t i = 0; i < kMaxHelpers && taken.size() < wanted; ++i) {
      if (i == slots_.size()) {
        auto slot = std::make_unique<Slot>();
        try {
          slot->thread = std::thread(&CPlaneHelpers::Serve, slot.get());
        } catch (const std::system_error&) {
          break;  // no more threads to be had: the others do the work
        }
        slots_.push_back(std::move(slot));
      }
      Slot& slot = *slots_[i];
      const std::lock_guard<std::mutex> lock(slot.lock);
      if (slot.busy) continue;
      slot.busy = true;
      slot.task = task;
      slot.wake.notify_all();
      taken.push_back(i);
    }
    return taken;
  }

  // Returns once every helper in `taken` has finished its task.
  void Wait(const std::vector<size_t>& taken) {
    for (size_t i : taken) {
      Slot* slot = nullptr;
      {
        const std::lock_guard<std::mutex> hold(slotsLock_);
        slot = slots_[i].get();
      }
      std::unique_lock<std::mutex> lock(slot->lock);
      slot->wake.wait(lock, [&] { return !slot->busy; });
    }
  }

 private:
  struct Slot {
    std::mutex lock;
    std::condition_variable wake;
    const std::function<void()>* task = nullptr;
    bool busy = false;
    std::thread thread;
  };

  explicit CPlaneHelpers(pid_t pid) : pid_(pid) {}
  CPlaneHelpers(const CPlaneHelpers&) = delete;
  CPlaneHelpers& operator=(const CPlaneHelpers&) = delete;
  // The helpers live as long as the process; a slot is never destroyed.
  ~CPlaneHelpers() {
    for (std::unique_ptr<Slot>& slot : slots_) slot->thread.detach();
  }

  static void Serve(Slot* slot) {
    std::unique_lock<std::mutex> lock(slot->lock);
    for (;;) {
      slot->wake.wait(lock, [&] { return slot->task != nullptr; });
      const std::function<void()>* task = slot->task;
      lock.unlock();
      (*task)();  // the task catches what its work throws
      lock.lock();
      slot->task = nullptr;
      slot->busy = false;
      slot->wake.notify_all();
    }
  }

  pid_t pid_;
  std::mutex slotsLock_;
  std::vector<std::unique_ptr<Slot>> slots_;
};

// Runs work(k) for k = 0 .. count-1 on up to `threads` threads (this one
// and the process's helpers), each taking the next k in turn. The first
// exception thrown is passed on once every thread has stopped.
template <typename Work>
void RunShared(size_t count, unsigned threads, Work work) {
  std::atomic<size_t> next{0};
  std::exception_ptr failure;
  std::mutex failureLock;
  const std::function<void()> worker = [&] {
    for (;;) {
      const size_t k = next.fetch_add(1);
      if (k >= count) return;
      try {
        work(k);
      } catch (...) {
        const std::lock_guard<std::mutex> hold(failureLock);
        if (!failure) failure = std::current_exception();
        next = count;
        return;
      }
    }
  };
  const size_t wanted = std::min<size_t>(threads, count) > 1 ? std::min<size_t>(threads, count) - 1 : 0;
  CPlaneHelpers& helpers = CPlaneHelpers::Get();
  const std::vector<size_t> taken = helpers.Lend(std::min(wanted, CPlaneHelpers::kMaxHelpers), &worker);
  worker();
  helpers.Wait(taken);
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

// --- selection --------------------------------------------------------------------

int IsFragmentSelected(int flags, int mode) {
  if (flags == 0 || mode < 0 || mode > 3) return 0;
  if (flags <= 3) {
    static constexpr int kRaw[4] = {-1, 1, 2, 3};  // the plain 2D word each mode takes
    return (mode == INK_SELECT_UNION || flags == kRaw[mode]) ? 1 : 0;
  }
  const bool A = flags & INK_CELL_IN_A, B = flags & INK_CELL_IN_B;
  const bool SA = flags & INK_CELL_ON_A, SB = flags & INK_CELL_ON_B;
  const bool IA = flags & INK_CELL_INSIDE_A, IB = flags & INK_CELL_INSIDE_B;
  // Where the two solids touch face to face, the surface is no boundary of
  // their union or their intersection; A minus B keeps A's side of it.
  if (flags & (INK_CELL_FACING_A | INK_CELL_FACING_B)) {
    if (mode == INK_SELECT_A_MINUS_B) return (flags & INK_CELL_FACING_A) ? 1 : 0;
    if (mode == INK_SELECT_UNION || mode == INK_SELECT_INTERSECTION) return 0;
  }
  switch (mode) {
    case INK_SELECT_UNION:
      return ((A != B) || (SA && SB)) ? 1 : 0;
    case INK_SELECT_A_MINUS_B:
      return (A && !(SA && SB) && !((!SA || IB) && (!SB || !IA))) ? 1 : 0;
    case INK_SELECT_B_SIDE:
      return !(B && SA && SB) ? 1 : 0;
    default:
      return (A && B) ? 1 : 0;
  }
}

GMMeshPtr CInkElement::SelectFragments(InkFragments* fragments, int mode) {
  if (!fragments || fragments->Count() == 0 || mode < 0 || mode > 3) return nullptr;
  std::vector<GMPolygon> kept;
  for (int i = 0; i < fragments->Count(); ++i) {
    int32_t& word = fragments->flags[static_cast<size_t>(i)];
    if (!IsFragmentSelected(word, mode)) {
      word = 0;
      continue;
    }
    kept.push_back(fragments->polygons[static_cast<size_t>(i)]);
  }
  if (kept.empty()) return nullptr;
  return GMMakeMeshFromPolygons(kept, GM_TOLERANCE);
}

// --- sections and classification --------------------------------------------------------

InkFragmentsPtr CInkElement::SectionFragments(InkMeshGroup a, InkMeshGroup b, const GMPlane& plane,
                                              const GMPolygon* face) {
  return Section(a, b, plane, face, false);
}

InkFragmentsPtr CInkElement::SectionFragmentsByEdges(InkMeshGroup a, InkMeshGroup b, const GMPlane& plane,
                                                     const GMPolygon* face) {
  return Section(a, b, plane, face, true);
}

InkFragmentsPtr CInkElement::Section(InkMeshGroup a, InkMeshGroup b, const GMPlane& plane, const GMPolygon* face,
                                     bool byEdges) {
  const SectionInput input(a, b, tolerance_);
  return SectionWith(input, plane, face, byEdges, tolerance_, *this);
}

unsigned CInkElement::ThreadsFor(size_t planes) const {
  // A handful of planes is done before a thread would have started.
  if (planes < 4) return 1;
  if (threads_ > 0) return static_cast<unsigned>(threads_);
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, 4u);
}

InkFragmentsPtr CInkElement::ClassifySolids(InkMeshGroup a, InkMeshGroup b) { return Classify(a, b, false); }

InkFragmentsPtr CInkElement::ClassifySolidsByEdges(InkMeshGroup a, InkMeshGroup b) { return Classify(a, b, true); }

InkFragmentsPtr CInkElement::Classify(InkMeshGroup a, InkMeshGroup b, bool byEdges) {
  const double tol = tolerance_;
  const SectionInput input(a, b, tol);

  // Every face of A (keeping the cells in A), then every face of B (keeping
  // the cells in B), each with its plane.
  struct Job {
    const PreparedFace* face;
    GMPlane plane;
    int keep;
    bool isB;
  };
  std::vector<Job> jobs;
  const auto list = [&](const std::vector<PreparedMesh>& group, int keep, bool isB) {
    for (const PreparedMesh& m : group)
      for (const PreparedFace& f : m.faces) {
        if (f.polygon.Count() < 3 || GMIsUndefined(f.normal)) continue;
        jobs.push_back({&f, GMPlaneFromPointNormal(f.polygon[0], f.normal), keep, isB});
      }
  };
  list(input.a, INK_CELL_IN_A, false);
  list(input.b, INK_CELL_IN_B, true);

  // Faces in one plane (a roof in pieces, the floors of a block and of its
  // courtyards) share its section; the planes are cut on as many threads as
  // the machine offers. Each face's cells are kept apart and gathered in the
  // order of the faces, so the result is the same however the work is shared.
  std::unordered_map<PlaneKey, size_t, PlaneKeyHash> planeOf;
  std::vector<std::vector<size_t>> planes;
  for (size_t j = 0; j < jobs.size(); ++j) {
    const auto [it, added] = planeOf.try_emplace(KeyOf(jobs[j].plane), planes.size());
    if (added) planes.emplace_back();
    planes[it->second].push_back(j);
  }
  std::vector<InkFragments> kept(jobs.size());
  RunShared(planes.size(), ThreadsFor(planes.size()), [&](size_t k) {
    const std::vector<size_t>& faces = planes[k];
    PlaneCells cut = CutPlane(input, jobs[faces.front()].plane, byEdges, tol, *this);
    if (!cut.cells) return;
    for (size_t j : faces) {
      const Job& job = jobs[j];
      InkFragments& out = kept[j];
      for (size_t i = 0; i < cut.cells->polygons.size(); ++i) {
        const int32_t word = CellWord(input, cut, i, &job.face->image, job.face->axis, tol);
        if (!(word & job.keep)) continue;
        out.polygons.push_back(cut.cells->polygons[i]);
        out.flags.push_back(word);
      }
    }
  });

  auto all = std::make_unique<InkFragments>();
  std::vector<char> fromB;  // which group's face plane made each cell
  for (size_t j = 0; j < jobs.size(); ++j) {
    for (size_t i = 0; i < kept[j].polygons.size(); ++i) {
      all->polygons.push_back(std::move(kept[j].polygons[i]));
      all->flags.push_back(kept[j].flags[i]);
      fromB.push_back(jobs[j].isB ? 1 : 0);
    }
  }
  const int count = all->Count();
  if (count == 0) return nullptr;

  // Equal cells: a cell made again (by the other group's coincident face, or
  // by a coplanar neighbour face whose seam it straddles) passes its flags to
  // the first one with the same ring in the same direction and is dropped.
  // The same ring in the opposite direction, made by A's and by B's face
  // planes, is where the solids touch face to face; both copies stay, marked.
  std::vector<GMVector> centre(static_cast<size_t>(count));
  std::vector<int> order(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    centre[static_cast<size_t>(i)] = Centroid(all->polygons[static_cast<size_t>(i)]);
    order[static_cast<size_t>(i)] = i;
  }
  std::stable_sort(order.begin(), order.end(), [&](int p, int q) {
    return centre[static_cast<size_t>(p)].x < centre[static_cast<size_t>(q)].x;
  });
  std::vector<int> rank(static_cast<size_t>(count));
  for (int r = 0; r < count; ++r) rank[static_cast<size_t>(order[static_cast<size_t>(r)])] = r;
  const auto both = [](int word) { return (word & INK_CELL_ON_A) && (word & INK_CELL_ON_B); };
  for (int i = 0; i < count; ++i) {
    int32_t& word = all->flags[static_cast<size_t>(i)];
    const GMVector& c = centre[static_cast<size_t>(i)];
    const GMPolygon& ring = all->polygons[static_cast<size_t>(i)];
    // The candidates: cells whose centroid's x lies within the tolerance.
    int lo = rank[static_cast<size_t>(i)], hi = lo;
    while (lo > 0 && centre[static_cast<size_t>(order[static_cast<size_t>(lo - 1)])].x >= c.x - tol) --lo;
    while (hi + 1 < count && centre[static_cast<size_t>(order[static_cast<size_t>(hi + 1)])].x <= c.x + tol) ++hi;
    int same = -1;
    for (int r = lo; r <= hi; ++r) {
      const int j = order[static_cast<size_t>(r)];
      if (j >= i || all->flags[static_cast<size_t>(j)] == 0) continue;
      if (!GMIsSamePoint(centre[static_cast<size_t>(j)], c, tol)) continue;
      const GMPolygon& other = all->polygons[static_cast<size_t>(j)];
      if (GMIsSamePolygon(other, ring, tol)) {
        if (same < 0 || j < same) same = j;
      } else if (fromB[static_cast<size_t>(i)] != fromB[static_cast<size_t>(j)] && both(word) &&
                 both(all->flags[static_cast<size_t>(j)]) && GMIsSamePolygonEitherWay(other, ring, tol)) {
        const bool iIsB = fromB[static_cast<size_t>(i)];
        word |= iIsB ? INK_CELL_FACING_B : INK_CELL_FACING_A;
        all->flags[static_cast<size_t>(j)] |= iIsB ? INK_CELL_FACING_A : INK_CELL_FACING_B;
      }
    }
    if (same >= 0) {
      all->flags[static_cast<size_t>(same)] |= word;
      word = 0;
    }
  }
  return all;
}

// --- the dump ----------------------------------------------------------------------

int CInkElement::DumpFragments(const char* path, const InkFragments* fragments) {
  if (!path) return 0;
  std::FILE* out = std::fopen(path, "w");
  if (!out) return 0;
  const int count = fragments ? fragments->Count() : 0;
  for (int i = 0; i < count; ++i) {
    const GMPolygon& cell = fragments->polygons[static_cast<size_t>(i)];
    std::fprintf(out, "%03ld\nFlag %ld\n", static_cast<long>(i),
                 static_cast<long>(fragments->flags[static_cast<size_t>(i)]));
    std::fprintf(out, "Count %03ld\n{\n", static_cast<long>(cell.Count()));
    for (int k = 0; k < cell.Count(); ++k)
      std::fprintf(out, "\t%03ld : %.8lf, %.8lf, %.8lf\n", static_cast<long>(k), cell[k].x, cell[k].y, cell[k].z);
    std::fprintf(out, "}\n\n");
  }
  std::fclose(out);
  return 1;
}

// --- the entry --------------------------------------------------------------------------

GMMeshPtr BooleanSolids(InkMeshGroup a, InkMeshGroup b, int operation, int options, double tolerance,
                        const char* dumpPath) {
  int mode = 0;
  switch (operation) {
    case INK_BOOLEAN_UNION: mode = INK_SELECT_UNION; break;
    case INK_BOOLEAN_DIFFERENCE: mode = INK_SELECT_A_MINUS_B; break;
    case INK_BOOLEAN_INTERSECTION: mode = INK_SELECT_INTERSECTION; break;
    default: return nullptr;  // no other operation is defined
  }
  CInkElement element(tolerance);
  InkFragmentsPtr cells;
  if (options & INK_BOOLEAN_BY_EDGES) {
    cells = element.ClassifySolidsByEdges(a, b);
    if (options & INK_BOOLEAN_POST_MERGE) element.SetPostMerge(1);
  } else {
    cells = element.ClassifySolids(a, b);
  }
  if (!cells) return nullptr;
  if (dumpPath) element.DumpFragments(dumpPath, cells.get());

  if (operation == INK_BOOLEAN_DIFFERENCE) {
    // B's surface inside A bounds the result from the other side.
    for (int i = 0; i < cells->Count(); ++i) {
      const int word = cells->flags[static_cast<size_t>(i)];
      if ((word & INK_CELL_INSIDE_A) && (word & INK_CELL_ON_B)) GMReversePolygon(cells->polygons[static_cast<size_t>(i)]);
    }
  }
  GMMeshPtr result = element.SelectFragments(cells.get(), mode);
  element.FreeFragments(cells);
  if (result && element.GetPostMerge() && (options & INK_BOOLEAN_BY_EDGES) && (options & INK_BOOLEAN_POST_MERGE))
    CleanMesh(*result, 0.0, tolerance);
  return result;
}

GMMeshPtr BooleanSolids(const GMMesh* a, const GMMesh* b, int operation, int options, double tolerance,
                        const char* dumpPath) {
  const GMMesh* groupA[1] = {a};
  const GMMesh* groupB[1] = {b};
  return BooleanSolids(InkMeshGroup(groupA, a ? 1 : 0), InkMeshGroup(groupB, b ? 1 : 0), operation, options,
                       tolerance, dumpPath);
}
