#include "tests/roundtrip_check.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "JwwGaibu/emitters.h"
#include "JwwGaibu/format_real.h"
#include "JwwGaibu/reader.h"
#include "JwwGaibu/write_back.h"
#include "MyFunc/my_func.h"
#include "Unit1/form1.h"
#include "Unit1/zero_spacing.h"

// The comparison, item by item (W: the written model, R: the model read back from the file).
//
// Items. W's master index is walked in reading order. A block insertion is never written,
// and a degenerate item is written as nothing; both are counted as dropped and have no
// partner in R. The degeneracy rules are restated here from the command format (one
// tolerance, 1e-8), not borrowed from the emitters, so that an item that the emitters drop
// or write against them shows up as a missing or an extra item. Every other item of W must
// be the next item of R, and R must hold no more items.
//
// Numbers. A real comes back as the value of its 15-digit form: the expected value is
// ParseRealOrZero(FormatReal(v)), compared bit for bit.
//
// Fields compared, by kind. All kinds: group, layer, z flags as written (bits 0 to 4, bit 3
// cleared when bit 4 is set, since "z5" supersedes "z4"). Then:
//   line, circle, arc: colour, line type, line width, every coordinate;
//   point, point with code: point type, line width, every value; N5 outside -7..11 as -3 and
//     a V3 near zero as 1, as the command format normalises them;
//   text: keyword (TextKind; any other value as "ch"), cc (outside 0..8 as 0), text type,
//     font name, the text's bytes, X, Y, Dx, Dy; for a free-size text (type 0) also width,
//     height, spacing and the text colour;
//   solids: the solid colour (the colour, and the extended value when the colour is 10,
//     outside 0..0xFFFFFF as 0), every corner or value, N8; a line width for the 2-corner
//     "sl" and for "se" only.
// A line width is written normalised (-1 is the first-seen width; then anything outside
// 0..30000 is 0), and only when the host's file carried "lw"; otherwise both sides hold 0.
//
// Known asymmetries, which the comparison expects rather than skips:
//   - Hhp and PolylineNo are not written; R holds 0 there (not compared).
//   - A text of types 1 to 10 goes back as its type number: its sizes and colour are the
//     host's settings for that type, which the file does not carry (only the type is
//     compared). A text type outside 0..10 goes back as the first-seen type, with the
//     first-seen free size when that type is 0.
//   - An empty font name, or "<>", goes back as the first-seen font name.
//   - Points write no line type; texts no colour (except the free-size one), line type or
//     width; solids other than the 2-corner "sl" and "se" no width; a solid whose colour is
//     not 10 no extended value. R holds the file's current value there (not compared).
//   - A 4-corner solid with two coinciding corners goes back as the 3-corner solid that the
//     command format makes of it (or as nothing, for opposite corners).
//   - A dimension writes its group and layer once, so R's line and text parts carry the
//     dimension's own group and layer. Its z flags (its own head's) stand before "msg" and
//     land on R's line part; R's own head and text part hold 0. Colour, line type and width
//     are the line part's. A blank dimension text goes back as the measured length, the
//     distance rounded to 8 places (halves up) in its 15-digit form; the keyword is "cs".
//   - Corners of a 3- or 4-corner solid that are apart but whose 15-digit forms coincide (to
//     the reader's 1e-10) make the reader collapse the solid: such an item must come back as
//     one "sl" item with the same group and layer, and is counted as merged.
// Besides the items: R's "bz" flag is W's; R ends on W's first group and layer (the closing
// lines); every free-size text of R has spacing 0, or with negativeOnly one that is not
// negative.

