// Generated face rings for the polygon tests and the triangulation
// benchmarks: convex and star-shaped rings, rectilinear building footprints
// with collinear runs, tangled rings, each placed in one of several planes.
#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

namespace samples {

inline GMPolygon Ring(std::initializer_list<GMVector> points) { return GMPolygon{std::vector<GMVector>(points)}; }

// n vertices on a circle at sorted random angles (convex), or with random
// radii between 0.3 and 1 (star-shaped, mostly concave).
inline GMPolygon StarRing(std::mt19937& rng, int n, bool concave, double radius = 10.0) {
  std::uniform_real_distribution<double> angle(0.0, 2.0 * std::numbers::pi), r(0.3, 1.0);
  std::vector<double> angles(static_cast<size_t>(n));
  for (double& a : angles) a = angle(rng);
  std::sort(angles.begin(), angles.end());
  GMPolygon ring;
  for (double a : angles) {
    const double rad = radius * (concave ? r(rng) : 1.0);
    ring.points.push_back({rad * std::cos(a), rad * std::sin(a), 0.0});
  }
  return ring;
}

// A building footprint: a straight base and a stepped roofline of columns
// with heights from a small set, so neighbouring columns often line up and
// leave collinear vertices; the base may carry extra collinear vertices.
inline GMPolygon Footprint(std::mt19937& rng, int columns, int baseSplits) {
  std::uniform_int_distribution<int> height(1, 3), width(1, 3);
  std::vector<double> xs{0.0};
  for (int c = 0; c < columns; ++c) xs.push_back(xs.back() + width(rng) * 1.5);
  GMPolygon ring;
  const double w = xs.back();
  ring.points.push_back({0.0, 0.0, 0.0});
  for (int s = 1; s <= baseSplits; ++s) ring.points.push_back({w * s / (baseSplits + 1), 0.0, 0.0});
  std::vector<double> hs;
  for (int c = 0; c < columns; ++c) hs.push_back(height(rng) * 2.0);
  ring.points.push_back({w, 0.0, 0.0});
  for (int c = columns - 1; c >= 0; --c) {
    ring.points.push_back({xs[static_cast<size_t>(c) + 1], hs[static_cast<size_t>(c)], 0.0});
    ring.points.push_back({xs[static_cast<size_t>(c)], hs[static_cast<size_t>(c)], 0.0});
  }
  // Equal neighbouring heights put two vertices on one spot; keep one.
  GMPolygon clean;
  for (size_t i = 0; i < ring.points.size(); ++i) {
    const GMVector& p = ring.points[i];
    const GMVector& q = ring.points[(i + 1) % ring.points.size()];
    if (!(p == q)) clean.points.push_back(p);
  }
  return clean;
}

// Random points: a tangled, usually self-crossing ring.
inline GMPolygon TangledRing(std::mt19937& rng, int n) {
  std::uniform_real_distribution<double> c(0.0, 10.0);
  GMPolygon ring;
  for (int i = 0; i < n; ++i) ring.points.push_back({c(rng), c(rng), 0.0});
  return ring;
}

// A surveyed outline of a site: vertices at even steps round it, on a wavy
// boundary with 5 cm of survey noise, so about every other corner is reflex.
inline GMPolygon SurveyedOutline(int n) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> noise(-0.05, 0.05);
  GMPolygon ring;
  for (int i = 0; i < n; ++i) {
    const double a = 2.0 * std::numbers::pi * i / n;
    const double r = 40.0 + 6.0 * std::sin(7.0 * a) + 2.0 * std::cos(23.0 * a) + noise(rng);
    ring.points.push_back({r * std::cos(a), r * std::sin(a), 12.0});
  }
  return ring;
}

// Places an xy ring: 0 as is, 1 mirrored (clockwise), 2 a wall facing -y,
// 3 a wall facing +x, 4 a slanted roof far from the origin, 5 upside down.
inline GMPolygon Place(const GMPolygon& ring, int placement) {
  GMPolygon out;
  for (const GMVector& p : ring.points) {
    GMVector q = p;
    switch (placement % 6) {
      case 1: q = {p.x, -p.y, 0.0}; break;
      case 2: q = {p.x + 100.0, 5.0, p.y}; break;
      case 3: q = {7.0, p.x, p.y}; break;
      case 4: {
        const double c = std::cos(0.6), s = std::sin(0.6);
        const double y = p.y * c, z = p.y * s;
        const double cz = std::cos(0.3), sz = std::sin(0.3);
        q = {12345.25 + p.x * cz - y * sz, -5432.5 + p.x * sz + y * cz, 30.0 + z};
        break;
      }
      case 5: q = {p.y, p.x, -3.0}; break;
      default: break;
    }
    out.points.push_back(q);
  }
  return out;
}

// A mix of building-like faces of 4 to maxVertices vertices.
inline std::vector<GMPolygon> BuildingFaces(std::mt19937& rng, int count, int maxVertices = 40) {
  std::vector<GMPolygon> faces;
  faces.reserve(static_cast<size_t>(count));
  std::uniform_int_distribution<int> kind(0, 3), placement(0, 5);
  for (int i = 0; i < count; ++i) {
    GMPolygon ring;
    switch (kind(rng)) {
      case 0: ring = Ring({{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}}); break;
      case 1: {
        const int columns = std::uniform_int_distribution<int>(1, (maxVertices - 4) / 2)(rng);
        ring = Footprint(rng, columns, std::uniform_int_distribution<int>(0, 2)(rng));
        break;
      }
      case 2: ring = StarRing(rng, std::uniform_int_distribution<int>(4, maxVertices)(rng), false); break;
      default: ring = StarRing(rng, std::uniform_int_distribution<int>(4, maxVertices)(rng), true); break;
    }
    if (ring.Count() > maxVertices) ring.points.resize(static_cast<size_t>(maxVertices));
    faces.push_back(Place(ring, placement(rng)));
  }
  return faces;
}

}  // namespace samples
