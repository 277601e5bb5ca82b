#include "JwwGaibu/reader.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "JwwGaibu/file_io.h"
#include "MyFunc/my_func.h"

namespace JwwGaibu {

using MyFunc::IsLeadByte;
using MyFunc::ParseIntOrZero;

namespace {

/// What the tokenizer does with a byte while fields are being separated.
enum ByteClass : unsigned char {
  kKept,    ///< appended to the current token
  kLead,    ///< first byte of a two-byte character
  kBlank,   ///< space or tab: ends a non-empty token
  kQuote,   ///< dropped; separating ends
  kEquals,  ///< kept; separating ends
  kDrop,    ///< control bytes, 0xFE, 0xFF
};

constexpr std::array<ByteClass, 256> MakeByteClasses() {
  std::array<ByteClass, 256> classes{};
  for (int b = 0; b < 256; ++b) {
    if (MyFunc::IsLeadByte(static_cast<unsigned char>(b)))
      classes[b] = kLead;
    else if (b == ' ' || b == '\t')
      classes[b] = kBlank;
    else if (b == '"')
      classes[b] = kQuote;
    else if (b == '=')
      classes[b] = kEquals;
    else if (b < 0x20 || b > 0xFD)
      classes[b] = kDrop;
    else
      classes[b] = kKept;
  }
  return classes;
}

constexpr std::array<ByteClass, 256> kByteClasses = MakeByteClasses();

/// The token being built: a view of the line while its bytes lie side by side there, and
/// a copy in the scratch buffer once a dropped byte (a quote, a control byte) has split
/// them.
class TokenBuilder {
 public:
  TokenBuilder(const char* line, char* scratch) : line_(line), scratch_(scratch) {}

  bool Empty() const { return begin_ == end_; }

  /// Appends the line's bytes [i, i + length).
  void Append(size_t i, size_t length) {
    const char* bytes = line_ + i;
    if (begin_ == end_) {
      begin_ = bytes;
      end_ = bytes + length;
      inScratch_ = false;
      return;
    }
    if (!inScratch_ && end_ == bytes) {
      end_ += length;
      return;
    }
    if (!inScratch_) {  // the bytes no longer lie side by side: continue in the scratch
      char* copy = scratch_ + used_;
      std::memcpy(copy, begin_, end_ - begin_);
      end_ = copy + (end_ - begin_);
      begin_ = copy;
      inScratch_ = true;
    }
    std::memcpy(scratch_ + (end_ - scratch_), bytes, length);
    end_ += length;
  }

  /// Hands out the token and starts the next one.
  std::string_view Take() {
    const std::string_view token(begin_, end_ - begin_);
    if (inScratch_) used_ += token.size();
    begin_ = end_ = nullptr;
    return token;
  }

 private:
  const char* line_;
  char* scratch_;
  size_t used_ = 0;  ///< scratch bytes held by earlier tokens
  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  bool inScratch_ = false;
};

/// Eight bytes as a word, the first byte lowest.
inline uint64_t LoadWord(const char* p) {
  uint64_t word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, p, sizeof word);
  } else {
    for (int k = 7; k >= 0; --k) word = word << 8 | static_cast<unsigned char>(p[k]);
  }
  return word;
}

/// Flags (bit 7 of the byte) the bytes of `word` that are not kept ASCII bytes (0x21 to
/// 0x7F without '"' and '='). The lowest flag is exact, as the borrows only run upwards.
inline uint64_t SpecialBytes(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  const auto zeroBytes = [](uint64_t x) { return (x - kOnes) & ~x & kHighs; };
  return ((word - 0x21 * kOnes) & ~word & kHighs) |  // below 0x21
         zeroBytes(word ^ ('"' * kOnes)) | zeroBytes(word ^ ('=' * kOnes)) |
         (word & kHighs);  // 0x80 and above
}

/// The first position from `i` on that holds a byte other than a kept ASCII byte, or `n`;
/// eight bytes at a time, so that the length of a token costs no branch of its own.
inline size_t SkipPlainAscii(const char* data, size_t i, size_t n) {
  for (; i + 8 <= n; i += 8) {
    if (const uint64_t special = SpecialBytes(LoadWord(data + i)))
      return i + std::countr_zero(special) / 8;
  }
  if (i >= n) return n;
  if (n >= 8) {
    // The last bytes: the line's last eight, without those before i, blanks behind them.
    const unsigned dropped = static_cast<unsigned>(i - (n - 8)) * 8;  // 8 to 56 bits
    const uint64_t word = LoadWord(data + n - 8) >> dropped | 0x2020202020202020ull << (64 - dropped);
    return i + std::countr_zero(SpecialBytes(word)) / 8;
  }
  for (; i < n; ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    if (b < 0x21 || b >= 0x80 || b == '"' || b == '=') break;
  }
  return i;
}

}  // namespace

