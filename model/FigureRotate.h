// Turning a finished figure in place.
//
// The scene file describes tilted piles and pipes upright and then turns the
// mesh it built about the record's axis; this is that turn.
#pragma once

#include "geometry/gm_types.h"
#include "model/InkFigAdmin.h"

// Turns the figure's vertices in place (positions only) by angle radians about
// the line through centre along axis, counter-clockwise seen from the axis
// tip: the base vertex of a point or an instance, every vertex of the other
// kinds. Nothing for a null figure or geometry, or a zero axis.
void RotateFigure(InkFigure* figure, const GMVector& centre, const GMVector& axis, double angle);
