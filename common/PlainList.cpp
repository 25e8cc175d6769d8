#include "common/PlainList.h"

#include <algorithm>
#include <cstring>
#include <new>

CListError::CListError(std::string_view text) {
  std::memset(message, 0, sizeof message);
  text.copy(message, sizeof message - 1);
}

// --- CPlainItem --------------------------------------------------------------

CPlainItem::~CPlainItem() {
  if (next_) next_->prev_ = prev_;
  if (prev_) prev_->next_ = next_;
}

void CPlainItem::Init(void* data, int id) {
  data_ = data;
  id_ = id;
  prev_ = nullptr;
  next_ = nullptr;
}

CPlainItem* CPlainItem::InsertAfter(void* data, int id) {
  auto* link = new (std::nothrow) CPlainItem;
  if (!link) return nullptr;
  link->Init(data, id);
  link->prev_ = this;
  link->next_ = next_;
  if (next_) next_->prev_ = link;
  next_ = link;
  return link;
}

CPlainItem* CPlainItem::InsertBefore(void* data, int id) {
  auto* link = new (std::nothrow) CPlainItem;
  if (!link) return nullptr;
  link->Init(data, id);
  link->next_ = this;
  link->prev_ = prev_;
  if (prev_) prev_->next_ = link;
  prev_ = link;
  return link;
}

// Iterative, so that clearing a list of millions of links never recurses.
void CPlainItem::DeleteAfter() {
  while (next_) delete next_;  // each link unlinks itself on deletion
}

void CPlainItem::DeleteBefore() {
  while (prev_) delete prev_;
}

void* CPlainItem::GetData() const { return data_; }

void* CPlainItem::SetData(void* data) {
  void* old = data_;
  data_ = data;
  return old;
}

int CPlainItem::GetId() const { return id_; }

int CPlainItem::SetId(int id) {
  const int old = id_;
  id_ = id;
  return old;
}

CPlainItem* CPlainItem::GetNext() const { return next_; }
CPlainItem* CPlainItem::GetPrev() const { return prev_; }

// --- CPlainList --------------------------------------------------------------

CPlainList::~CPlainList() { CPlainList::RemoveAll(); }

void CPlainList::Initialize() {}

CPlainItem* CPlainList::LinkAt(int index) const {
  if (index < 0 || count_ == 0) return nullptr;
  if (index == 0) return head_;
  if (index == 1) return head_->GetNext();
  if (index == count_ - 1) return tail_;
  if (index == count_ - 2) return tail_->GetPrev();
  if (cursor_) {
    if (index == cursorIndex_) return cursor_;
    if (index == cursorIndex_ - 1) return cursor_->GetPrev();
    if (index == cursorIndex_ + 1) return cursor_->GetNext();
  }
  CPlainItem* link = head_;
  for (int i = 0; i < index && link; ++i) link = link->GetNext();
  return link;
}

int CPlainList::Add(void* data) {
  CPlainItem* link = nullptr;
  if (!head_) {
    link = new (std::nothrow) CPlainItem;
    if (!link) return -1;
    link->Init(data, nextId_);
    head_ = link;
  } else {
    link = tail_->InsertAfter(data, nextId_);
    if (!link) return -1;
  }
  tail_ = cursor_ = link;
  ++nextId_;
  ++count_;
  cursorIndex_ = count_ - 1;
  return count_ - 1;
}

int CPlainList::InsertAt(int index, void* data) {
  if (index < 0) return -1;
  CPlainItem* at = LinkAt(index);
  if (!at) return -1;
  CPlainItem* link = at->InsertBefore(data, nextId_);
  if (!link) return -1;
  if (index == 0) head_ = link;
  cursor_ = link;
  cursorIndex_ = index;
  ++nextId_;
  ++count_;
  return index;
}

void CPlainList::RemoveAt(int index) {
  if (count_ == 0) return;
  CPlainItem* link = LinkAt(index);
  if (!link) return;
  if (CPlainItem* prev = link->GetPrev()) {
    cursor_ = prev;
    cursorIndex_ = index - 1;
  } else {
    cursor_ = nullptr;
    cursorIndex_ = -1;
  }
  if (link == tail_) tail_ = link->GetPrev();
  if (link == head_) head_ = link->GetNext();
  --count_;
  delete link;
}

