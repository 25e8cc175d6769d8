// Pieces of the figure tessellation that live in their own files: the
// refinement of subdivision surfaces and the sweep of segment sets. Private to
// the scene model; callers use model/FigureTessellation.h.
#pragma once

#include <vector>

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"
#include "model/InkFigAdmin.h"

namespace ink_tessellation {

// Appends one polygon per face of the surface refined (level - 1) times by
// Catmull-Clark subdivision with sharp edges and borders.
void AppendSubdivisionPolygons(const InkSubdivRecord& surface, int level, GMPolygonSet& out);

// Appends the polygons swept by every segment record of the set. With
// triangles set the bands are not subdivided and every polygon is a triangle
// (a quadrilateral becomes two), so that each carries an exact plane.
void AppendSegmentSetPolygons(const InkSegmentSetRecord& set, int level, bool triangles, GMPolygonSet& out);

// The segments between consecutive indices of every index list, each
// segment once whichever way it runs (end points compared within tol).
std::vector<GMSegment> SegmentSetOutline(const InkSegmentSetRecord& set, double tol);

}  // namespace ink_tessellation
