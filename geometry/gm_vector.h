// Tolerance predicates, vector arithmetic, angles and triangle measures.
//
// Comparisons are closed (a difference equal to the tolerance still counts as
// near) and points are compared per axis, not by distance.
#pragma once

#include "geometry/gm_types.h"

// --- tolerance predicates -------------------------------------------------
int GMIsNear(double a, double b, double tol);
int GMIsBetween(double v, double a, double b, double tol);
int GMIsSamePoint(const GMVector& p, const GMVector& q, double tol);
int GMCompareSegments(const GMVector& a0, const GMVector& a1, const GMVector& b0, const GMVector& b1,
                      double tol);
int GMBoxContainsPoint(const GMVector& min, const GMVector& max, const GMVector& p, double tol);

// --- vectors ----------------------------------------------------------------
GMVector GMSetVector(double x, double y, double z);
GMVector GMSetScalar(double v);
GMBox GMSetBox(double minX, double minY, double minZ, double maxX, double maxY, double maxZ);
GMSegment GMSetSegment(double x0, double y0, double z0, double x1, double y1, double z1);
void GMAdd(GMVector& p, double dx, double dy, double dz);
GMVector GMSubtract(const GMVector& p, const GMVector& q);  // q - p
GMVector GMNegate(const GMVector& v);
GMVector GMMidpoint(const GMVector& p, const GMVector& q);
double GMDot(const GMVector& u, const GMVector& v);
GMVector GMCross(const GMVector& u, const GMVector& v);
double GMLength(const GMVector& v);
double GMDistance(const GMVector& p, const GMVector& q);
GMVector GMNormalize(const GMVector& v, double tol);
void GMScaleToLength(GMVector& v, double len);
int GMSetSegmentLength(GMSegment& seg, double len, double tol);

// --- angles -----------------------------------------------------------------
double GMPi();
double GMRadToDeg(double r);
double GMDegToRad(double d);
double GMNormalizeAngle(double a, double tol);
double GMDirectionAngle(const GMVector& p, const GMVector& q, double tol);
double GMVectorAngle2D(double x, double y, double tol);
double GMAngleBetween(const GMVector& u, const GMVector& v, double tol);
double GMAngleAround(const GMVector& u, const GMVector& v, const GMVector& axis, double tol);
void GMRotate2D(GMVector& xy, double angle, double tol);  // turns (x, y); z untouched
void GMRotate2D(double& x, double& y, double angle, double tol);

// --- triangle measures ------------------------------------------------------
double GMTriangleArea2D(const GMVector& p1, const GMVector& p2, const GMVector& p3);
double GMHeronArea(double la, double lb, double lc);
double GMTriangleAreaFromSides(double la, double lb, double lc, double tol);
GMVector GMTriangleNormal(const GMVector& p1, const GMVector& p2, const GMVector& p3);
GMVector GMTriangleCentroid(const GMVector& p1, const GMVector& p2, const GMVector& p3);
