// The solids of the scene exchange file, as closed meshes.
//
// Each function returns a new mesh that is closed and whose faces run
// counter-clockwise seen from outside, or null when the description encloses
// nothing (too few points, an extrusion along the polygon's own plane, rings
// that coincide). The tolerance is the program's 1e-7 throughout.
#pragma once

#include <span>
#include <vector>

#include "geometry/gm_mesh.h"
#include "geometry/gm_types.h"

namespace korvex::k3d {

// SOLIDF: the prism between two rings of equally many points, ring 1 lying
// over ring 0. Rings given clockwise are turned round, so the result faces
// outward either way.
GMMeshPtr BuildRingPrism(std::span<const GMVector> ring0, std::span<const GMVector> ring1);

// SOLIDV: the base polygon swept along v.
GMMeshPtr BuildExtrusion(std::span<const GMVector> base, const GMVector& v);

// SHELLV: the outer polygon swept along v, with every hole swept along the
// same v cut out of it. A hole that gives no result (too few points, lying
// outside, cutting everything away) is left out and the shell kept.
GMMeshPtr BuildShell(std::span<const GMVector> outer, const GMVector& v,
                     std::span<const std::vector<GMVector>> holes);

// The ring of a pile or pipe: count points at radius about centre in the
// plane z = centre.z, the k-th at k × (360 / count) whole degrees.
std::vector<GMVector> CircleRing(const GMVector& centre, int count, double radius);

// PILEV, upright: the circle about base extruded up by length.
GMMeshPtr BuildPile(const GMVector& base, int count, double radius, double length);

// PIPEV, upright: the outer circle's extrusion with the inner one's bore
// through it, built directly (no Boolean step). An inner radius not below the
// outer leaves a solid pile of the outer radius.
GMMeshPtr BuildPipe(const GMVector& base, int count, double inner, double outer, double length);

// The turn that brings the z axis onto a pile's direction.
struct Tilt {
  GMVector axis{1.0, 0.0, 0.0};
  double angle = 0.0;  // radians; 0 for an upright pile
};
Tilt PileTilt(const GMVector& direction);

// Enclosed volume of a closed mesh: positive when its faces run
// counter-clockwise seen from outside.
double MeshVolume(const GMMesh& mesh);

}  // namespace korvex::k3d
