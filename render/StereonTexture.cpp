// The engine's pictures: the background image, the texture table and the
// billboards with their shared textures, masks and outlines. Drawing them is
// in StereonBillboard.cpp.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/file_util.h"
#include "model/FigureTessellation.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "common/PlainList.h"
#include "image/DibImage.h"
#include "plugins/ScenePlugins.h"
#include "render/Stereon.h"
#include "render/gl_api.h"

namespace {

// Billboard problems, written to the engine's log.
constexpr const char* kLogTexNotFound = "BillboardTex not found: %s\n";
constexpr const char* kLogTexNotLoaded = "BillboardTex not loaded: %s\n";
constexpr const char* kLogMaskNotLoaded = "BillboardMask not loaded: %s\n";
constexpr const char* kLogMaskNotFound = "BillboardMask not found: %s\n";
constexpr const char* kLogPolyNotLoaded = "BillboardMaskPoly not loaded: %s\n";
constexpr const char* kLogPolyNotFound = "BillboardMaskPoly not found: %s\n";

std::string MaskPath(const std::string& path) { return path + ".mask"; }
std::string OutlinePath(const std::string& path) { return path + ".poly"; }

// Copies at most size-1 bytes of text into a zero-filled field.
template <size_t N>
void CopyField(char (&field)[N], std::string_view text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// The side of the square texture of a picture `width` pixels wide: the
// largest power of two not above the width, capped at a quarter of what the
// GL takes, so that the power-of-two rule holds and memory stays small.
int TextureSide(int width) {
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  const int cap = largest / 4;
  int side = 1;
  while (side <= width / 2) side *= 2;
  return std::min(side, std::max(cap, 1));
}

// The picture's pixels as RGBA rows, bottom row first, the alpha taken from
// the blue byte of the mask (255 without one). The mask must have the
// picture's size; a mask of another size is refused (false), as reading it
// pixel for pixel would run past its end or leave the picture half masked.
bool BuildRgba(const CDibImage& image, const CDibImage* mask, std::vector<uint8_t>& rgba) {
  if (mask != nullptr && (mask->Width() != image.Width() || mask->Height() != image.Height())) return false;
  const size_t count = static_cast<size_t>(image.Width()) * static_cast<size_t>(image.Height());
  rgba.resize(count * 4u);
  const uint8_t* bgr = image.GetPixels();
  const uint8_t* alpha = mask != nullptr ? mask->GetPixels() : nullptr;
  for (size_t i = 0; i < count; ++i) {
    rgba[i * 4 + 0] = bgr[i * 3 + 2];
    rgba[i * 4 + 1] = bgr[i * 3 + 1];
    rgba[i * 4 + 2] = bgr[i * 3 + 0];
    rgba[i * 4 + 3] = alpha != nullptr ? alpha[i * 3] : 255;
  }
  return true;
}

// A new GL texture, bound, with nearest filtering and modulated by the
// lit colour; `wrap` is how it continues beyond its edges: repeated across
// faces, clamped on billboards. 0 when the GL has no name to give.
GLuint NewBoundTexture(GLint wrap) {
  GLuint id = 0;
  glGenTextures(1, &id);
  if (id == 0) return 0;
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  return id;
}

// Scales the RGBA picture to a square of the texture side and makes a GL
// texture of it (0 when the GL cannot).
GLuint MakeSquareTexture(const std::vector<uint8_t>& rgba, int width, int height, GLint wrap) {
  const int side = TextureSide(width);
  std::vector<uint8_t> square(static_cast<size_t>(side) * static_cast<size_t>(side) * 4u);
  if (gluScaleImage(GL_RGBA, width, height, GL_UNSIGNED_BYTE, rgba.data(), side, side, GL_UNSIGNED_BYTE,
                    square.data()) != 0)
    return 0;
  const GLuint id = NewBoundTexture(wrap);
  if (id == 0) return 0;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // rows of 4-byte pixels
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, side, side, 0, GL_RGBA, GL_UNSIGNED_BYTE, square.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return id;
}

void DeleteGLTexture(unsigned id) {
  if (id == 0) return;
  const GLuint name = id;
  glDeleteTextures(1, &name);
}

StereonTexture* TextureAt(CPlainList* table, int index) {
  if (table == nullptr || index < 0 || index >= table->GetCount()) return nullptr;
  return static_cast<StereonTexture*>(table->GetAt(index));
}

StereonBillboard* BillboardAt(CPlainList* list, int index) {
  if (list == nullptr || index < 0 || index >= list->GetCount()) return nullptr;
  return static_cast<StereonBillboard*>(list->GetAt(index));
}

// The key of a billboard picture: its path below the program's folder.
std::string BillboardKey(const std::string& normalized) {
  const std::string folder = korvex::ProgramFolder().string();
  if (!folder.empty() && normalized.size() > folder.size() + 1 && normalized.compare(0, folder.size(), folder) == 0 &&
      normalized[folder.size()] == '/')
    return normalized.substr(folder.size() + 1);
  return normalized;
}

// The first node, depth first from `node`, that holds a figure. A file of
// our own puts the outline in its first node; other formats wrap their
// objects in a node named after the file, so the outline lies a level lower.
CInkNode* FirstNodeWithFigure(CInkNode* node) {
  if (node == nullptr || node->GetFigureCount() > 0) return node;
  for (int i = 0; i < node->GetCount(); ++i)
    if (CInkNode* found = FirstNodeWithFigure(node->GetChild(i))) return found;
  return nullptr;
}

// The outline of a billboard picture: the first figure of the first node of
// the scene file at `path`, as polygons. The file is read with a scene root
// of its own, by the first file plug-in that takes it; null when none does
// or the figure has no surface.
std::unique_ptr<GMPolygonSet> ReadOutline(const std::string& path) {
  CInkSolid scene;
  korvex::InitializeWithPlugins(scene);
  for (int i = 0; i < scene.GetFormatCount(); ++i) {
    if (!scene.CanImport(i) || !scene.Import(i, path.c_str())) continue;
    CInkNode* first =
        scene.GetRoot() != nullptr && scene.GetRoot()->GetCount() > 0 ? FirstNodeWithFigure(scene.GetRoot()->GetChild(0)) : nullptr;
    InkFigure* figure = first != nullptr ? first->GetFigure(0) : nullptr;
    if (figure == nullptr) return nullptr;
    GMPolygonSetPtr polygons = FigurePolygons(figure, 2, 1.0, 1e-7);
    if (!polygons || polygons->Count() == 0) return nullptr;
    return polygons;
  }
  return nullptr;
}

}  // namespace

// --- background image -------------------------------------------------------

bool CStereon::LoadBackTexture(const char* path) {
  DeleteBackTexture();
  if (path == nullptr) return false;
  CDibImage image(ui_);
  if (image.Load(path) != 0) return false;
  if (!MakeCurrent()) return false;
  const int width = image.Width();
  const int height = image.Height();
  std::vector<uint8_t> rgb(image.PixelBytes());
  const uint8_t* bgr = image.GetPixels();
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
    rgb[i] = bgr[i + 2];
    rgb[i + 1] = bgr[i + 1];
    rgb[i + 2] = bgr[i];
  }
  const GLuint id = NewBoundTexture(GL_REPEAT);
  if (id == 0) return false;
  // Packed rows of 3-byte pixels.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glBindTexture(GL_TEXTURE_2D, 0);
  backTexture = id;
  return true;
}

