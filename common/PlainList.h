// Ordered lists of untyped pointers, the base of every list in the scene model,
// the geometry kernel and the display tree.
//
// A list remembers the link it last reached by index (the cursor), so walking
// it by ascending or descending index costs one step per call. Each link
// carries an id handed out in insertion order; ids are never reused until the
// list is cleared, so they identify elements independently of their position.
//
// The lists own their links, never the elements: typed lists that own their
// elements free them in their own overrides of RemoveAt, RemoveAll and the
// destructor.
#pragma once

#include <cstdint>
#include <string_view>

// Thrown by the validating reads for an index outside 0..count-1.
class CListError {
 public:
  explicit CListError(std::string_view text);
  const char* GetMessage() const { return message; }

  char message[256];  // zero-filled, the text cut to at most 255 bytes
};

// Message texts of CListError (Shift-JIS in the original; UTF-8 here).
inline constexpr std::string_view kListErrorIndexOutOfRange = "Indexが値の範囲を越えています。";
inline constexpr std::string_view kListErrorNoSuchItem = "指定アイテムは存在しません。";

class CPlainItem {
 public:
  CPlainItem() = default;
  CPlainItem(const CPlainItem&) = delete;
  CPlainItem& operator=(const CPlainItem&) = delete;

  // Unlinks itself from its neighbours; the element is not touched.
  virtual ~CPlainItem();
  virtual void Init(void* data, int id);
  virtual CPlainItem* InsertAfter(void* data, int id);
  virtual CPlainItem* InsertBefore(void* data, int id);
  virtual void DeleteAfter();
  virtual void DeleteBefore();
  virtual void* GetData() const;
  virtual void* SetData(void* data);
  virtual int GetId() const;
  virtual int SetId(int id);
  virtual CPlainItem* GetNext() const;
  virtual CPlainItem* GetPrev() const;

 private:
  int32_t id_ = 0;
  void* data_ = nullptr;
  CPlainItem* prev_ = nullptr;
  CPlainItem* next_ = nullptr;
};

class CPlainList {
 public:
  CPlainList() = default;
  CPlainList(const CPlainList&) = delete;
  CPlainList& operator=(const CPlainList&) = delete;

  virtual ~CPlainList();
  virtual void Initialize();
  virtual int Add(void* data);
  virtual int InsertAt(int index, void* data);
  virtual void RemoveAt(int index);
  virtual void RemoveAll();
  virtual void* GetAt(int index);
  virtual int SetAt(int index, void* data);
  virtual int GetIdAt(int index);
  virtual int SetIdAt(int index, int id);
  virtual int Find(const void* data) const;
  virtual int GetCount() const;
  virtual int GetCurrentIndex() const;

  // -1 when the pointer is already listed, else the result of Add.
  int AddUnique(void* data);

 protected:
  // The link at an index by the fixed probe order; never moves the cursor.
  CPlainItem* LinkAt(int index) const;
  CPlainItem* Head() const { return head_; }

 private:
  CPlainItem* head_ = nullptr;
  CPlainItem* tail_ = nullptr;
  CPlainItem* cursor_ = nullptr;
  int32_t nextId_ = 0;
  int32_t count_ = 0;
  int32_t cursorIndex_ = -1;
};

// The common base of the typed lists: the same interface, no added data.
class CPlainListCap : public CPlainList {
 public:
  ~CPlainListCap() override;
  void Initialize() override;
  int Add(void* data) override;
  int InsertAt(int index, void* data) override;
  void RemoveAt(int index) override;
  void RemoveAll() override;
  void* GetAt(int index) override;
  int SetAt(int index, void* data) override;
  int GetIdAt(int index) override;
  int SetIdAt(int index, int id) override;
  int Find(const void* data) const override;
  int GetCount() const override;
  int GetCurrentIndex() const override;
};
