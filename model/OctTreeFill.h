// Filling an octree with what the ray-cast picture shows of a scene.
#pragma once

#include <stop_token>

class COctTreeBoxel;
class CContentList;
class CInkNode;

// In which coordinates the figures' polygons reach the octree: as their
// vertices hold them, or placed in the world by their nodes' world matrices
// (the coordinates of the camera and of the viewing rays).
enum class OctTreeSpace { Local, World };

// Adds the surface polygons of every figure in content that is not hidden,
// whose node is shown and whose kind has a surface (not a point or a
// polyline), each with its figure. Returns the number of polygons added.
// A requested stop ends the filling where it is.
int AddContentToOctTree(COctTreeBoxel& octree, CContentList& content, OctTreeSpace space,
                        std::stop_token stop = {});

// The whole filling step of the ray-cast picture: lists the figures of the
// subtree under root, adds their polygons and builds the tree with the given
// depth. Returns what Build returns (0 for a null root or nothing to show).
int BuildSceneOctTree(COctTreeBoxel& octree, CInkNode* root, int levels = 4,
                      OctTreeSpace space = OctTreeSpace::World);
