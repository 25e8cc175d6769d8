#include "plugins/assimp/ObjReader.h"

#include <assimp/fast_atof.h>
#include <assimp/material.h>
#include <assimp/mesh.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "common/file_util.h"

namespace korvex::assimp {

namespace {

// What Assimp's OBJ reader calls the faces met before the first object.
constexpr const char* kDefaultObject = "defaultobject";
// Assimp's colour for OBJ faces without a material library.
constexpr float kDefaultGrey = 0.6f;
constexpr size_t kBlock = size_t{1} << 20;

struct Object {
  std::string name;
  std::vector<uint32_t> corners;  // vertex indices of the file, face after face
  std::vector<uint32_t> sizes;    // corners of each face
};

// Assimp's number reader throws this instead of its own error, whose
// constructor the library does not export; the word is checked first, so it
// is never thrown.
struct NumberError {
  template <typename... Args>
  explicit NumberError(Args&&...) {}
};

bool IsSpace(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The next word of the line, or an empty view at its end.
std::string_view Word(std::string_view& line) {
  size_t begin = 0;
  while (begin < line.size() && IsSpace(line[begin])) ++begin;
  size_t end = begin;
  while (end < line.size() && !IsSpace(line[end])) ++end;
  const std::string_view word = line.substr(begin, end - begin);
  line.remove_prefix(end);
  return word;
}

// A number written the plain way (-12.5, 3, 1.5e-3), read exactly as Assimp
// reads it, so that both readers give the same single-precision values.
bool Number(std::string_view word, float& value) {
  size_t i = 0;
  if (i < word.size() && word[i] == '-') ++i;
  const size_t digits = i;
  while (i < word.size() && IsDigit(word[i])) ++i;
  if (i == digits) return false;
  if (i < word.size() && word[i] == '.') {
    const size_t fraction = ++i;
    while (i < word.size() && IsDigit(word[i])) ++i;
    if (i == fraction) return false;
  }
  if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
    ++i;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) ++i;
    const size_t exponent = i;
    while (i < word.size() && IsDigit(word[i])) ++i;
    if (i == exponent || i - exponent > 3) return false;
  }
  if (i != word.size() || word.size() > 64) return false;
  char text[65];
  std::memcpy(text, word.data(), word.size());
  text[word.size()] = '\0';
  try {
    Assimp::fast_atoreal_move<float, NumberError>(text, value);
  } catch (const NumberError&) {
    return false;
  }
  return true;
}

// A non-zero index of at most nine digits, possibly negative.
bool Index(std::string_view word, int64_t& value) {
  size_t i = 0;
  const bool negative = !word.empty() && word[0] == '-';
  if (negative) ++i;
  if (i == word.size() || word.size() - i > 9) return false;
  int64_t v = 0;
  for (; i < word.size(); ++i) {
    if (!IsDigit(word[i])) return false;
    v = v * 10 + (word[i] - '0');
  }
  if (v == 0) return false;
  value = negative ? -v : v;
  return true;
}

// An index of the file resolved against the count of its kind read so far
// (negative indices count back from the last one).
bool Resolve(int64_t index, size_t count, size_t& out) {
  const int64_t n = static_cast<int64_t>(count);
  const int64_t zeroBased = index > 0 ? index - 1 : n + index;
  if (zeroBased < 0 || zeroBased >= n) return false;
  out = static_cast<size_t>(zeroBased);
  return true;
}

class Parser {
 public:
  std::vector<aiVector3D> positions;
  std::vector<Object> objects;

  // False when the line lies outside the plain subset.
  bool Line(std::string_view line) {
    while (!line.empty() && (IsSpace(line.back()) || line.back() == '\r')) line.remove_suffix(1);
    if (line.empty() || line[0] == '#') return true;
    if (IsSpace(line[0])) return false;
    const std::string_view key = Word(line);
    if (key == "v") return Vertex(line);
    if (key == "vt") return Numbers(line, 2, textureCount_);
    if (key == "vn") return Numbers(line, 3, normalCount_);
    if (key == "f") return Face(line);
    if (key == "o") return NewObject(Word(line));
    if (key == "s") return true;
    return false;
  }