namespace RoundTrip {
namespace {

using namespace JwwGaibu;

constexpr double kTolerance = 1e-8;
constexpr double kReaderCornerTolerance = 1e-10;

bool NearZero(double v) { return std::fabs(v) <= kTolerance; }
bool Positive(double v) { return v > kTolerance; }
bool Coincide(double x1, double y1, double x2, double y2) {
  return std::fabs(x1 - x2) < kTolerance && std::fabs(y1 - y2) < kTolerance;
}
bool IsBlank(std::string_view text) { return MyFunc::StripBlanks(text).empty(); }

/// The value the reader finds where `v` was written.
double Formatted(double v) { return MyFunc::ParseRealOrZero(FormatReal(v)); }

std::string Escaped(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

/// One item as named fields rendered as text, so that a difference can be shown as it is.
struct Item {
  int32_t Kind = 0;
  std::vector<std::pair<std::string_view, std::string>> Fields;

  void Int(std::string_view name, int64_t v) { Fields.emplace_back(name, std::to_string(v)); }
  void Real(std::string_view name, double v) {
    char buffer[64];  // the shortest form that reads back exactly; keeps -0 apart from 0
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    Fields.emplace_back(name, std::string(buffer, result.ptr));
  }
  void Bytes(std::string_view name, std::string_view v) { Fields.emplace_back(name, Escaped(v)); }

  bool operator==(const Item&) const = default;
};

std::string Describe(const Item& item) {
  std::string out = "kind " + std::to_string(item.Kind) + ":";
  for (const auto& [name, value] : item.Fields) {
    out += ' ';
    out += name;
    out += '=';
    out += value;
  }
  return out;
}

/// Builds the fields of an item. With a written model: as the reader must find them, that
/// is numbers through their 15-digit form and values normalised as the command format does.
/// Without one: as they stand in the model read back.
class Builder {
 public:
  explicit Builder(const TJwwState* written) : w_(written) {}

  bool Expected() const { return w_ != nullptr; }
  double Num(double v) const { return w_ ? Formatted(v) : v; }
  int32_t Width(int32_t v) const {
    if (!w_) return v;
    if (!w_->LineWidthSeen) return 0;
    if (v == -1) v = w_->FirstLineWidth;
    return v < 0 || v > 30000 ? 0 : v;
  }
  int32_t Z(int32_t flags) const {
    if (!w_) return flags;
    flags &= 31;
    if (flags & 16) flags &= ~8;
    return flags;
  }

  void Reals(Item& item, std::initializer_list<std::pair<std::string_view, double>> values) const {
    for (const auto& [name, v] : values) item.Real(name, Num(v));
  }
  void Head(Item& item, const TJwwEntHead& h) const {
    item.Int("group", h.Group);
    item.Int("layer", h.Layer);
    item.Int("z", Z(h.ZFlags));
  }
  void LineAttributes(Item& item, const TJwwEntHead& h) const {
    item.Int("colour", h.Colour);
    item.Int("lt", h.LineType);
    item.Int("lw", Width(h.LineWidth));
  }
  void SolidColour(Item& item, const TJwwEntHead& h, int32_t ext) const {
    item.Int("colour", h.Colour);
    if (h.Colour == 10) item.Int("ext", w_ && (ext < 0 || ext > 0xFFFFFF) ? 0 : ext);
  }
  /// The text's attributes and content; `dimText` for the text part of a dimension.
  void Text(Item& item, const TJwwEntText& t, bool dimText, const TJwwEntLine* line) const {
    int32_t kind = t.TextKind, cc = t.Cc, type = t.TextType, colour = t.Head.Colour;
    double width = t.Width, height = t.Height, spacing = t.Spacing;
    std::string_view font = t.FontName;
    std::string text = t.Text;
    if (w_) {
      if (dimText) kind = 2;
      if (kind < 0 || kind > 9) kind = 0;
      if (cc < 0 || cc > 8) cc = 0;
      if (type < 0 || type > 10) {
        type = w_->FirstTextType;
        if (type == 0) {
          width = w_->FirstFreeWidth, height = w_->FirstFreeHeight;
          spacing = w_->FirstFreeSpacing, colour = w_->FirstFreeColour;
        }
      }
      if (font.empty() || font == "<>") font = w_->FirstFontName;
      if (dimText && IsBlank(text)) {
        const long double d = MyFunc::PointDistance(line->X1, line->Y1, line->X2, line->Y2);
        const long double m = std::floor(d / 1e-8L + 0.5L) * 1e-8L;
        text = FormatReal(static_cast<double>(m));
      }
    }
    item.Int("keyword", kind);
    item.Int("cc", cc);
    item.Int("type", type);
    if (type == 0) {
      Reals(item, {{"width", width}, {"height", height}, {"spacing", spacing}});
      item.Int("textcolour", colour);
    }
    item.Bytes("font", font);
    item.Bytes("text", text);
    Reals(item, {{"x", t.X}, {"y", t.Y}, {"dx", t.Dx}, {"dy", t.Dy}});
  }

 private:
  const TJwwState* w_;
};

Item LineItem(const Builder& b, const TJwwEntLine& r) {
  Item item{kKindLine, {}};
  b.Head(item, r.Head);
  b.LineAttributes(item, r.Head);
  b.Reals(item, {{"x1", r.X1}, {"y1", r.Y1}, {"x2", r.X2}, {"y2", r.Y2}});
  return item;
}

Item CircleItem(const Builder& b, const TJwwEntCircle& r) {
  Item item{kKindCircle, {}};
  b.Head(item, r.Head);
  b.LineAttributes(item, r.Head);
  b.Reals(item, {{"x", r.X}, {"y", r.Y}, {"r", r.R}});
  return item;
}

Item ArcItem(const Builder& b, const TJwwEntArc& r) {
  Item item{kKindArc, {}};
  b.Head(item, r.Head);
  b.LineAttributes(item, r.Head);
  b.Reals(
      item,
      {{"x", r.X}, {"y", r.Y}, {"r", r.R}, {"v4", r.V4}, {"v5", r.V5}, {"v6", r.V6}, {"v7", r.V7}});
  return item;
}

Item TextItem(const Builder& b, const TJwwEntText& r) {
  Item item{kKindText, {}};
  b.Head(item, r.Head);
  b.Text(item, r, false, nullptr);
  return item;
}

Item PointItem(const Builder& b, const TJwwEntPoint& r) {
  Item item{kKindPoint, {}};
  b.Head(item, r.Head);
  item.Int("pointtype", r.Head.Colour);
  item.Int("lw", b.Width(r.Head.LineWidth));
  b.Reals(item, {{"x", r.X}, {"y", r.Y}});
  return item;
}

Item PointExItem(const Builder& b, const TJwwEntPointEx& r) {
  Item item{kKindPointEx, {}};
  b.Head(item, r.Head);
  item.Int("pointtype", r.Head.Colour);
  item.Int("lw", b.Width(r.Head.LineWidth));
  int32_t n5 = r.N5;
  double v3 = r.V3;
  if (b.Expected()) {
    if (n5 < -7 || n5 > 11) n5 = -3;
    if (NearZero(v3)) v3 = 1;
  }
  b.Reals(item, {{"x", r.X}, {"y", r.Y}, {"v3", v3}, {"v4", r.V4}});
  item.Int("n5", n5);
  return item;
}

Item DimItem(const Builder& b, const TJwwEntDim& r) {
  Item item{kKindDim, {}};
  const bool e = b.Expected();
  item.Int("group", r.Head.Group);
  item.Int("layer", r.Head.Layer);
  item.Int("z", e ? 0 : r.Head.ZFlags);
  item.Int("line.group", e ? r.Head.Group : r.Line.Head.Group);
  item.Int("line.layer", e ? r.Head.Layer : r.Line.Head.Layer);
  item.Int("line.z", e ? b.Z(r.Head.ZFlags) : r.Line.Head.ZFlags);
  b.LineAttributes(item, r.Line.Head);
  b.Reals(item, {{"x1", r.Line.X1}, {"y1", r.Line.Y1}, {"x2", r.Line.X2}, {"y2", r.Line.Y2}});
  item.Int("text.group", e ? r.Head.Group : r.Text.Head.Group);
  item.Int("text.layer", e ? r.Head.Layer : r.Text.Head.Layer);
  item.Int("text.z", e ? 0 : r.Text.Head.ZFlags);
  b.Text(item, r.Text, true, &r.Line);
  return item;
}

template <class T>
void SolidHead(Item& item, const Builder& b, const T& r, bool writesWidth) {
  b.Head(item, r.Head);
  b.SolidColour(item, r.Head, r.ExtColour);
  if (writesWidth) item.Int("lw", b.Width(r.Head.LineWidth));
}

Item Sl2Item(const Builder& b, const TJwwEntSl2& r) {
  Item item{kKindSl2, {}};
  SolidHead(item, b, r, true);
  b.Reals(item, {{"x1", r.X1}, {"y1", r.Y1}, {"x2", r.X2}, {"y2", r.Y2}});
  return item;
}

Item Sl3Item(const Builder& b, const TJwwEntSl3& r) {
  Item item{kKindSl3, {}};
  SolidHead(item, b, r, false);
  b.Reals(item,
          {{"x1", r.X1}, {"y1", r.Y1}, {"x2", r.X2}, {"y2", r.Y2}, {"x3", r.X3}, {"y3", r.Y3}});
  return item;
}

Item Sl4Item(const Builder& b, const TJwwEntSl4& r) {
  Item item{kKindSl4, {}};
  SolidHead(item, b, r, false);
  b.Reals(item, {{"x1", r.X1},
                 {"y1", r.Y1},
                 {"x2", r.X2},
                 {"y2", r.Y2},
                 {"x3", r.X3},
                 {"y3", r.Y3},
                 {"x4", r.X4},
                 {"y4", r.Y4}});
  return item;
}

template <class T>
Item ScSeItem(const Builder& b, const T& r, int32_t kind) {
  Item item{kind, {}};
  SolidHead(item, b, r, kind == kKindSe);
  b.Reals(item, {{"v1", r.V1},
                 {"v2", r.V2},
                 {"v3", r.V3},
                 {"v4", r.V4},
                 {"v5", r.V5},
                 {"v6", r.V6},
                 {"v7", r.V7}});
  item.Int("n8", r.N8);
  return item;
}

template <class T>
Item SoSgItem(const Builder& b, const T& r, int32_t kind) {
  Item item{kind, {}};
  SolidHead(item, b, r, false);
  b.Reals(item, {{"v1", r.V1},
                 {"v2", r.V2},
                 {"v3", r.V3},
                 {"v4", r.V4},
                 {"v5", r.V5},
                 {"v6", r.V6},
                 {"v7", r.V7},
                 {"v8", r.V8}});
  return item;
}

/// The item as it stands in a model (a kind without a record gives kind 0).
Item Build(const Builder& b, const TJwwState& s, TJwwEntRef ref) {
  const int32_t i = ref.Index;
  switch (ref.Kind) {
    case kKindLine:
      return LineItem(b, s.LineTable[i]);
    case kKindCircle:
      return CircleItem(b, s.CircleTable[i]);
    case kKindArc:
      return ArcItem(b, s.ArcTable[i]);
    case kKindText:
      return TextItem(b, s.TextTable[i]);
    case kKindPoint:
      return PointItem(b, s.PointTable[i]);
    case kKindPointEx:
      return PointExItem(b, s.PointExTable[i]);
    case kKindDim:
      return DimItem(b, s.DimTable[i]);
    case kKindSl2:
      return Sl2Item(b, s.Sl2Table[i]);
    case kKindSl3:
      return Sl3Item(b, s.Sl3Table[i]);
    case kKindSl4:
      return Sl4Item(b, s.Sl4Table[i]);
    case kKindSc:
      return ScSeItem(b, s.ScTable[i], kKindSc);
    case kKindSe:
      return ScSeItem(b, s.SeTable[i], kKindSe);
    case kKindSo:
      return SoSgItem(b, s.SoTable[i], kKindSo);
    case kKindSg:
      return SoSgItem(b, s.SgTable[i], kKindSg);
    default:
      return Item{ref.Kind, {}};
  }
}

struct Corner {
  double X, Y;
};

bool Coincide(Corner a, Corner b) { return Coincide(a.X, a.Y, b.X, b.Y); }

/// True when two of the corners, in their 15-digit form, are one corner to the reader.
bool MergedByFormat(std::initializer_list<Corner> corners) {
  std::vector<Corner> f;
  for (Corner c : corners) f.push_back({Formatted(c.X), Formatted(c.Y)});
  for (size_t i = 0; i < f.size(); ++i)
    for (size_t j = i + 1; j < f.size(); ++j)
      if (std::fabs(f[i].X - f[j].X) <= kReaderCornerTolerance &&
          std::fabs(f[i].Y - f[j].Y) <= kReaderCornerTolerance)
        return true;
  return false;
}

/// "so" and "sg" need 0 < V8 < V3 (with the tolerance) and a V4 that is not near zero.
template <class T>
bool RingDropped(const T& r) {
  return !Positive(r.V3) || !Positive(r.V8) || !(r.V8 < r.V3 - kTolerance) || NearZero(r.V4);
}

/// What the reader must find for an item of the written model: nothing for an item that is
/// not written, else the item, with `merged` set when only "one solid" can be promised.
std::optional<Item> Expect(const TJwwState& w, TJwwEntRef ref, bool& merged) {
  merged = false;
  const Builder b(&w);
  const int32_t i = ref.Index;
  switch (ref.Kind) {
    case kKindLine: {
      const auto& r = w.LineTable[i];
      if (Coincide(r.X1, r.Y1, r.X2, r.Y2)) return std::nullopt;
      break;
    }
    case kKindCircle:
      if (!Positive(w.CircleTable[i].R)) return std::nullopt;
      break;
    case kKindArc:
      if (!Positive(w.ArcTable[i].R) || NearZero(w.ArcTable[i].V6)) return std::nullopt;
      break;
    case kKindText: {
      const auto& r = w.TextTable[i];
      if ((NearZero(r.Dx) && NearZero(r.Dy)) || IsBlank(r.Text)) return std::nullopt;
      break;
    }
    case kKindDim: {
      const auto& r = w.DimTable[i];
      if (Coincide(r.Line.X1, r.Line.Y1, r.Line.X2, r.Line.Y2) ||
          (NearZero(r.Text.Dx) && NearZero(r.Text.Dy)))
        return std::nullopt;
      break;
    }
    case kKindSl2: {
      const auto& r = w.Sl2Table[i];
      if (Coincide(r.X1, r.Y1, r.X2, r.Y2)) return std::nullopt;
      break;
    }
    case kKindSl3: {
      const auto& r = w.Sl3Table[i];
      const Corner p1{r.X1, r.Y1}, p2{r.X2, r.Y2}, p3{r.X3, r.Y3};
      if (Coincide(p1, p2) || Coincide(p2, p3) || Coincide(p3, p1)) return std::nullopt;
      merged = MergedByFormat({p1, p2, p3});
      break;
    }
    case kKindSl4: {
      const auto& r = w.Sl4Table[i];
      const Corner p[4] = {{r.X1, r.Y1}, {r.X2, r.Y2}, {r.X3, r.Y3}, {r.X4, r.Y4}};
      // Two coinciding corners make a triangle of the other three, or nothing when they
      // are opposite corners; the first rule that applies decides.
      int keep[3] = {-1, -1, -1};
      if (Coincide(p[0], p[1]))
        keep[0] = 0, keep[1] = 2, keep[2] = 3;
      else if (Coincide(p[0], p[2]))
        return std::nullopt;
      else if (Coincide(p[0], p[3]))
        keep[0] = 0, keep[1] = 1, keep[2] = 2;
      else if (Coincide(p[1], p[2]))
        keep[0] = 0, keep[1] = 1, keep[2] = 3;
      else if (Coincide(p[1], p[3]))
        return std::nullopt;
      else if (Coincide(p[2], p[3]))
        keep[0] = 0, keep[1] = 1, keep[2] = 2;
      if (keep[0] < 0) {
        merged = MergedByFormat({p[0], p[1], p[2], p[3]});
        break;
      }
      const Corner a = p[keep[0]], c = p[keep[1]], d = p[keep[2]];
      if (Coincide(a, c) || Coincide(c, d) || Coincide(d, a)) return std::nullopt;
      merged = MergedByFormat({a, c, d});
      TJwwEntSl3 triangle{r.Head, r.ExtColour, a.X, a.Y, c.X, c.Y, d.X, d.Y};
      return Sl3Item(b, triangle);
    }
    case kKindSc: {
      const auto& r = w.ScTable[i];
      if (!Positive(r.V3) || NearZero(r.V4)) return std::nullopt;
      if (r.N8 != 0 && r.N8 != 5 && r.N8 != 100 && r.N8 != -1) return std::nullopt;
      break;
    }
    case kKindSe: {
      const auto& r = w.SeTable[i];
      if (!Positive(r.V3) || NearZero(r.V4) || (r.N8 != 0 && r.N8 != 100)) return std::nullopt;
      break;
    }
    case kKindSo:
      if (RingDropped(w.SoTable[i])) return std::nullopt;
      break;
    case kKindSg:
      if (RingDropped(w.SgTable[i])) return std::nullopt;
      break;
    case kKindPoint:
    case kKindPointEx:
      break;
    default:  // block insertions, and anything else, are not written
      return std::nullopt;
  }
  return Build(b, w, ref);
}

}  // namespace

std::string CompareRoundTrip(const TJwwState& written, const TJwwState& readBack, bool negativeOnly,
                             TRoundTripCounts& counts) {
  ++counts.Files;
  const Builder asRead(nullptr);
  const int32_t readCount = readBack.EntCount();
  int32_t j = 0;
  for (int32_t i = 0; i < written.EntCount(); ++i) {
    const TJwwEntRef ref = written.EntIndex[i];
    bool merged = false;
    const std::optional<Item> expected = Expect(written, ref, merged);
    if (!expected) {
      ++counts.Dropped;
      continue;
    }
    const std::string where = "item " + std::to_string(i + 1) + " of the selection";
    if (j == readCount) return where + " is missing from the command file: " + Describe(*expected);
    const Item actual = Build(asRead, readBack, readBack.EntIndex[j++]);
    if (merged) {
      // Only one solid with the same group and layer can be promised.
      const bool solid = actual.Kind >= kKindSl2 && actual.Kind <= kKindSl4;
      if (!solid || actual.Fields.size() < 2 || actual.Fields[0] != expected->Fields[0] ||
          actual.Fields[1] != expected->Fields[1])
        return where + " (corners merged by the number form) came back as " + Describe(actual);
      ++counts.Merged;
      continue;
    }
    if (actual != *expected)
      return where + " came back changed:\n  written:   " + Describe(*expected) +
             "\n  read back: " + Describe(actual);
    ++counts.Written;
    ++counts.PerKind[expected->Kind];
  }
  if (j < readCount)
    return "the command file holds an item that was not written: " +
           Describe(Build(asRead, readBack, readBack.EntIndex[j]));

  if (readBack.BzFlag != written.BzFlag) return "the \"bz\" flag did not come back";
  if (readBack.CurGroup != written.FirstGroup || readBack.CurLayer != written.FirstLayer)
    return "the command file ends on group " + std::to_string(readBack.CurGroup) + ", layer " +
           std::to_string(readBack.CurLayer) + " instead of the first ones, " +
           std::to_string(written.FirstGroup) + " and " + std::to_string(written.FirstLayer);
  for (int32_t i = 0; i < readBack.TextTable.Count(); ++i) {
    const TJwwEntText& t = readBack.TextTable[i];
    if (t.TextType != 0) continue;
    ++counts.FreeTexts;
    if (negativeOnly ? t.Spacing < 0 : t.Spacing != 0)
      return "free-size text " + Escaped(t.Text) + " came back with spacing " +
             FormatReal(t.Spacing);
  }
  return "";
}

namespace {

/// The dialog for one OK run: the program's folder, the check box, no Escape.
class OkPlatform : public Unit1::Platform {
 public:
  OkPlatform(std::filesystem::path exe, bool negativeOnly)
      : exe_(std::move(exe)), negativeOnly_(negativeOnly) {}
  std::optional<Unit1::ScreenPoint> PointerPosition() override { return std::nullopt; }
  int OuterWidth() override { return 473; }
  void SetLeftTop(int, int) override {}
  std::filesystem::path OwnFilePath() override { return exe_; }
  bool CheckBoxChecked() override { return negativeOnly_; }
  void SetStatusText(std::string_view) override {}
  bool StopRequested() override { return false; }
  void CloseDialog() override { closed_ = true; }
  bool Closed() const { return closed_; }

