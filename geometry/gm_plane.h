// Planes and projections to a plane of work.
#pragma once

#include "geometry/gm_types.h"

// --- planes -----------------------------------------------------------------
GMPlane GMPlaneFromPointNormal(const GMVector& p, const GMVector& n);
GMPlane GMPlaneAcrossSegment(const GMVector& p0, const GMVector& p1, double distance);
double GMDistanceToPlane(const GMVector& p, const GMPlane& plane);
int GMPlaneSide(const GMVector& p, const GMPlane& plane, double tol);  // -1, 0 or 1
int GMIsParallelToPlane(const GMVector& p0, const GMVector& p1, const GMPlane& plane, double tol);

// --- projections ------------------------------------------------------------
GMVector GMProject2D(const GMVector& p, GMProjectionAxis axis);
GMVector GMProjectByNormal(const GMVector& p, const GMVector& n, GMProjectionAxis& axis);
// The axis a normal selects (the choice GMProjectByNormal makes).
GMProjectionAxis GMProjectionAxisOf(const GMVector& n);
GMVector GMUnproject2D(double u, double v, const GMPlane& plane, GMProjectionAxis axis);
