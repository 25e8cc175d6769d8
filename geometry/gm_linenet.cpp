#include "geometry/gm_linenet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <array>
#include <cstddef>
#include <memory_resource>
#include <set>

#include "geometry/gm_near_grid.h"
#include "geometry/gm_vector.h"

namespace {

// Cells are traced and stored at the kernel's fixed tolerance, whatever the
// tolerance that merged the end points.
constexpr double kRingTolerance = 1e-7;

// The network lives in the xy plane: its points are filed by x and y.
CGMNearGrid<2>::Point Plan(const GMVector& p) { return {p.x, p.y}; }

}  // namespace

// The line ends and the node points, bucketed for the searches that would
// otherwise scan the whole network once per line or per node.
class CLineNetIndex {
 public:
  explicit CLineNetIndex(double tolerance) : lineEnds(tolerance), nodes(tolerance) {}
  void Reset(double tolerance) {
    lineEnds.Reset(tolerance);
    nodes.Reset(tolerance);
    nodePoints.clear();
  }

  CGMNearGrid<2> lineEnds;  // both ends of every line, by position in the line list
  CGMNearGrid<2> nodes;
  std::vector<GMVector> nodePoints;
};

CLineNet::CLineNet() = default;
CLineNet::~CLineNet() = default;

void CLineNet::InitNetwork(double tolerance) {
  tolerance_ = tolerance;
  started_ = true;
  faces_.clear();
  SetNodesAside();
  nodeCount_ = 0;
  incomplete_ = 0;
  // A network started again (the Boolean steps start one per section) keeps
  // the storage of its index and tables.
  if (index_)
    index_->Reset(tolerance);
  else
    index_ = std::make_unique<CLineNetIndex>(tolerance);
  lineCopy_.clear();
}

// Empties the node table, keeping the nodes' own lists for the next build.
void CLineNet::SetNodesAside() {
  if (nodes_.empty()) return;
  spareNodes_.swap(nodes_);
  nodes_.clear();
}

int CLineNet::AddLineToNetwork(const GMVector& a, const GMVector& b) {
  if (!started_) return -1;
  // The network lives in the xy plane: end points that differ only in z are
  // one node, and z must not keep NodeIndex(x, y) from finding them.
  const GMVector start = GMSetVector(a.x, a.y, 0.0);
  const GMVector end = GMSetVector(b.x, b.y, 0.0);
  // A line without length bounds nothing; as its own neighbour it would close
  // the walks through its node early and break the cells around it.
  if (GMIsSamePoint(start, end, tolerance_)) return -1;
  // A line that is there in either direction is refused; only lines with an
  // end near the new start can be that line.
  const bool known = index_->lineEnds.ForEachCandidate(Plan(start), [&](int32_t id) {
    const GMSegment& s = lineCopy_[static_cast<size_t>(id)];
    return GMCompareSegments(s.start, s.end, start, end, tolerance_) != 0;
  });
  if (known) return -1;
  const auto added = static_cast<int32_t>(lineCopy_.size());
  index_->lineEnds.Insert(Plan(start), added);
  index_->lineEnds.Insert(Plan(end), added);
  lineCopy_.push_back(GMSegment{start, end});
  return added;
}

// One pass over the lines in list order: a line with no other line at one of
// its ends is removed, and the line that moves into its place is examined
// next. Lines that lose their last neighbour through a later removal stay.
void CLineNet::PruneDanglingLines() {
  const std::vector<GMSegment>& segments = lineCopy_;
  const int count = static_cast<int>(segments.size());
  std::vector<char> removed(static_cast<size_t>(count), 0);
  const auto hasOtherLineAt = [&](const GMVector& p, int self) {
    return index_->lineEnds.ForEachCandidate(Plan(p), [&](int32_t id) {
      if (id == self || removed[static_cast<size_t>(id)]) return false;
      const GMSegment& s = segments[static_cast<size_t>(id)];
      return GMIsSamePoint(s.start, p, tolerance_) || GMIsSamePoint(s.end, p, tolerance_);
    });
  };
  int position = 0;  // lines kept so far
  for (int i = 0; i < count; ++i) {
    const GMSegment& s = segments[static_cast<size_t>(i)];
    if (hasOtherLineAt(s.start, i) && hasOtherLineAt(s.end, i))
      ++position;
    else
      removed[static_cast<size_t>(i)] = 1;
  }
  if (position == count) return;

  // Re-file the remaining lines under their new positions.
  std::vector<GMSegment> kept;
  kept.reserve(static_cast<size_t>(position));
  for (int i = 0; i < count; ++i)
    if (!removed[static_cast<size_t>(i)]) kept.push_back(segments[static_cast<size_t>(i)]);
  lineCopy_ = std::move(kept);
  index_->lineEnds.Clear();
  for (size_t i = 0; i < lineCopy_.size(); ++i) {
    index_->lineEnds.Insert(Plan(lineCopy_[i].start), static_cast<int32_t>(i));
    index_->lineEnds.Insert(Plan(lineCopy_[i].end), static_cast<int32_t>(i));
  }
}

