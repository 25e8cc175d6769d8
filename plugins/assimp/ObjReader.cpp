#include "plugins/assimp/ObjReader.h"

#include <sys/stat.h>

#include <assimp/fast_atof.h>
#include <assimp/material.h>
#include <assimp/mesh.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "common/file_util.h"
#include "plugins/assimp/AtOnce.h"

namespace korvex::assimp {

namespace {

// What Assimp's OBJ reader calls the faces met before the first object.
constexpr const char* kDefaultObject = "defaultobject";
// Assimp's colour for OBJ faces without a material library.
constexpr float kDefaultGrey = 0.6f;

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

// The file is read in stretches of whole lines; on two cores, each stretch
// is cut in two at a line end and both halves are read at once, then joined
// in file order, so the scene is the one a single pass would give.
constexpr size_t kWindow = size_t{16} << 20;
// Less than this is read on one core: a thread would cost more than it saves.
constexpr size_t kWorthAThread = size_t{1} << 18;

// What one run of lines gives, read without knowing what came before it.
// Indices that count from the start of the file are kept as they are;
// indices that count back from the last vertex are settled when the run is
// joined, and so is the question whether every index named a vertex (or
// texture coordinate, or normal) read before its face.
class Piece {
 public:
  std::vector<aiVector3D> positions;
  // Faces before the run's first object line go on in the object then open.
  Object carried;
  std::vector<Object> objects;

  // False when the line lies outside the plain subset.
  bool Line(std::string_view line) {
    while (!line.empty() && (IsSpace(line.back()) || line.back() == '\r')) line.remove_suffix(1);
    if (line.empty() || line[0] == '#') return true;
    if (IsSpace(line[0])) return false;
    const std::string_view key = Word(line);
    if (key == "v") return Vertex(line);
    if (key == "vt") return Numbers(line, 2, textures_.count);
    if (key == "vn") return Numbers(line, 3, normals_.count);
    if (key == "f") return Face(line);
    if (key == "o") return NewObject(Word(line));
    if (key == "s") return true;
    return false;
  }

  // Joined after all the runs before it, whose objects and counts are
  // given: false when an index of this run names nothing, or an object
  // name repeats.
  bool JoinTo(std::vector<aiVector3D>& allPositions, std::vector<Object>& allObjects,
              std::unordered_set<std::string>& names, size_t& textures, size_t& normals);

 private:
  // Vertices of one kind read in the run, and how many had to come before
  // it for every index of the run to name one read before its face.
  struct Count {
    size_t count = 0;
    size_t needed = 0;
    // Checks an index of a face against what is known so far; out is the
    // zero-based index from the start of the file for a positive index, and
    // the offset from the run's start count for a negative one.
    void Use(int64_t index, int64_t& out) {
      const int64_t here = static_cast<int64_t>(count);
      const int64_t magnitude = index > 0 ? index : -index;
      if (magnitude > here) needed = std::max(needed, static_cast<size_t>(magnitude - here));
      out = index > 0 ? index - 1 : here + index;
    }
  };
  // A corner given by counting back from the last vertex read.
  struct BackReference {
    size_t object;  // in objects, or kCarried
    size_t corner;
    int64_t offset;  // from the count of vertices read before the run
  };
  static constexpr size_t kCarried = SIZE_MAX;

  bool Vertex(std::string_view line) {
    aiVector3D p;
    if (!Number(Word(line), p.x) || !Number(Word(line), p.y) || !Number(Word(line), p.z) || !Word(line).empty())
      return false;
    positions.push_back(p);
    ++positions_.count;
    return true;
  }

  static bool Numbers(std::string_view line, int least, size_t& count) {
    float unused;
    int n = 0;
    for (std::string_view word = Word(line); !word.empty(); word = Word(line), ++n)
      if (!Number(word, unused)) return false;
    if (n < least || n > 3) return false;
    ++count;
    return true;
  }

  bool Face(std::string_view line) {
    const size_t objectIndex = objects.empty() ? kCarried : objects.size() - 1;
    Object& object = objects.empty() ? carried : objects.back();
    const size_t start = object.corners.size();
    const size_t backStart = backReferences_.size();
    auto fail = [&] {
      object.corners.resize(start);
      backReferences_.resize(backStart);
      return false;
    };
    for (std::string_view word = Word(line); !word.empty(); word = Word(line)) {
      // position[/texture[/normal]] or position//normal
      const size_t slash = word.find('/');
      int64_t given = 0, position = 0, index = 0, unused = 0;
      if (!Index(word.substr(0, slash), given)) return fail();
      positions_.Use(given, position);
      if (slash != std::string_view::npos) {
        std::string_view rest = word.substr(slash + 1);
        const size_t second = rest.find('/');
        const std::string_view texture = rest.substr(0, second);
        if (!texture.empty()) {
          if (!Index(texture, index)) return fail();
          textures_.Use(index, unused);
        }
        if (second != std::string_view::npos) {
          if (!Index(rest.substr(second + 1), index)) return fail();
          normals_.Use(index, unused);
        } else if (texture.empty()) {
          return fail();  // "1/" is no corner
        }
      }
      if (given < 0) {
        backReferences_.push_back({objectIndex, object.corners.size(), position});
        position = 0;  // settled when the run is joined
      } else if (position > int64_t{UINT32_MAX}) {
        return fail();
      }
      object.corners.push_back(static_cast<uint32_t>(position));
    }
    const size_t count = object.corners.size() - start;
    if (count < 3) return fail();  // points and lines are Assimp's to read
    object.sizes.push_back(static_cast<uint32_t>(count));
    return true;
  }

