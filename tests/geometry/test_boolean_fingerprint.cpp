// A fingerprint of several hundred Boolean steps, to the last bit of every
// vertex and every face loop. The steps are made faster again and again
// (shared sections, box rejection, prepared faces); none of that may move a
// single vertex of a building. Any change to what a step produces shows here
// first, and must then be one meant and checked by the property tests before
// the fingerprint is taken again.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "geometry/gm_boolean.h"
#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_merge.h"
#include "tests/support/prism_samples.h"

namespace {

using korvex_test::Prism;
using korvex_test::Rect;
using korvex_test::Round;

// FNV-1a over the bytes of every result, with the absence of a result and
// the sizes counted too.
class CFingerprint {
 public:
  void Add(const GMMesh* mesh) {
    ++steps_;
    if (!mesh) {
      Word(0xFFFFFFFFu);
      return;
    }
    Word(static_cast<uint64_t>(mesh->vertexCount));
    Word(static_cast<uint64_t>(mesh->faceCount));
    for (int i = 0; i < mesh->vertexCount; ++i) Bytes(&mesh->Position(i), sizeof(GMVector));
    for (const GMMeshFace& face : mesh->Faces()) {
      Word(static_cast<uint64_t>(face.count));
      for (int32_t index : face.Indices()) Word(static_cast<uint64_t>(static_cast<uint32_t>(index)));
    }
  }
  uint64_t Value() const { return hash_; }
  int Steps() const { return steps_; }

 private:
  void Word(uint64_t w) { Bytes(&w, sizeof w); }
  void Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash_ = (hash_ ^ p[i]) * 0x100000001B3ull;
  }
  uint64_t hash_ = 0xCBF29CE484222325ull;
  int steps_ = 0;
};

// Uniform in [0, 1) from the raw generator, the same on every library.
double Unit(std::mt19937& random) { return random() / 4294967296.0; }

}  // namespace

TEST(BooleanFingerprint, EveryStepGivesTheSameMeshToTheBit) {
  CFingerprint print;
  std::mt19937 random(2026);
  const int operations[] = {INK_BOOLEAN_UNION, INK_BOOLEAN_DIFFERENCE, INK_BOOLEAN_INTERSECTION};
  const int optionSets[] = {0, INK_BOOLEAN_BY_EDGES | INK_BOOLEAN_POST_MERGE};

  // Boxes on a coarse grid (faces in common planes) and at random, and
  // round prisms of any turn, under every operation with both option sets.
  for (int round = 0; round < 40; ++round) {
    const bool grid = round % 2 == 0;
    const auto coordinate = [&] { return grid ? std::floor(Unit(random) * 4) : Unit(random) * 3; };
    double lo[2][3], hi[2][3];
    for (auto& box : {0, 1})
      for (int k = 0; k < 3; ++k) {
        const double a = coordinate();
        double b = coordinate();
        while (b == a) b = coordinate();
        lo[box][k] = std::min(a, b);
        hi[box][k] = std::max(a, b);
      }
    const GMMeshPtr a = Prism(Rect(lo[0][0], lo[0][1], hi[0][0], hi[0][1]), lo[0][2], hi[0][2]);
    const GMMeshPtr b = Prism(Rect(lo[1][0], lo[1][1], hi[1][0], hi[1][1]), lo[1][2], hi[1][2]);
    for (int options : optionSets)
      for (int operation : operations) print.Add(BooleanSolids(a.get(), b.get(), operation, options, GM_TOLERANCE).get());
  }
  for (int round = 0; round < 25; ++round) {
    const GMMeshPtr a = Prism(Round(3 + round % 9, 2 + Unit(random), 0, 0, Unit(random)), 0, 1 + 4 * Unit(random));
    const GMMeshPtr b = Prism(Round(3 + round % 7, 1 + Unit(random), Unit(random), Unit(random), Unit(random)),
                              -1 + 2 * Unit(random), 2 + 4 * Unit(random));
    for (int options : optionSets)
      for (int operation : operations) print.Add(BooleanSolids(a.get(), b.get(), operation, options, GM_TOLERANCE).get());
  }

  // Pipes of 3 to 48 sides, near the origin and on a far site.
  for (int sides = 3; sides <= 48; ++sides)
    for (const double origin : {0.0, -40000.0}) {
      const GMMeshPtr outer = Prism(Round(sides, 0.5, origin, -0.75 * origin, 0.1 * sides), 0, 6);
      const GMMeshPtr inner = Prism(Round(sides, 0.4, origin, -0.75 * origin, 0.1 * sides), 0, 6);
      for (int options : optionSets)
        print.Add(BooleanSolids(outer.get(), inner.get(), INK_BOOLEAN_DIFFERENCE, options, GM_TOLERANCE).get());
    }

  // Blocks losing 1 to 12 courtyards one at a time, as the scene reader cuts
  // the holes of a shell: cut along the drawable edges, repaired, then the
  // coplanar faces merged. Courtyards on a half-unit grid touch and share
  // walls now and then.
  for (int round = 0; round < 24; ++round) {
    const double x0 = round % 3 == 0 ? -40000.0 : 0.0, y0 = round % 3 == 0 ? 30000.0 : 0.0;
    GMMeshPtr shell = Prism(Rect(x0, y0, x0 + 30, y0 + 20), 0, 9);
    const int yards = 1 + round % 12;
    for (int k = 0; k < yards; ++k) {
      const double x = 1 + std::floor(Unit(random) * 48) * 0.5, y = 1 + std::floor(Unit(random) * 30) * 0.5;
      const double w = 1 + std::floor(Unit(random) * 8) * 0.5, d = 1 + std::floor(Unit(random) * 6) * 0.5;
      const GMMeshPtr yard =
          Prism(Rect(x0 + x, y0 + y, x0 + std::min(x + w, 29.0), y0 + std::min(y + d, 19.0)), 0, 9);
      GMMeshPtr cut = BooleanSolids(shell.get(), yard.get(), INK_BOOLEAN_DIFFERENCE,
                                    INK_BOOLEAN_BY_EDGES | INK_BOOLEAN_POST_MERGE, GM_TOLERANCE);
      print.Add(cut.get());
      if (!cut || cut->faceCount == 0) continue;
      GMMeshPtr merged = MergeCoplanarFaces(*cut, GM_TOLERANCE);
      print.Add(merged.get());
      if (merged && merged->faceCount > 0) shell = std::move(merged);
    }
  }

  EXPECT_EQ(print.Steps(), 886);
  EXPECT_EQ(print.Value(), 0xd9b1a0df0a2e35caull) << std::hex << "fingerprint 0x" << print.Value();
}
