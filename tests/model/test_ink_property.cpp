#include <gtest/gtest.h>

#include <string>

#include "model/InkProperty.h"

namespace {

TEST(InkProperty, NamesAreCutAt63BytesAndMatchedExactly) {
  CInkProperty list;
  const std::string longName(70, 'p');
  EXPECT_EQ(list.AddProperty("first", 1), 0);
  EXPECT_EQ(list.AddProperty(longName, 7), 1);
  EXPECT_EQ(std::string(list.GetRecordAt(1)->name), longName.substr(0, 63));
  EXPECT_EQ(list.IndexOfName(longName), -1);
  EXPECT_EQ(list.IndexOfName(longName.substr(0, 63)), 1);
  EXPECT_EQ(list.IndexOfName("firs"), -1);  // no prefix matches
  EXPECT_EQ(list.IndexOfName("First"), -1);  // case counts
}

TEST(InkProperty, FindValueTakesTheFirstRecordAndZeroWhenMissing) {
  CInkProperty list;
  EXPECT_EQ(list.FindValue("height"), 0);
  list.AddProperty("height", 12);
  list.AddProperty("floor", 3);
  list.AddProperty("height", 40);
  EXPECT_EQ(list.FindValue("height"), 12);
  EXPECT_EQ(list.FindValue("floor"), 3);
  EXPECT_EQ(list.FindValue("roof"), 0);
}

TEST(InkProperty, RemoveAtFreesAndShiftsAndRejectsBadIndexes) {
  CInkProperty list;
  list.AddProperty("a", 1);
  list.AddProperty("b", 2);
  list.RemoveAt(0);
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetValueAt(0), 2);
  EXPECT_THROW(list.RemoveAt(1), CListError);
  EXPECT_THROW(list.GetValueAt(-1), CListError);
  EXPECT_THROW(list.GetRecordAt(1), CListError);
  EXPECT_EQ(list.GetCount(), 1);
}

TEST(InkProperty, CopyKeepsOrderAndDuplicates) {
  CInkProperty source, target;
  source.AddProperty("k", 1);
  source.AddProperty("k", 2);
  target.AddProperty("old", 9);
  source.CopyTo(target);
  ASSERT_EQ(target.GetCount(), 3);
  EXPECT_EQ(target.GetValueAt(1), 1);
  EXPECT_EQ(target.GetValueAt(2), 2);
  source.CopyTo(source);  // onto itself: doubles once, never runs away
  EXPECT_EQ(source.GetCount(), 4);
  source.RemoveAll();
  EXPECT_EQ(source.GetCount(), 0);
}

}  // namespace
