#include "formats/K3dReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/file_util.h"
#include "formats/K3dLines.h"
#include "formats/K3dSolids.h"
#include "model/FigureRotate.h"
#include "model/InkNode.h"

namespace korvex {

namespace {

using k3d::LineSource;

// Names live in 64-byte fields of the scene.
constexpr std::size_t kMaxName = 63;
// A header may announce any zone number; only this many zones are made in
// advance. Records for higher zones still find their zone (made on demand).
constexpr int kMaxHeaderZone = 9999;
// Points kept for one solid. A ring announced longer than this is read to
// its end but the solid is not built (and counted, so that the user is told),
// so no count in a file can make the reader allocate beyond this bound.
constexpr std::size_t kMaxSolidPoints = kK3dMaxSolidPoints;
// Coordinates and radii beyond this cannot come from a site in any unit;
// such a solid is skipped rather than handed to the mesh operations, whose
// products of coordinates would overflow.
constexpr double kMaxCoordinate = 1e15;
// Piles and pipes: the ring is stepped in whole degrees.
constexpr int kMinRingPoints = 3;
constexpr int kMaxRingPoints = 360;

// Cutting a hole out of a shell is a Boolean
// step whose price grows with the square of the solid's points and with
// every hole already cut: a 6 KB shell with 160 small courtyards took more
// than half a minute of CPU, and a file can hold hundreds of them.

double CutWork(std::size_t points, std::size_t cuts) {
  return static_cast<double>(points) * static_cast<double>(points) * static_cast<double>(cuts);
}

enum class RecordType { kSolidF, kSolidV, kShellV, kPileV, kPipeV, kGlobe, kNone };

RecordType KeywordType(std::string_view keyword) {
  if (keyword == "SOLIDF") return RecordType::kSolidF;
  if (keyword == "SOLIDV") return RecordType::kSolidV;
  if (keyword == "SHELLV") return RecordType::kShellV;
  if (keyword == "PILEV") return RecordType::kPileV;
  if (keyword == "PIPEV") return RecordType::kPipeV;
  if (keyword == "GLOBE") return RecordType::kGlobe;
  return RecordType::kNone;
}

// A line that opens a record. Inside a record body such a line means the
// record was cut short: it is left for the main loop instead of being read
// as a point, so the next record survives a wrong count.
bool IsRecordStart(std::string_view line) {
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) return line.starts_with("HEADER");
  return KeywordType(line.substr(0, comma)) != RecordType::kNone;
}

bool Usable(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoordinate; }

std::string_view CutName(std::string_view name) { return name.substr(0, std::min(name.size(), kMaxName)); }

// One byte of the colour word: fraction × 255 truncated, held within 0..255
// so that a fraction outside 0..1 cannot spill into the next channel.
uint32_t ColourByte(double fraction) {
  const double v = fraction * 255.0;
  if (!(v > 0.0)) return 0;  // also NaN
  if (v >= 255.0) return 255;
  return static_cast<uint32_t>(v);
}

class Reader {
 public:
  Reader(CInkNode& root, K3dViewState& view, LineSource& lines, const K3dCutBudget& budget)
      : root_(root), view_(view), lines_(lines), budget_(budget) {}

  void Run() {
    std::string_view line;
    while (lines_.Next(line)) {
      const std::size_t comma = line.find(',');
      if (comma == std::string_view::npos) {
        if (line.starts_with("HEADER")) ReadHeader();
        continue;
      }
      const RecordType type = KeywordType(line.substr(0, comma));
      if (type == RecordType::kNone || type == RecordType::kGlobe) continue;
      ReadRecord(type, line);
    }
  }

 private:
  // --- tree --------------------------------------------------------------

  using ChildIndex = std::unordered_map<std::string, CInkNode*>;

