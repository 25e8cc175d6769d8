// A scene node: a list of child nodes, a placement relative to the parent,
// a name, an id, shown and locked flags, named properties and the node's own
// figures.
//
// Readers and file plug-ins build trees with these operations, the view and
// the renderer walk them. The virtual operations keep their order: plug-ins
// are built against this very class and call it by slot, and the host deletes
// their trees through the virtual destructor.
//
// Matrices follow the kernel's row-vector convention: a point p becomes p · M
// and the translation is in row 3. A node's local matrix scales, then
// rotates, then translates; the root's own placement never takes part in a
// world matrix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "geometry/gm_types.h"
#include "model/InkFigAdmin.h"
#include "model/InkProperty.h"
#include "common/PlainList.h"

// Placement and appearance of a node, copied whole between nodes, the view
// and plug-ins.
struct InkAttributes {
  uint32_t colour = 0xFF000000u;  // red in the lowest byte, then green, blue, alpha (opacity)
  int32_t textureSlot = 0;        // 0: none; k: the k-th texture of the renderer
  GMVector rotationAxis{0.0, 0.0, 1.0};
  double rotationAngle = 0.0;     // radians, counter-clockwise about the axis
  GMVector scale{1.0, 1.0, 1.0};
  GMVector origin{0.0, 0.0, 0.0};
};
static_assert(offsetof(InkAttributes, colour) == 0);
static_assert(offsetof(InkAttributes, textureSlot) == 4);
static_assert(offsetof(InkAttributes, rotationAxis) == 8);
static_assert(offsetof(InkAttributes, rotationAngle) == 32);
static_assert(offsetof(InkAttributes, scale) == 40);
static_assert(offsetof(InkAttributes, origin) == 64);
static_assert(sizeof(InkAttributes) == 88);

// "名称未定" ("untitled") in Shift-JIS, the name of a fresh node.
inline constexpr char kInkDefaultNodeName[] = "\x96\xBC\x8F\xCC\x96\xA2\x92\xE8";

class CInkNode : public CPlainListCap {
 public:
  CInkNode();
  CInkNode(const CInkNode&) = delete;
  CInkNode& operator=(const CInkNode&) = delete;

  // Deletes the whole subtree, the figures and the properties.
  ~CInkNode() override;
  // Deletes the child at index (if any) and unlinks it.
  void RemoveAt(int index) override;
  // Unlinks every child without deleting it; a child that has not been given
  // to another node meanwhile loses its parent.
  void RemoveAll() override;

  // Called once after construction: copies the record when given and makes
  // the figure administration and the property list.
  virtual void Create(const InkAttributes* attributes);
  virtual void SetShown(int shown);
  virtual int IsShown() const;
  virtual void SetLocked(int locked);
  virtual int IsLocked() const;
  // Copies the current record to out, then stores the new one.
  virtual InkAttributes& SetAttributes(InkAttributes& out, InkAttributes attributes);
  virtual InkAttributes& GetAttributes(InkAttributes& out) const;
  // The live record; the node property dialog edits it in place.
  virtual InkAttributes* GetAttributeRecord();
  virtual int SetNodeId(int id);  // returns the previous id
  virtual int GetNodeId() const;
  virtual CInkNode* GetParent() const;
  virtual void SetParent(CInkNode* parent);
  // Keeps at most 63 bytes.
  virtual void SetName(std::string_view name);
  // A null buffer gives the internal name; otherwise copies at most size-1
  // bytes into the zero-filled buffer and returns it.
  virtual const char* GetName(char* buffer, int size) const;
  // depth 0: the node alone; 1: with its figures; 2: the whole subtree.
  virtual CInkNode* Clone(int depth);
  virtual CInkNode* FindById(int id);
  virtual CInkNode* GetTopNode();
  virtual int AddChild(CInkNode* child);
  virtual int InsertChild(int index, CInkNode* child);
  virtual CInkNode* GetChild(int index);  // null outside 0..count-1
  virtual CInkNode* FindChildByName(std::string_view name);
  virtual int IndexOfChild(const CInkNode* child) const;
  // Unlinks the child without deleting it; the caller then owns it.
  virtual CInkNode* DetachChild(int index);
  virtual CInkProperty* GetProperties();
  // Adds a copy of a figure of any kind (also of another node's figure),
  // with its hidden flag; -1 when it cannot be added.
  virtual int AddFigure(const InkFigure* figure);
  virtual int AddSegmentFigure(const InkSegmentSetRecord* description, int value);
  virtual int AddInstanceFigure(const InkInstanceRecord* description, int value);
  virtual int AddSubdivisionFigure(const InkSubdivRecord* description, int value);
  virtual int AddReservedFigure(const void* description, int value);
  virtual int AddMeshFigure(const GMMesh* description, int value);
  virtual int AddPolygonFigure(const InkPolyRecord* description, int value);
  virtual int AddPolylineFigure(const InkPolyRecord* description, int value);
  virtual int AddPointFigure(const InkPointRecord* description, int value);
  virtual InkFigure* GetFigure(int index);
  virtual int DeleteFigure(InkFigure* figure);
  virtual int DeleteFigureAt(int index);
  virtual void ClearFigures();
  virtual InkVertex* GetVertex(int index);  // throws CListError outside 0..count-1
  virtual void ClearAllFigures();           // the same as ClearFigures
  virtual int GetFigureCount() const;
  virtual int GetVertexCount() const;
  // Stores position · world matrix in every vertex's world position.
  virtual void UpdateWorldVertices(int ignored);
  // The node of this subtree holding the figure (depth-first), with its index.
  virtual CInkNode* FindFigureOwner(const InkFigure* figure, int* index);
  virtual int IndexOfFigure(const InkFigure* figure) const;
  // Appends copies of this node's figures to target; copied instances refer
  // to the copies of their referenced figures.
  virtual void CopyFiguresTo(CInkNode* target);
  virtual GMMatrix& GetLocalMatrix(GMMatrix& out) const;
  virtual void GetWorldMatrix(GMMatrix& out) const;
  virtual GMMatrix& GetInverseLocalMatrix(GMMatrix& out) const;
  virtual void GetInverseWorldMatrix(GMMatrix& out) const;
  // Box in this node's coordinates of the shown, not hidden vertices of the
  // subtree. An empty subtree gives the fallback when one is passed, else the
  // empty box (every value DBL_MAX).
  virtual GMBox& GetBounds(GMBox& out, const GMBox* fallback);
  // The nearest figure of this node hit by the ray, in local coordinates;
  // hit stays undefined and the result is null when nothing is hit.
  virtual InkFigure* PickFigure(const GMVector& origin, const GMVector& direction, GMVector& hit,
                                double tolerance);
  virtual GMVector& PickFigureAt(GMVector& hit, const GMVector& origin, const GMVector& direction,
                                 double tolerance);
  virtual int GetInstanceFigureCount() const;

  // Takes the mesh itself as a figure, without the copy AddMeshFigure makes
  // (not virtual: plug-ins built on the slot table never see it). -1, and
  // the mesh freed, when it is not valid.
  int AdoptMeshFigure(GMMeshPtr mesh, int value);

 private:
  InkAttributes attributes_;
  std::unique_ptr<CInkFigAdmin> figures_;
  int32_t id_ = 0;
  CInkNode* parent_ = nullptr;
  char name_[64] = {};
  int32_t shown_ = 1;
  int32_t locked_ = 0;
  std::unique_ptr<CInkProperty> properties_;
};
