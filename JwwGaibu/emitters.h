// The command emitters: each turns one attribute or one item into command lines for the
// host, appended to the state's output lines. Attribute emitters are change-tracked.
#pragma once

#include <cstdint>
#include <string_view>

#include "JwwGaibu/model.h"

namespace JwwGaibu {

/// The distance below which two values count as equal, and above which a size is positive.
inline constexpr double kTolerance = 1e-8;

/// Puts the change-tracking state to its initial form: nothing counts as written yet.
void ResetCurrentAttributes(TJwwState& s);

/// True when the line of an integer attribute is due: not sent since the reset (its
/// `AttrFirst` flag), or `value` differs from the `current` one last sent.
inline bool AttributeDue(const TJwwState& s, int flag, int32_t current, int32_t value) {
  return s.AttrFirst[flag] || current != value;
}

// The lines of the attribute emitters below that are inline: these record the value and
// append the line, and are called only when AttributeDue, which it mostly is not.
void AppendGroupLine(TJwwState& s, int32_t group);
void AppendLayerLine(TJwwState& s, int32_t layer);
void AppendColourLine(TJwwState& s, int32_t colour);
void AppendLineTypeLine(TJwwState& s, int32_t lineType);

/// The text type a text goes back with: its own when it is 0 to 10, else the first-seen one.
inline int32_t TextTypeWritten(const TJwwState& s, int32_t textType) {
  return textType < 0 || textType > 10 ? s.FirstTextType : textType;
}

// Attribute emitters: each appends its line the first time after the reset and then only
// when the (normalised) value changes.
inline void EmitGroup(TJwwState& s, int32_t group) {
  if (AttributeDue(s, kFirstGroup, s.CurGroup, group)) AppendGroupLine(s, group);
}
inline void EmitLayer(TJwwState& s, int32_t layer) {
  if (AttributeDue(s, kFirstLayer, s.CurLayer, layer)) AppendLayerLine(s, layer);
}
inline void EmitColour(TJwwState& s, int32_t colour) {
  if (AttributeDue(s, kFirstColour, s.CurColour, colour)) AppendColourLine(s, colour);
}
inline void EmitLineType(TJwwState& s, int32_t lineType) {
  if (AttributeDue(s, kFirstLineType, s.CurLineType, lineType)) AppendLineTypeLine(s, lineType);
}
/// -1 means the first-seen width; nothing at all when the input carried no "lw".
void EmitLineWidth(TJwwState& s, int32_t width);
void EmitTextType(TJwwState& s, int32_t textType, int32_t colour, double width, double height,
                  double spacing);
void EmitCc(TJwwState& s, int32_t cc);
void EmitFontName(TJwwState& s, std::string_view name);
void EmitPointType(TJwwState& s, int32_t pointType);
void EmitExtColour(TJwwState& s, int32_t value);
/// "z1" to "z5" for the set bits (no tracking); "z4" only when "z5" is not set.
void AppendZFlagLines(TJwwState& s, int32_t flags);
inline void EmitZFlags(TJwwState& s, int32_t flags) {
  if (flags != 0) AppendZFlagLines(s, flags);
}

/// True when EmitText writes the text: it has a direction and is not blank. Texts that
/// fail this are dropped from the write-back.
bool TextIsWritten(std::string_view text, double dx, double dy);

/// True when EmitDim writes the dimension: its measure line has a length and its text a
/// direction.
bool DimIsWritten(double x1, double y1, double x2, double y2, double dx, double dy);

// Item emitters: degenerate items append nothing.
void EmitLine(TJwwState& s, double x1, double y1, double x2, double y2);
void EmitPoint(TJwwState& s, double x, double y);
void EmitPointEx(TJwwState& s, int32_t n5, double x, double y, double v3, double v4);
void EmitCircle(TJwwState& s, double x, double y, double r);
void EmitArc(TJwwState& s, double x, double y, double r, double v4, double v5, double v6,
             double v7);
void EmitText(TJwwState& s, int32_t textKind, std::string_view text, double x, double y,
              double dx, double dy);
void EmitDim(TJwwState& s, std::string_view text, double x1, double y1, double x2, double y2,
             double x, double y, double dx, double dy);
void EmitSl2(TJwwState& s, double x1, double y1, double x2, double y2);
void EmitSl3(TJwwState& s, double x1, double y1, double x2, double y2, double x3, double y3);
void EmitSl4(TJwwState& s, double x1, double y1, double x2, double y2, double x3, double y3,
             double x4, double y4);
void EmitSc(TJwwState& s, int32_t n8, double v1, double v2, double v3, double v4, double v5,
            double v6, double v7);
void EmitSe(TJwwState& s, int32_t n8, double v1, double v2, double v3, double v4, double v5,
            double v6, double v7);
void EmitSo(TJwwState& s, double v1, double v2, double v3, double v4, double v5, double v6,
            double v7, double v8);
void EmitSg(TJwwState& s, double v1, double v2, double v3, double v4, double v5, double v6,
            double v7, double v8);

}  // namespace JwwGaibu