void CStereon::DeleteBackTexture() {
  if (backTexture == 0) return;
  if (MakeCurrent()) DeleteGLTexture(backTexture);
  backTexture = 0;
}

// --- texture table ----------------------------------------------------------

int CStereon::AddTexture(const char* path, double aspect, double scale) {
  if (path == nullptr || !MakeCurrent()) return -1;
  const std::string name(path);
  CDibImage image(ui_);
  if (image.Load(name) != 0) return -1;
  CDibImage mask(ui_);
  const std::string maskPath = MaskPath(name);
  const bool masked = korvex::FileExists(maskPath);
  if (masked && mask.Load(maskPath) != 0) return -1;
  std::vector<uint8_t> rgba;
  if (!BuildRgba(image, masked ? &mask : nullptr, rgba)) return -1;
  if (!MakeCurrent()) return -1;
  const GLuint id = MakeSquareTexture(rgba, image.Width(), image.Height(), GL_REPEAT);
  if (id == 0) return -1;

  auto record = std::make_unique<StereonTexture>();
  CopyField(record->name, name);
  record->textureId = id;
  record->aspect = aspect != 0.0 ? aspect : static_cast<double>(image.Height()) / image.Width();
  record->scale = scale != 0.0 ? scale : 1.0;
  if (textureTable == nullptr) textureTable = new CPlainList();
  return textureTable->Add(record.release());
}

StereonTexture* CStereon::GetTexture(int index) { return TextureAt(textureTable, index); }

void CStereon::GetTextureName(int index, char* buffer, int length) {
  if (buffer == nullptr || length <= 0) return;
  std::memset(buffer, 0, static_cast<size_t>(length));
  const StereonTexture* texture = GetTexture(index);
  if (texture == nullptr) return;
  std::strncpy(buffer, texture->name, static_cast<size_t>(length) - 1);
}

int CStereon::GetTextureScale(int index, double* aspect, double* scale) {
  const StereonTexture* texture = GetTexture(index);
  if (texture == nullptr) return 0;
  if (aspect != nullptr) *aspect = texture->aspect;
  if (scale != nullptr) *scale = texture->scale;
  return 1;
}

