// Where the viewer meets other processes of the same user: the single-instance
// lock file and the host applications' sockets.
#pragma once

#include <filesystem>

namespace korvex {

// $XDG_RUNTIME_DIR when it is set and not empty, else the temporary folder.
std::filesystem::path RuntimeFolder();

}  // namespace korvex
