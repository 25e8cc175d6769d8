#include "model/InkProperty.h"

#include <algorithm>
#include <cstring>

// Records are list elements stored as untyped pointers, so the list allocates
// and frees them itself.

namespace {

bool NameEquals(const InkPropertyRecord& record, std::string_view name) {
  const size_t length = strnlen(record.name, sizeof record.name);
  return length == name.size() && std::memcmp(record.name, name.data(), length) == 0;
}

}  // namespace

CInkProperty::~CInkProperty() {
  for (int i = 0; i < GetCount(); ++i) delete static_cast<InkPropertyRecord*>(GetAt(i));
  CPlainListCap::RemoveAll();
}

void CInkProperty::RemoveAt(int index) {
  delete static_cast<InkPropertyRecord*>(GetAt(index));
  CPlainListCap::RemoveAt(index);
}

void CInkProperty::RemoveAll() {
  for (int i = 0; i < GetCount(); ++i) delete static_cast<InkPropertyRecord*>(GetAt(i));
  CPlainListCap::RemoveAll();
}

int CInkProperty::GetValueAt(int index) { return GetRecordAt(index)->value; }

int CInkProperty::FindValue(std::string_view name) {
  const int index = IndexOfName(name);
  return index < 0 ? 0 : GetValueAt(index);
}

InkPropertyRecord* CInkProperty::GetRecordAt(int index) {
  return static_cast<InkPropertyRecord*>(GetAt(index));
}

int CInkProperty::AddProperty(std::string_view name, int value) {
  auto* record = new InkPropertyRecord{};
  name.copy(record->name, sizeof record->name - 1);
  record->value = value;
  const int index = Add(record);
  if (index < 0) delete record;
  return index;
}

int CInkProperty::IndexOfName(std::string_view name) {
  for (int i = 0; i < GetCount(); ++i)
    if (NameEquals(*GetRecordAt(i), name)) return i;
  return -1;
}

void CInkProperty::CopyTo(CInkProperty& target) {
  // Counted first, so that copying a list onto itself stops at the original end.
  const int count = GetCount();
  for (int i = 0; i < count; ++i) {
    const InkPropertyRecord* record = GetRecordAt(i);
    target.AddProperty(std::string_view(record->name, strnlen(record->name, sizeof record->name)),
                       record->value);
  }
}
