// The scene exchange file (.k3d) reader.
//
// A .k3d file is how the host planning application hands a site to the
// viewer: zones, groups and objects with a colour and transparency, and
// solids given as prisms between two rings (SOLIDF), extrusions (SOLIDV),
// extrusions with holes (SHELLV), piles (PILEV) and pipes (PIPEV). Every
// solid becomes a closed, outward-facing mesh figure of its object node,
// under root / zone / group / object.
//
// The reader never stops at problems in the file: what it cannot use is
// skipped silently and the rest of the file is still read. What the user is
// told about is a solid left out whole (more points than the viewer holds,
// or holes too costly to cut), because a whole building then goes missing
// from the site.
#pragma once

#include <cstdio>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CInkNode;

namespace korvex {

// The far clipping distance a scene exchange file is shown with: sites are
// large, and the file carries no camera of its own.
inline constexpr double kK3dFarPlane = 1000000.0;

// The most points one solid may have (all its rings together); a solid
// with more is read past and not built.
inline constexpr std::size_t kK3dMaxSolidPoints = 1000000;

// How much Boolean cutting (holes out of shells) a read
// may do, in units of points squared times cuts; one unit costs about half a
// microsecond for a shell. Real buildings stay far under the bound for one
// solid: a round tower of 180 points with eight round light wells is about
// 1e6, a block with sixty octagonal courtyards about 1.4e7 (seven seconds).
// A solid beyond it, or past the file's share, is left out and counted as
// such. Harnesses that feed the reader
// random bytes use smaller bounds, to keep each input quick.
struct K3dCutBudget {
  double solid = 2e7;
  double file = 1e8;
};

// The view values the reader sets besides the tree.
struct K3dViewState {
  double farPlane = 0.0;    // kK3dFarPlane after every successful read
  int zoneCount = -1;       // highest zone number of the last header read
  // Solids left out for having too many points.
  int oversizedSolids = 0;
  // Shells left out because their holes were beyond the cutting budget.
  int costlySolids = 0;
  // Faces of the loaded model, whatever its format, too tangled to be
  // triangulated (CountTangledFaces); set by whoever loads the model, not by
  // the reader.
  int tangledFaces = 0;
};

// The status texts for what a load left out, one per cause (none when
// nothing was), and the same joined into one status bar line, a full-width
// space apart ("" when nothing was).
std::vector<std::string> LeftOutTexts(const K3dViewState& view);
std::string LeftOutText(const K3dViewState& view);

// Reads the file into the tree under root, which is not emptied first (the
// caller starts a new scene when a model is opened). 0 after reading; -1 when
// the file cannot be opened, and then nothing has changed.
int ReadK3dFile(CInkNode& root, K3dViewState& view, const char* path, const K3dCutBudget& budget = {});
// The same for an open file (read from where it stands) and for a text held
// in memory. Both always read and return 0.
int ReadK3dStream(CInkNode& root, K3dViewState& view, std::FILE* file, const K3dCutBudget& budget = {});
int ReadK3dText(CInkNode& root, K3dViewState& view, std::string_view text, const K3dCutBudget& budget = {});

}  // namespace korvex
