#include "tools/SceneDump.h"

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>

#include "common/encoding.h"
#include "common/file_util.h"
#include "model/InkFigAdmin.h"
#include "model/InkNode.h"
#include "model/InkProperty.h"

namespace korvex::cli {

namespace {

using Json = nlohmann::ordered_json;

std::string ColourText(uint32_t colour) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", colour);
  return text;
}

Json Vector(const GMVector& v) { return Json::array({v.x, v.y, v.z}); }

const char* KindName(int32_t kind) {
  switch (kind) {
    case kInkFigurePoint: return "point";
    case kInkFigurePolyline: return "polyline";
    case kInkFigurePolygon: return "polygon";
    case kInkFigureMesh: return "mesh";
    case kInkFigureReserved: return "reserved";
    case kInkFigureSubdivision: return "subdivision surface";
    case kInkFigureInstance: return "instance";
    case kInkFigureSegmentSet: return "segment set";
    default: return "unknown";
  }
}

// Faces and edges of the two kinds that have them, as index lists.
struct Topology {
  bool present = false;
  Json loops = Json::array();
  Json edges = Json::array();
  int faceCount = 0;
  int edgeCount = 0;
};

Topology TopologyOf(const InkFigure& figure, bool withLists) {
  Topology t;
  if (!figure.geometry) return t;
  if (figure.kind == kInkFigureMesh) {
    const auto& mesh = *static_cast<const GMMesh*>(figure.geometry);
    t.present = true;
    t.faceCount = mesh.faceCount;
    t.edgeCount = mesh.edgeCount;
    if (withLists) {
      for (const GMMeshFace& face : mesh.Faces()) {
        Json loop = Json::array();
        for (const int32_t i : face.Indices()) loop.push_back(i);
        t.loops.push_back(std::move(loop));
      }
      for (const GMMeshEdge& e : mesh.Edges()) t.edges.push_back(Json::array({e.first, e.second}));
    }
  } else if (figure.kind == kInkFigureSubdivision) {
    const auto& surface = *static_cast<const InkSubdivRecord*>(figure.geometry);
    t.present = true;
    t.faceCount = surface.faceCount;
    t.edgeCount = surface.edgeCount;
    if (withLists) {
      for (int f = 0; f < surface.faceCount; ++f) {
        Json loop = Json::array();
        if (const InkIndexList* list = surface.faces[f].vertices)
          for (const int32_t i : list->Indices()) loop.push_back(i);
        t.loops.push_back(std::move(loop));
      }
      for (int e = 0; e < surface.edgeCount; ++e)
        t.edges.push_back(Json::array({surface.edges[e].vertex[0], surface.edges[e].vertex[1]}));
    }
  }
  return t;
}

Json FigureJson(const InkFigure& figure, const DumpOptions& options) {
  const auto vertices = InkGeometryVertices(figure.kind, figure.geometry);
  Json out;
  out["kind"] = figure.kind;
  out["hidden"] = figure.hidden;
  out["value"] = figure.value;
  out["vertices"] = vertices.size();
  Topology topology = TopologyOf(figure, options.geometry);
  if (topology.present) {
    out["faces"] = topology.faceCount;
    out["edges"] = topology.edgeCount;
  }
  if (options.geometry) {
    Json points = Json::array();
    for (const InkVertex* v : vertices) points.push_back(Vector(v->position));
    out["points"] = std::move(points);
    if (topology.present) {
      out["loops"] = std::move(topology.loops);
      out["edgeList"] = std::move(topology.edges);
    }
  }
  return out;
}

// A plug-in may have filled all 64 bytes of a property name.
std::string PropertyName(const InkPropertyRecord& record) {
  return Cp932ToUtf8(std::string_view(record.name, ::strnlen(record.name, sizeof record.name)));
}

std::string NameOf(const CInkNode& node) { return Cp932ToUtf8(node.GetName(nullptr, 0)); }

bool BoundsOf(CInkNode& node, GMBox& box) {
  node.GetBounds(box, nullptr);
  return box.minX != DBL_MAX;
}

void WriteNodeText(std::ostream& out, CInkNode& node, int depth, const DumpOptions& options) {
  const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
  const InkAttributes& a = *node.GetAttributeRecord();
  out << indent << NameOf(node) << "  [id " << node.GetNodeId() << ", colour " << ColourText(a.colour);
  if (a.textureSlot != 0) out << ", texture " << a.textureSlot;
  if (!node.IsShown()) out << ", hidden";
  if (node.IsLocked()) out << ", locked";
  out << "]\n";
  if (CInkProperty* properties = node.GetProperties()) {
    for (int i = 0; i < properties->GetCount(); ++i) {
      const InkPropertyRecord* record = properties->GetRecordAt(i);
      out << indent << "  = " << PropertyName(*record) << ": " << record->value << "\n";
    }
  }
  for (int i = 0; i < node.GetFigureCount(); ++i) {
    const InkFigure* figure = node.GetFigure(i);
    const auto vertices = InkGeometryVertices(figure->kind, figure->geometry);
    const Topology topology = TopologyOf(*figure, false);
    out << indent << "  - " << KindName(figure->kind) << ": " << vertices.size() << " vertices";
    if (topology.present) out << ", " << topology.faceCount << " faces, " << topology.edgeCount << " edges";
    if (figure->hidden) out << " (hidden)";
    out << "\n";
    if (options.geometry) {
      for (const InkVertex* v : vertices)
        out << indent << "      " << v->position.x << " " << v->position.y << " " << v->position.z << "\n";
    }
  }
  for (int i = 0; i < node.GetCount(); ++i) {
    if (CInkNode* child = node.GetChild(i)) WriteNodeText(out, *child, depth + 1, options);
  }
}

}  // namespace

