#include "JwwGaibu/model.h"

#include <gtest/gtest.h>

namespace JwwGaibu {
namespace {

TEST(TJwwTable, GrowsByThousandRecordBlocksAndNeverMovesOne) {
  TJwwTable<TJwwEntLine> table;
  EXPECT_EQ(table.Capacity(), 0);
  TJwwEntLine* first = &table.Append();
  EXPECT_EQ(table.Capacity(), 1000);
  for (int i = 1; i < 1000; ++i) table.Append().X1 = i;
  EXPECT_EQ(table.Count(), 1000);
  EXPECT_EQ(table.Capacity(), 1000);
  TJwwEntLine& added = table.Append();
  EXPECT_EQ(table.Capacity(), 2000);
  EXPECT_EQ(added.X1, 0);  // new capacity is zero-filled
  EXPECT_EQ(&table[0], first);
  EXPECT_EQ(table[999].X1, 999);
  table.Release();
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.Capacity(), 0);
}

TEST(ResetModel, RestoresEveryStartingValue) {
  TJwwState s;
  s.TextTypes[4].Width = 9;
  s.CurFontName.assign(1, 'x');  // not = "x": GCC 12 for Windows warns falsely there
  s.AttrFirst.fill(false);
  s.AttrFirst[7] = true;
  s.LineTable.Append();
  AppendEntRef(s, kKindLine, 0);
  s.LoadFailed = true;
  s.Output.Append("hd");
  ResetModel(s);
  for (const auto& type : s.TextTypes) {
    EXPECT_EQ(type.Width, 3.0);
    EXPECT_EQ(type.Height, 3.0);
    EXPECT_EQ(type.Spacing, 0.0);
    EXPECT_EQ(type.Colour, 2);
  }
  for (double scale : s.GroupScale) EXPECT_EQ(scale, 1.0);
  EXPECT_EQ(s.CurFontName, "<\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E>");
  EXPECT_EQ(s.PaperWidth, 1189);
  EXPECT_EQ(s.PendingDimLine.X2, 1);
  EXPECT_EQ(s.PendingDimLine.Head.Colour, 1);
  for (int flag = 0; flag <= 5; ++flag) EXPECT_TRUE(s.AttrFirst[flag]);
  EXPECT_FALSE(s.AttrFirst[6]);  // flags 6 to 9 are left alone
  EXPECT_TRUE(s.AttrFirst[7]);
  EXPECT_EQ(s.LineTable.Count(), 0);
  EXPECT_EQ(s.EntCount(), 0);
  EXPECT_EQ(s.Output.Count(), 0);
  EXPECT_FALSE(s.LoadFailed);
  EXPECT_EQ(s.LayerNames.size(), 256u);
  EXPECT_EQ(s.RefPoints.size(), 100u);
}

TEST(AddItem, IndexesTheRecordAndCopiesTheHead) {
  TJwwState s;
  ResetModel(s);
  s.CurHhp = 1, s.CurGroup = 2, s.CurLayer = 3, s.CurColour = 4;
  s.CurLineType = 5, s.CurLineWidth = 6, s.CurZFlags = 7;
  AddItem(s, s.CircleTable, kKindCircle);
  TJwwEntCircle& second = AddItem(s, s.CircleTable, kKindCircle);
  EXPECT_EQ(s.EntIndex[1].Kind, kKindCircle);
  EXPECT_EQ(s.EntIndex[1].Index, 1);
  const TJwwEntHead& h = second.Head;
  EXPECT_EQ((std::array{h.Hhp, h.Group, h.Layer, h.Colour, h.LineType, h.LineWidth, h.ZFlags}),
            (std::array{1, 2, 3, 4, 5, 6, 7}));
}

}  // namespace
}  // namespace JwwGaibu
