// Faces of a model too tangled to be shown.
//
// A face that crosses itself again and again (a footprint traced badly, a
// file made to hurt) can spend the whole work the triangulation allows it;
// what is then left of it is closed with one triangle, so the face is in
// effect missing from the picture. The viewer counts such faces when it has
// loaded a model and tells the user, as it does for solids left out.
#pragma once

class CInkNode;

// The polygon and mesh faces under root (root's own figures included) whose
// triangulation gives up. Only faces of five or more points are tried.
int CountTangledFaces(CInkNode& root);