Json NodeJson(CInkNode& node, const DumpOptions& options) {
  const InkAttributes& a = *node.GetAttributeRecord();
  Json out;
  out["name"] = NameOf(node);
  out["id"] = node.GetNodeId();
  out["shown"] = node.IsShown() ? 1 : 0;
  out["locked"] = node.IsLocked() ? 1 : 0;
  out["color"] = ColourText(a.colour);
  out["texture"] = a.textureSlot;
  out["origin"] = Vector(a.origin);
  out["axis"] = Vector(a.rotationAxis);
  out["angle"] = a.rotationAngle;
  out["scale"] = Vector(a.scale);
  Json properties = Json::array();
  if (CInkProperty* list = node.GetProperties()) {
    for (int i = 0; i < list->GetCount(); ++i) {
      const InkPropertyRecord* record = list->GetRecordAt(i);
      properties.push_back(Json{{"name", PropertyName(*record)}, {"value", record->value}});
    }
  }
  out["properties"] = std::move(properties);
  GMBox box;
  if (BoundsOf(node, box))
    out["bounds"] = Json::array({box.minX, box.minY, box.minZ, box.maxX, box.maxY, box.maxZ});
  else
    out["bounds"] = nullptr;
  Json figures = Json::array();
  for (int i = 0; i < node.GetFigureCount(); ++i) figures.push_back(FigureJson(*node.GetFigure(i), options));
  out["figures"] = std::move(figures);
  Json children = Json::array();
  for (int i = 0; i < node.GetCount(); ++i) {
    if (CInkNode* child = node.GetChild(i)) children.push_back(NodeJson(*child, options));
  }
  out["children"] = std::move(children);
  return out;
}

Json SceneJson(std::string_view path, CInkNode& root, const DumpOptions& options) {
  Json out;
  out["file"] = std::string(path);
  out["root"] = NodeJson(root, options);
  return out;
}

void WriteSceneText(std::ostream& out, std::string_view path, CInkNode& root, const DumpOptions& options) {
  out << path << "\n";
  WriteNodeText(out, root, 0, options);
}

}  // namespace korvex::cli
