// The round trip: our own reader must read back every item that the OK run writes, as that
// item (RoundTrip::CheckOkRun states the comparison and its known asymmetries). Tried on
// generated selections, on the example and the golden inputs, on the fuzz regressions and,
// when RQ27_ROUNDTRIP_CORPUS names a folder, on every file in it (a fuzz corpus).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tests/roundtrip_check.h"
#include "tests/test_folder.h"

namespace {

namespace fs = std::filesystem;

/// Writes random selections as the host would: every record kind, Shift-JIS texts, blank
/// and degenerate items, out-of-range attributes and odd forms of numbers.
class SelectionWriter {
 public:
  explicit SelectionWriter(unsigned seed) : random_(seed) {}

  std::string Selection() {
    out_.clear();
    if (Chance(60)) Header();
    const int records = 20 + Pick(180);
    for (int i = 0; i < records; ++i) Record();
    return out_;
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool Chance(int percent) { return Pick(100) < percent; }
  template <class T>
  const T& OneOf(const std::vector<T>& values) {
    return values[Pick(static_cast<int>(values.size()))];
  }
  void Line(const std::string& line) {
    out_ += line;
    out_ += Chance(90) ? "\r\n" : "\n";
  }

  /// A coordinate: mostly an ordinary one, sometimes a number form of the odd kind.
  std::string Real() {
    if (Chance(80)) {
      const int decimals = Pick(7);
      const long scaled = std::uniform_int_distribution<long>(-100000000, 100000000)(random_);
      std::string digits = std::to_string(scaled < 0 ? -scaled : scaled);
      if (decimals > 0) {
        if (static_cast<int>(digits.size()) <= decimals)
          digits.insert(0, decimals + 1 - digits.size(), '0');
        digits.insert(digits.size() - decimals, ".");
      }
      return (scaled < 0 ? "-" : "") + digits;
    }
    static const std::vector<std::string> kOdd = {"0",
                                                  "-0",
                                                  "0.0",
                                                  ".5",
                                                  "5.",
                                                  "-.5",
                                                  "+3",
                                                  "1e3",
                                                  "1E-5",
                                                  "1.5e+2",
                                                  "2.5E-12",
                                                  "0.1234567890123456789",
                                                  "123456789012345678",
                                                  "1e300",
                                                  "-1.7976931348623157e308",
                                                  "4.9e-324",
                                                  "1e-320",
                                                  "1e-8",
                                                  "5e-9",
                                                  "2e-8",
                                                  "007",
                                                  "abc",
                                                  "1,5",
                                                  "1e",
                                                  "-",
                                                  "1e15",
                                                  "999999999999999.9",
                                                  "0.30000000000000004",
                                                  "1234567890123456"};
    return OneOf(kOdd);
  }
  std::string Reals(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      // Appended piece by piece: GCC 12 misreads `"literal" + std::string&&` in this loop
      // as an overlapping copy (-Wrestrict) once it is inlined at -O2.
      if (i > 0) s += ' ';
      s += Real();
    }
    return s;
  }
  std::string Int(int low, int high) { return std::to_string(low + Pick(high - low + 1)); }

  /// Shift-JIS text: ASCII, blanks, quotes, full-width blanks, kanji and kana (lead bytes
  /// from both ranges), half-width katakana, and a lead byte whose second byte is a control
  /// byte.
  std::string Text() {
    static const std::vector<std::string> kPieces = {
        "A",        "z",        "0",        " ",        "\"",       "=",        "\x81\x40",
        "\x93\xFA", "\x96\x7B", "\x95\xB6", "\x8E\x9A", "\x82\xA0", "\x83\x53", "\xB1",
        "\xDF",     "\xE0\x40", "\xFC\xFC", "\x81\x09", "\x83\x40", "#",        "$"};
    std::string text;
    const int length = Chance(5) ? 120 + Pick(60) : Pick(12);
    for (int i = 0; i < length; ++i) text += OneOf(kPieces);
    if (Chance(10))
      text = OneOf(std::vector<std::string>{"", " ", "\x81\x40\x81\x40", " \x81\x40 "});
    return text;
  }

  void Header() {
    for (const char* keyword : {"hcw", "hch", "hcd"})
      if (Chance(60)) Line(std::string(keyword) + " " + Reals(10));
    if (Chance(60)) {
      std::string colours = "hcc";
      for (int i = 0; i < 10; ++i) colours += " " + Int(-1, 12);
      Line(colours);
    }
    if (Chance(30)) Line("hk " + Real());
    if (Chance(30)) Line("hzs " + Reals(2));
    if (Chance(30)) Line("hs " + Reals(16));
    if (Chance(30)) Line("hn " + Reals(4));
    if (Chance(40)) Line("file=C:\\JWW\\\x8C\xBB\x8F\xEA\\a b.jww");
    if (Chance(40)) Line("bz");
  }