  // The children of parent by name, the first of equal names winning as in
  // a search from the front. Built once per parent, so that a file of many
  // objects does not search its group's children again for every record.
  ChildIndex& IndexOf(CInkNode& parent) {
    auto [it, inserted] = children_.try_emplace(&parent);
    if (inserted) {
      for (int i = 0; i < parent.GetCount(); ++i) {
        CInkNode* child = parent.GetChild(i);
        if (child) it->second.try_emplace(child->GetName(nullptr, 0), child);
      }
    }
    return it->second;
  }

  // The child of parent with this name, made and appended when missing. The
  // name is cut to what a node holds first, so that a long name finds the
  // node it made before.
  CInkNode* FindOrCreate(CInkNode& parent, std::string_view fullName) {
    const std::string_view name = CutName(fullName);
    ChildIndex& index = IndexOf(parent);
    if (auto it = index.find(std::string(name)); it != index.end()) return it->second;
    auto node = std::make_unique<CInkNode>();
    node->Create(nullptr);
    // An empty field may be a view without storage; hand over a real text.
    node->SetName(name.empty() ? std::string_view("") : name);
    CInkNode* child = node.get();
    if (parent.AddChild(node.release()) < 0) return nullptr;
    index.emplace(std::string(name), child);
    return child;
  }

  // --- header ------------------------------------------------------------

  void ReadHeader() {
    std::string_view line;
    if (!lines_.Next(line)) return;
    if (IsRecordStart(line)) {
      lines_.PushBack();
      return;
    }
    std::string_view rest = line;
    k3d::TakeField(rest);
    const int n = k3d::ParseInteger(k3d::TakeField(rest));
    view_.zoneCount = std::clamp(n, -1, kMaxHeaderZone);
    char name[16];
    for (int i = 0; i <= view_.zoneCount; ++i) {
      std::snprintf(name, sizeof name, "Z%d", i);
      FindOrCreate(root_, name);
    }
  }

  // --- record bodies -----------------------------------------------------

  // The next body line, or false when the input ends or the next record
  // begins.
  bool NextBodyLine(std::string_view& line) {
    if (!lines_.Next(line)) return false;
    if (IsRecordStart(line)) {
      lines_.PushBack();
      return false;
    }
    return true;
  }

  bool ReadPoint(GMVector& p, bool& usable) {
    std::string_view line;
    if (!NextBodyLine(line)) return false;
    std::string_view rest = line;
    p.x = k3d::ParseNumber(k3d::TakeField(rest));
    p.y = k3d::ParseNumber(k3d::TakeField(rest));
    p.z = k3d::ParseNumber(rest);
    usable = usable && Usable(p.x) && Usable(p.y) && Usable(p.z);
    return true;
  }

  bool ReadNumber(double& value, bool& usable) {
    std::string_view line;
    if (!NextBodyLine(line)) return false;
    value = k3d::ParseNumber(line);
    usable = usable && Usable(value);
    return true;
  }

  bool ReadCount(int& value) {
    std::string_view line;
    if (!NextBodyLine(line)) return false;
    value = k3d::ParseInteger(line);
    return true;
  }

  // Reads count point lines into ring. Points beyond the bound are read
  // but not kept, and make the ring unusable.
  bool ReadRing(int count, std::vector<GMVector>& ring, bool& usable) {
    ring.clear();
    ring.reserve(static_cast<std::size_t>(std::clamp(count, 0, 4096)));
    for (int i = 0; i < count; ++i) {
      GMVector p;
      if (!ReadPoint(p, usable)) return false;
      if (stored_ < kMaxSolidPoints) {
        ring.push_back(p);
        ++stored_;
      } else {
        usable = false;
        oversized_ = true;
      }
    }
    return true;
  }

  void Add(CInkNode* node, GMMeshPtr mesh, const k3d::Tilt* tilt = nullptr,
           const GMVector* centre = nullptr) {
    if (!node || !mesh || mesh->faceCount == 0) return;
    const int index = node->AddMeshFigure(mesh.get(), 0);
    if (index < 0) return;
    if (tilt && centre && std::fabs(tilt->angle) > GM_TOLERANCE) {
      if (InkFigure* figure = node->GetFigure(index)) RotateFigure(figure, *centre, tilt->axis, tilt->angle);
    }
  }

