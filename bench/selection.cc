#include "bench/selection.h"

#include <cstring>
#include <string_view>

namespace Bench {
namespace {

/// splitmix64: small, fast and the same on every platform, unlike the standard
/// distributions, whose results are left to the library.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  /// 0 to n - 1.
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  /// True in `percent` out of 100 calls.
  bool Chance(int percent) { return Below(100) < percent; }

 private:
  uint64_t state_;
};

// Shift-JIS words of a floor plan (the file's own code page, written as bytes).
constexpr std::string_view kWords[] = {
    "\x95\xBD\x96\xCA\x90\x7D",          // 平面図
    "\x92\xCA\x82\xE8\x90\x63",          // 通り芯
    "\x97\x6D\x8E\xBA",                  // 洋室
    "\x98\x61\x8E\xBA",                  // 和室
    "\x8C\xBA\x8A\xD6",                  // 玄関
    "\x98\x4C\x89\xBA",                  // 廊下
    "\x90\x51\x8E\xBA",                  // 寝室
    "\x91\xE4\x8F\x8A",                  // 台所
    "\x97\x81\x8E\xBA",                  // 浴室
    "\x8A\x4B\x92\x69",                  // 階段
    "\x8E\xFB\x94\x5B",                  // 収納
    "\x95\xD6\x8F\x8A",                  // 便所
    "\x89\x9F\x93\xFC",                  // 押入
    "\x94\x5B\x8C\xCB",                  // 納戸
    "\x82\x6B\x82\x63\x82\x6A",          // ＬＤＫ
    "\x8F\x6F\x93\xFC\x8C\xFB",          // 出入口
    "\x8A\x4F\x95\xC7",                  // 外壁
    "\x93\xE0\x95\xC7",                  // 内壁
    "\x8A\xEE\x91\x62",                  // 基礎
    "\x89\xAE\x8D\xAA",                  // 屋根
    "\x95\x5C",                          // 表 (its second byte is a backslash)
    "\x82\x77\x82\x50\x92\xCA\x82\xE8",  // Ｘ１通り
    "\x82\x78\x82\x51\x92\xCA\x82\xE8",  // Ｙ２通り
};

constexpr std::string_view kFullWidthBlank = "\x81\x40";
constexpr std::string_view kOpenParen = "\x81\x69";   // （
constexpr std::string_view kCloseParen = "\x81\x6A";  // ）
constexpr std::string_view kMat = "\x92\x9F";         // 帖
constexpr std::string_view kTimes = "\x81\x7E";       // ×

constexpr std::string_view kFonts[] = {
    "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9",                    // ＭＳ 明朝
    "<\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E>",  // <ＭＳ ゴシック>
    "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E",    // ＭＳ ゴシック
};

constexpr std::string_view kTextKeywords[] = {"ch", "ch", "ch", "ch", "ch", "cv", "cr", "ct"};

constexpr std::string_view kSizes[] = {"2", "2.5", "3", "3.5", "4", "5", "7.5"};
constexpr std::string_view kSpacings[] = {"0", "0", "0.5", "-0.25", "1", "0.3", "-1.5"};

constexpr char kHex[] = "0123456789ABCDEF";

class Writer {
 public:
  Writer(std::string& out, uint64_t seed) : out_(out), random_(seed) {}

  void Put(std::string_view s) { out_.append(s); }
  void Put(char c) { out_.push_back(c); }
  void End() {
    out_.append("\r\n");
    ++stats_.Lines;
  }
  void Line(std::string_view s) {
    Put(s);
    End();
  }

  void PutInt(int64_t v) {
    char buffer[24];
    int n = 0;
    const bool negative = v < 0;
    uint64_t u = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    do {
      buffer[n++] = static_cast<char>('0' + u % 10);
      u /= 10;
    } while (u != 0);
    if (negative) Put('-');
    while (n > 0) Put(buffer[--n]);
  }

  /// A number with 0 to 4 decimals, trailing zeros dropped, in ten-thousandths.
  void PutFixed(int64_t tenThousandths) {
    if (tenThousandths < 0) {
      Put('-');
      tenThousandths = -tenThousandths;
    }
    PutInt(tenThousandths / 10000);
    int64_t frac = tenThousandths % 10000;
    if (frac == 0) return;
    char digits[4];
    for (int i = 3; i >= 0; --i) {
      digits[i] = static_cast<char>('0' + frac % 10);
      frac /= 10;
    }
    int n = 4;
    while (digits[n - 1] == '0') --n;
    Put('.');
    Put(std::string_view(digits, n));
  }

