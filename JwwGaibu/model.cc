#include "JwwGaibu/model.h"

namespace JwwGaibu {

namespace {

void ReleaseTables(TJwwState& s) {
  s.LineTable.Release();
  s.CircleTable.Release();
  s.ArcTable.Release();
  s.TextTable.Release();
  s.PointTable.Release();
  s.PointExTable.Release();
  s.DimTable.Release();
  s.BlockTable.Release();
  s.Sl2Table.Release();
  s.Sl3Table.Release();
  s.Sl4Table.Release();
  s.ScTable.Release();
  s.SeTable.Release();
  s.SoTable.Release();
  s.SgTable.Release();
  s.EntIndex.Release();
}

template <class T>
void FreeVector(std::vector<T>& v) {
  std::vector<T>().swap(v);
}

}  // namespace

void ResetModel(TJwwState& s) {
  s.FileName.clear();
  s.HkValue = 0;
  s.GroupScale.fill(1.0);
  s.PaperWidth = 1189;
  s.PaperHeight = 841;
  s.TextTypes.fill(TJwwTextType{3.0, 3.0, 0.0, 2});
  s.BzFlag = false;
  s.HnValues.fill(0.0);

  s.GroupNumbers.assign(16, 0);
  s.GroupNames.assign(16, std::string());
  s.LayerNumbers.assign(256, 0);
  s.LayerNames.assign(256, std::string());
  s.RefPoints.assign(100, TJwwRefPoint{});
  s.RefPointCount = 0;

  s.FirstGroup = 0;
  s.FirstLayer = 0;
  s.FirstColour = 1;
  s.FirstLineType = 1;
  s.FirstLineWidth = 0;
  s.FirstTextType = 1;
  s.FirstFreeWidth = 2.0;
  s.FirstFreeHeight = 2.0;
  s.FirstFreeSpacing = 0;
  s.FirstFreeColour = 1;
  s.FirstFontName.clear();
  s.LineWidthSeen = false;
  for (int i = kFirstGroup; i <= kFirstTextType; ++i) s.AttrFirst[i] = true;

  ResetCurrentValues(s);
  s.CurHhp = 0;
  s.CurZFlags = 0;
  s.PolylineCount = 0;
  s.InPolyline = false;
  s.AfterMsg = false;
  s.PendingDimLine = TJwwEntLine{};
  s.PendingDimLine.Head.Colour = 1;
  s.PendingDimLine.Head.LineType = 1;
  s.PendingDimLine.X2 = 1;

  ReleaseTables(s);
  s.LoadFailed = false;
  s.InputOpened = false;
  s.HostFileHolds = HostFile::kSelection;
  s.LoadError = {};
  s.SaveError = {};
  s.Output.Clear();
}

void ResetCurrentValues(TJwwState& s) {
  s.CurGroup = 0;
  s.CurLayer = 0;
  s.CurColour = 1;
  s.CurLineType = 1;
  s.CurLineWidth = 0;
  s.CurTextType = 1;
  s.CurFreeWidth = 2.0;
  s.CurFreeHeight = 2.0;
  s.CurFreeSpacing = 0;
  s.CurFreeColour = 1;
  s.CurCc = 0;
  s.CurFontName.assign(kDefaultFontName);
  s.CurPointType = 1;
  s.CurExtColour = 0;
}

void ReleaseModel(TJwwState& s) {
  FreeVector(s.GroupNumbers);
  FreeVector(s.GroupNames);
  FreeVector(s.LayerNumbers);
  FreeVector(s.LayerNames);
  FreeVector(s.RefPoints);
  ReleaseTables(s);
  s.Output.Clear();
}

}  // namespace JwwGaibu
