#include "JwwGaibu/write_back.h"

#include <string>

#include "JwwGaibu/emitters.h"

namespace JwwGaibu {

namespace {

void GroupAndLayer(TJwwState& s, const TJwwEntHead& h) {
  EmitGroup(s, h.Group);
  EmitLayer(s, h.Layer);
}

void LineAttributes(TJwwState& s, const TJwwEntHead& h) {
  EmitColour(s, h.Colour);
  EmitLineType(s, h.LineType);
  EmitLineWidth(s, h.LineWidth);
}

/// A solid given with an extended colour goes back as one; any other as a plain colour.
void SolidColour(TJwwState& s, const TJwwEntHead& h, int32_t extColour) {
  if (h.Colour == 10)
    EmitExtColour(s, extColour);
  else
    EmitColour(s, h.Colour);
}

void TextAttributes(TJwwState& s, const TJwwEntText& t) {
  EmitTextType(s, t.TextType, t.Head.Colour, t.Width, t.Height, t.Spacing);
  EmitCc(s, t.Cc);
  EmitFontName(s, t.FontName);
}

/// The item's marks ("z1" to "z5"), then the item. The host puts marks on the item that
/// follows them, so when the item emitter finds the item degenerate and writes nothing, its
/// marks are taken back: left in, they would land on the next item written.
template <class EmitItem>
void MarksAndItem(TJwwState& s, int32_t zFlags, EmitItem&& emitItem) {
  const OutputLines::Position before = s.Output.Here();
  EmitZFlags(s, zFlags);
  const int32_t marked = s.Output.Count();
  emitItem();
  if (s.Output.Count() == marked) s.Output.Truncate(before);
}

void WriteBackLine(TJwwState& s, int32_t index) {
  const TJwwEntLine& r = s.LineTable[index];
  GroupAndLayer(s, r.Head);
  LineAttributes(s, r.Head);
  MarksAndItem(s, r.Head.ZFlags, [&] { EmitLine(s, r.X1, r.Y1, r.X2, r.Y2); });
}

void WriteBackCircle(TJwwState& s, int32_t index) {
  const TJwwEntCircle& r = s.CircleTable[index];
  GroupAndLayer(s, r.Head);
  LineAttributes(s, r.Head);
  MarksAndItem(s, r.Head.ZFlags, [&] { EmitCircle(s, r.X, r.Y, r.R); });
}

void WriteBackArc(TJwwState& s, int32_t index) {
  const TJwwEntArc& r = s.ArcTable[index];
  GroupAndLayer(s, r.Head);
  LineAttributes(s, r.Head);
  MarksAndItem(s, r.Head.ZFlags, [&] { EmitArc(s, r.X, r.Y, r.R, r.V4, r.V5, r.V6, r.V7); });
}

void WriteBackText(TJwwState& s, int32_t index) {
  const TJwwEntText& r = s.TextTable[index];
  GroupAndLayer(s, r.Head);
  TextAttributes(s, r);
  MarksAndItem(s, r.Head.ZFlags, [&] { EmitText(s, r.TextKind, r.Text, r.X, r.Y, r.Dx, r.Dy); });
}

void WriteBackPoint(TJwwState& s, int32_t index) {
  const TJwwEntPoint& r = s.PointTable[index];
  GroupAndLayer(s, r.Head);
  EmitPointType(s, r.Head.Colour);
  EmitLineWidth(s, r.Head.LineWidth);
  MarksAndItem(s, r.Head.ZFlags, [&] { EmitPoint(s, r.X, r.Y); });
}

void WriteBackPointEx(TJwwState& s, int32_t index) {
  const TJwwEntPointEx& r = s.PointExTable[index];
  GroupAndLayer(s, r.Head);
  EmitPointType(s, r.Head.Colour);
  EmitLineWidth(s, r.Head.LineWidth);
  MarksAndItem(s, r.Head.ZFlags, [&] { EmitPointEx(s, r.N5, r.X, r.Y, r.V3, r.V4); });
}

void WriteBackDim(TJwwState& s, int32_t index) {
  const TJwwEntDim& r = s.DimTable[index];
  GroupAndLayer(s, r.Head);
  LineAttributes(s, r.Line.Head);
  TextAttributes(s, r.Text);
  MarksAndItem(s, r.Head.ZFlags, [&] {
    EmitDim(s, r.Text.Text, r.Line.X1, r.Line.Y1, r.Line.X2, r.Line.Y2, r.Text.X, r.Text.Y,
            r.Text.Dx, r.Text.Dy);
  });
}

void WriteBackSl2(TJwwState& s, int32_t index) {
  const TJwwEntSl2& r = s.Sl2Table[index];
  GroupAndLayer(s, r.Head);
  SolidColour(s, r.Head, r.ExtColour);
  EmitLineWidth(s, r.Head.LineWidth);
  MarksAndItem(s, r.Head.ZFlags, [&] { EmitSl2(s, r.X1, r.Y1, r.X2, r.Y2); });
}

void WriteBackSl3(TJwwState& s, int32_t index) {
  const TJwwEntSl3& r = s.Sl3Table[index];
  GroupAndLayer(s, r.Head);
  SolidColour(s, r.Head, r.ExtColour);
  MarksAndItem(s, r.Head.ZFlags, [&] { EmitSl3(s, r.X1, r.Y1, r.X2, r.Y2, r.X3, r.Y3); });
}

void WriteBackSl4(TJwwState& s, int32_t index) {
  const TJwwEntSl4& r = s.Sl4Table[index];
  GroupAndLayer(s, r.Head);
  SolidColour(s, r.Head, r.ExtColour);
  MarksAndItem(s, r.Head.ZFlags,
               [&] { EmitSl4(s, r.X1, r.Y1, r.X2, r.Y2, r.X3, r.Y3, r.X4, r.Y4); });
}

void WriteBackSc(TJwwState& s, int32_t index) {
  const TJwwEntSc& r = s.ScTable[index];
  GroupAndLayer(s, r.Head);
  SolidColour(s, r.Head, r.ExtColour);
  MarksAndItem(s, r.Head.ZFlags,
               [&] { EmitSc(s, r.N8, r.V1, r.V2, r.V3, r.V4, r.V5, r.V6, r.V7); });
}

void WriteBackSe(TJwwState& s, int32_t index) {
  const TJwwEntSe& r = s.SeTable[index];
  GroupAndLayer(s, r.Head);
  SolidColour(s, r.Head, r.ExtColour);
  EmitLineWidth(s, r.Head.LineWidth);
  MarksAndItem(s, r.Head.ZFlags,
               [&] { EmitSe(s, r.N8, r.V1, r.V2, r.V3, r.V4, r.V5, r.V6, r.V7); });
}

void WriteBackSo(TJwwState& s, int32_t index) {
  const TJwwEntSo& r = s.SoTable[index];
  GroupAndLayer(s, r.Head);
  SolidColour(s, r.Head, r.ExtColour);
  MarksAndItem(s, r.Head.ZFlags,
               [&] { EmitSo(s, r.V1, r.V2, r.V3, r.V4, r.V5, r.V6, r.V7, r.V8); });
}

void WriteBackSg(TJwwState& s, int32_t index) {
  const TJwwEntSg& r = s.SgTable[index];
  GroupAndLayer(s, r.Head);
  SolidColour(s, r.Head, r.ExtColour);
  MarksAndItem(s, r.Head.ZFlags,
               [&] { EmitSg(s, r.V1, r.V2, r.V3, r.V4, r.V5, r.V6, r.V7, r.V8); });
}

void WriteBackEntry(TJwwState& s, const TJwwEntRef& ref) {
  switch (ref.Kind) {
    case kKindLine: return WriteBackLine(s, ref.Index);
    case kKindCircle: return WriteBackCircle(s, ref.Index);
    case kKindArc: return WriteBackArc(s, ref.Index);
    case kKindText: return WriteBackText(s, ref.Index);
    case kKindPoint: return WriteBackPoint(s, ref.Index);
    case kKindPointEx: return WriteBackPointEx(s, ref.Index);
    case kKindDim: return WriteBackDim(s, ref.Index);
    case kKindSl2: return WriteBackSl2(s, ref.Index);
    case kKindSl3: return WriteBackSl3(s, ref.Index);
    case kKindSl4: return WriteBackSl4(s, ref.Index);
    case kKindSc: return WriteBackSc(s, ref.Index);
    case kKindSe: return WriteBackSe(s, ref.Index);
    case kKindSo: return WriteBackSo(s, ref.Index);
    case kKindSg: return WriteBackSg(s, ref.Index);
    default: return;  // block insertions are not written back
  }
}

/// The status text of the pass at `item` of `count`.
std::string ProgressText(int32_t item, int32_t count) {
  std::string text = "処理中(ESC:中断)：";
  text += std::to_string(item);
  text += "／";
  text += std::to_string(count);
  return text;
}

}  // namespace

void WriteBackModel(TJwwState& s, ProgressLabel& progressLabel) {
  if (s.BzFlag) AppendOutputLine(s, "bz");
  const int32_t n = s.EntCount();
  for (int32_t i = 0; i < n; ++i) {
    if (i % kProgressEvery == 0) {
      progressLabel.SetStatusText(ProgressText(i + 1, n));
      if (progressLabel.StopRequested()) {
        // A stop changes nothing at all: no closing group or layer line either, which
        // would leave the host a command file that only switches its current layer.
        ClearOutputLines(s);
        return;
      }
      // Between items no text command waits for its text: the lines gathered so far can go
      // on to the command file, if it was begun.
      s.Output.Spill();
    }
    WriteBackEntry(s, s.EntIndex[i]);
  }
  EmitGroup(s, s.FirstGroup);
  EmitLayer(s, s.FirstLayer);
}

}  // namespace JwwGaibu