int CLineNet::NodeIndex(double x, double y) {
  if (!index_) return -1;  // no network started
  const GMVector p = GMSetVector(x, y, 0.0);
  int found = -1;
  index_->nodes.ForEachCandidate(Plan(p), [&](int32_t id) {
    if ((found < 0 || id < found) && GMIsSamePoint(index_->nodePoints[static_cast<size_t>(id)], p, tolerance_))
      found = id;
    return false;
  });
  return found;
}

int CLineNet::BuildNodes(int prune) {
  SetNodesAside();
  nodeCount_ = 0;
  if (!started_) return 0;
  if (prune) PruneDanglingLines();

  // Node order is the order in which end points first appear in the lines.
  index_->nodes.Clear();
  std::vector<GMVector>& points = index_->nodePoints;
  points.clear();
  // Each end's node is noted as it is placed: the first node within the
  // tolerance, which NodeIndex would give (nodes placed later come after
  // it), or the new node itself; no node for a point that matches nothing,
  // not even itself (not a number).
  const auto addNode = [&](const GMVector& p) {
    int32_t found = -1;
    index_->nodes.ForEachCandidate(Plan(p), [&](int32_t id) {
      if ((found < 0 || id < found) && GMIsSamePoint(points[static_cast<size_t>(id)], p, tolerance_)) found = id;
      return false;
    });
    if (found >= 0) return found;
    const auto id = static_cast<int32_t>(points.size());
    index_->nodes.Insert(Plan(p), id);
    points.push_back(p);
    return GMIsSamePoint(p, p, tolerance_) ? id : int32_t{-1};
  };
  std::vector<int32_t>& endNodes = endNodes_;  // start and end node of every line
  endNodes.resize(2 * lineCopy_.size());
  for (size_t i = 0; i < lineCopy_.size(); ++i) {
    endNodes[2 * i] = addNode(lineCopy_[i].start);
    endNodes[2 * i + 1] = addNode(lineCopy_[i].end);
  }
  nodeCount_ = static_cast<int32_t>(points.size());
  if (nodeCount_ < 3) return nodeCount_;

  nodes_.swap(spareNodes_);
  nodes_.resize(static_cast<size_t>(nodeCount_));
  std::vector<int32_t>& linesHere = linesHere_;
  for (int n = 0; n < nodeCount_; ++n) {
    GMNetNode& node = nodes_[static_cast<size_t>(n)];
    node.point = points[static_cast<size_t>(n)];
    node.neighbours.clear();
    // Every line with an end at the node, in line order, each line once.
    linesHere.clear();
    index_->lineEnds.ForEachCandidate(Plan(node.point), [&](int32_t id) {
      const GMSegment& s = lineCopy_[static_cast<size_t>(id)];
      if (GMIsSamePoint(s.start, node.point, tolerance_) || GMIsSamePoint(s.end, node.point, tolerance_))
        linesHere.push_back(id);
      return false;
    });
    std::sort(linesHere.begin(), linesHere.end());
    linesHere.erase(std::unique(linesHere.begin(), linesHere.end()), linesHere.end());

    node.degree = static_cast<int32_t>(linesHere.size());
    node.neighbours.reserve(linesHere.size());
    for (int32_t id : linesHere) {
      const GMSegment& s = lineCopy_[static_cast<size_t>(id)];
      const bool fromStart = GMIsSamePoint(s.start, node.point, tolerance_) != 0;
      node.neighbours.push_back(endNodes[2 * static_cast<size_t>(id) + (fromStart ? 1 : 0)]);
    }
    node.used.assign(linesHere.size(), 0);
  }

  firstUnused_.assign(static_cast<size_t>(nodeCount_), 0);
  visitMark_.assign(static_cast<size_t>(nodeCount_), 0);
  visitPosition_.assign(static_cast<size_t>(nodeCount_), 0);
  traceCount_ = 0;
  return SortNeighbours();
}

