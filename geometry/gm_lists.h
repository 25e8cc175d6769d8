// Typed lists of points, segments, polygons and numbers.
//
// The geometry lists carry a tolerance and a flags word. Flag 0x1 rejects an
// element equal (within the tolerance) to one already listed, so that building
// a vertex ring, a set of cut lines or a set of faces merges near-equal values.
// Flag 0x4 (line lists) makes a reversed segment count as different.
// All four lists own their elements.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"
#include "common/PlainList.h"

inline constexpr int GM_LIST_UNIQUE = 0x1;
inline constexpr int GM_LIST_DIRECTED = 0x4;

template <int N, typename Value>
class CGMNearGrid;  // the tolerance grid over the listed points (gm_near_grid.h)

class CGMPointList : public CPlainListCap {
 public:
  CGMPointList();
  ~CGMPointList() override;
  void RemoveAt(int index) override;
  void RemoveAll() override;
  int SetAt(int index, void* data) override;

  virtual GMVector* GetPointAt(int index);  // the element itself; throws like GetAt
  virtual int FindId(int id);
  virtual void SortByDistance(const GMVector& p);
  virtual int SetFlags(int flags);
  virtual int GetFlags() const;
  virtual int Accepts(const GMVector& p);
  virtual GMPolygonPtr ToPolygon();

  void SetTolerance(int flags, double tolerance);
  double GetTolerance() const { return tolerance_; }
  int AddPoint(const GMVector& p);
  int InsertPoint(int index, const GMVector& p);
  GMVector GetPoint(int index);
  int FindPoint(const GMVector& p);

 private:
  template <typename Match>
  int ProbeFind(Match match) const;
  bool IndexHolds(const GMVector& p) const;
  void DropIndex();

  int32_t flags_ = 0;
  double tolerance_ = 0.0;
  std::unique_ptr<CGMNearGrid<3, GMVector>> index_;
};

class CGMLineList : public CPlainListCap {
 public:
  CGMLineList();
  ~CGMLineList() override;
  void RemoveAt(int index) override;
  void RemoveAll() override;

  virtual int SetFlags(int flags);
  virtual int GetFlags() const;
  virtual int Accepts(const GMVector& a, const GMVector& b);
  // Indices of the segments with an end at p, in list order.
  virtual std::vector<int> LinesAtPoint(const GMVector& p);

  void SetTolerance(int flags, double tolerance);
  double GetTolerance() const { return tolerance_; }
  int AddLine(const GMVector& a, const GMVector& b);
  GMSegment GetLine(int index);
  int FindLine(const GMVector& a, const GMVector& b, int bothWays);

 private:
  int32_t flags_ = 0;
  double tolerance_ = 0.0;
};

class CGMPolygonList : public CPlainListCap {
 public:
  CGMPolygonList();
  ~CGMPolygonList() override;
  void RemoveAt(int index) override;
  void RemoveAll() override;

  virtual int SetFlags(int flags);
  virtual int GetFlags() const;
  virtual int Accepts(const GMPolygon& polygon);

  void SetTolerance(int flags, double tolerance);
  double GetTolerance() const { return tolerance_; }
  int AddPolygonCopy(const GMPolygon* polygon);
  const GMPolygon* GetPolygon(int index);
  int FindPolygon(const GMPolygon& polygon);
  GMPolygonSetPtr ToPolygonSet();

 private:
  int32_t flags_ = 0;
  double tolerance_ = 0.0;
};

// Doubles keyed by the link ids, which carry an int32 with each value.
class CNumList : public CPlainListCap {
 public:
  CNumList();
  ~CNumList() override;
  void RemoveAt(int index) override;
  void RemoveAll() override;

  virtual void SortNumbers();

  int AddNumber(double v);
  int InsertNumber(int index, double v);
  double GetNumber(int index);
  int FindNumber(double v);
};