  /// A drawing coordinate in millimetres, -5000 to 40000, with 0 to 4 decimals.
  int64_t Coordinate() {
    const int64_t whole = random_.Below(45000) - 5000;
    int64_t v = whole * 10000;
    switch (random_.Below(10)) {
      case 0:
      case 1:
      case 2:
      case 3:
        break;  // whole millimetres
      case 4:
      case 5:
        v += 5000;
        break;  // .5
      case 6:
        v += random_.Below(100) * 100;
        break;  // two decimals
      case 7:
        v += random_.Below(1000) * 10;
        break;  // three
      default:
        v += random_.Below(10000);
        break;  // four
    }
    return v;
  }
  void Sp() { Put(' '); }

  void Header() {
    Line("file=C:\\JWW\\bench\\\x95\xBD\x96\xCA\x90\x7D.jww");
    Line("hk 0");
    Line("hs 100 100 100 100 50 50 50 50 1 1 1 1 1 1 1 1");
    Line("hzs 420 297");
    Line("hcw 2 2.5 3 3.5 4 5 6 7 8 10");
    Line("hch 2 2.5 3 3.5 4 5 6 7 8 10");
    Line("hcd 0 0 0.5 0 0 0 0 0 0 0");
    Line("hcc 1 1 2 2 3 3 4 4 5 5");
    Line("hn 0 0 0 0");
    Line("lg0 0");
    Line("ly0 0");
    Line("lc1");
    Line("lt1");
    Line("lw0");
  }

  /// One or two attribute records, as the host writes them when the next item differs.
  void AttributeChange() {
    const int what = random_.Below(100);
    if (what < 35) {
      Put("ly");
      Put(kHex[random_.Below(16)]);
      End();
      if (random_.Chance(5)) {
        Put("lyn");
        Put(kWords[random_.Below(std::size(kWords))]);
        End();
      }
    } else if (what < 70) {
      Put("lc");
      PutInt(1 + random_.Below(9));
      End();
    } else if (what < 88) {
      Put("lt");
      PutInt(1 + random_.Below(9));
      End();
    } else if (what < 94) {
      Put("lw");
      PutInt(random_.Below(4) * 25);
      End();
    } else if (what < 97) {
      Put("lg");
      Put(kHex[random_.Below(16)]);
      End();
      Put("ly");
      Put(kHex[random_.Below(16)]);
      End();
    } else {
      Line(random_.Chance(50) ? "z1" : "z2");
    }
  }

  void PutCoords(int count) {
    for (int i = 0; i < count; ++i) {
      if (i > 0) Sp();
      PutFixed(Coordinate());
    }
  }

  /// A segment from the given start to a nearby point; returns the end.
  void Segment(int64_t& x, int64_t& y) {
    PutFixed(x);
    Sp();
    PutFixed(y);
    Sp();
    if (random_.Chance(50))
      x += (random_.Below(8000) - 4000) * 10000 / 4 + random_.Below(10) * 1000;
    else
      y += (random_.Below(8000) - 4000) * 10000 / 4 + random_.Below(10) * 1000;
    PutFixed(x);
    Sp();
    PutFixed(y);
    End();
    ++stats_.Items;
  }

  void PlainLine() {
    int64_t x = Coordinate(), y = Coordinate();
    Segment(x, y);
  }

  void Polyline(int64_t room) {
    Line("pl");
    int64_t x = Coordinate(), y = Coordinate();
    const int segments = 3 + random_.Below(4);
    for (int i = 0; i < segments && room > 0; ++i, --room) Segment(x, y);
    Line("#");
  }

  void TextBody() {
    const std::string_view word = kWords[random_.Below(std::size(kWords))];
    switch (random_.Below(6)) {
      case 0:  // 洋室（6帖）
        Put(word);
        Put(kOpenParen);
        PutInt(4 + random_.Below(12));
        Put(kMat);
        Put(kCloseParen);
        break;
      case 1:  // W=1200×D=600
        Put("W=");
        PutInt(300 + random_.Below(30) * 50);
        Put(kTimes);
        Put("D=");
        PutInt(300 + random_.Below(30) * 50);
        break;
      case 2:  // two words with a full-width blank
        Put(word);
        Put(kFullWidthBlank);
        Put(kWords[random_.Below(std::size(kWords))]);
        break;
      case 3:
        Put("1/");
        PutInt(random_.Chance(50) ? 100 : 50);
        Put(' ');
        Put(word);
        break;
      default:
        Put(word);
        break;
    }
  }

  void Text() {
    if (random_.Chance(4)) {
      Put("cn\"$");
      Put(kFonts[random_.Below(std::size(kFonts))]);
      End();
    }
    if (random_.Chance(30)) {
      // A text of one of the host's text types.
      Put("cn");
      PutInt(1 + random_.Below(10));
      End();
      freeSize_ = false;
    } else if (!freeSize_ || random_.Chance(30)) {
      const std::string_view size = kSizes[random_.Below(std::size(kSizes))];
      Put("cn0 ");
      Put(size);
      Sp();
      Put(size);
      Sp();
      Put(kSpacings[random_.Below(std::size(kSpacings))]);
      Sp();
      PutInt(1 + random_.Below(9));
      End();
      freeSize_ = true;
    }
    if (random_.Chance(5)) {
      Put("cc");
      PutInt(random_.Below(9));
      End();
    }
    Put(kTextKeywords[random_.Below(std::size(kTextKeywords))]);
    Sp();
    PutCoords(2);
    Put(random_.Chance(85) ? " 1 0 \"" : " 0.866025403784439 0.5 \"");
    TextBody();
    End();
    ++stats_.Items;
    ++stats_.Texts;
  }