// Neighbours go counter-clockwise by the direction angle from the node, ties
// in their present order. The selection sort moves the first smallest
// remaining key forward, so keys that do not compare (an undefined direction)
// behave the same on every run.
int CLineNet::SortNeighbours() {
  std::vector<double> keys;
  for (GMNetNode& node : nodes_) {
    const size_t degree = node.neighbours.size();
    keys.resize(degree);
    for (size_t t = 0; t < degree; ++t) {
      const int32_t nb = node.neighbours[t];
      keys[t] = (nb >= 0 && nb < static_cast<int32_t>(nodes_.size()))
                    ? GMDirectionAngle(node.point, nodes_[static_cast<size_t>(nb)].point, tolerance_)
                    : GM_UNDEFINED;
    }
    for (size_t k = 0; k < degree; ++k) {
      size_t best = k;
      for (size_t t = k + 1; t < degree; ++t)
        if (keys[t] < keys[best]) best = t;
      if (best == k) continue;
      std::rotate(keys.begin() + static_cast<std::ptrdiff_t>(k), keys.begin() + static_cast<std::ptrdiff_t>(best),
                  keys.begin() + static_cast<std::ptrdiff_t>(best) + 1);
      std::rotate(node.neighbours.begin() + static_cast<std::ptrdiff_t>(k),
                  node.neighbours.begin() + static_cast<std::ptrdiff_t>(best),
                  node.neighbours.begin() + static_cast<std::ptrdiff_t>(best) + 1);
    }
  }
  return nodeCount_;
}

// Walks from node u along its k-th neighbour, and at every node leaves along
// the direction just clockwise of the way back, which keeps the cell on the
// left. The walk closes at the first node it reaches twice; the cell is the
// loop from that node on. Each step either reaches a new node or ends the
// walk, so a walk is never longer than the node count.
int CLineNet::TraceFace(int node, int position) {
  const int nodeTotal = static_cast<int>(nodes_.size());
  if (node < 0 || node >= nodeTotal) return 0;
  const GMNetNode& first = nodes_[static_cast<size_t>(node)];
  if (position < 0 || position >= static_cast<int>(first.neighbours.size())) return 0;
  // A direction already walked belongs to a cell that is already traced.
  if (first.used[static_cast<size_t>(position)]) return 0;

  if (traceCount_ == std::numeric_limits<int32_t>::max()) {
    std::fill(visitMark_.begin(), visitMark_.end(), 0);
    traceCount_ = 0;
  }
  const int32_t mark = ++traceCount_;
  walk_.clear();
  const auto visit = [&](int n, int k) {
    visitMark_[static_cast<size_t>(n)] = mark;
    visitPosition_[static_cast<size_t>(n)] = static_cast<int32_t>(walk_.size());
    walk_.emplace_back(n, k);
  };

  int u = node;
  int k = position;
  visit(u, k);
  size_t cellStart = 0;
  for (;;) {
    const int v = nodes_[static_cast<size_t>(u)].neighbours[static_cast<size_t>(k)];
    if (v < 0 || v >= nodeTotal) return 0;
    const GMNetNode& there = nodes_[static_cast<size_t>(v)];
    const auto back = std::find(there.neighbours.begin(), there.neighbours.end(), u);
    if (back == there.neighbours.end()) return 0;  // the line is not known from its other end
    const int i = static_cast<int>(back - there.neighbours.begin());
    const int next = (i == 0 ? static_cast<int>(there.neighbours.size()) : i) - 1;
    if (there.used[static_cast<size_t>(next)]) return 0;
    if (visitMark_[static_cast<size_t>(v)] == mark) {
      cellStart = static_cast<size_t>(visitPosition_[static_cast<size_t>(v)]);
      break;
    }
    visit(v, next);
    u = v;
    k = next;
  }

  lastCell_.clear();
  ring_.clear();
  for (size_t w = cellStart; w < walk_.size(); ++w) {
    const auto [n, dir] = walk_[w];
    GMNetNode& cellNode = nodes_[static_cast<size_t>(n)];
    ring_.push_back(cellNode.point);
    cellNode.used[static_cast<size_t>(dir)] = 1;
    lastCell_.push_back(n);
  }
  // A walk that closes after one or two nodes (a lone spur) has no area and
  // yields no polygon, but its directions stay walked. A point that repeats
  // the next one round the ring is left out.
  const size_t count = ring_.size();
  if (count < 3) return 1;
  GMPolygon polygon;
  polygon.points.reserve(count);
  for (size_t i = 0; i < count; ++i)
    if (!GMIsSamePoint(ring_[i], ring_[(i + 1) % count], kRingTolerance)) polygon.points.push_back(ring_[i]);
  if (polygon.points.size() >= 3) faces_.push_back(std::move(polygon));
  return 1;
}

