// Writes the generated city of the benchmarks as an OBJ file:
//
//   make-city-obj OUT.obj [BUILDINGS [PER_OBJECT]]
//
// BUILDINGS defaults to 166667 (2,000,000 triangles); PER_OBJECT, the
// buildings of one OBJ object, to 1 (every building a node of its own).
#include <cstdio>
#include <cstdlib>

#include "city_obj.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: make-city-obj OUT.obj [BUILDINGS [PER_OBJECT]]\n");
    return 2;
  }
  const int buildings = argc > 2 ? std::atoi(argv[2]) : korvex_bench::kCityBuildings;
  const int perObject = argc > 3 ? std::atoi(argv[3]) : 1;
  if (buildings < 1 || perObject < 1) {
    std::fprintf(stderr, "make-city-obj: BUILDINGS and PER_OBJECT must be positive\n");
    return 2;
  }
  if (!korvex_bench::WriteCityObj(argv[1], buildings, perObject)) {
    std::fprintf(stderr, "make-city-obj: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
