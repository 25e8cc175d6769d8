// Reading scene exchange texts into a fresh scene, and naming what came out.
#pragma once

#include <string>
#include <string_view>

#include "formats/K3dReader.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"

namespace k3dtest {

struct Loaded {
  CInkSolid scene;
  korvex::K3dViewState view;
  int result = 0;

  CInkNode* Root() { return scene.GetRoot(); }
  // The node at a path of names below the root ("Z0", "g", "o"), or null.
  CInkNode* At(std::string_view zone, std::string_view group = {}, std::string_view object = {}) {
    CInkNode* node = Root()->FindChildByName(zone);
    if (node && !group.empty()) node = node->FindChildByName(group);
    if (node && !object.empty()) node = node->FindChildByName(object);
    return node;
  }
};

inline void Load(Loaded& loaded, std::string_view text) {
  loaded.scene.NewScene();
  loaded.result = korvex::ReadK3dText(*loaded.scene.GetRoot(), loaded.view, text);
}

// Every node below node as "path" or "path:figures", depth first, joined by
// spaces: "Z0 Z0/g Z0/g/o:1".
inline void Describe(CInkNode* node, const std::string& prefix, std::string& out) {
  for (int i = 0; i < node->GetCount(); ++i) {
    CInkNode* child = node->GetChild(i);
    const std::string path = prefix + child->GetName(nullptr, 0);
    if (!out.empty()) out += ' ';
    out += path;
    if (child->GetFigureCount() > 0) out += ":" + std::to_string(child->GetFigureCount());
    Describe(child, path + "/", out);
  }
}

inline std::string Describe(CInkNode* root) {
  std::string out;
  Describe(root, "", out);
  return out;
}

// A unit cube as a SOLIDV record of object o in group g of zone Z0.
inline constexpr std::string_view kCube =
    "SOLIDV,Z0,0,g,1,1,1,0,4,1,o\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n";

}  // namespace k3dtest