void CStereon::DeleteTexture(int index) {
  if (textureTable == nullptr) return;
  const bool current = MakeCurrent();
  if (index == -1) {
    for (int i = 0; i < textureTable->GetCount(); ++i) {
      auto* texture = static_cast<StereonTexture*>(textureTable->GetAt(i));
      if (current) DeleteGLTexture(texture->textureId);
      delete texture;
    }
    delete textureTable;
    textureTable = nullptr;
    return;
  }
  StereonTexture* texture = GetTexture(index);
  if (texture == nullptr) return;
  if (current) DeleteGLTexture(texture->textureId);
  textureTable->RemoveAt(index);
  delete texture;
}

int CStereon::GetTextureCount() { return textureTable != nullptr ? textureTable->GetCount() : 0; }

// --- billboards -------------------------------------------------------------

int CStereon::AddBillboard(double x, double y, double z, const char* path, double width, double height) {
  if (path == nullptr) return -1;
  const std::string given(path);
  if (!korvex::FileExists(given)) {
    Log(kLogTexNotFound, path);
    return -1;
  }
  const std::string normalized = korvex::NormalizeSeparators(given);
  auto record = std::make_unique<StereonBillboard>();
  record->position = {x, y, z};
  record->width = width;
  record->height = height;
  const std::string key = BillboardKey(normalized);
  CopyField(record->key, key);
  record->source = normalized;

  // Billboards of the same picture share its texture. The whole path is
  // compared, not the key cut to its field, so that two long paths that
  // only differ past the cut never share a picture.
  for (int i = 0; i < GetBillboardCount(); ++i) {
    const StereonBillboard* other = GetBillboard(i);
    if (other->source != record->source) continue;
    record->textureId = other->textureId;
    if (other->outline) record->outline = GMCopyPolygonSet(other->outline.get());
    if (billboards == nullptr) billboards = new CPlainList();
    billboards->Add(record.release());
    return 0;
  }

  if (!MakeCurrent()) {
    Log(kLogTexNotLoaded, path);
    return -1;
  }
  // The user sees nothing but the log: the reader gets no one to show its
  // messages to.
  CDibImage image;
  if (image.Load(normalized) != 0) {
    Log(kLogTexNotLoaded, path);
    return -1;
  }
  const std::string maskPath = MaskPath(given);
  CDibImage mask;
  bool masked = false;
  if (korvex::FileExists(maskPath)) {
    if (mask.Load(korvex::NormalizeSeparators(maskPath)) != 0 || mask.Width() != image.Width() ||
        mask.Height() != image.Height()) {
      Log(kLogMaskNotLoaded, maskPath.c_str());
      return -1;
    }
    masked = true;
  } else {
    Log(kLogMaskNotFound, maskPath.c_str());
  }
  std::vector<uint8_t> rgba;
  BuildRgba(image, masked ? &mask : nullptr, rgba);
  if (!MakeCurrent()) return -1;
  record->textureId = MakeSquareTexture(rgba, image.Width(), image.Height(), GL_CLAMP);
  if (record->textureId == 0) {
    Log(kLogTexNotLoaded, path);
    return -1;
  }

  const std::string outlinePath = OutlinePath(given);
  if (korvex::FileExists(outlinePath)) {
    record->outline = ReadOutline(korvex::NormalizeSeparators(outlinePath));
    if (!record->outline) Log(kLogPolyNotLoaded, outlinePath.c_str());
  } else {
    Log(kLogPolyNotFound, outlinePath.c_str());
  }
  if (billboards == nullptr) billboards = new CPlainList();
  billboards->Add(record.release());
  return 0;
}

StereonBillboard* CStereon::GetBillboard(int index) { return BillboardAt(billboards, index); }

int CStereon::GetBillboardCount() { return billboards != nullptr ? billboards->GetCount() : 0; }

void CStereon::DeleteBillboard(int index) {
  StereonBillboard* billboard = GetBillboard(index);
  if (billboard == nullptr) return;
  billboards->RemoveAt(index);
  // The texture goes with the last billboard that shows it.
  bool shared = false;
  for (int i = 0; i < billboards->GetCount() && !shared; ++i)
    shared = GetBillboard(i)->textureId == billboard->textureId;
  if (!shared && MakeCurrent()) DeleteGLTexture(billboard->textureId);
  delete billboard;
}

void CStereon::DeleteAllBillboards() {
  if (billboards == nullptr) return;
  const bool current = MakeCurrent();
  std::vector<unsigned> deleted;
  for (int i = 0; i < billboards->GetCount(); ++i) {
    auto* billboard = static_cast<StereonBillboard*>(billboards->GetAt(i));
    // Billboards of one picture share its texture: delete it once.
    if (current && std::find(deleted.begin(), deleted.end(), billboard->textureId) == deleted.end()) {
      DeleteGLTexture(billboard->textureId);
      deleted.push_back(billboard->textureId);
    }
    delete billboard;
  }
  delete billboards;
  billboards = nullptr;
}

void CStereon::FreeTexturesAndBillboards() {
  DeleteTexture(-1);
  DeleteAllBillboards();
  DeleteBackTexture();
}
