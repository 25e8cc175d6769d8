// Line network: the closed cells of a planar arrangement of segments.
//
// The Boolean engine cuts both mesh groups in one face plane and hands the
// section lines to a CLineNet, which joins segments sharing an end point
// (within its tolerance) into a graph, orders every node's neighbours by
// direction and walks each cell keeping it on the left. Bounded cells come out
// counter-clockwise; the boundary of the unbounded region comes out clockwise.
//
// Segments must already be split at their mutual crossings: two segments that
// cross without a common end point are not joined. Everything happens in the xy
// plane; z is dropped when a segment enters the network.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "geometry/gm_lists.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

// One distinct line end point with the lines that meet there.
struct GMNetNode {
  GMVector point;
  int32_t degree = 0;               // number of lines ending here
  std::vector<int32_t> neighbours;  // node indices, counter-clockwise from +x
  std::vector<int32_t> used;        // 1 once the cell leaving along that neighbour is traced
};

class CLineNetIndex;  // spatial lookups that keep the network linear in its size

class CLineNet {
 public:
  CLineNet();
  CLineNet(const CLineNet&) = delete;
  CLineNet& operator=(const CLineNet&) = delete;

  // Traces every cell of the node table into the face list; 1 when no trace
  // failed.
  virtual int ExtractFaces();
  // Traces the cell that leaves the node along its position-th neighbour;
  // 1 on success. A failure leaves every direction as it was.
  virtual int TraceFace(int node, int position);
  // The first node whose point is (x, y) within the tolerance, else -1.
  virtual int NodeIndex(double x, double y);
  // Optionally prunes dangling lines, then rebuilds the nodes; returns the node
  // count. Fewer than 3 nodes build no table.
  virtual int BuildNodes(int prune);
  // Orders every node's neighbours by direction angle; returns the node count.
  virtual int SortNeighbours();
  virtual ~CLineNet();
  // Starts an empty network whose end points merge within the tolerance.
  virtual void InitNetwork(double tolerance);
  // Index of the new line; -1 when it (or its reverse) is already there, when
  // it has no length, or when no network was started.
  virtual int AddLineToNetwork(const GMVector& a, const GMVector& b);
  // Builds the nodes, traces the cells and hands them over (null when none).
  virtual GMPolygonSetPtr GetFaces(int prune);
  // Builds the nodes (without pruning) and returns a copy of the table.
  virtual std::vector<GMNetNode> CopyNodes(int& count);
  virtual void FreeNodes(std::vector<GMNetNode>& table);
  // Diagnostic listing of a polygon set.
  virtual void PrintFaces(const GMPolygonSet* set, std::FILE* out = stdout);

  int IsIncomplete() const { return incomplete_; }
  double GetTolerance() const { return tolerance_; }
  int GetNodeCount() const { return nodeCount_; }
  int GetLineCount() const { return started_ ? static_cast<int>(lineCopy_.size()) : 0; }
  const std::vector<GMNetNode>& Nodes() const { return nodes_; }

 private:
  void PruneDanglingLines();
  int FirstUnusedDirection(int node);
  void SetNodesAside();

  int32_t nodeCount_ = 0;
  std::vector<GMNetNode> nodes_;
  bool started_ = false;            // InitNetwork has been called
  std::vector<GMPolygon> faces_;    // cells traced so far, in tracing order
  double tolerance_ = 0.0;
  int32_t incomplete_ = 0;

  // Lookups over the lines and nodes, and scratch state of the tracing.
  std::unique_ptr<CLineNetIndex> index_;
  std::vector<GMSegment> lineCopy_;         // the lines, in the order they were added
  std::vector<int32_t> firstUnused_;        // no used direction lies below it
  std::vector<int32_t> visitMark_;          // trace number that last visited a node
  std::vector<int32_t> visitPosition_;      // where in that trace's walk
  std::vector<std::pair<int32_t, int32_t>> walk_;  // (node, outgoing position)
  std::vector<int32_t> lastCell_;           // nodes of the cell traced last
  std::vector<GMVector> ring_;              // points of the cell being traced
  std::vector<GMNetNode> spareNodes_;       // nodes set aside, whose lists are reused
  std::vector<int32_t> linesHere_;          // scratch of BuildNodes
  std::vector<int32_t> endNodes_;           // scratch of BuildNodes: the node at each line end
  std::vector<int32_t> failedAt_;           // scratch of ExtractFaces
  int32_t traceCount_ = 0;
};
