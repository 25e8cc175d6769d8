// Named integer values attached to a scene node.
//
// Readers and file plug-ins attach properties to nodes; the viewer keeps them
// with the node, copies them when a node is cloned and carries them over from
// an imported tree, so that an exporting plug-in finds them again. Names need
// not be unique and records stay in insertion order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/PlainList.h"

struct InkPropertyRecord {
  char name[64];  // zero-terminated, at most 63 bytes, the rest zero
  int32_t value;
};
static_assert(offsetof(InkPropertyRecord, name) == 0);
static_assert(offsetof(InkPropertyRecord, value) == 64);
static_assert(sizeof(InkPropertyRecord) == 68);

class CInkProperty : public CPlainListCap {
 public:
  CInkProperty() = default;
  // Frees every record.
  ~CInkProperty() override;
  // Frees the record, then unlinks it; an invalid index throws CListError.
  void RemoveAt(int index) override;
  // Frees every record too: the list owns them.
  void RemoveAll() override;

  virtual int GetValueAt(int index);                    // validated like GetAt
  virtual int FindValue(std::string_view name);         // first match; 0 when none
  virtual InkPropertyRecord* GetRecordAt(int index);    // validated like GetAt

  // Appends a record with at most 63 bytes of name; returns its index.
  int AddProperty(std::string_view name, int value);
  // First index whose name equals the text byte for byte, -1 if none.
  int IndexOfName(std::string_view name);
  // Appends a copy of every record of this list to target, in order.
  void CopyTo(CInkProperty& target);
};
