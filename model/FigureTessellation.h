// Figures as surface polygons and line segments.
//
// Picking, the display lists, the ray-cast octree and the view's extent all
// need a figure flattened, whatever its kind. These operations work on the
// vertices' local positions; results are new values owned by the caller, and
// "nothing of that sort" is a null set or an empty segment list.
#pragma once

#include <vector>

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"
#include "model/InkFigAdmin.h"

// The surface polygons of a figure. level matters for subdivision surfaces
// and segment sets, arcFactor for polygons with arc points. Null for points,
// polylines and anything without a surface.
GMPolygonSetPtr FigurePolygons(const InkFigure* figure, int level, double arcFactor, double tol);
// The same, and one plane per polygon in planes (replaced).
GMPolygonSetPtr FigurePolygonsWithPlanes(const InkFigure* figure, int level, std::vector<GMPlane>& planes,
                                         double arcFactor, double tol);
// Segments of a polyline, or of an instance of a polyline; empty otherwise.
std::vector<GMSegment> FigureLineSegments(const InkFigure* figure);
// Outline segments of the surface kinds (3 to 8); empty otherwise.
std::vector<GMSegment> FigureOutlineSegments(const InkFigure* figure, double tol);
