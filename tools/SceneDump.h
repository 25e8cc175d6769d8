// The scene tree as korvex-cli prints it: an indented text for people and a
// JSON document for scripts.
#pragma once

#include <iosfwd>
#include <string_view>

#include <nlohmann/json.hpp>

class CInkNode;

namespace korvex::cli {

struct DumpOptions {
  bool geometry = false;  // list every figure's points, face loops and edges
};

// {"file": path, "root": node}; names are converted from Shift-JIS to UTF-8.
nlohmann::ordered_json SceneJson(std::string_view path, CInkNode& root, const DumpOptions& options);
nlohmann::ordered_json NodeJson(CInkNode& node, const DumpOptions& options);

// One line per node, indented by depth, with its figures below it.
void WriteSceneText(std::ostream& out, std::string_view path, CInkNode& root, const DumpOptions& options);

}  // namespace korvex::cli