  // Whether a solid's cuts fit in the bounds; when not, the solid counts as
  // left out for its cuts.
  bool TakeCutWork(double work) {
    if (work > budget_.solid || cutWork_ + work > budget_.file) {
      tooCostly_ = true;
      return false;
    }
    cutWork_ += work;
    return true;
  }

  // One solid of a record; false when the record ended before it was
  // complete (the solid is then not built).
  bool ReadSolid(RecordType type, int a, int h, CInkNode* node) {
    stored_ = 0;
    oversized_ = false;
    tooCostly_ = false;
    const bool complete = ReadSolidBody(type, a, h, node);
    // A solid too large to hold is not built, not even in part (a shell
    // without the hole that overflowed would be a wrong building); the user
    // learns how many were left out, and why.
    if (oversized_)
      ++view_.oversizedSolids;
    else if (tooCostly_)
      ++view_.costlySolids;
    return complete;
  }

  bool ReadSolidBody(RecordType type, int a, int h, CInkNode* node) {
    bool usable = true;
    switch (type) {
      case RecordType::kSolidF: {
        std::string_view unused;
        if (!lines_.Next(unused)) return false;
        if (!ReadRing(a, ring0_, usable) || !ReadRing(a, ring1_, usable)) return false;
        if (usable && node) Add(node, k3d::BuildRingPrism(ring0_, ring1_));
        return true;
      }
      case RecordType::kSolidV: {
        GMVector v;
        if (!ReadRing(a, ring0_, usable) || !ReadPoint(v, usable)) return false;
        if (usable && node) Add(node, k3d::BuildExtrusion(ring0_, v));
        return true;
      }
      case RecordType::kShellV: {
        GMVector v;
        if (!ReadRing(a, ring0_, usable) || !ReadPoint(v, usable)) return false;
        holes_.clear();
        for (int k = 0; k < h; ++k) {
          int n = 0;
          bool holeUsable = true;
          if (!ReadCount(n) || !ReadRing(n, ring1_, holeUsable)) return false;
          // A hole that cannot be cut is left out; the shell stays.
          if (holeUsable && ring1_.size() >= 3) holes_.push_back(ring1_);
        }
        if (!usable || oversized_ || !node) return true;
        std::size_t points = ring0_.size();
        for (const std::vector<GMVector>& hole : holes_) points += hole.size();
        if (!TakeCutWork(CutWork(points, holes_.size()))) return true;
        Add(node, k3d::BuildShell(ring0_, v, holes_));
        return true;
      }
      case RecordType::kPileV:
      case RecordType::kPipeV: {
        GMVector b, t;
        double inner = 0.0, outer = 0.0;
        if (!ReadPoint(b, usable) || !ReadPoint(t, usable)) return false;
        if (!ReadNumber(inner, usable)) return false;
        if (type == RecordType::kPipeV) {
          if (!ReadNumber(outer, usable)) return false;
        }
        if (!usable || !node || a < kMinRingPoints || a > kMaxRingPoints || !(inner > 0.0)) return true;
        if (type == RecordType::kPipeV && !(outer > 0.0)) return true;
        const GMVector along{t.x - b.x, t.y - b.y, t.z - b.z};
        const double length = std::sqrt(along.x * along.x + along.y * along.y + along.z * along.z);
        if (!Usable(length)) return true;
        const k3d::Tilt tilt = k3d::PileTilt(along);
        GMMeshPtr mesh = type == RecordType::kPileV ? k3d::BuildPile(b, a, inner, length)
                                                    : k3d::BuildPipe(b, a, inner, outer, length);
        Add(node, std::move(mesh), &tilt, &b);
        return true;
      }
      default:
        return true;
    }
  }

