// The drawing model: what the host handed over in its interchange file, the attribute
// state carried from line to line, one table per kind of item and the master index.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "JwwGaibu/host_file.h"
#include "JwwGaibu/output_lines.h"
#include "JwwGaibu/table.h"

namespace JwwGaibu {

/// Head common to every item record.
struct TJwwEntHead {
  int32_t Hhp;
  int32_t Group;
  int32_t Layer;
  int32_t Colour;  ///< line colour; text colour in texts; point type in points
  int32_t LineType;
  int32_t LineWidth;
  int32_t ZFlags;  ///< bit 0 for "z1" up to bit 4 for "z5"
};

struct TJwwEntLine {  // kind 1
  TJwwEntHead Head;
  int32_t PolylineNo;
  double X1, Y1, X2, Y2;
};

struct TJwwEntCircle {  // kind 2
  TJwwEntHead Head;
  double X, Y, R;
};

struct TJwwEntArc {  // kind 3: "ci" with seven numbers, in input order
  TJwwEntHead Head;
  double X, Y, R, V4, V5, V6, V7;
};

/// The keywords of the text commands, indexed by `TJwwEntText::TextKind`: the reader maps
/// a keyword to its kind, the text emitter a kind back to its keyword.
inline constexpr std::string_view kTextKeywords[] = {"ch", "cv", "cs", "cr", "co",
                                                     "cp", "ct", "ck", "cz", "c2"};

struct TJwwEntText {  // kind 4
  TJwwEntHead Head;
  int32_t TextKind;  ///< index into kTextKeywords
  int32_t Cc;
  int32_t TextType;  ///< 0 free size, 1 to 10 a text type
  double Width, Height, Spacing;
  double X, Y, Dx, Dy;
  std::string FontName;  ///< Shift-JIS bytes, whole
  std::string Text;      ///< Shift-JIS bytes, whole
};

struct TJwwEntPoint {  // kind 5
  TJwwEntHead Head;
  double X, Y;
};

struct TJwwEntPointEx {  // kind 6
  TJwwEntHead Head;
  double X, Y, V3, V4;
  int32_t N5;
};

struct TJwwEntDim {  // kind 7: the parts keep their own heads
  TJwwEntHead Head;
  TJwwEntLine Line;
  TJwwEntText Text;
};

struct TJwwEntBlk {  // kind 8
  TJwwEntHead Head;
  double X, Y;
  std::string Name;
};

struct TJwwEntSl2 {  // kind 9
  TJwwEntHead Head;
  int32_t ExtColour;
  double X1, Y1, X2, Y2;
};

struct TJwwEntSl3 {  // kind 10
  TJwwEntHead Head;
  int32_t ExtColour;
  double X1, Y1, X2, Y2, X3, Y3;
};

struct TJwwEntSl4 {  // kind 11
  TJwwEntHead Head;
  int32_t ExtColour;
  double X1, Y1, X2, Y2, X3, Y3, X4, Y4;
};

struct TJwwEntSc {  // kind 12
  TJwwEntHead Head;
  int32_t ExtColour;
  double V1, V2, V3, V4, V5, V6, V7;
  int32_t N8;
};

struct TJwwEntSe {  // kind 13
  TJwwEntHead Head;
  int32_t ExtColour;
  double V1, V2, V3, V4, V5, V6, V7;
  int32_t N8;
};

struct TJwwEntSo {  // kind 14
  TJwwEntHead Head;
  int32_t ExtColour;
  double V1, V2, V3, V4, V5, V6, V7, V8;
};

struct TJwwEntSg {  // kind 15
  TJwwEntHead Head;
  int32_t ExtColour;
  double V1, V2, V3, V4, V5, V6, V7, V8;
};

/// Entry of the master index: the kind code and the 0-based position in its table.
struct TJwwEntRef {
  int32_t Kind;
  int32_t Index;
};

/// Kind codes of the master index.
enum : int32_t {
  kKindLine = 1,
  kKindCircle = 2,
  kKindArc = 3,
  kKindText = 4,
  kKindPoint = 5,
  kKindPointEx = 6,
  kKindDim = 7,
  kKindBlock = 8,
  kKindSl2 = 9,
  kKindSl3 = 10,
  kKindSl4 = 11,
  kKindSc = 12,
  kKindSe = 13,
  kKindSo = 14,
  kKindSg = 15,
};

struct TJwwTextType {
  double Width;
  double Height;
  double Spacing;
  int32_t Colour;
};

struct TJwwRefPoint {
  bool Used;
  double X;
  double Y;
  int32_t Kind;  ///< 0 plain, 1 "-", 2 "ln", 3 "ci", 4 "ch"
};

/// Indices of the `AttrFirst` flags.
enum : int {
  kFirstGroup = 0,
  kFirstLayer = 1,
  kFirstColour = 2,
  kFirstLineType = 3,
  kFirstLineWidth = 4,
  kFirstTextType = 5,
  kFirstCc = 6,
  kFirstFont = 7,
  kFirstPointType = 8,
  kFirstExtColour = 9,
};

/// The font every text has until the file names one: "<ＭＳ ゴシック>" in code page 932.
inline constexpr std::string_view kDefaultFontName =
    "\x3C\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E\x3E";

/// The whole state of the interchange-file unit for one run: the drawing model, the
/// current and first-seen attributes (the emitters' change tracking after loading) and
/// the output lines. Every operation of the unit takes it by reference.
struct TJwwState {
  // Header values.
  std::string FileName;
  double HkValue = 0;
  std::array<double, 16> GroupScale{};
  double PaperWidth = 1189, PaperHeight = 841;
  std::array<TJwwTextType, 10> TextTypes{};
  bool BzFlag = false;
  std::array<double, 4> HnValues{};