 private:
  std::filesystem::path exe_;
  bool negativeOnly_;
  bool closed_ = false;
};

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

/// The command file that OK would write for the selection in `file`, with or without the
/// zeroing pass before the write-back.
std::string CommandFile(const std::filesystem::path& file, bool zero, bool negativeOnly) {
  TJwwState s;
  ResetModel(s);
  LoadInterchangeFile(s, file);
  ResetCurrentAttributes(s);
  if (zero) Unit1::ZeroTextSpacing(s, negativeOnly);
  AppendOutputLine(s, "hd");
  OkPlatform platform("rq27", negativeOnly);
  WriteBackModel(s, platform);
  return std::string(s.Output.FileBytes());
}

}  // namespace

std::string CheckOkRun(const std::filesystem::path& folder, std::string_view input,
                       bool negativeOnly, TRoundTripCounts& counts) {
  const std::filesystem::path file = folder / Unit1::kInterchangeFileName;
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(input.data(), static_cast<std::streamsize>(input.size()));
    if (!out) return "cannot write the input file";
  }
  // What the write-back pass will see: the same file loaded and zeroed on its own.
  TJwwState written;
  ResetModel(written);
  LoadInterchangeFile(written, file);
  // OK changes the drawing just where the pass changes the command file: the count that
  // decides it must agree with the two command files. Only the attribute lines of an item
  // that is dropped (written as nothing) may differ where OK counts no change: they draw
  // nothing.
  const Unit1::SpacingPreview preview = Unit1::PreviewTextSpacing(written, negativeOnly);
  const bool changes = preview.Changed() > 0;
  if (!written.LoadFailed) {
    const bool differs =
        CommandFile(file, true, negativeOnly) != CommandFile(file, false, false);
    bool dimDropped = false;
    written.DimTable.ForEach([&](const TJwwEntDim& d) {
      dimDropped |= !DimIsWritten(d.Line.X1, d.Line.Y1, d.Line.X2, d.Line.Y2, d.Text.Dx, d.Text.Dy);
    });
    if (changes && !differs) return "OK counts a change that the command file does not show";
    if (!changes && differs && preview.Dropped == 0 && !dimDropped)
      return "the pass changes the command file, but OK counts no change";
  }

