#include "JwwGaibu/table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace JwwGaibu {
namespace {

struct Plain {
  int32_t A;
  double B[7];
};

struct WithText {
  int32_t A;
  std::string Text;
};

// Large tables lie in pieces of many blocks; every block still comes zeroed, capacity still
// runs in steps of 1000 and no record moves while the table grows.
template <class T>
void GrowCheckAndRelease(TJwwTable<T>& table, int32_t count) {
  std::vector<const T*> firsts;
  for (int32_t i = 0; i < count; ++i) {
    T& record = table.Append();
    ASSERT_EQ(record.A, 0) << i;
    record.A = i + 1;
    if (i % kTableBlock == 0) firsts.push_back(&record);
    ASSERT_EQ(table.Capacity(), (i / kTableBlock + 1) * kTableBlock);
  }
  for (size_t b = 0; b < firsts.size(); ++b) {
    const int32_t i = static_cast<int32_t>(b) * kTableBlock;
    ASSERT_EQ(&table[i], firsts[b]);
    ASSERT_EQ(table[i].A, i + 1);
  }
  int32_t seen = 0;
  table.ForEach([&](T& record) { ASSERT_EQ(record.A, ++seen); });
  EXPECT_EQ(seen, count);
  table.Release();
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.Capacity(), 0);
  EXPECT_EQ(table.Append().A, 0);
}

TEST(TJwwTable, GrowsAcrossPiecesWithoutMovingRecords) {
  TJwwTable<Plain> plain;
  GrowCheckAndRelease(plain, 300000);  // 19 MB: pieces of up to 16 MiB
  TJwwTable<WithText> texts;
  GrowCheckAndRelease(texts, 120000);
}

TEST(TJwwTable, TruncatedRecordsComeBackZeroed) {
  TJwwTable<WithText> table;
  for (int i = 0; i < 2500; ++i)
    table.Append() = WithText{i + 1, "text number " + std::to_string(i)};
  table.Truncate(1200);
  EXPECT_EQ(table.Count(), 1200);
  EXPECT_EQ(table.Capacity(), 3000);
  const WithText& again = table.Append();
  EXPECT_EQ(again.A, 0);
  EXPECT_EQ(again.Text, "");
  EXPECT_EQ(table[1199].Text, "text number 1199");
}

// After truncating to any count, at a block's edge or inside a block, appending goes on at
// that count: each new record is the one the index gives, and blocks are reused, not added.
TEST(TJwwTable, AppendingGoesOnWhereTruncatingStopped) {
  for (const int32_t cut : {0, 1, 999, 1000, 1001, 2000, 2499, 2500}) {
    SCOPED_TRACE(cut);
    TJwwTable<WithText> table;
    for (int i = 0; i < 2500; ++i) table.Append().A = i + 1;
    table.Truncate(cut);
    for (int32_t i = cut; i < 3500; ++i) {
      WithText& added = table.Append();
      ASSERT_EQ(&added, &table[i]);
      ASSERT_EQ(added.A, 0);
      added.A = -1;
    }
    EXPECT_EQ(table.Capacity(), 4000);
    for (int32_t i = 0; i < cut; ++i) ASSERT_EQ(table[i].A, i + 1);
  }
}

TEST(TJwwTable, MovingTakesTheRecords) {
  TJwwTable<WithText> from;
  for (int i = 0; i < 1500; ++i) from.Append().A = i;
  const WithText* first = &from[0];
  TJwwTable<WithText> to(std::move(from));
  EXPECT_EQ(to.Count(), 1500);
  EXPECT_EQ(&to[0], first);
  EXPECT_EQ(to[1499].A, 1499);
  EXPECT_EQ(from.Count(), 0);  // NOLINT(bugprone-use-after-move): a moved-from table is empty
  EXPECT_EQ(from.Capacity(), 0);
  from = std::move(to);
  EXPECT_EQ(from[1499].A, 1499);
}

}  // namespace
}  // namespace JwwGaibu
