#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/PlainList.h"

namespace {

// Elements are only addresses to the list; these give it distinct ones.
struct Items {
  int v[16] = {};
  void* operator[](int i) { return &v[i]; }
};

std::string MessageOf(CPlainList& list, int index) {
  try {
    list.GetAt(index);
  } catch (const CListError& e) {
    return e.GetMessage();
  }
  return "no exception";
}

TEST(PlainList, AddReturnsIndexAndMovesCursor) {
  Items it;
  CPlainList list;
  EXPECT_EQ(list.GetCurrentIndex(), -1);
  EXPECT_EQ(list.Add(it[0]), 0);
  EXPECT_EQ(list.GetCurrentIndex(), 0);
  EXPECT_EQ(list.Add(it[1]), 1);
  EXPECT_EQ(list.Add(it[2]), 2);
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetCurrentIndex(), 2);
  EXPECT_EQ(list.GetAt(1), it[1]);
  EXPECT_EQ(list.GetCurrentIndex(), 1);
}

TEST(PlainList, InsertAtNeverAppends) {
  Items it;
  CPlainList list;
  EXPECT_EQ(list.InsertAt(0, it[0]), -1);
  EXPECT_EQ(list.GetCount(), 0);
  list.Add(it[0]);
  list.Add(it[1]);
  EXPECT_EQ(list.InsertAt(2, it[2]), -1);
  EXPECT_EQ(list.InsertAt(-1, it[2]), -1);
  EXPECT_EQ(list.GetCount(), 2);

  EXPECT_EQ(list.InsertAt(0, it[2]), 0);  // new head
  EXPECT_EQ(list.GetCurrentIndex(), 0);
  EXPECT_EQ(list.InsertAt(2, it[3]), 2);  // before it[1]
  const std::vector<void*> expected{it[2], it[0], it[3], it[1]};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list.GetAt(i), expected[static_cast<size_t>(i)]) << i;
  // Ids follow insertion, not position.
  EXPECT_EQ(list.GetIdAt(0), 2);
  EXPECT_EQ(list.GetIdAt(2), 3);
  EXPECT_EQ(list.GetIdAt(3), 1);
}

TEST(PlainList, ValidatedReadsThrowWithTheirMessages) {
  Items it;
  CPlainList list;
  EXPECT_EQ(MessageOf(list, 0), "Indexが値の範囲を越えています。");
  list.Add(it[0]);
  list.Add(it[1]);
  EXPECT_EQ(MessageOf(list, -1), "Indexが値の範囲を越えています。");
  EXPECT_EQ(MessageOf(list, 2), "Indexが値の範囲を越えています。");
  EXPECT_THROW(list.GetIdAt(2), CListError);
  EXPECT_THROW(list.SetIdAt(-1, 5), CListError);
  // SetAt reports instead of throwing.
  EXPECT_EQ(list.SetAt(5, it[3]), 0);
  EXPECT_EQ(list.SetAt(1, it[3]), 1);
  EXPECT_EQ(list.GetAt(1), it[3]);
}

TEST(PlainList, ErrorMessageIsCutToTheField) {
  const std::string longText(400, 'x');
  CListError e(longText);
  EXPECT_EQ(std::string(e.GetMessage()).size(), 255u);
  EXPECT_EQ(e.message[255], '\0');
}

TEST(PlainList, IdsStayWithElementsAndAreNotReusedUntilCleared) {
  Items it;
  CPlainList list;
  list.Add(it[0]);
  list.Add(it[1]);
  list.Add(it[2]);
  list.RemoveAt(1);
  EXPECT_EQ(list.GetAt(1), it[2]);
  EXPECT_EQ(list.GetIdAt(1), 2);
  EXPECT_EQ(list.Add(it[3]), 2);
  EXPECT_EQ(list.GetIdAt(2), 3);  // id 1 is gone for good

  EXPECT_EQ(list.SetIdAt(0, 42), 0);
  EXPECT_EQ(list.GetIdAt(0), 42);

  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetCurrentIndex(), -1);
  list.Add(it[4]);
  EXPECT_EQ(list.GetIdAt(0), 0);
}

TEST(PlainList, RemoveAtMovesCursorToPredecessor) {
  Items it;
  CPlainList list;
  list.Add(it[0]);
  list.RemoveAt(0);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetCurrentIndex(), -1);
  EXPECT_THROW(list.GetAt(0), CListError);
  EXPECT_EQ(list.Add(it[1]), 0);  // head and tail were cleared properly

  list.Add(it[2]);
  list.Add(it[3]);
  list.RemoveAt(2);  // the tail
  EXPECT_EQ(list.GetCurrentIndex(), 1);
  EXPECT_EQ(list.GetAt(list.GetCount() - 1), it[2]);
  list.RemoveAt(7);  // nothing there
  list.RemoveAt(-1);
  EXPECT_EQ(list.GetCount(), 2);
}