void CPlainList::RemoveAll() {
  if (head_) {
    head_->DeleteAfter();
    delete head_;
  }
  head_ = tail_ = cursor_ = nullptr;
  count_ = 0;
  nextId_ = 0;
  cursorIndex_ = -1;
}

void* CPlainList::GetAt(int index) {
  if (count_ == 0 || index < 0 || index > count_ - 1) throw CListError(kListErrorIndexOutOfRange);
  CPlainItem* link = LinkAt(index);
  if (!link) throw CListError(kListErrorNoSuchItem);
  cursor_ = link;
  cursorIndex_ = index;
  return link->GetData();
}

int CPlainList::SetAt(int index, void* data) {
  if (index < 0 || index > count_ - 1) return 0;
  CPlainItem* link = LinkAt(index);
  if (!link) return 0;
  link->SetData(data);
  return 1;
}

int CPlainList::GetIdAt(int index) {
  if (count_ == 0 || index < 0 || index > count_ - 1) throw CListError(kListErrorIndexOutOfRange);
  CPlainItem* link = LinkAt(index);
  if (!link) throw CListError(kListErrorNoSuchItem);
  cursor_ = link;
  cursorIndex_ = index;
  return link->GetId();
}

int CPlainList::SetIdAt(int index, int id) {
  if (count_ == 0 || index < 0 || index > count_ - 1) throw CListError(kListErrorIndexOutOfRange);
  CPlainItem* link = LinkAt(index);
  if (!link) throw CListError(kListErrorNoSuchItem);
  return link->SetId(id);
}

int CPlainList::Find(const void* data) const {
  if (count_ == 0) return -1;
  if (head_->GetData() == data) return 0;
  CPlainItem* second = head_->GetNext();
  if (!second) return -1;
  if (second->GetData() == data) return 1;
  if (tail_->GetData() == data) return count_ - 1;
  if (tail_->GetPrev()->GetData() == data) return count_ - 2;
  if (cursor_ && cursor_ != head_ && cursor_ != tail_) {
    if (cursor_->GetData() == data) return cursorIndex_;
    if (CPlainItem* p = cursor_->GetPrev(); p && p->GetData() == data) return cursorIndex_ - 1;
    if (CPlainItem* n = cursor_->GetNext(); n && n->GetData() == data) return cursorIndex_ + 1;
  }
  int i = 0;
  for (CPlainItem* link = head_; link; link = link->GetNext(), ++i)
    if (link->GetData() == data) return i;
  return -1;
}

int CPlainList::GetCount() const { return count_; }
int CPlainList::GetCurrentIndex() const { return cursorIndex_; }

int CPlainList::AddUnique(void* data) { return Find(data) >= 0 ? -1 : Add(data); }

// --- CPlainListCap -----------------------------------------------------------

CPlainListCap::~CPlainListCap() = default;
void CPlainListCap::Initialize() { CPlainList::Initialize(); }
int CPlainListCap::Add(void* data) { return CPlainList::Add(data); }
int CPlainListCap::InsertAt(int index, void* data) { return CPlainList::InsertAt(index, data); }
void CPlainListCap::RemoveAt(int index) { CPlainList::RemoveAt(index); }
void CPlainListCap::RemoveAll() { CPlainList::RemoveAll(); }
void* CPlainListCap::GetAt(int index) { return CPlainList::GetAt(index); }
int CPlainListCap::SetAt(int index, void* data) { return CPlainList::SetAt(index, data); }
int CPlainListCap::GetIdAt(int index) { return CPlainList::GetIdAt(index); }
int CPlainListCap::SetIdAt(int index, int id) { return CPlainList::SetIdAt(index, id); }
int CPlainListCap::Find(const void* data) const { return CPlainList::Find(data); }
int CPlainListCap::GetCount() const { return CPlainList::GetCount(); }
int CPlainListCap::GetCurrentIndex() const { return CPlainList::GetCurrentIndex(); }