 private:
  bool Vertex(std::string_view line) {
    aiVector3D p;
    if (!Number(Word(line), p.x) || !Number(Word(line), p.y) || !Number(Word(line), p.z) || !Word(line).empty())
      return false;
    positions.push_back(p);
    return true;
  }

  bool Numbers(std::string_view line, int least, size_t& count) {
    float unused;
    int n = 0;
    for (std::string_view word = Word(line); !word.empty(); word = Word(line), ++n)
      if (!Number(word, unused)) return false;
    if (n < least || n > 3) return false;
    ++count;
    return true;
  }

  bool Face(std::string_view line) {
    if (current_ < 0) {
      if (!NewObject(kDefaultObject)) return false;
    }
    Object& object = objects[static_cast<size_t>(current_)];
    const size_t start = object.corners.size();
    for (std::string_view word = Word(line); !word.empty(); word = Word(line)) {
      // position[/texture[/normal]] or position//normal
      const size_t slash = word.find('/');
      int64_t index = 0;
      size_t position = 0, unused = 0;
      bool ok = Index(word.substr(0, slash), index) && Resolve(index, positions.size(), position);
      if (ok && slash != std::string_view::npos) {
        std::string_view rest = word.substr(slash + 1);
        const size_t second = rest.find('/');
        const std::string_view texture = rest.substr(0, second);
        if (!texture.empty()) ok = Index(texture, index) && Resolve(index, textureCount_, unused);
        if (ok && second != std::string_view::npos)
          ok = Index(rest.substr(second + 1), index) && Resolve(index, normalCount_, unused);
        else if (ok && texture.empty())
          ok = false;  // "1/" is no corner
      }
      if (!ok || position > UINT32_MAX) {
        object.corners.resize(start);
        return false;
      }
      object.corners.push_back(static_cast<uint32_t>(position));
    }
    const size_t count = object.corners.size() - start;
    if (count < 3) {
      object.corners.resize(start);
      return false;  // points and lines are Assimp's to read
    }
    object.sizes.push_back(static_cast<uint32_t>(count));
    return true;
  }

  bool NewObject(std::string_view name) {
    // Assimp joins objects of the same name; such files are left to it.
    if (name.empty() || !names_.emplace(name).second) return false;
    objects.push_back({std::string(name), {}, {}});
    current_ = static_cast<int>(objects.size()) - 1;
    return true;
  }

  int current_ = -1;
  size_t textureCount_ = 0, normalCount_ = 0;
  std::unordered_set<std::string> names_;
};

bool ParseFile(const char* path, Parser& parser) {
  // The viewer reads plain OBJ in its own process: a pipe or a device under
  // a model's name must never make it wait.
  std::unique_ptr<FILE, int (*)(FILE*)> file(korvex::OpenRegularFile(path), std::fclose);
  if (!file) return false;
  std::string buffer(kBlock, '\0');
  size_t kept = 0;  // the start of a line carried over from the last block
  for (;;) {
    if (kept == buffer.size()) buffer.resize(buffer.size() * 2);  // a line longer than a block
    const size_t got = std::fread(buffer.data() + kept, 1, buffer.size() - kept, file.get());
    const size_t end = kept + got;
    const bool last = got == 0;
    size_t at = 0;
    for (;;) {
      const void* nl = std::memchr(buffer.data() + at, '\n', end - at);
      if (!nl) break;
      const size_t stop = static_cast<size_t>(static_cast<const char*>(nl) - buffer.data());
      if (!parser.Line(std::string_view(buffer.data() + at, stop - at))) return false;
      at = stop + 1;
    }
    if (last) {
      if (std::ferror(file.get())) return false;
      if (at < end && !parser.Line(std::string_view(buffer.data() + at, end - at))) return false;
      return true;
    }
    std::memmove(buffer.data(), buffer.data() + at, end - at);
    kept = end - at;
  }
}

std::string FileName(const char* path) {
  const std::string_view p(path);
  const size_t slash = p.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? p : p.substr(slash + 1));
}

}  // namespace

