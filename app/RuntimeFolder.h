// Where the viewer meets other processes of the same user: the single-instance
// lock file and the host applications' sockets.
#pragma once

#include <filesystem>
#include <string>

namespace korvex {

// $XDG_RUNTIME_DIR when it is set and not empty, else the temporary folder.
std::filesystem::path RuntimeFolder();

// A folder only this user can write, for the single-instance lock, which
// anyone could otherwise block or plant: $XDG_RUNTIME_DIR when it is set and
// is such a folder, else "korvex-<uid>" in the temporary folder, made with
// mode 0700 when missing. A folder found there that is not the user's own
// private folder (a link, another user's, open to others) is not used; the
// result is then empty and `why` says what was found.
std::filesystem::path PrivateRuntimeFolder(std::string& why);

// Whether path is a folder (not a link) of this user that no one else may
// write to; `why` says what it is otherwise.
bool IsPrivateFolder(const std::filesystem::path& path, std::string& why);

}  // namespace korvex