  void Attribute() {
    static const char kHex[] = "0123456789ABCDEFabcG";
    switch (Pick(12)) {
      case 0:
        Line(std::string("lg") + kHex[Pick(20)] + (Chance(30) ? " " + Int(0, 99) : ""));
        break;
      case 1:
        Line(std::string("ly") + kHex[Pick(20)] + (Chance(30) ? " " + Int(0, 99) : ""));
        break;
      case 2:
        if (Chance(30))
          Line("lc10 " + OneOf(std::vector<std::string>{"0", "255", "16777215", "16777216", "-4",
                                                        Int(0, 16777215)}));
        else
          Line("lc" + Int(-2, 12));
        break;
      case 3:
        Line("lt" + Int(-1, 9));
        break;
      case 4:
        Line("lw" + OneOf(std::vector<std::string>{"-1", "0", "5", "100", "30000", "40000", "-7",
                                                   Int(0, 50)}));
        break;
      case 5:
        Line(OneOf(std::vector<std::string>{
            "cn\"$\x82\x6C\x82\x72 \x96\xBE\x92\xA9", "cn$Arial", "cn$", "cn$<>", "cn\"$a \"b\"",
            "cn\"$<\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E>"}));
        break;
      case 6:
      case 7:
        if (Chance(50))
          Line("cn0 " + Reals(3) + " " + Int(-1, 9));
        else
          Line("cn" +
               OneOf(std::vector<std::string>{"0", "1", "3", "7", "10", "11", "-1", Int(1, 10)}));
        break;
      case 8:
        Line("cc" + Int(0, 9));
        break;
      case 9:
        Line("pn" + Int(-1, 9));
        break;
      case 10:
        Line("z" + Int(1, 5));
        break;
      default:
        Line(OneOf(std::vector<std::string>{"pl", "#", "hhp" + Int(0, 9) + "ci",
                                            "hp" + Int(0, 120) + "ln " + Reals(2)}));
        break;
    }
  }

  std::string Corner() { return Chance(25) ? "0 0" : Reals(2); }

  void Item() {
    static const char* kTextKeywords[] = {"ch", "cv", "cs", "cr", "co",
                                          "cp", "ct", "ck", "cz", "c2"};
    switch (Pick(16)) {
      case 0:
      case 1:
        Line(Chance(15) ? "5 5 5 5" : Reals(4));
        break;
      case 2:
        Line("ci " + Reals(2) + " " + (Chance(20) ? "0" : Real()));
        break;
      case 3:
        Line("ci " + Reals(5) + " " + (Chance(20) ? "0" : Real()) + " " + Real());
        break;
      case 4:
      case 5:
      case 6: {
        const std::string vector = Chance(10) ? "0 0" : Reals(2);
        const std::string keyword = kTextKeywords[Pick(10)];
        if (Chance(10))
          Line(keyword + " " + Reals(2) + " " + vector + " plain" + Int(0, 9));  // no quote
        else
          Line(keyword + " " + Reals(2) + " " + vector + " \"" + Text());
        break;
      }
      case 7:
        Line("pt " + Reals(2));
        break;
      case 8:
        Line("pt " + Reals(2) + " " + (Chance(20) ? "0" : Real()) + " " + Real() + " " +
             Int(-9, 13));
        break;
      case 9:
        Line("BL " + Reals(2) + " \x83\x75\x83\x8D\x83\x62\x83\x4E");
        break;
      case 10:
        Line("sl " + Corner() + " " + Corner());
        break;
      case 11:
        Line("sl " + Corner() + " " + Corner() + " " + Corner());
        break;
      case 12:
        Line("sl " + Corner() + " " + Corner() + " " + Corner() + " " + Corner());
        break;
      case 13:
        Line(std::string(Chance(50) ? "sc " : "se ") + Reals(7) + " " +
             OneOf(std::vector<std::string>{"0", "5", "100", "-1", "1", "7"}));
        break;
      case 14: {
        const std::string v3 = Real();
        Line(std::string(Chance(50) ? "so " : "sg ") + Reals(2) + " " + v3 + " " + Reals(4) + " " +
             (Chance(50) ? "1" : Real()));
        break;
      }
      default:  // a dimension: "msg", usually a measure line, then its "cs" text
        Line("msg");
        if (Chance(85)) Line(Chance(10) ? "1 1 1 1" : Reals(4));
        if (Chance(20)) Line("z" + Int(1, 5));
        Line("cs " + Reals(2) + " " + (Chance(10) ? "0 0" : Reals(2)) + " \"" +
             (Chance(40) ? "" : Text()));
        break;
    }
  }