ObjScene::~ObjScene() {
  if (!scene_) return;
  // The faces' indices belong to indices_, not to the faces.
  for (unsigned m = 0; m < scene_->mNumMeshes; ++m)
    if (aiMesh* mesh = scene_->mMeshes[m])
      for (unsigned f = 0; f < mesh->mNumFaces; ++f) mesh->mFaces[f].mIndices = nullptr;
}

std::unique_ptr<ObjScene> ReadPlainObj(const char* path) {
  if (!path) return nullptr;
  Parser parser;
  if (!ParseFile(path, parser)) return nullptr;
  size_t corners = 0, meshCount = 0;
  for (const Object& o : parser.objects) {
    corners += o.corners.size();
    if (!o.sizes.empty()) ++meshCount;
  }
  if (meshCount == 0 || corners > UINT32_MAX) return nullptr;

  auto result = std::make_unique<ObjScene>();
  result->indices_.reserve(corners);  // never moves again: the faces point into it
  result->scene_ = std::make_unique<aiScene>();
  aiScene& scene = *result->scene_;

  scene.mMaterials = new aiMaterial*[1];
  scene.mNumMaterials = 1;
  auto* material = new aiMaterial;
  scene.mMaterials[0] = material;
  const aiString materialName(AI_DEFAULT_MATERIAL_NAME);
  material->AddProperty(&materialName, AI_MATKEY_NAME);
  const aiColor4D grey(kDefaultGrey, kDefaultGrey, kDefaultGrey, 1.0f);
  material->AddProperty(&grey, 1, AI_MATKEY_COLOR_DIFFUSE);

  scene.mRootNode = new aiNode(FileName(path));
  aiNode& root = *scene.mRootNode;
  root.mChildren = new aiNode*[parser.objects.size()];
  scene.mMeshes = new aiMesh*[meshCount];

  // Each object's vertices in the order its faces first use them.
  std::vector<int32_t> local(parser.positions.size(), -1);
  std::vector<uint32_t> used;
  for (Object& object : parser.objects) {
    auto* node = new aiNode(object.name);
    node->mParent = &root;
    root.mChildren[root.mNumChildren++] = node;
    if (object.sizes.empty()) continue;

    used.clear();
    const size_t first = result->indices_.size();
    for (const uint32_t c : object.corners) {
      int32_t& l = local[c];
      if (l < 0) {
        l = static_cast<int32_t>(used.size());
        used.push_back(c);
      }
      result->indices_.push_back(static_cast<unsigned>(l));
    }
    for (const uint32_t c : used) local[c] = -1;
    std::vector<uint32_t>().swap(object.corners);

    auto* mesh = new aiMesh;
    scene.mMeshes[scene.mNumMeshes++] = mesh;
    node->mMeshes = new unsigned[1]{scene.mNumMeshes - 1};
    node->mNumMeshes = 1;
    mesh->mName = aiString(object.name);
    mesh->mMaterialIndex = 0;
    mesh->mVertices = new aiVector3D[used.size()];
    mesh->mNumVertices = static_cast<unsigned>(used.size());
    for (size_t i = 0; i < used.size(); ++i) mesh->mVertices[i] = parser.positions[used[i]];
    mesh->mFaces = new aiFace[object.sizes.size()];
    mesh->mNumFaces = static_cast<unsigned>(object.sizes.size());
    size_t at = first;
    for (size_t f = 0; f < object.sizes.size(); ++f) {
      aiFace& face = mesh->mFaces[f];
      face.mNumIndices = object.sizes[f];
      face.mIndices = result->indices_.data() + at;
      at += object.sizes[f];
      mesh->mPrimitiveTypes |= face.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE : aiPrimitiveType_POLYGON;
    }
    std::vector<uint32_t>().swap(object.sizes);
  }
  return result;
}

}  // namespace korvex::assimp