void TokenizeLine(std::string_view line, TJwwTokens& tokens) {
  // Tokens are views of the line where their bytes lie side by side there, which is the
  // rule; a token that lost a byte from its middle (a quote, a control byte) is copied
  // into the scratch buffer, which never needs more room than the line.
  if (tokens.Scratch.size() < line.size()) tokens.Scratch.resize(line.size());
  for (int i = 0; i < tokens.N; ++i) tokens.T[i] = std::string_view();
  tokens.NumberMask = 0;
  const char* data = line.data();
  const size_t n = line.size();
  TokenBuilder token(data, tokens.Scratch.data());
  int slot = 0;
  size_t i = 0;
  // While separating: runs of kept bytes are appended at once.
  while (i < n) {
    const ByteClass c = kByteClasses[static_cast<unsigned char>(data[i])];
    if (c == kKept) {
      // A plain decimal from a blank (or the line's start) up to a single blank or the end
      // of the line is read as it is passed over: its slot keeps the value for its field.
      if (const auto b = static_cast<unsigned char>(data[i]);
          token.Empty() && (static_cast<unsigned>(b - '0') < 10u || b == '-' || b == '.')) {
        double value;
        if (const char* stop = MyFunc::ReadPlainDecimal(data + i, data + n, value)) {
          const auto end = static_cast<size_t>(stop - data);
          if (end == n || (data[end] == ' ' && slot < kMaxTokens - 1)) {
            tokens.T[slot] = std::string_view(data + i, end - i);
            tokens.Number[slot] = value;
            tokens.NumberMask |= uint32_t{1} << slot;
            if (end == n) {  // the line's last token
              tokens.N = slot + 1;
              return;
            }
            ++slot;
            i = end + 1;
            continue;
          }
        }
      }
      size_t run = SkipPlainAscii(data, i + 1, n);
      // The common token: plain ASCII bytes from a blank (or the line's start) up to a
      // single blank, with a slot after it still free. It goes to its slot at once and the
      // blank is passed over.
      if (token.Empty() && run < n && data[run] == ' ' && slot < kMaxTokens - 1) {
        tokens.T[slot++] = std::string_view(data + i, run - i);
        i = run + 1;
        continue;
      }
      while (run < n && kByteClasses[static_cast<unsigned char>(data[run])] == kKept)
        run = SkipPlainAscii(data, run + 1, n);
      token.Append(i, run - i);
      i = run;
    } else if (c == kBlank) {
      if (!token.Empty()) {
        if (slot == kMaxTokens - 1) {  // no 33rd slot: the rest of the line is dropped
          i = n;
          break;
        }
        tokens.T[slot++] = token.Take();
      }
      ++i;
    } else if (c == kLead) {
      if (i + 1 >= n) {  // a lead byte without its second byte is dropped
        i = n;
        break;
      }
      token.Append(i, 2);
      i += 2;
    } else if (c == kQuote) {
      ++i;  // dropped
      break;
    } else if (c == kEquals) {
      token.Append(i, 1);
      ++i;
      break;
    } else {
      ++i;  // kDrop
    }
  }
  // Separating is off for the rest of the line: blanks, quotes and "=" are kept too.
  while (i < n) {
    const auto b = static_cast<unsigned char>(data[i]);
    if (MyFunc::IsLeadByte(b)) {
      if (i + 1 >= n) break;
      token.Append(i, 2);
      i += 2;
    } else if (b >= 0x20 && b <= 0xFD) {
      size_t run = i + 1;
      while (run < n) {
        const auto r = static_cast<unsigned char>(data[run]);
        if (r < 0x20 || r > 0xFD || MyFunc::IsLeadByte(r)) break;
        ++run;
      }
      token.Append(i, run - i);
      i = run;
    } else {
      ++i;  // control bytes (a tab included), 0xFE, 0xFF
    }
  }
  tokens.T[slot] = token.Take();
  tokens.N = slot + 1;
}