  void ReadRecord(RecordType type, std::string_view line) {
    // The header line's fields, cut at the line end: the line feed that ends
    // the line is not part of the object name.
    std::string_view rest = k3d::CutAtLineEnd(line);
    const int fieldCount = type == RecordType::kShellV ? 11 : 10;
    std::string_view fields[11];
    for (int i = 0; i < fieldCount; ++i) fields[i] = k3d::TakeField(rest);
    const std::string_view objectName = rest;

    const int a = k3d::ParseInteger(fields[8]);
    const int h = type == RecordType::kShellV ? k3d::ParseInteger(fields[9]) : 0;
    const int b = k3d::ParseInteger(fields[type == RecordType::kShellV ? 10 : 9]);

    CInkNode* object = nullptr;
    // A zone the header did not announce is made here, after the others, so
    // that the geometry of a file with a stale header is not lost. A record
    // without a zone name has nowhere to go; its body is still read.
    if (!fields[1].empty()) {
      CInkNode* zone = FindOrCreate(root_, fields[1]);
      CInkNode* group = zone ? FindOrCreate(*zone, fields[3]) : nullptr;
      object = group ? FindOrCreate(*group, objectName) : nullptr;
    }
    if (object) {
      const uint32_t colour = ColourByte(1.0 - k3d::ParseNumber(fields[7])) << 24 |
                              ColourByte(k3d::ParseNumber(fields[6])) << 16 |
                              ColourByte(k3d::ParseNumber(fields[5])) << 8 |
                              ColourByte(k3d::ParseNumber(fields[4]));
      object->GetAttributeRecord()->colour = colour;
    }
    // Every solid uses up at least one line, so even an absurd count ends
    // with the input.
    for (int i = 0; i < b; ++i) {
      if (!ReadSolid(type, a, h, object)) break;
    }
  }

  CInkNode& root_;
  K3dViewState& view_;
  LineSource& lines_;
  std::unordered_map<const CInkNode*, ChildIndex> children_;
  std::vector<GMVector> ring0_;
  std::vector<GMVector> ring1_;
  std::vector<std::vector<GMVector>> holes_;
  std::size_t stored_ = 0;
  bool oversized_ = false;
  bool tooCostly_ = false;  // the solid's cuts were beyond the budget
  const K3dCutBudget budget_;
  double cutWork_ = 0.0;  // the file's Boolean steps so far, by CutWork
};

int Read(CInkNode& root, K3dViewState& view, LineSource& lines, const K3dCutBudget& budget) {
  Reader(root, view, lines, budget).Run();
  view.farPlane = kK3dFarPlane;
  return 0;
}

}  // namespace

std::vector<std::string> LeftOutTexts(const K3dViewState& view) {
  std::vector<std::string> texts;
  if (view.oversizedSolids > 0)
    texts.push_back("点が多すぎるため " + std::to_string(view.oversizedSolids) + " 個の立体を読み込みませんでした");
  if (view.costlySolids > 0)
    texts.push_back("穴の切り抜きに時間がかかりすぎるため " + std::to_string(view.costlySolids) +
                    " 個の立体を読み込みませんでした");
  if (view.tangledFaces > 0)
    texts.push_back("形が入り組みすぎているため " + std::to_string(view.tangledFaces) + " 個の面を描けませんでした");
  return texts;
}

std::string LeftOutText(const K3dViewState& view) {
  std::string line;
  for (const std::string& text : LeftOutTexts(view)) line += (line.empty() ? "" : "　") + text;
  return line;
}

int ReadK3dStream(CInkNode& root, K3dViewState& view, std::FILE* file, const K3dCutBudget& budget) {
  LineSource lines(file);
  return Read(root, view, lines, budget);
}

int ReadK3dText(CInkNode& root, K3dViewState& view, std::string_view text, const K3dCutBudget& budget) {
  LineSource lines(text);
  return Read(root, view, lines, budget);
}

int ReadK3dFile(CInkNode& root, K3dViewState& view, const char* path, const K3dCutBudget& budget) {
  if (!path || !*path) return -1;
  // A folder opens as a stream on Linux but holds no text; a pipe or a
  // device would be read for ever.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenRegularFile(path), &std::fclose);
  if (!file) return -1;
  return ReadK3dStream(root, view, file.get(), budget);
}

}  // namespace korvex