int CLineNet::FirstUnusedDirection(int node) {
  const GMNetNode& n = nodes_[static_cast<size_t>(node)];
  int32_t& j = firstUnused_[static_cast<size_t>(node)];
  const int32_t degree = static_cast<int32_t>(n.used.size());
  while (j < degree && n.used[static_cast<size_t>(j)]) ++j;
  return j < degree ? j : -1;
}

// The scan visits the nodes in order and traces from the first unwalked
// direction of each; after a traced cell it starts over at node 1 (node 0 is
// only visited once), after a failed trace it goes on with the next node.
//
// Starting over would make the scan quadratic, so it keeps the set of nodes
// where starting over can still do something. A node drops out when all its
// directions are walked, or when the trace from its first unwalked direction
// failed: walking runs the same way every time and more walked directions can
// only make it fail sooner, so that trace would fail again. Only the nodes of
// a newly traced cell change, and only they are looked at again.
int CLineNet::ExtractFaces() {
  faces_.clear();
  const int nodeTotal = static_cast<int>(nodes_.size());
  if (nodeTotal == 0) return 1;
  firstUnused_.assign(static_cast<size_t>(nodeTotal), 0);

  int result = 1;
  const int j0 = FirstUnusedDirection(0);
  if (j0 >= 0 && !TraceFace(0, j0)) result = 0;

  std::vector<int32_t>& failedAt = failedAt_;
  failedAt.assign(static_cast<size_t>(nodeTotal), -1);
  // The set's nodes come from a buffer on the stack, and from the heap only
  // for a network larger than the section of a face plane.
  std::array<std::byte, 8192> buffer;
  std::pmr::monotonic_buffer_resource arena(buffer.data(), buffer.size());
  std::pmr::set<int> pending(&arena);
  for (int n = 1; n < nodeTotal; ++n)
    if (FirstUnusedDirection(n) >= 0) pending.insert(pending.end(), n);

  int from = 1;
  for (;;) {
    const auto it = pending.lower_bound(from);
    if (it == pending.end()) break;
    const int n = *it;
    const int j = FirstUnusedDirection(n);
    if (TraceFace(n, j)) {
      for (int c : lastCell_) {
        if (c == 0) continue;
        const int cj = FirstUnusedDirection(c);
        if (cj >= 0 && cj != failedAt[static_cast<size_t>(c)])
          pending.insert(c);
        else
          pending.erase(c);
      }
      from = 1;
    } else {
      result = 0;
      failedAt[static_cast<size_t>(n)] = j;
      pending.erase(n);
      from = n + 1;
    }
  }
  return result;
}

GMPolygonSetPtr CLineNet::GetFaces(int prune) {
  BuildNodes(prune);
  incomplete_ = ExtractFaces() ? 0 : 1;
  if (faces_.empty()) return nullptr;
  auto set = std::make_unique<GMPolygonSet>();
  set->polygons.swap(faces_);
  return set;
}

std::vector<GMNetNode> CLineNet::CopyNodes(int& count) {
  BuildNodes(0);
  count = static_cast<int>(nodes_.size());
  return nodes_;
}

void CLineNet::FreeNodes(std::vector<GMNetNode>& table) {
  table.clear();
  table.shrink_to_fit();
}

void CLineNet::PrintFaces(const GMPolygonSet* set, std::FILE* out) {
  if (!out) return;
  const int count = set ? set->Count() : 0;
  std::fprintf(out, "Total %ld\n", static_cast<long>(count));
  for (int i = 0; i < count; ++i) {
    const GMPolygon& polygon = (*set)[i];
    std::fprintf(out, "\nNo. %ld\n", static_cast<long>(i));
    std::fprintf(out, "Point %ld\n{\n", static_cast<long>(polygon.Count()));
    for (const GMVector& p : polygon.points) std::fprintf(out, "\t%.3lf, %.3lf\n", p.x, p.y);
    std::fprintf(out, "}\n");
  }
}