  void Record() {
    if (Chance(45))
      Attribute();
    else
      Item();
  }

  std::mt19937 random_;
  std::string out_;
};

/// A fresh folder for the runs, removed afterwards.
class RoundTripTest : public testing::Test {
 protected:
  static std::string ReadAll(const fs::path& path) { return rq27test::ReadFileBytes(path); }

  /// Both modes of the check box on each file.
  void CheckFiles(const std::vector<fs::path>& files, RoundTrip::TRoundTripCounts& counts) {
    for (const fs::path& file : files) {
      const std::string input = ReadAll(file);
      for (bool negativeOnly : {false, true}) {
        const std::string failure = RoundTrip::CheckOkRun(folder_, input, negativeOnly, counts);
        EXPECT_EQ(failure, "") << file << (negativeOnly ? " (negative-only)" : "");
      }
    }
  }

  static void Report(const char* what, const RoundTrip::TRoundTripCounts& c) {
    std::printf(
        "%s: %d command files, %d items found again, %d dropped, %d free-size texts, "
        "%d solids merged by the number form, %d failed loads, %d with nothing to change\n",
        what, c.Files, c.Written, c.Dropped, c.FreeTexts, c.Merged, c.FailedLoads, c.Unchanged);
  }

  rq27test::TestFolder temp_{"rq27-roundtrip-"};
  const fs::path folder_ = temp_.Path();
};

TEST_F(RoundTripTest, GeneratedSelections) {
  constexpr int kSelections = 300;
  RoundTrip::TRoundTripCounts counts;
  for (int i = 0; i < kSelections; ++i) {
    const std::string input = SelectionWriter(1000 + i).Selection();
    const bool negativeOnly = i % 2 == 1;
    const std::string failure = RoundTrip::CheckOkRun(folder_, input, negativeOnly, counts);
    ASSERT_EQ(failure, "") << "selection " << i << (negativeOnly ? " (negative-only)" : "") << ":\n"
                           << input;
  }
  Report("generated", counts);
  // The generator must reach what the property is about: every kind that is written back,
  // dropped items, and free-size texts whose spacing was looked at.
  for (int kind = 1; kind <= 15; ++kind) {
    if (kind == 8) continue;  // block insertions are never written
    EXPECT_GE(counts.PerKind[kind], 20) << "kind " << kind;
  }
  EXPECT_GE(counts.Dropped, 500);
  EXPECT_GE(counts.FreeTexts, 500);
  EXPECT_EQ(counts.FailedLoads, 0);
  // Both sides of OK's choice are reached: selections it changes and ones it leaves alone.
  EXPECT_EQ(counts.Files + counts.Unchanged, kSelections);
  EXPECT_GE(counts.Unchanged, 10);
}

TEST_F(RoundTripTest, ExampleGoldenAndFuzzRegressionInputs) {
  const fs::path source = RQ27_SOURCE_DIR;
  std::vector<fs::path> files = {source / "examples" / "JWC_TEMP.TXT"};
  for (const fs::path& dir :
       {source / "tests" / "golden", source / "fuzz" / "regressions" / "ok_run"}) {
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir))
      if (dir.filename() != "golden" || entry.path().extension() == ".in")
        files.push_back(entry.path());
  }
  RoundTrip::TRoundTripCounts counts;
  CheckFiles(files, counts);
  Report("example, golden and regression inputs", counts);
  EXPECT_GE(counts.Files, 2 * 7);
}

// A fuzz corpus, when one is named (fuzz/run-fuzzers.sh keeps its corpora with
// RQ27_FUZZ_KEEP): every file in it goes through the same check.
TEST_F(RoundTripTest, FuzzCorpus) {
  const char* corpus = std::getenv("RQ27_ROUNDTRIP_CORPUS");
  if (corpus == nullptr || *corpus == '\0') GTEST_SKIP() << "RQ27_ROUNDTRIP_CORPUS is not set";
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(corpus))
    if (entry.is_regular_file()) files.push_back(entry.path());
  ASSERT_FALSE(files.empty()) << corpus;
  RoundTrip::TRoundTripCounts counts;
  CheckFiles(files, counts);
  Report(corpus, counts);
}

}  // namespace