  bool NewObject(std::string_view name) {
    if (name.empty()) return false;
    objects.push_back({std::string(name), {}, {}});
    return true;
  }

  Count positions_, textures_, normals_;
  std::vector<BackReference> backReferences_;
};
bool Piece::JoinTo(std::vector<aiVector3D>& allPositions, std::vector<Object>& allObjects,
                   std::unordered_set<std::string>& names, size_t& textures, size_t& normals) {
  const size_t before = allPositions.size();
  if (positions_.needed > before || textures_.needed > textures || normals_.needed > normals) return false;
  for (const BackReference& r : backReferences_) {
    Object& object = r.object == kCarried ? carried : objects[r.object];
    const int64_t position = static_cast<int64_t>(before) + r.offset;
    if (position > int64_t{UINT32_MAX}) return false;
    object.corners[r.corner] = static_cast<uint32_t>(position);
  }
  allPositions.insert(allPositions.end(), positions.begin(), positions.end());
  textures += textures_.count;
  normals += normals_.count;
  auto open = [&](std::string name) {
    // Assimp joins objects of the same name; such files are left to it.
    if (!names.insert(name).second) return false;
    allObjects.push_back({std::move(name), {}, {}});
    return true;
  };
  if (!carried.sizes.empty()) {
    if (allObjects.empty() && !open(kDefaultObject)) return false;
    Object& current = allObjects.back();
    current.corners.insert(current.corners.end(), carried.corners.begin(), carried.corners.end());
    current.sizes.insert(current.sizes.end(), carried.sizes.begin(), carried.sizes.end());
  }
  for (Object& object : objects) {
    if (!open(object.name)) return false;
    allObjects.back().corners = std::move(object.corners);
    allObjects.back().sizes = std::move(object.sizes);
  }
  return true;
}

// Reads the file's text in runs of whole lines and joins them in order.
struct Reader {
  std::vector<aiVector3D> positions;
  std::vector<Object> objects;
  std::unordered_set<std::string> names;
  size_t textures = 0, normals = 0;

  static bool ReadRun(std::string_view text, Piece& piece) {
    for (;;) {
      const size_t end = text.find('\n');
      if (!piece.Line(text.substr(0, end))) return false;
      if (end == std::string_view::npos) return true;
      text.remove_prefix(end + 1);
    }
  }

  // Lines without the line end after the last one; a long text is cut in
  // two at a line end near its middle and both halves are read at once.
  bool Read(std::string_view text) {
    const size_t cut = text.size() < kWorthAThread ? std::string_view::npos : text.find('\n', text.size() / 2);
    if (cut == std::string_view::npos) {
      Piece piece;
      return ReadRun(text, piece) && Join(piece);
    }
    Piece first, second;
    bool firstRead = false, secondRead = false;
    AtOnce([&] { firstRead = ReadRun(text.substr(0, cut), first); },
           [&] { secondRead = ReadRun(text.substr(cut + 1), second); });
    return firstRead && secondRead && Join(first) && Join(second);
  }

  bool Join(Piece& piece) { return piece.JoinTo(positions, objects, names, textures, normals); }
};

bool ParseFile(const char* path, Reader& reader) {
  // The viewer reads plain OBJ in its own process: a pipe or a device under
  // a model's name must never make it wait.
  std::unique_ptr<FILE, int (*)(FILE*)> file(korvex::OpenRegularFile(path), std::fclose);
  if (!file) return false;
  // A window no larger than the file: a small model (a house, a sign) would
  // otherwise have sixteen megabytes cleared for it on every read.
  struct stat info {};
  size_t window = kWindow;
  if (fstat(fileno(file.get()), &info) == 0 && info.st_size >= 0)
    window = std::min(kWindow, static_cast<size_t>(info.st_size) + 1);
  std::string buffer(window, '\0');
  size_t kept = 0;  // the start of a line carried over from the last window
  for (;;) {
    if (kept == buffer.size()) buffer.resize(buffer.size() * 2);  // a line longer than a window
    const size_t got = std::fread(buffer.data() + kept, 1, buffer.size() - kept, file.get());
    const size_t end = kept + got;
    if (got == 0) {
      if (std::ferror(file.get())) return false;
      return kept == 0 || reader.Read(std::string_view(buffer.data(), end));
    }
    const std::string_view text(buffer.data(), end);
    const size_t last = text.rfind('\n');
    if (last == std::string_view::npos) {
      kept = end;
      continue;
    }
    if (!reader.Read(text.substr(0, last))) return false;
    std::memmove(buffer.data(), buffer.data() + last + 1, end - last - 1);
    kept = end - last - 1;
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
  Reader parser;
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
