#include "model/FigureRotate.h"

#include "geometry/gm_quaternion.h"

void RotateFigure(InkFigure* figure, const GMVector& centre, const GMVector& axis, double angle) {
  if (!figure || !figure->geometry) return;
  // Points and instances have just their base vertex; the other kinds list
  // every vertex of their geometry.
  for (InkVertex* vertex : InkGeometryVertices(figure->kind, figure->geometry))
    if (vertex) GMRotatePointAboutAxis(vertex->position, centre, axis, angle);
}
