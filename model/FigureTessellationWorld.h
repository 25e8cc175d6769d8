// Figures flattened in world coordinates: the polygons, line segments and
// outline of a figure with every point carried through its node's world
// matrix, for the display lists, the shadow casters and image output.
#pragma once

#include <vector>

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"
#include "model/InkFigAdmin.h"

// FigurePolygons of the figure, in world coordinates. A figure without an
// owning node keeps its local coordinates.
GMPolygonSetPtr FigureWorldPolygons(const InkFigure* figure, int level, double arcFactor, double tol);
// FigureLineSegments of the figure, in world coordinates.
std::vector<GMSegment> FigureWorldLineSegments(const InkFigure* figure);
// FigureOutlineSegments of the figure, in world coordinates.
std::vector<GMSegment> FigureWorldOutlineSegments(const InkFigure* figure, double tol);