  // Layer naming, reference points.
  std::vector<int32_t> GroupNumbers;
  std::vector<std::string> GroupNames;
  std::vector<int32_t> LayerNumbers;
  std::vector<std::string> LayerNames;
  std::vector<TJwwRefPoint> RefPoints;
  int32_t RefPointCount = 0;

  // First-seen values and the flags that guard their capture (later: change tracking).
  int32_t FirstGroup = 0;
  int32_t FirstLayer = 0;
  int32_t FirstColour = 1;
  int32_t FirstLineType = 1;
  int32_t FirstLineWidth = 0;
  int32_t FirstTextType = 1;
  double FirstFreeWidth = 2.0, FirstFreeHeight = 2.0, FirstFreeSpacing = 0;
  int32_t FirstFreeColour = 1;
  std::string FirstFontName;
  bool LineWidthSeen = false;
  std::array<bool, 10> AttrFirst{};

  // Current attributes.
  int32_t CurHhp = 0;
  int32_t CurGroup = 0;
  int32_t CurLayer = 0;
  int32_t CurColour = 1;
  int32_t CurLineType = 1;
  int32_t CurLineWidth = 0;
  int32_t CurTextType = 1;
  double CurFreeWidth = 2.0, CurFreeHeight = 2.0, CurFreeSpacing = 0;
  int32_t CurFreeColour = 1;
  int32_t CurCc = 0;
  std::string CurFontName{kDefaultFontName};
  int32_t CurZFlags = 0;
  int32_t PolylineCount = 0;
  bool InPolyline = false;
  bool AfterMsg = false;
  int32_t CurPointType = 1;
  int32_t CurExtColour = 0;
  TJwwEntLine PendingDimLine{};

  // Item tables and the master index, in reading order.
  TJwwTable<TJwwEntLine> LineTable;
  TJwwTable<TJwwEntCircle> CircleTable;
  TJwwTable<TJwwEntArc> ArcTable;
  TJwwTable<TJwwEntText> TextTable;
  TJwwTable<TJwwEntPoint> PointTable;
  TJwwTable<TJwwEntPointEx> PointExTable;
  TJwwTable<TJwwEntDim> DimTable;
  TJwwTable<TJwwEntBlk> BlockTable;
  TJwwTable<TJwwEntSl2> Sl2Table;
  TJwwTable<TJwwEntSl3> Sl3Table;
  TJwwTable<TJwwEntSl4> Sl4Table;
  TJwwTable<TJwwEntSc> ScTable;
  TJwwTable<TJwwEntSe> SeTable;
  TJwwTable<TJwwEntSo> SoTable;
  TJwwTable<TJwwEntSg> SgTable;
  TJwwTable<TJwwEntRef> EntIndex;

  /// Set when the file was there but could not be read to its end (read error, or a
  /// number too large for a double). The drawing must then be left unchanged.
  bool LoadFailed = false;
  /// Set once the host's file has been opened for reading: from then on its content is
  /// what this run holds (however much of it was read), not the host's to read back.
  bool InputOpened = false;
  /// What the host's file holds, as far as this run knows.
  HostFile HostFileHolds = HostFile::kSelection;
  /// Why the file could not be opened or read to its end (kMissing: there was none).
  FileError LoadError;
  /// Why the last save of the command file failed.
  FileError SaveError;

  /// The command lines for the host.
  OutputLines Output;

  int32_t EntCount() const { return EntIndex.Count(); }
};

/// Puts every value to its starting value, empties the tables and the output lines, and
/// sets `AttrFirst` flags 0 to 5 (flags 6 to 9 are left as they are).
void ResetModel(TJwwState& s);

/// Puts the current attributes (not their `AttrFirst` flags) to their starting values.
void ResetCurrentValues(TJwwState& s);

/// Frees the tables, the naming tables, the reference points and the output lines.
void ReleaseModel(TJwwState& s);

/// Appends one entry to the master index.
inline void AppendEntRef(TJwwState& s, int32_t kind, int32_t index) {
  s.EntIndex.Append() = TJwwEntRef{kind, index};
}

/// Copies the current attributes into the head of a new item.
inline void InitEntHead(const TJwwState& s, TJwwEntHead& head) {
  head = TJwwEntHead{s.CurHhp,      s.CurGroup,     s.CurLayer,  s.CurColour,
                     s.CurLineType, s.CurLineWidth, s.CurZFlags};
}

/// Adds a new zeroed record of kind `kind` to `table` and to the master index, with its
/// head taken from the current attributes; returns the record.
template <class T>
T& AddItem(TJwwState& s, TJwwTable<T>& table, int32_t kind) {
  AppendEntRef(s, kind, table.Count());
  T& record = table.Append();
  InitEntHead(s, record.Head);
  return record;
}

}  // namespace JwwGaibu
