#include "JwwGaibu/emitters.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <iterator>

#include "JwwGaibu/format_real.h"
#include "JwwGaibu/output_lines.h"
#include "MyFunc/my_func.h"

namespace JwwGaibu {
namespace {

constexpr int32_t kMaxLineWidth = 30000;
constexpr int32_t kMaxCc = 8;
constexpr int32_t kMaxExtColour = 0xFFFFFF;
constexpr int32_t kExtColourMark = 10;  ///< the colour number that means "extended colour"

/// The font keyword: "cn", a double quote (field separation off for the rest of the
/// line, so a name with blanks stays one field) and "$".
constexpr std::string_view kFontKeyword = "cn\"$";

/// Ends a text command: the text follows as the next list line and the save joins the two.
constexpr std::string_view kTextOpening = " \"";

bool NearZero(double v) { return std::fabs(v) <= kTolerance; }
bool Positive(double v) { return v > kTolerance; }
bool Coincide(double x1, double y1, double x2, double y2) {
  return std::fabs(x1 - x2) < kTolerance && std::fabs(y1 - y2) < kTolerance;
}

bool IsBlank(std::string_view text) { return MyFunc::IsBlankText(text); }

// The number writers put their digits straight into the output buffer.

void PutInt(OutputLines& out, int32_t value) {
  constexpr size_t kMaxInt = 11;  // "-2147483648"
  out.PutDirect(kMaxInt, [value](char* p) { return std::to_chars(p, p + kMaxInt, value).ptr - p; });
}

/// Upper-case hexadecimal, as few digits as needed; a negative value as the eight digits
/// of its 32-bit two's complement.
void PutHex(OutputLines& out, int32_t value) {
  char buffer[8];
  int n = 0;
  uint32_t u = static_cast<uint32_t>(value);
  do {
    buffer[7 - n++] = "0123456789ABCDEF"[u & 0xF];
    u >>= 4;
  } while (u != 0);
  out.Put(std::string_view(buffer + 8 - n, n));
}

/// The reals, separated by single blanks, written into room made once for all of them.
void PutReals(OutputLines& out, std::initializer_list<double> values) {
  out.PutDirect(values.size() * (kFormatRealMax + 1), [values](char* start) {
    char* p = start;
    for (double v : values) {
      if (p != start) *p++ = ' ';
      p += FormatReal(v, p);
    }
    return p - start;
  });
}

/// One line: a keyword glued to a decimal number.
void AppendKeywordInt(OutputLines& out, std::string_view keyword, int32_t value) {
  out.Put(keyword);
  PutInt(out, value);
  out.EndLine();
}

/// The text command (keyword X Y Dx Dy, a blank and a double quote) and the text itself
/// as the next line, unchanged.
void AppendTextCommand(OutputLines& out, std::string_view keyword, std::string_view text,
                       double x, double y, double dx, double dy) {
  out.Put(keyword);
  out.Put(' ');
  PutReals(out, {x, y, dx, dy});
  out.Put(kTextOpening);
  out.EndLine();
  out.Append(text);
}

/// Records `value` as the one last sent for attribute `flag`.
void Record(TJwwState& s, int flag, int32_t& current, int32_t value) {
  current = value;
  s.AttrFirst[flag] = false;
}

/// Tracks one integer attribute: true (and the value recorded) when its line is due.
bool Changed(TJwwState& s, int flag, int32_t& current, int32_t value) {
  if (!AttributeDue(s, flag, current, value)) return false;
  Record(s, flag, current, value);
  return true;
}

}  // namespace

void ResetCurrentAttributes(TJwwState& s) {
  s.AttrFirst.fill(true);
  ResetCurrentValues(s);
}

// --- Attribute emitters -----------------------------------------------------------------

void AppendGroupLine(TJwwState& s, int32_t group) {
  Record(s, kFirstGroup, s.CurGroup, group);
  s.Output.Put("lg");
  PutHex(s.Output, group);
  s.Output.EndLine();
  // The host's layer command is relative to the group: a new group needs its layer again.
  s.AttrFirst[kFirstLayer] = true;
}

void AppendLayerLine(TJwwState& s, int32_t layer) {
  Record(s, kFirstLayer, s.CurLayer, layer);
  s.Output.Put("ly");
  PutHex(s.Output, layer);
  s.Output.EndLine();
}

void AppendColourLine(TJwwState& s, int32_t colour) {
  Record(s, kFirstColour, s.CurColour, colour);
  AppendKeywordInt(s.Output, "lc", colour);
  // "lc10" alone counts as sending the extended colour last sent.
  s.AttrFirst[kFirstExtColour] = false;
}

void AppendLineTypeLine(TJwwState& s, int32_t lineType) {
  Record(s, kFirstLineType, s.CurLineType, lineType);
  AppendKeywordInt(s.Output, "lt", lineType);
}

void EmitLineWidth(TJwwState& s, int32_t width) {
  if (!s.LineWidthSeen) return;  // the host's file set no width: leave the host's own
  if (width == -1) width = s.FirstLineWidth;
  if (width < 0 || width > kMaxLineWidth) width = 0;
  if (Changed(s, kFirstLineWidth, s.CurLineWidth, width)) {
    AppendKeywordInt(s.Output, "lw", width);
  }
}

void EmitTextType(TJwwState& s, int32_t textType, int32_t colour, double width, double height,
                  double spacing) {
  if (textType < 0 || textType > 10) {
    textType = TextTypeWritten(s, textType);
    if (textType == 0) {
      width = s.FirstFreeWidth;
      height = s.FirstFreeHeight;
      spacing = s.FirstFreeSpacing;
      colour = s.FirstFreeColour;
    }
  }
  // Sizes are compared exactly: any change must reach the host.
  const bool freeSizeChanged =
      textType == 0 && (width != s.CurFreeWidth || height != s.CurFreeHeight ||
                        spacing != s.CurFreeSpacing || colour != s.CurFreeColour);
  if (!s.AttrFirst[kFirstTextType] && textType == s.CurTextType && !freeSizeChanged) return;

  OutputLines& out = s.Output;
  if (textType == 0) {
    out.Put("cn0 ");
    PutReals(out, {width, height, spacing});
    out.Put(' ');
    PutInt(out, colour);
    out.EndLine();
    s.CurFreeWidth = width;
    s.CurFreeHeight = height;
    s.CurFreeSpacing = spacing;
    s.CurFreeColour = colour;
  } else {
    AppendKeywordInt(out, "cn", textType);
  }
  s.CurTextType = textType;
  s.AttrFirst[kFirstTextType] = false;
}

void EmitCc(TJwwState& s, int32_t cc) {
  if (cc < 0 || cc > kMaxCc) cc = 0;
  if (Changed(s, kFirstCc, s.CurCc, cc)) AppendKeywordInt(s.Output, "cc", cc);
}

void EmitFontName(TJwwState& s, std::string_view name) {
  if (name.empty() || name == "<>") name = s.FirstFontName;
  if (!s.AttrFirst[kFirstFont] && name == s.CurFontName) return;
  s.CurFontName.assign(name);
  s.AttrFirst[kFirstFont] = false;
  s.Output.Put(kFontKeyword);
  s.Output.Put(s.CurFontName);
  s.Output.EndLine();
  // A name ending in a double quote would look like a text command to the save, which
  // would join the next command onto the font line. An empty line behind it takes that
  // place, so the font line stays a file line of its own.
  if (!s.CurFontName.empty() && s.CurFontName.back() == '"') s.Output.EndLine();
}

void EmitPointType(TJwwState& s, int32_t pointType) {
  if (Changed(s, kFirstPointType, s.CurPointType, pointType)) {
    AppendKeywordInt(s.Output, "pn", pointType);
  }
}

void EmitExtColour(TJwwState& s, int32_t value) {
  if (value < 0 || value > kMaxExtColour) value = 0;
  if (!s.AttrFirst[kFirstColour] && s.CurColour == kExtColourMark &&
      !s.AttrFirst[kFirstExtColour] && value == s.CurExtColour) {
    return;
  }
  s.Output.Put("lc10 ");
  PutInt(s.Output, value);
  s.Output.EndLine();
  s.CurExtColour = value;
  s.AttrFirst[kFirstExtColour] = false;
  s.CurColour = kExtColourMark;
  s.AttrFirst[kFirstColour] = false;
}

void AppendZFlagLines(TJwwState& s, int32_t flags) {
  if (flags & 1) s.Output.Append("z1");
  if (flags & 2) s.Output.Append("z2");
  if (flags & 4) s.Output.Append("z3");
  if ((flags & 8) && !(flags & 16)) s.Output.Append("z4");  // "z5" supersedes "z4"
  if (flags & 16) s.Output.Append("z5");
}

// --- Item emitters ----------------------------------------------------------------------

void EmitLine(TJwwState& s, double x1, double y1, double x2, double y2) {
  if (Coincide(x1, y1, x2, y2)) return;
  PutReals(s.Output, {x1, y1, x2, y2});
  s.Output.EndLine();
}

void EmitPoint(TJwwState& s, double x, double y) {
  s.Output.Put("pt ");
  PutReals(s.Output, {x, y});
  s.Output.EndLine();
}

void EmitPointEx(TJwwState& s, int32_t n5, double x, double y, double v3, double v4) {
  if (n5 < -7 || n5 > 11) n5 = -3;
  if (NearZero(v3)) v3 = 1;
  s.Output.Put("pt ");
  PutReals(s.Output, {x, y, v3, v4});
  s.Output.Put(' ');
  PutInt(s.Output, n5);
  s.Output.EndLine();
}

void EmitCircle(TJwwState& s, double x, double y, double r) {
  if (!Positive(r)) return;
  s.Output.Put("ci ");
  PutReals(s.Output, {x, y, r});
  s.Output.EndLine();
}

void EmitArc(TJwwState& s, double x, double y, double r, double v4, double v5, double v6,
             double v7) {
  if (!Positive(r) || NearZero(v6)) return;
  s.Output.Put("ci ");
  PutReals(s.Output, {x, y, r, v4, v5, v6, v7});
  s.Output.EndLine();
}

bool TextIsWritten(std::string_view text, double dx, double dy) {
  return !(NearZero(dx) && NearZero(dy)) && !IsBlank(text);
}

void EmitText(TJwwState& s, int32_t textKind, std::string_view text, double x, double y,
              double dx, double dy) {
  if (!TextIsWritten(text, dx, dy)) return;
  // A kind outside the keyword table is written as "ch".
  const bool known = textKind >= 0 && textKind < static_cast<int32_t>(std::size(kTextKeywords));
  AppendTextCommand(s.Output, known ? kTextKeywords[textKind] : kTextKeywords[0], text, x, y,
                    dx, dy);
}

bool DimIsWritten(double x1, double y1, double x2, double y2, double dx, double dy) {
  return !Coincide(x1, y1, x2, y2) && !(NearZero(dx) && NearZero(dy));
}

void EmitDim(TJwwState& s, std::string_view text, double x1, double y1, double x2, double y2,
             double x, double y, double dx, double dy) {
  if (!DimIsWritten(x1, y1, x2, y2, dx, dy)) return;
  char measured[kFormatRealMax];
  if (IsBlank(text)) {
    // The measured length to 8 decimal places, halves up, in extended precision and
    // rounded to double once.
    const long double d = MyFunc::PointDistance(x1, y1, x2, y2);
    const long double m = std::floor(d / 1e-8L + 0.5L) * 1e-8L;
    text = std::string_view(measured, FormatReal(static_cast<double>(m), measured));
  }
  OutputLines& out = s.Output;
  out.Append("msg");
  PutReals(out, {x1, y1, x2, y2});
  out.EndLine();
  AppendTextCommand(out, "cs", text, x, y, dx, dy);
}

void EmitSl2(TJwwState& s, double x1, double y1, double x2, double y2) {
  if (Coincide(x1, y1, x2, y2)) return;
  s.Output.Put("sl ");
  PutReals(s.Output, {x1, y1, x2, y2});
  s.Output.EndLine();
}

void EmitSl3(TJwwState& s, double x1, double y1, double x2, double y2, double x3, double y3) {
  if (Coincide(x1, y1, x2, y2) || Coincide(x2, y2, x3, y3) || Coincide(x3, y3, x1, y1)) return;
  s.Output.Put("sl ");
  PutReals(s.Output, {x1, y1, x2, y2, x3, y3});
  s.Output.EndLine();
}

void EmitSl4(TJwwState& s, double x1, double y1, double x2, double y2, double x3, double y3,
             double x4, double y4) {
  // A quadrilateral with two corners in one place is a triangle, or nothing when the
  // coinciding corners are opposite ones.
  if (Coincide(x1, y1, x2, y2)) return EmitSl3(s, x1, y1, x3, y3, x4, y4);
  if (Coincide(x1, y1, x3, y3)) return;
  if (Coincide(x1, y1, x4, y4)) return EmitSl3(s, x1, y1, x2, y2, x3, y3);
  if (Coincide(x2, y2, x3, y3)) return EmitSl3(s, x1, y1, x2, y2, x4, y4);
  if (Coincide(x2, y2, x4, y4)) return;
  if (Coincide(x3, y3, x4, y4)) return EmitSl3(s, x1, y1, x2, y2, x3, y3);
  s.Output.Put("sl ");
  PutReals(s.Output, {x1, y1, x2, y2, x3, y3, x4, y4});
  s.Output.EndLine();
}

namespace {

/// "sc" and "se": seven reals, then the code.
void AppendSolidWithCode(OutputLines& out, std::string_view keyword, int32_t n8, double v1,
                         double v2, double v3, double v4, double v5, double v6, double v7) {
  out.Put(keyword);
  PutReals(out, {v1, v2, v3, v4, v5, v6, v7});
  out.Put(' ');
  PutInt(out, n8);
  out.EndLine();
}

/// "so" and "sg": eight reals, dropped unless 0 < V8 < V3 (with the tolerance) and V4 is
/// not near zero.
void AppendRing(OutputLines& out, std::string_view keyword, double v1, double v2, double v3,
                double v4, double v5, double v6, double v7, double v8) {
  if (!Positive(v3) || !Positive(v8) || !(v8 < v3 - kTolerance) || NearZero(v4)) return;
  out.Put(keyword);
  PutReals(out, {v1, v2, v3, v4, v5, v6, v7, v8});
  out.EndLine();
}

}  // namespace

void EmitSc(TJwwState& s, int32_t n8, double v1, double v2, double v3, double v4, double v5,
            double v6, double v7) {
  if (!Positive(v3) || NearZero(v4)) return;
  if (n8 != 0 && n8 != 5 && n8 != 100 && n8 != -1) return;
  AppendSolidWithCode(s.Output, "sc ", n8, v1, v2, v3, v4, v5, v6, v7);
}

void EmitSe(TJwwState& s, int32_t n8, double v1, double v2, double v3, double v4, double v5,
            double v6, double v7) {
  if (!Positive(v3) || NearZero(v4)) return;
  if (n8 != 0 && n8 != 100) return;
  AppendSolidWithCode(s.Output, "se ", n8, v1, v2, v3, v4, v5, v6, v7);
}

void EmitSo(TJwwState& s, double v1, double v2, double v3, double v4, double v5, double v6,
            double v7, double v8) {
  AppendRing(s.Output, "so ", v1, v2, v3, v4, v5, v6, v7, v8);
}

void EmitSg(TJwwState& s, double v1, double v2, double v3, double v4, double v5, double v6,
            double v7, double v8) {
  AppendRing(s.Output, "sg ", v1, v2, v3, v4, v5, v6, v7, v8);
}

}  // namespace JwwGaibu
