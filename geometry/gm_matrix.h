// 4x4 transforms in the row-vector convention: p' = p · M.
#pragma once

#include "geometry/gm_types.h"

GMMatrix GMMatrixIdentity();
// out = B · A: applies B first, then A. out may be A or B.
void GMMatrixMultiply(const GMMatrix& A, const GMMatrix& B, GMMatrix& out);
void GMTransformPoint(GMVector& p, const GMMatrix& M);
GMMatrix GMMatrixTranslate(double tx, double ty, double tz);
GMMatrix GMMatrixScale(double sx, double sy, double sz);
GMMatrix GMMatrixRotateX(double theta);
GMMatrix GMMatrixRotateY(double theta);
GMMatrix GMMatrixRotateZ(double theta);
// Projection onto the plane from the homogeneous point light = (lx, ly, lz, lw).
void GMMatrixPlanarProjection(const GMPlane& plane, const double light[4], GMMatrix& out);
void GMMatrixLookAt(const GMVector& eye, const GMVector& target, const GMVector& up, GMMatrix& out);
void GMMatrixPerspectivePlane(const GMVector& eye, const GMVector& target, double distance,
                              const GMVector& up, GMMatrix& out, double w);
