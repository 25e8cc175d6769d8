// A lean reader for the plain OBJ files that large sites and districts come
// as: vertices, faces and objects, nothing else. It hands the conversion the
// same scene Assimp's OBJ reader would, in a fraction of the time and memory,
// and declines every file that uses more of the format (materials, groups,
// lines, curves, odd number forms), which then goes to Assimp as before.
#pragma once

#include <assimp/scene.h>

#include <memory>
#include <vector>

namespace korvex::assimp {

// An Assimp scene whose faces borrow their indices from one shared table, so
// that two million faces do not cost two million small allocations.
class ObjScene {
 public:
  ObjScene() = default;
  ObjScene(const ObjScene&) = delete;
  ObjScene& operator=(const ObjScene&) = delete;
  ~ObjScene();

  const aiScene& Scene() const { return *scene_; }

 private:
  friend std::unique_ptr<ObjScene> ReadPlainObj(const char* path);
  std::unique_ptr<aiScene> scene_;
  std::vector<unsigned> indices_;
};

// The scene of the file when it keeps to the plain subset, with one node per
// object (in order of first appearance, under a root named after the file)
// and one mesh per object with faces; null when the file cannot be opened,
// breaks the subset or holds no face.
std::unique_ptr<ObjScene> ReadPlainObj(const char* path);

}  // namespace korvex::assimp