namespace {

/// Raised by a real field too large for a double; ParseLine turns it into its result.
struct RealOverflow {};

double Real(std::string_view field) {
  MyFunc::RealStatus status = MyFunc::RealStatus::kOk;
  const double v = MyFunc::ParseRealOrZero(field, status);
  if (status == MyFunc::RealStatus::kOverflow) throw RealOverflow{};
  return v;
}

/// The real field in slot `i`: the tokenizer's reading when it made one.
double Real(const TJwwTokens& tk, int i) {
  if ((tk.NumberMask >> i & 1) != 0) return tk.Number[i];
  return Real(tk[i]);
}

bool StartsWith(std::string_view t, std::string_view prefix) {
  return t.size() >= prefix.size() && std::memcmp(t.data(), prefix.data(), prefix.size()) == 0;
}

/// 0-based position of the first occurrence of `needle` in `t` that starts on a character
/// boundary (never on the second byte of a two-byte character), or npos.
size_t FindOnCharBoundary(std::string_view t, std::string_view needle) {
  size_t i = 0;
  while (i < t.size()) {
    if (t.substr(i, needle.size()) == needle) return i;
    i += IsLeadByte(static_cast<unsigned char>(t[i])) ? 2 : 1;
  }
  return std::string_view::npos;
}

/// The single hexadecimal digit at byte 3 of a layer group or layer record; 0 otherwise.
int32_t HexDigitAt3(std::string_view t0) {
  if (t0.size() < 3) return 0;
  const char c = t0[2];
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

std::string_view From(std::string_view t0, size_t byte) {  // byte counted from 1
  return byte - 1 < t0.size() ? t0.substr(byte - 1) : std::string_view();
}

void ClearItemMarks(TJwwState& s) {
  s.CurZFlags = 0;
  s.CurHhp = 0;
}

void EndItem(TJwwState& s) {
  ClearItemMarks(s);
  s.InPolyline = false;
  s.AfterMsg = false;
}

int TextKeywordIndex(std::string_view t0) {
  if (t0.size() != 2 || t0[0] != 'c') return -1;
  for (int k = 0; k < static_cast<int>(std::size(kTextKeywords)); ++k)
    if (t0 == kTextKeywords[k]) return k;
  return -1;
}

void ResolveText(const TJwwState& s, TJwwEntText& text, int32_t kind, const TJwwTokens& tk) {
  text.TextKind = kind;
  text.Cc = s.CurCc;
  text.TextType = s.CurTextType;
  if (text.TextType >= 1 && text.TextType <= 10) {
    const TJwwTextType& type = s.TextTypes[text.TextType - 1];
    text.Width = type.Width;
    text.Height = type.Height;
    text.Spacing = type.Spacing;
    text.Head.Colour = type.Colour;
  } else {
    text.Width = s.CurFreeWidth;
    text.Height = s.CurFreeHeight;
    text.Spacing = s.CurFreeSpacing;
    text.Head.Colour = s.CurFreeColour;
  }
  text.X = Real(tk, 1);
  text.Y = Real(tk, 2);
  text.Dx = Real(tk, 3);
  text.Dy = Real(tk, 4);
  text.FontName.assign(s.CurFontName);
  text.Text.assign(tk[5]);
}

struct Corner {
  double X, Y;
};

bool SameCorner(Corner a, Corner b) {
  return std::fabs(a.X - b.X) <= 1e-10 && std::fabs(a.Y - b.Y) <= 1e-10;
}

void AddSl2(TJwwState& s, Corner a, Corner b) {
  auto& r = AddItem(s, s.Sl2Table, kKindSl2);
  r.ExtColour = s.CurExtColour;
  r.X1 = a.X, r.Y1 = a.Y, r.X2 = b.X, r.Y2 = b.Y;
}

void AddSl3(TJwwState& s, Corner a, Corner b, Corner c) {
  auto& r = AddItem(s, s.Sl3Table, kKindSl3);
  r.ExtColour = s.CurExtColour;
  r.X1 = a.X, r.Y1 = a.Y, r.X2 = b.X, r.Y2 = b.Y, r.X3 = c.X, r.Y3 = c.Y;
}

void AddSl4(TJwwState& s, Corner a, Corner b, Corner c, Corner d) {
  auto& r = AddItem(s, s.Sl4Table, kKindSl4);
  r.ExtColour = s.CurExtColour;
  r.X1 = a.X, r.Y1 = a.Y, r.X2 = b.X, r.Y2 = b.Y, r.X3 = c.X, r.Y3 = c.Y, r.X4 = d.X, r.Y4 = d.Y;
}

/// An "sl" solid of two, three or four corners; coinciding corners collapse it to fewer.
void ReadSolid(TJwwState& s, const TJwwTokens& tk, int corners) {
  Corner p[4]{};
  for (int i = 0; i < corners; ++i) {
    p[i].X = Real(tk, 1 + 2 * i);
    p[i].Y = Real(tk, 2 + 2 * i);
  }
  if (corners == 2) {
    AddSl2(s, p[0], p[1]);
  } else if (corners == 3) {
    if (SameCorner(p[0], p[1]))
      AddSl2(s, p[0], p[2]);
    else if (SameCorner(p[1], p[2]))
      AddSl2(s, p[0], p[1]);
    else
      AddSl3(s, p[0], p[1], p[2]);
  } else {
    const bool e12 = SameCorner(p[0], p[1]), e13 = SameCorner(p[0], p[2]);
    const bool e14 = SameCorner(p[0], p[3]), e23 = SameCorner(p[1], p[2]);
    const bool e24 = SameCorner(p[1], p[3]), e34 = SameCorner(p[2], p[3]);
    if (e12 && e13)
      AddSl2(s, p[0], p[3]);
    else if (e23 && e24)
      AddSl2(s, p[0], p[1]);
    else if (e12 && e34)
      AddSl2(s, p[0], p[2]);
    else if (e14 || e24 || e34)
      AddSl3(s, p[0], p[1], p[2]);
    else if (e13 || e23)
      AddSl3(s, p[0], p[1], p[3]);
    else if (e12)
      AddSl3(s, p[0], p[2], p[3]);
    else
      AddSl4(s, p[0], p[1], p[2], p[3]);
  }
  EndItem(s);
}

template <class T>
void ReadScSe(TJwwState& s, TJwwTable<T>& table, int32_t kind, const TJwwTokens& tk) {
  T& r = AddItem(s, table, kind);
  r.ExtColour = s.CurExtColour;
  double* v[] = {&r.V1, &r.V2, &r.V3, &r.V4, &r.V5, &r.V6, &r.V7};
  for (int i = 0; i < 7; ++i) *v[i] = Real(tk, 1 + i);
  r.N8 = ParseIntOrZero(tk[8]);
  EndItem(s);
}

template <class T>
void ReadSoSg(TJwwState& s, TJwwTable<T>& table, int32_t kind, const TJwwTokens& tk) {
  T& r = AddItem(s, table, kind);
  r.ExtColour = s.CurExtColour;
  double* v[] = {&r.V1, &r.V2, &r.V3, &r.V4, &r.V5, &r.V6, &r.V7, &r.V8};
  for (int i = 0; i < 8; ++i) *v[i] = Real(tk, 1 + i);
  EndItem(s);
}

void ReadLineCoordinates(TJwwEntLine& line, const TJwwTokens& tk) {
  line.X1 = Real(tk, 0);
  line.Y1 = Real(tk, 1);
  line.X2 = Real(tk, 2);
  line.Y2 = Real(tk, 3);
}

// ---- Records by family. Each returns true when it took the line. ----

bool HeaderRecord(TJwwState& s, std::string_view t0, const TJwwTokens& tk) {
  const int n = tk.N;
  if (t0 == "hk") {
    if (n < 2) return false;
    s.HkValue = Real(tk, 1);
  } else if (t0 == "hs") {
    if (n < 17) return false;
    for (int i = 0; i < 16; ++i) s.GroupScale[i] = Real(tk, i + 1);
  } else if (t0 == "hzs") {
    if (n < 3) return false;
    s.PaperWidth = Real(tk, 1);
    s.PaperHeight = Real(tk, 2);
  } else if (t0 == "hcw" || t0 == "hch" || t0 == "hcd") {
    if (n < 11) return false;
    double TJwwTextType::*field = t0 == "hcw"   ? &TJwwTextType::Width
                                  : t0 == "hch" ? &TJwwTextType::Height
                                                : &TJwwTextType::Spacing;
    for (int i = 0; i < 10; ++i) s.TextTypes[i].*field = Real(tk, i + 1);
  } else if (t0 == "hcc") {
    if (n < 11) return false;
    for (int i = 0; i < 10; ++i) s.TextTypes[i].Colour = ParseIntOrZero(tk[i + 1]);
  } else if (t0 == "bz") {
    s.BzFlag = true;
  } else if (t0 == "hn") {
    if (n < 5) return false;
    for (int i = 0; i < 4; ++i) s.HnValues[i] = Real(tk, i + 1);
  } else {
    return false;
  }
  return true;
}

/// Takes the first-seen capture of attribute `flag` if it is still open.
bool FirstOf(TJwwState& s, int flag) {
  if (!s.AttrFirst[flag]) return false;
  s.AttrFirst[flag] = false;
  return true;
}

bool AttributeRecord(TJwwState& s, std::string_view t0, const TJwwTokens& tk) {
  const int n = tk.N;
  if (StartsWith(t0, "lgn")) {
    s.GroupNames[s.CurGroup].assign(From(t0, 4));
    return true;
  }
  if (StartsWith(t0, "lyn")) {
    s.LayerNames[s.CurGroup * 16 + s.CurLayer].assign(From(t0, 4));
    return true;
  }
  if (StartsWith(t0, "lg")) {
    const int32_t g = HexDigitAt3(t0);
    s.CurGroup = g;
    if (FirstOf(s, kFirstGroup)) s.FirstGroup = g;
    if (n >= 2) s.GroupNumbers[g] = ParseIntOrZero(tk[1]);
  } else if (StartsWith(t0, "ly")) {
    const int32_t l = HexDigitAt3(t0);
    s.CurLayer = l;
    if (FirstOf(s, kFirstLayer)) s.FirstLayer = l;
    if (n >= 2) s.LayerNumbers[s.CurGroup * 16 + l] = ParseIntOrZero(tk[1]);
  } else if (StartsWith(t0, "lc")) {
    const int32_t c = ParseIntOrZero(From(t0, 3));
    s.CurColour = c;
    if (FirstOf(s, kFirstColour)) s.FirstColour = c;
    if (c == 10 && n >= 2) s.CurExtColour = ParseIntOrZero(tk[1]);
  } else if (StartsWith(t0, "lt")) {
    s.CurLineType = ParseIntOrZero(From(t0, 3));
    if (FirstOf(s, kFirstLineType)) s.FirstLineType = s.CurLineType;
  } else if (StartsWith(t0, "lw")) {
    s.CurLineWidth = ParseIntOrZero(From(t0, 3));
    if (FirstOf(s, kFirstLineWidth)) s.FirstLineWidth = s.CurLineWidth;
    s.LineWidthSeen = true;
  } else if (StartsWith(t0, "cn$")) {
    s.CurFontName.assign(From(t0, 4));
    if (s.FirstFontName.empty()) s.FirstFontName = s.CurFontName;
  } else if (StartsWith(t0, "cn")) {
    const int32_t k = ParseIntOrZero(From(t0, 3));
    const bool first = FirstOf(s, kFirstTextType);
    s.CurTextType = k;
    if (first) s.FirstTextType = k;
    if (k == 0 && n >= 5) {
      s.CurFreeWidth = Real(tk, 1);
      s.CurFreeHeight = Real(tk, 2);
      s.CurFreeSpacing = Real(tk, 3);
      s.CurFreeColour = ParseIntOrZero(tk[4]);
      if (first) {
        s.FirstFreeWidth = s.CurFreeWidth;
        s.FirstFreeHeight = s.CurFreeHeight;
        s.FirstFreeSpacing = s.CurFreeSpacing;
        s.FirstFreeColour = s.CurFreeColour;
      }
    }
  } else if (StartsWith(t0, "cc")) {
    const int32_t v = t0.size() >= 3 ? ParseIntOrZero(t0.substr(2, 1)) : 0;
    s.CurCc = v >= 0 && v <= 8 ? v : 0;
  } else {
    return false;
  }
  s.InPolyline = false;
  return true;
}

bool MarkerRecord(TJwwState& s, std::string_view t0) {
  if (t0.size() == 2 && t0[0] == 'z' && t0[1] >= '1' && t0[1] <= '5') {
    s.CurZFlags |= 1 << (t0[1] - '1');
    return true;
  }
  if (StartsWith(t0, "pn")) {
    s.CurPointType = ParseIntOrZero(From(t0, 3));
    s.InPolyline = false;
    return true;
  }
  if (t0 == "pl") {
    ++s.PolylineCount;
    s.InPolyline = true;
    s.AfterMsg = false;
    return true;
  }
  if (t0 == "msg") {
    s.AfterMsg = true;
    s.InPolyline = false;
    return true;
  }
  if (t0 == "#") {
    s.InPolyline = false;
    s.AfterMsg = false;
    return true;
  }
  return false;
}

bool ReferencePointRecord(TJwwState& s, std::string_view t0, const TJwwTokens& tk) {
  if (StartsWith(t0, "hp") && tk.N >= 3) {
    std::string_view number = From(t0, 3);
    int32_t kind = 0;
    constexpr std::string_view kSuffixes[] = {"-", "ln", "ci", "ch"};
    for (int k = 0; k < 4; ++k) {
      const size_t p = FindOnCharBoundary(t0, kSuffixes[k]);
      if (p != std::string_view::npos && p >= 2) {
        number = t0.substr(2, p - 2);
        kind = k + 1;
      }
    }
    const int32_t slot = ParseIntOrZero(number);
    if (slot >= 1 && slot <= 99) {
      TJwwRefPoint& point = s.RefPoints[slot];
      point.Used = true;
      point.X = Real(tk, 1);
      point.Y = Real(tk, 2);
      point.Kind = kind;
      ++s.RefPointCount;
    }
    return true;
  }
  if (StartsWith(t0, "hhp")) {
    size_t length = t0.size() - 3;
    for (std::string_view suffix : {"ln", "ci", "ch"}) {
      const size_t p = FindOnCharBoundary(t0, suffix);
      if (p != std::string_view::npos && p > 3) length = p - 3;
    }
    s.CurHhp = ParseIntOrZero(t0.substr(3, length));
    return true;
  }
  return false;
}

bool ItemRecord(TJwwState& s, std::string_view t0, const TJwwTokens& tk) {
  const int n = tk.N;
  if (t0 == "ci") {
    if (n == 4) {
      auto& r = AddItem(s, s.CircleTable, kKindCircle);
      r.X = Real(tk, 1);
      r.Y = Real(tk, 2);
      r.R = Real(tk, 3);
    } else if (n >= 8) {
      auto& r = AddItem(s, s.ArcTable, kKindArc);
      double* v[] = {&r.X, &r.Y, &r.R, &r.V4, &r.V5, &r.V6, &r.V7};
      for (int i = 0; i < 7; ++i) *v[i] = Real(tk, 1 + i);
    } else {
      return false;
    }
    EndItem(s);
    return true;
  }
  if (const int k = TextKeywordIndex(t0); k >= 0) {
    if (n < 6) return false;
    if (s.AfterMsg && k == 2) {
      auto& dim = AddItem(s, s.DimTable, kKindDim);
      dim.Line = s.PendingDimLine;
      dim.Line.PolylineNo = 0;
      InitEntHead(s, dim.Text.Head);
      ResolveText(s, dim.Text, 2, tk);
    } else {
      auto& text = AddItem(s, s.TextTable, kKindText);
      ResolveText(s, text, k, tk);
    }
    EndItem(s);
    return true;
  }
  if (t0 == "pt") {
    if (n == 3) {
      auto& r = AddItem(s, s.PointTable, kKindPoint);
      r.Head.Colour = s.CurPointType;
      r.X = Real(tk, 1);
      r.Y = Real(tk, 2);
    } else if (n >= 6) {
      auto& r = AddItem(s, s.PointExTable, kKindPointEx);
      r.Head.Colour = s.CurPointType;
      r.X = Real(tk, 1);
      r.Y = Real(tk, 2);
      r.V3 = Real(tk, 3);
      r.V4 = Real(tk, 4);
      r.N5 = ParseIntOrZero(tk[5]);
    } else {
      return false;
    }
    EndItem(s);
    return true;
  }
  if (t0 == "BL") {
    if (n < 4) return false;
    auto& r = AddItem(s, s.BlockTable, kKindBlock);
    r.X = Real(tk, 1);
    r.Y = Real(tk, 2);
    r.Name.assign(tk[3]);
    EndItem(s);
    return true;
  }
  if (t0 == "sl") {
    if (n == 5) {
      ReadSolid(s, tk, 2);
    } else if (n == 7) {
      ReadSolid(s, tk, 3);
    } else if (n >= 9) {
      ReadSolid(s, tk, 4);
    } else {
      return false;
    }
    return true;
  }
  if (n < 9) return false;
  if (t0 == "sc") {
    ReadScSe(s, s.ScTable, kKindSc, tk);
  } else if (t0 == "se") {
    ReadScSe(s, s.SeTable, kKindSe, tk);
  } else if (t0 == "so") {
    ReadSoSg(s, s.SoTable, kKindSo, tk);
  } else if (t0 == "sg") {
    ReadSoSg(s, s.SgTable, kKindSg, tk);
  } else {
    return false;
  }
  return true;
}

/// A line of four numbers without a keyword: a line item, or the measure line of the
/// dimension that the next "cs" text completes.
/// `readCoordinates(line)` fills in the four numbers.
template <class ReadCoordinates>
void AddPlainLine(TJwwState& s, ReadCoordinates&& readCoordinates) {
  if (s.AfterMsg) {
    TJwwEntLine& pending = s.PendingDimLine;
    pending = TJwwEntLine{};
    InitEntHead(s, pending.Head);
    readCoordinates(pending);
  } else {
    auto& line = AddItem(s, s.LineTable, kKindLine);
    line.PolylineNo = s.InPolyline ? s.PolylineCount : 0;
    readCoordinates(line);
  }
  ClearItemMarks(s);
}

void PlainLine(TJwwState& s, const TJwwTokens& tk) {
  AddPlainLine(s, [&](TJwwEntLine& line) { ReadLineCoordinates(line, tk); });
}

/// The most common line of the file, a plain line as the host writes it: four numbers (an
/// optional "-", then digits with at most one point) separated by single blanks and
/// nothing else, read in one pass without cutting it into tokens. It tokenizes to exactly
/// four slots whose first begins with no keyword, so test 41 takes it; each number is what
/// ParseRealOrZero gives (an exact integer of at most 2^53 divided once by a power of ten).
/// False for any other line, which then goes the general way.
bool ReadFourNumbers(std::string_view line, double (&values)[4]) {
  const char* p = line.data();
  const char* const end = p + line.size();
  for (int k = 0; k < 4; ++k) {
    if (k > 0) {
      if (p == end || *p != ' ') return false;
      ++p;
    }
    p = MyFunc::ReadPlainDecimal(p, end, values[k]);
    if (p == nullptr) return false;
  }
  return p == end;
}

void Dispatch(TJwwState& s, const TJwwTokens& tk) {
  const std::string_view t0 = tk[0];
  // "file=" can only be present when the token holds "=", which switched separating off;
  // keywords are shorter than it.
  if (t0.size() >= 5 && t0.find('=') != std::string_view::npos &&
      FindOnCharBoundary(t0, "file=") != std::string_view::npos) {
    s.FileName.assign(From(t0, 6));
    return;
  }
  // The families are tried in their fixed order, but only those with a keyword that begins
  // with the token's first byte: the others cannot take the line. Numbers (the plain
  // line's first field) and every other byte go straight to the last test.
  bool taken = false;
  switch (t0.empty() ? '\0' : t0[0]) {
    case 'h':
      taken = HeaderRecord(s, t0, tk) || ReferencePointRecord(s, t0, tk);
      break;
    case 'b':
      taken = HeaderRecord(s, t0, tk);
      break;
    case 'l':
      taken = AttributeRecord(s, t0, tk);
      break;
    case 'c':
      taken = AttributeRecord(s, t0, tk) || ItemRecord(s, t0, tk);
      break;
    case 'z': case 'm': case '#':
      taken = MarkerRecord(s, t0);
      break;
    case 'p':
      taken = MarkerRecord(s, t0) || ItemRecord(s, t0, tk);
      break;
    case 'B': case 's':
      taken = ItemRecord(s, t0, tk);
      break;
    default:
      break;
  }
  if (!taken && tk.N == 4) PlainLine(s, tk);
}

}  // namespace

bool ParseLine(TJwwState& s, std::string_view line, TJwwTokens& tokens) {
  if (line.empty()) return true;
  if (const char c = line[0]; (c >= '0' && c <= '9') || c == '-' || c == '.') {
    double v[4];
    if (ReadFourNumbers(line, v)) {
      AddPlainLine(s, [&](TJwwEntLine& l) {
        l.X1 = v[0];
        l.Y1 = v[1];
        l.X2 = v[2];
        l.Y2 = v[3];
      });
      return true;
    }
  }
  TokenizeLine(line, tokens);
  if (tokens.Blank()) return true;
  try {
    Dispatch(s, tokens);
  } catch (const RealOverflow&) {
    return false;
  }
  return true;
}

bool ParseLine(TJwwState& s, std::string_view line) {
  TJwwTokens tokens;
  return ParseLine(s, line, tokens);
}

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr size_t kReadBlock = size_t{1} << 20;

/// True when `bytes` hold no Ctrl-Z and no CR other than one right before an LF, so that
/// every line in them needs no more than its line end's CR cut off. Checking a whole block
/// at once is cheaper than searching each line for them; the 64 bytes of a step are
/// checked without a branch, so that the compiler can do them side by side.
bool PlainLineEnds(std::string_view bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  constexpr size_t kStep = 64;
  size_t i = 0;
  // Each step reads one byte past its 64: the byte after a CR.
  for (; i + kStep < n; i += kStep) {
    unsigned bad = 0;
    for (size_t k = 0; k < kStep; ++k) {
      const unsigned char b = data[i + k];
      bad |= static_cast<unsigned>(b == kCtrlZ) |
             (static_cast<unsigned>(b == '\r') & static_cast<unsigned>(data[i + k + 1] != '\n'));
    }
    if (bad != 0) return false;
  }
  for (; i < n; ++i) {
    if (data[i] == kCtrlZ) return false;
    if (data[i] == '\r' && (i + 1 == n || data[i + 1] != '\n')) return false;
  }
  return true;
}

/// Applies one raw line (without its LF). Returns false to stop reading: `ok` then says
/// whether the stop is the end-of-file mark (true) or a failed line (false). `plainEnds`
/// is PlainLineEnds for a stretch of the file that holds the line.
bool ApplyRawLine(TJwwState& s, std::string_view raw, bool plainEnds, TJwwTokens& tokens,
                  std::string& clean, bool& ok) {
  // A CR before the LF is part of the line end, and a lone CR is dropped: no CR is content.
  // The line end's CR is cut off the view; only a line with a CR inside is copied.
  if (plainEnds) {
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    if (ParseLine(s, raw, tokens)) return true;
    ok = false;
    return false;
  }
  if (!raw.empty() && raw[0] == kCtrlZ) {  // the end-of-file mark
    ok = true;
    return false;
  }
  if (const void* z = std::memchr(raw.data(), kCtrlZ, raw.size()))
    raw = raw.substr(0, static_cast<const char*>(z) - raw.data());
  if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
  if (std::memchr(raw.data(), '\r', raw.size()) != nullptr) {
    clean.clear();
    for (char c : raw)
      if (c != '\r') clean.push_back(c);
    raw = clean;
  }
  if (!ParseLine(s, raw, tokens)) {
    ok = false;
    return false;
  }
  return true;
}

}  // namespace