  OkPlatform platform(folder / "rq27", negativeOnly);
  {
    Unit1::TForm1 form(platform);
    form.FormShow();
    // From the moment the selection is read (to its end or not) the host's file never
    // holds it again.
    if (ReadAll(file) != "hq\r\n")
      return "the file does not hold \"hq\" once the selection is read";
    form.Button1Click();
    if (!platform.Closed()) return "OK did not close the dialog";
    form.FormClose();
    if (form.Outcome() != Unit1::RunOutcome::kSaved) return "the save failed";
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename() != Unit1::kInterchangeFileName)
      return "the save left " + entry.path().filename().string() + " behind";

  const std::string saved = ReadAll(file);
  if (written.LoadFailed) {
    ++counts.FailedLoads;
    return saved == "hq\r\n" ? "" : "a failed load did not give \"hq\"";
  }
  if (!changes) {
    ++counts.Unchanged;
    return saved == "hq\r\n" ? "" : "OK with nothing to change did not give \"hq\"";
  }
  if (saved.rfind("hd\r\n", 0) != 0) return "the command file does not begin with \"hd\"";
  Unit1::ZeroTextSpacing(written, negativeOnly);
  TJwwState readBack;
  ResetModel(readBack);
  if (!LoadInterchangeFile(readBack, file) || readBack.LoadFailed)
    return "our own command file does not read back to its end";
  return CompareRoundTrip(written, readBack, negativeOnly, counts);
}

}  // namespace RoundTrip