TEST(PlainList, FindFollowsItsProbeOrder) {
  Items it;
  CPlainList list;
  EXPECT_EQ(list.Find(it[0]), -1);
  for (int i = 0; i < 6; ++i) list.Add(it[i]);
  list.SetAt(2, it[9]);
  list.SetAt(5, it[9]);
  list.GetAt(3);  // cursor elsewhere
  EXPECT_EQ(list.Find(it[9]), 5);  // the last index is probed before a walk reaches 2
  EXPECT_EQ(list.GetCurrentIndex(), 3);  // Find leaves the cursor alone
  EXPECT_EQ(list.Find(it[3]), 3);
  EXPECT_EQ(list.Find(it[12]), -1);

  // The cursor's neighbours are probed before the walk from the head.
  CPlainList eight;
  for (int i = 0; i < 8; ++i) eight.Add(it[i]);
  eight.SetAt(2, it[11]);
  eight.SetAt(5, it[11]);
  eight.GetAt(4);
  EXPECT_EQ(eight.Find(it[11]), 5);
  eight.GetAt(0);  // a cursor at the head takes no part
  EXPECT_EQ(eight.Find(it[11]), 2);
}

TEST(PlainList, AddUniqueRefusesAListedPointer) {
  Items it;
  CPlainList list;
  EXPECT_EQ(list.AddUnique(it[0]), 0);
  EXPECT_EQ(list.AddUnique(it[1]), 1);
  EXPECT_EQ(list.AddUnique(it[0]), -1);
  EXPECT_EQ(list.GetCount(), 2);
}

TEST(PlainList, SequentialWalksInBothDirectionsSeeEveryElement) {
  std::vector<int> values(1000);
  CPlainList list;
  for (auto& v : values) list.Add(&v);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(list.GetAt(i), &values[static_cast<size_t>(i)]);
  for (int i = 999; i >= 0; --i) ASSERT_EQ(list.GetAt(i), &values[static_cast<size_t>(i)]);
  // Random access still walks correctly from the head.
  EXPECT_EQ(list.GetAt(500), &values[500]);
  EXPECT_EQ(list.GetAt(17), &values[17]);
  EXPECT_EQ(list.GetIdAt(998), 998);
}

TEST(PlainItem, LinksSpliceAndUnlink) {
  int a = 0, b = 0, c = 0;
  auto* first = new CPlainItem;
  first->Init(&a, 0);
  CPlainItem* third = first->InsertAfter(&c, 2);
  CPlainItem* second = third->InsertBefore(&b, 1);
  EXPECT_EQ(first->GetNext(), second);
  EXPECT_EQ(second->GetNext(), third);
  EXPECT_EQ(third->GetPrev(), second);
  EXPECT_EQ(second->SetData(&a), &b);
  EXPECT_EQ(second->SetId(7), 1);
  delete second;  // unlinks itself
  EXPECT_EQ(first->GetNext(), third);
  EXPECT_EQ(third->GetPrev(), first);
  third->DeleteBefore();
  EXPECT_EQ(third->GetPrev(), nullptr);
  delete third;
}

// A typed list that owns its elements, the way the scene lists do.
class OwningList : public CPlainListCap {
 public:
  explicit OwningList(int* freed) : freed_(freed) {}
  ~OwningList() override {
    for (int i = 0; i < GetCount(); ++i) Free(GetAt(i));
  }
  void RemoveAt(int index) override {
    if (index >= 0 && index < GetCount()) Free(GetAt(index));
    CPlainListCap::RemoveAt(index);
  }

 private:
  void Free(void* p) {
    delete static_cast<int*>(p);
    ++*freed_;
  }
  int* freed_;
};

TEST(PlainListCap, TypedListsFreeThroughTheirOverrides) {
  int freed = 0;
  {
    OwningList list(&freed);
    CPlainList& base = list;
    base.Add(new int(1));
    base.Add(new int(2));
    base.Add(new int(3));
    base.RemoveAt(1);  // dispatches to the typed list
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(*static_cast<int*>(base.GetAt(1)), 3);
  }
  EXPECT_EQ(freed, 3);
}

}  // namespace

namespace {
TEST(PlainList, EmptyErrorTextIsAnEmptyMessage) {
  CListError e{std::string_view{}};
  EXPECT_STREQ(e.GetMessage(), "");
}
}  // namespace