bool LoadInterchangeFile(TJwwState& s, const std::filesystem::path& path) {
  InputFile file;
  switch (file.Open(path)) {
    case InputFile::OpenResult::kMissing:
      s.LoadError = file.Error();
      return false;
    case InputFile::OpenResult::kError:
      s.LoadFailed = true;
      s.LoadError = file.Error();
      return false;
    case InputFile::OpenResult::kOk:
      s.InputOpened = true;
      break;
  }
  TJwwTokens tokens;
  std::string clean;
  std::string buffer(kReadBlock, '\0');
  size_t begin = 0;    // start of the unread part of the current line
  size_t scanned = 0;  // bytes from `begin` already known to hold no LF
  size_t end = 0;      // end of the data in the buffer
  bool atEnd = false;
  bool plainEnds = false;  // PlainLineEnds of the data in the buffer
  bool ok = true;
  for (;;) {
    const char* data = buffer.data();
    const void* lf = std::memchr(data + begin + scanned, '\n', end - begin - scanned);
    if (lf != nullptr) {
      const size_t stop = static_cast<const char*>(lf) - data;
      const std::string_view raw(data + begin, stop - begin);
      if (!ApplyRawLine(s, raw, plainEnds, tokens, clean, ok)) break;
      begin = stop + 1;
      scanned = 0;
      continue;
    }
    scanned = end - begin;
    if (atEnd) {
      const std::string_view raw(data + begin, end - begin);
      if (begin < end) ApplyRawLine(s, raw, plainEnds, tokens, clean, ok);
      break;
    }
    if (begin > 0) {  // keep the partial line at the front of the buffer
      std::memmove(buffer.data(), data + begin, end - begin);
      end -= begin;
      begin = 0;
    }
    if (end == buffer.size()) {  // a line longer than the buffer
      // A string cannot grow past max_size (about 2 GiB in a 32-bit program): such a line
      // does not fit in memory.
      if (buffer.size() > buffer.max_size() / 2) {
        s.LoadError = {FileError::Kind::kOutOfMemory, 0};
        ok = false;
        break;
      }
      buffer.resize(buffer.size() * 2);
    }
    const std::ptrdiff_t got = file.Read(buffer.data() + end, buffer.size() - end);
    if (got < 0) {
      s.LoadError = file.Error();
      ok = false;
      break;
    }
    if (got == 0)
      atEnd = true;
    else
      end += static_cast<size_t>(got);
    plainEnds = PlainLineEnds(std::string_view(buffer.data(), end));
  }
  if (!ok) {
    s.LoadFailed = true;
    // The one failure that is not the system's: a number too large for a double.
    if (!s.LoadError) s.LoadError = {FileError::Kind::kBadContent, 0};
  }
  return ok;
}

}  // namespace JwwGaibu
