#include "plugins/assimp/ConfinedIO.h"

#include <assimp/DefaultIOStream.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <string_view>
#include <system_error>

#include "common/file_util.h"

namespace fs = std::filesystem;

namespace korvex::assimp {

namespace {

class ConfinedStream : public Assimp::DefaultIOStream {
 public:
  ConfinedStream(std::FILE* file, const std::string& name) : DefaultIOStream(file, name) {}
};

// "data:", "file:", "http:" ...: a scheme is letters, digits, "+", "-", "."
// after a letter, before the first ":". Only glTF's own "data:" URIs are
// read, and Assimp decodes those itself without opening anything.
bool HasScheme(std::string_view name) {
  const auto colon = name.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  if (!std::isalpha(static_cast<unsigned char>(name[0]))) return false;
  for (size_t i = 1; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

bool Within(const fs::path& file, const fs::path& folder) {
  const std::string f = file.string();
  const std::string d = folder.string();
  return f.size() > d.size() && f.compare(0, d.size(), d) == 0 && (d.back() == '/' || f[d.size()] == '/');
}

fs::path Canonical(const fs::path& path) {
  std::error_code ec;
  fs::path resolved = fs::canonical(path, ec);
  return ec ? fs::path() : resolved;
}

}  // namespace

ConfinedIOSystem::ConfinedIOSystem(const char* modelPath) {
  const fs::path given = fs::absolute(modelPath);
  model_ = Canonical(given);
  if (fs::path folder = Canonical(given.parent_path()); !folder.empty()) folders_.push_back(folder);
  if (!model_.empty()) folders_.push_back(model_.parent_path());
}

std::FILE* ConfinedIOSystem::OpenConfined(const char* file) const {
  if (file == nullptr || *file == '\0') return nullptr;
  // The model itself is the one name that may start with a drive-like
  // prefix: it was chosen by the user, not written in a file.
  if (HasScheme(file) && Canonical(fs::absolute(file)) != model_) return nullptr;
  // Non-blocking, so a pipe cannot hold the import; checked by descriptor,
  // so nothing can be swapped in between.
  const int fd = ::open(file, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st {};
  std::error_code ec;
  const fs::path real = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
  bool allowed = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && !ec;
  if (allowed && real != model_) {
    allowed = false;
    for (const fs::path& folder : folders_) allowed = allowed || Within(real, folder);
    // A material library is text; one past the limit is not one.
    const std::string extension = real.extension().string();
    if (allowed && (extension == ".mtl" || extension == ".MTL") && std::size_t(st.st_size) > kTextCompanionLimit)
      allowed = false;
  }
  if (!allowed) {
    ::close(fd);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* stream = ::fdopen(fd, "rb");
  if (stream == nullptr) ::close(fd);
  return stream;
}

bool ConfinedIOSystem::Exists(const char* file) const {
  std::FILE* stream = OpenConfined(file);
  if (stream == nullptr) return false;
  std::fclose(stream);
  return true;
}

Assimp::IOStream* ConfinedIOSystem::Open(const char* file, const char* mode) {
  // An import only reads.
  if (mode == nullptr || mode[0] != 'r') return nullptr;
  std::FILE* stream = OpenConfined(file);
  return stream ? new ConfinedStream(stream, file) : nullptr;
}

}  // namespace korvex::assimp