  void Circle() {
    Put("ci ");
    PutCoords(2);
    Sp();
    PutFixed((50 + random_.Below(3000)) * 10000 + random_.Below(2) * 5000);
    End();
    ++stats_.Items;
  }

  void Arc() {
    Put("ci ");
    PutCoords(2);
    Sp();
    PutFixed((50 + random_.Below(3000)) * 10000);
    Put(random_.Chance(70) ? " 1 0 1.5707963267949 0"
                           : " 0.5 0 6.28318530717959 0.785398163397448");
    End();
    ++stats_.Items;
  }

  void Point() {
    if (random_.Chance(20)) {
      Put("pn");
      PutInt(1 + random_.Below(3));
      End();
    }
    Put("pt ");
    PutCoords(2);
    if (random_.Chance(20)) Put(" 1 0 3");
    End();
    ++stats_.Items;
  }

  void Solid() {
    if (random_.Chance(30)) {
      Put("lc10 ");
      PutInt(random_.Below(0x1000000));
      End();
    }
    const int64_t x = Coordinate(), y = Coordinate();
    const int64_t w = (100 + random_.Below(2000)) * 10000, h = (100 + random_.Below(2000)) * 10000;
    Put("sl ");
    if (random_.Chance(75)) {
      const int64_t corners[] = {x, y, x + w, y, x + w, y + h, x, y + h};
      for (int i = 0; i < 8; ++i) {
        if (i > 0) Sp();
        PutFixed(corners[i]);
      }
    } else {
      const int64_t corners[] = {x, y, x + w, y, x + w / 2, y + h};
      for (int i = 0; i < 6; ++i) {
        if (i > 0) Sp();
        PutFixed(corners[i]);
      }
    }
    End();
    ++stats_.Items;
  }

  void CurvedSolid() {
    const bool ring = random_.Chance(50);
    Put(ring ? "so " : "sc ");
    PutCoords(2);
    Put(ring ? " 500 1 0 6.28318530717959 0 250" : " 500 1 0 3.14159265358979 0 100");
    End();
    ++stats_.Items;
  }

  void Dimension() {
    Line("msg");
    const int64_t x = Coordinate(), y = Coordinate();
    const int64_t length = (300 + random_.Below(60) * 150) * 10000;
    PutFixed(x);
    Sp();
    PutFixed(y);
    Sp();
    PutFixed(x + length);
    Sp();
    PutFixed(y);
    End();
    Put("cs ");
    PutFixed(x + length / 2);
    Sp();
    PutFixed(y + 1500000);
    Put(" 1 0 \"");
    if (random_.Chance(80)) {
      const int64_t mm = length / 10000;
      if (mm >= 1000) {
        PutInt(mm / 1000);
        Put(',');
        const int64_t rest = mm % 1000;
        Put(static_cast<char>('0' + rest / 100));
        Put(static_cast<char>('0' + rest / 10 % 10));
        Put(static_cast<char>('0' + rest % 10));
      } else {
        PutInt(mm);
      }
    }
    End();
    ++stats_.Items;
  }

  void Block() {
    Put("BL ");
    PutCoords(2);
    Sp();
    Put(kWords[random_.Below(std::size(kWords))]);
    End();
    ++stats_.Items;
  }

  SelectionStats Generate(int64_t items) {
    Header();
    int untilChange = 1;
    while (stats_.Items < items) {
      if (--untilChange == 0) {
        AttributeChange();
        untilChange = 2 + random_.Below(5);
      }
      const int kind = random_.Below(100);
      if (kind < 34)
        PlainLine();
      else if (kind < 44)
        Polyline(items - stats_.Items);
      else if (kind < 62)
        Text();
      else if (kind < 70)
        Circle();
      else if (kind < 76)
        Arc();
      else if (kind < 84)
        Point();
      else if (kind < 90)
        Solid();
      else if (kind < 92)
        CurvedSolid();
      else if (kind < 99)
        Dimension();
      else
        Block();
    }
    return stats_;
  }

 private:
  std::string& out_;
  Random random_;
  SelectionStats stats_;
  bool freeSize_ = false;
};

}  // namespace

SelectionStats GenerateSelection(int64_t items, std::string& out, uint64_t seed) {
  return Writer(out, seed).Generate(items);
}

}  // namespace Bench
