#include "Unit1/form1.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "JwwGaibu/large_alloc.h"
#include "MyFunc/my_func.h"
#include "Unit1/zero_spacing.h"
#include "tests/test_folder.h"

namespace Unit1 {
namespace {

/// Records what the handlers ask of the dialog; Escape is down at the chosen polls.
class FakePlatform : public Platform {
 public:
  explicit FakePlatform(std::filesystem::path exe) : exe_(std::move(exe)) {}
  std::optional<ScreenPoint> PointerPosition() override { return pointer; }
  int OuterWidth() override { return outerWidth; }
  void SetLeftTop(int l, int t) override { left = l, top = t; }
  std::filesystem::path OwnFilePath() override { return exe_; }
  bool CheckBoxChecked() override {
    ++checkBoxReads;
    return checked;
  }
  void SetStatusText(std::string_view utf8) override { statusTexts.emplace_back(utf8); }
  bool StopRequested() override {
    if (onPoll) onPoll(polls);
    return escapeAtPoll == polls++;
  }
  void CloseDialog() override { ++closes; }

  std::optional<ScreenPoint> pointer = ScreenPoint{500, 300};
  int outerWidth = 473;
  int left = -1, top = -1;
  bool checked = false;
  int checkBoxReads = 0;
  int escapeAtPoll = -1;  ///< which poll (0-based) finds Escape down; -1 for none
  /// What other programs make the dialog do while the pass looks at its queue (poll number).
  std::function<void(int)> onPoll;
  int polls = 0;
  int closes = 0;
  std::vector<std::string> statusTexts;

 private:
  std::filesystem::path exe_;
};

class Form1Test : public ::testing::Test {
 protected:
  void WriteInput(const std::string& bytes) {
    rq27test::WriteFileBytes(dir_ / "JWC_TEMP.TXT", bytes);
  }
  std::string Output() const { return rq27test::ReadFileBytes(dir_ / "JWC_TEMP.TXT"); }
  /// Runs the dialog from show to close, pressing OK or Cancel.
  void Run(bool ok) {
    TForm1 form(platform);
    form.FormShow();
    if (ok)
      form.Button1Click();
    else
      form.Button2Click();
    EXPECT_EQ(platform.closes, 1);
    form.FormClose();
    form.FormClose();  // a second close event changes nothing
    EXPECT_EQ(form.Outcome(), RunOutcome::kSaved);
  }
  static std::string Lines(std::vector<std::string> lines) {
    std::string out;
    for (auto& l : lines) out += l + "\r\n";
    return out;
  }

  rq27test::TestFolder temp_{"rq27-form1-"};
  const std::filesystem::path dir_ = temp_.Path();
  FakePlatform platform{dir_ / "rq27.exe"};
};

TEST_F(Form1Test, ShowPlacesTheDialogAtThePointer) {
  TForm1 form(platform);
  form.FormShow();
  EXPECT_EQ(platform.left, 264);
  EXPECT_EQ(platform.top, 296);
  platform.pointer = ScreenPoint{0, 0};
  form.FormShow();
  EXPECT_EQ(platform.left, -236);  // no clamping to the screen
  EXPECT_EQ(platform.top, -4);
  EXPECT_EQ(form.ProgramFolder(), dir_);
  // Where the pointer cannot be read, the dialog stays where it was made.
  platform.pointer = std::nullopt;
  platform.left = platform.top = -1;
  form.FormShow();
  EXPECT_EQ(platform.left, -1);
  EXPECT_EQ(platform.top, -1);
}

TEST_F(Form1Test, OkZeroesSpacingAndWritesEverythingBack) {
  WriteInput(
      "lg0\r\nly1\r\nlc2\r\ncn0 3 3 -0.5 1\r\nch 1 1 1 0 \"neg\r\n"
      "cn0 3 3 0.5 1\r\nch 2 2 1 0 \"pos\r\n0 0 10 0\r\n");
  Run(true);
  EXPECT_EQ(Output(), Lines({"hd", "lg0", "ly1", "cn0 3 3 0 1", "cc0",
                             "cn\"$<\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E>",
                             "ch 1 1 1 0 \"neg", "ch 2 2 1 0 \"pos", "lc2", "lt1", "0 0 10 0"}));
  EXPECT_EQ(platform.checkBoxReads, 2);  // for the status line at show, and once by OK
  EXPECT_EQ(platform.statusTexts,
            (std::vector<std::string>{"ＯＫで2個の文字の文字間隔をゼロにします",
                                      "文字間隔ゼロ化を行います", "処理中(ESC:中断)：1／3",
                                      "ファイル生成中です"}));
}

TEST_F(Form1Test, NegativeOnlyKeepsPositiveSpacing) {
  WriteInput("cn0 3 3 -0.5 1\r\nch 1 1 1 0 \"neg\r\ncn0 3 3 0.5 1\r\nch 2 2 1 0 \"pos\r\n");
  platform.checked = true;
  Run(true);
  EXPECT_NE(Output().find("cn0 3 3 0 1\r\ncc0\r\n"), std::string::npos);
  EXPECT_NE(Output().find("cn0 3 3 0.5 1\r\nch 2 2"), std::string::npos);
}

TEST_F(Form1Test, CancelAndCloseWriteHq) {
  WriteInput("0 0 1 1\r\n");
  Run(false);
  EXPECT_EQ(Output(), "hq\r\n");
  // Closing without any button (close box, Alt+F4, the end of the session) is the same,
  // and the close has run: the window may go.
  WriteInput("0 0 1 1\r\n");
  TForm1 form(platform);
  form.FormShow();
  form.FormClose();
  EXPECT_EQ(Output(), "hq\r\n");
  EXPECT_EQ(form.Phase(), FormPhase::kClosed);
}

// OK writes "hd" and every item anew only where the pass changes what is written back:
// otherwise the drawing stays as it is, blank and directionless texts included. The status
// line tells the same beforehand; without a file (started by hand) it says so.
TEST_F(Form1Test, OkWithNothingToChangeWritesHq) {
  const std::string dropped = "cn0 3 3 0 1\r\nch 6 6 1 0 \"\x81\x40\r\nch 7 7 0 0 \"none\r\n";
  struct Case {
    const char* name;
    std::optional<std::string> input;  // none: no file
    bool negativeOnly;
    std::string status;
    bool changes;
  } cases[] = {
      {"every spacing 0", "cn0 3 3 0 1\r\nch 1 1 1 0 \"a\r\n0 0 1 1\r\n" + dropped, false,
       std::string(kStatusNothingToZero), false},
      {"texts of text types only", "cn3\r\nch 1 1 1 0 \"a\r\n" + dropped, false,
       "ＯＫで変わる文字間隔はありません（文字種の1個はそのまま）", false},
      {"negative-only, positive spacings", "cn0 3 3 0.5 1\r\nch 1 1 1 0 \"a\r\n", true,
       std::string(kStatusNothingToZero), false},
      {"no file", std::nullopt, false, std::string(kStatusMissing), false},
      {"a width filled in", "cn0 0 3 0 1\r\nch 1 1 1 0 \"a\r\n", false,
       "ＯＫで1個の文字の大きさを直します（文字間隔はそのまま）", true},
      {"negative-only: a width filled in, a positive spacing kept",
       "cn0 0 3 0.5 1\r\nch 1 1 1 0 \"a\r\ncn0 3 3 -1 1\r\nch 2 2 1 0 \"b\r\n", true,
       "ＯＫで1個の文字間隔をゼロに（1個は大きさだけ直す）", true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir_ / "JWC_TEMP.TXT");
    if (c.input) WriteInput(*c.input);
    platform.checked = c.negativeOnly;
    platform.closes = 0;
    platform.statusTexts.clear();
    Run(true);
    EXPECT_EQ(platform.statusTexts.front(), c.status) << c.name;
    EXPECT_EQ(Output().substr(0, 4), c.changes ? "hd\r\n" : "hq\r\n") << c.name;
  }
}

// The part that was read holds texts whose spacing OK would zero: "hd" and that part alone
// would delete the rest of the selection.
TEST_F(Form1Test, FailedLoadLeavesTheDrawingUnchanged) {
  // A text and a line are read, then a number too large for a double ends the load.
  WriteInput("cn0 3 3 -0.5 1\r\nch 1 1 1 0 \"neg\r\n0 0 1 1\r\nci 0 0 1e999\r\n0 0 2 2\r\n");
  Run(true);
  EXPECT_EQ(Output(), "hq\r\n");
}

// Before OK the status line tells what OK will change, at show and after each toggle of
// the check box; the texts of text types are named where there are any, texts whose size
// alone OK mends apart from those whose spacing it zeroes.
TEST_F(Form1Test, StatusLineTellsWhatOkWillChange) {
  const std::string freeSize =
      "cn0 3 3 -0.5 1\r\nch 1 1 1 0 \"neg\r\ncn0 3 3 0.5 1\r\nch 2 2 1 0 \"pos\r\n"
      "cn0 3 3 0 1\r\nch 3 3 1 0 \"zero\r\n";
  const std::string textTypes = "cn3\r\nch 4 4 1 0 \"t3\r\ncn10\r\nch 5 5 1 0 \"t10\r\n";
  struct Case {
    const char* name;
    std::string input;
    std::vector<std::string> shown;  // at show, then with the check box toggled on
  } cases[] = {
      {"free-size texts", freeSize,
       {"ＯＫで2個の文字の文字間隔をゼロにします", "ＯＫで1個の文字の文字間隔をゼロにします"}},
      {"and texts of text types", freeSize + textTypes,
       {"ＯＫで2個の文字間隔をゼロに（文字種の2個はそのまま）",
        "ＯＫで1個の文字間隔をゼロに（文字種の2個はそのまま）"}},
      {"only texts of text types", textTypes,
       {"ＯＫで変わる文字間隔はありません（文字種の2個はそのまま）",
        "ＯＫで変わる文字間隔はありません（文字種の2個はそのまま）"}},
      // The write-back drops a blank text and a text without a direction, which "hd"
      // still deletes: they are not counted as changed, but said to go.
      {"blank and directionless texts are said to go",
       freeSize + textTypes + "cn0 3 3 0.5 1\r\nch 6 6 1 0 \"\x81\x40 \r\nch 7 7 0 0 \"none\r\n" +
           "cn3\r\nch 8 8 0 0 \"none\r\n",
       {"ＯＫで2個の文字間隔をゼロに（空白などの3個は消えます）",
        "ＯＫで1個の文字間隔をゼロに（空白などの3個は消えます）"}},
      // Where OK changes nothing, nothing goes either.
      {"only blank texts change nothing", "cn0 3 3 0 1\r\nch 1 1 1 0 \"a\r\nch 6 6 1 0 \" \r\n",
       {std::string(kStatusNothingToZero), std::string(kStatusNothingToZero)}},
      {"not read to its end", freeSize + "ci 0 0 1e999\r\n",
       {std::string(kStatusUnreadable), std::string(kStatusUnreadable)}},
      // A width of 0 with a positive spacing: zeroed, or in negative-only mode only mended.
      {"sizes mended",
       "cn0 0 3 0.5 1\r\nch 1 1 1 0 \"a\r\ncn0 3 3 -1 1\r\nch 2 2 1 0 \"b\r\n"
       "cn0 0 3 0 1\r\nch 3 3 1 0 \"c\r\n",
       {"ＯＫで2個の文字間隔をゼロに（1個は大きさだけ直す）",
        "ＯＫで1個の文字間隔をゼロに（2個は大きさだけ直す）"}},
      {"a size alone mended", "cn0 0 3 0 1\r\nch 1 1 1 0 \"a\r\n",
       {"ＯＫで1個の文字の大きさを直します（文字間隔はそのまま）",
        "ＯＫで1個の文字の大きさを直します（文字間隔はそのまま）"}},
      {"a size alone mended beside a blank text",
       "cn0 0 3 0 1\r\nch 1 1 1 0 \"a\r\nch 6 6 1 0 \" \r\n",
       {"ＯＫで1個の文字を直します（空白などの1個は消えます）",
        "ＯＫで1個の文字を直します（空白などの1個は消えます）"}},
      {"sizes mended beside a blank text",
       "cn0 0 3 0.5 1\r\nch 1 1 1 0 \"a\r\ncn0 3 3 -1 1\r\nch 2 2 1 0 \"b\r\nch 6 6 1 0 \" \r\n",
       {"ＯＫで2個の文字間隔をゼロに（空白などの1個は消えます）",
        "ＯＫで2個の文字を直します（空白などの1個は消えます）"}},
  };
  for (const Case& c : cases) {
    WriteInput(c.input);
    platform.statusTexts.clear();
    platform.checked = false;
    TForm1 form(platform);
    form.FormShow();
    platform.checked = true;
    form.CheckBox1Click();
    EXPECT_EQ(platform.statusTexts, c.shown) << c.name;
    // Once OK is pressed the line is the OK flow's: a late toggle changes nothing.
    form.Button1Click();
    const std::size_t afterOk = platform.statusTexts.size();
    form.CheckBox1Click();
    EXPECT_EQ(platform.statusTexts.size(), afterOk) << c.name;
    form.FormClose();
  }
}

// Every text of the status line fits its 467 pixels in the design's font, "ＭＳ ゴシック"
// at 13 pixels: fixed pitch, full-width characters 14 pixels wide and the others 7, as the
// design's label widths are.
TEST(PreviewStatusText, FitsTheStatusLine) {
  constexpr std::size_t kMillions = 9999999;  // seven digits: millions of texts selected
  using JwwGaibu::FileError;
  std::vector<std::string> texts = {std::string(kStatusUnreadable),
                                    std::string(kStatusOutOfMemory), std::string(kStatusMissing)};
  // Every combination of counts, each none or seven digits.
  for (int mask = 0; mask < 16; ++mask) {
    const auto count = [&](int bit) -> std::size_t { return (mask >> bit & 1) ? kMillions : 0; };
    texts.push_back(PreviewStatusText({count(0), count(1), count(2), count(3)}));
  }
  for (const FileError& error : {FileError{FileError::Kind::kHeld, 32},
                                 FileError{FileError::Kind::kOther, 4294967295u}}) {
    std::string notOpened(kStatusNotOpened);
    notOpened.replace(notOpened.find("%E"), 2, ShortReason(error));
    texts.push_back(notOpened);
  }
  for (const std::string& text : texts) {
    int pixels = 0;
    for (unsigned char byte : text) {
      if (byte < 0x80) pixels += 7;               // ASCII
      else if ((byte & 0xE0) == 0xE0) pixels += 14;  // lead byte of a three-byte character
    }
    EXPECT_LE(pixels, 467) << text;
    EXPECT_EQ(text.find('%'), std::string::npos) << text;
  }
}

/// A free-size text whose spacing OK zeroes, and the lines OK writes for it (after lines
/// of group 0 and layer 0).
constexpr std::string_view kTextToZero = "cn0 3 3 0.5 1\r\nch 0 0 1 0 \"T\r\n";
constexpr std::string_view kTextZeroed =
    "cn0 3 3 0 1\r\ncc0\r\ncn\"$<\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E>\r\n"
    "ch 0 0 1 0 \"T\r\n";

/// `n` items: lines, and last the text above, so that OK has something to change.
std::string ManyLines(int n) {
  std::string input = "lg0\r\nly0\r\n";
  for (int i = 0; i < n - 1; ++i) input += "0 0 " + std::to_string(i + 1) + " 0\r\n";
  return input + std::string(kTextToZero);
}

// A stop changes nothing: exactly "hq", however far the pass got, whatever group and
// layer it wrote last, and whether the lines had gone on to the temporary copy.
TEST_F(Form1Test, StopAnywhereLeavesExactlyHq) {
  const struct {
    int items;
    int poll;
  } cases[] = {{5, 0}, {150, 1}, {40000, 300}};  // 300: item 30,001, beyond the first spill
  for (const auto& c : cases) {
    WriteInput("lg2\r\nly3\r\n" + ManyLines(c.items));
    platform.escapeAtPoll = c.poll;
    platform.polls = 0;
    platform.closes = 0;
    Run(true);
    EXPECT_EQ(Output(), "hq\r\n") << c.items;
    EXPECT_EQ(temp_.Entries(), std::set<std::string>{"JWC_TEMP.TXT"}) << c.items;
    EXPECT_EQ(platform.statusTexts.back(), "ファイル生成中です");
  }
}

// Other programs act on the dialog while the pass looks at its queue: a close, Cancel
// pressed by automation, OK again, the check box, the end of the session. None of them
// runs inside the pass: each only stops it, the model stays whole until the pass has
// returned, and OK's own close then leaves "hq" once.
TEST_F(Form1Test, WhatComesDuringThePassOnlyStopsIt) {
  const struct {
    const char* what;
    void (TForm1::*handler)();
  } cases[] = {{"close or the end of the session", &TForm1::FormClose},
               {"Cancel", &TForm1::Button2Click},
               {"OK", &TForm1::Button1Click},
               {"check box", &TForm1::CheckBox1Click}};
  for (const auto& c : cases) {
    WriteInput(ManyLines(40000));
    platform.polls = 0;
    platform.closes = 0;
    TForm1 form(platform);
    form.FormShow();
    platform.onPoll = [&](int poll) {
      if (poll != 150) return;
      (form.*c.handler)();
      EXPECT_EQ(form.Phase(), FormPhase::kWorking) << c.what;
    };
    form.Button1Click();
    platform.onPoll = nullptr;
    const bool stops = c.handler != &TForm1::Button1Click && c.handler != &TForm1::CheckBox1Click;
    // A stop is found at the very check that recorded it; the others let the pass go on.
    EXPECT_EQ(platform.polls, stops ? 151 : 400) << c.what;
    EXPECT_EQ(platform.statusTexts.end()[-2],
              stops ? "処理中(ESC:中断)：15001／40000" : "処理中(ESC:中断)：39901／40000")
        << c.what;
    EXPECT_EQ(platform.closes, 1) << c.what;
    EXPECT_EQ(Output(), "hq\r\n") << c.what;
    form.FormClose();
    EXPECT_EQ(form.Outcome(), RunOutcome::kSaved) << c.what;
    EXPECT_EQ(Output().substr(0, 4), stops ? "hq\r\n" : "hd\r\n") << c.what;
    EXPECT_EQ(temp_.Entries(), std::set<std::string>{"JWC_TEMP.TXT"}) << c.what;
  }
}

TEST_F(Form1Test, ProgressEveryHundredItems) {
  struct Case {
    int items;
    std::vector<std::string> progress;
  } cases[] = {
      {100, {"処理中(ESC:中断)：1／100"}},
      {101, {"処理中(ESC:中断)：1／101", "処理中(ESC:中断)：101／101"}},
      {250,
       {"処理中(ESC:中断)：1／250", "処理中(ESC:中断)：101／250", "処理中(ESC:中断)：201／250"}},
  };
  for (const auto& c : cases) {
    WriteInput(ManyLines(c.items));
    platform.statusTexts.clear();
    platform.closes = 0;
    platform.polls = 0;
    Run(true);
    std::vector<std::string> expected = {"ＯＫで1個の文字の文字間隔をゼロにします",
                                         "文字間隔ゼロ化を行います"};
    expected.insert(expected.end(), c.progress.begin(), c.progress.end());
    expected.push_back("ファイル生成中です");
    EXPECT_EQ(platform.statusTexts, expected) << c.items;
    EXPECT_EQ(platform.polls, static_cast<int>(c.progress.size())) << c.items;
  }
}

// A drawing whose command file is larger than what the pass holds in memory: the lines
// go on to the temporary copy during the pass, and the host's file is replaced only at
// close.
TEST_F(Form1Test, LargeDrawingIsWrittenWholeAndOnlyAtClose) {
  constexpr int kItems = 40000;  // about 600 kB of command lines
  const std::string input = ManyLines(kItems);
  WriteInput(input);
  TForm1 form(platform);
  form.FormShow();
  form.Button1Click();
  EXPECT_EQ(Output(), "hq\r\n");          // the command file only comes at close
  EXPECT_EQ(temp_.Entries().size(), 2u);  // the host's file and the copy
  form.FormClose();
  // The first item states its colour and line type; the lines come back as they were.
  const std::size_t linesFrom = std::string("lg0\r\nly0\r\n").size();
  const std::string lines =
      input.substr(linesFrom, input.size() - linesFrom - kTextToZero.size());
  EXPECT_TRUE(Output() == "hd\r\nlg0\r\nly0\r\nlc1\r\nlt1\r\n" + lines + std::string(kTextZeroed));
  EXPECT_EQ(temp_.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

TEST_F(Form1Test, SaveFailureIsReported) {
  FakePlatform nowhere(dir_ / "missing" / "rq27.exe");
  TForm1 form(nowhere);
  form.FormShow();
  form.Button1Click();
  form.FormClose();
  EXPECT_EQ(form.Outcome(), RunOutcome::kSaveFailed);
  EXPECT_EQ(form.Failure(), OkFailure::kNotWritten);
  EXPECT_TRUE(form.Failed());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
  // The system's reason reaches the message, with the advice for a folder not there.
  const JwwGaibu::FileError error = form.FailureError();
  EXPECT_EQ(error.ErrorKind, JwwGaibu::FileError::Kind::kMissing);
  const std::string message = form.FailureMessage();
  EXPECT_NE(message.find(JwwGaibu::SystemErrorText(error)), std::string::npos) << message;
  EXPECT_NE(message.find("書き込みのできるフォルダに移して"), std::string::npos) << message;
}

// Once the host's file has been opened, it never holds the selection again, whether it was
// read to its end or not: were the program killed now, a selection that does not start
// with "hq" would have every item drawn a second time. A close that changes nothing then
// writes nothing more (a file that another program holds costs no waiting): the "hq",
// dated back after the load, stays untouched.
TEST_F(Form1Test, HqTakesTheSelectionsPlaceAsSoonAsItIsRead) {
  const std::string unreadable = "0 0 1 1\r\nci 0 0 1e999\r\n";  // the load stops
  struct Case {
    const char* name;
    std::optional<std::string> input;
    bool hqAfterShow;
    bool ok;
  } cases[] = {
      {"read whole, Cancel", "0 0 1 1\r\n", true, false},
      {"missing", std::nullopt, false, false},
      {"not read to its end, Cancel", unreadable, true, false},
      {"not read to its end, OK", unreadable, true, true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir_ / "JWC_TEMP.TXT");
    if (c.input) WriteInput(*c.input);
    TForm1 form(platform);
    form.FormShow();
    if (c.hqAfterShow)
      EXPECT_EQ(Output(), "hq\r\n") << c.name;
    else
      EXPECT_FALSE(std::filesystem::exists(dir_ / "JWC_TEMP.TXT")) << c.name;
    EXPECT_EQ(temp_.Entries().size(), c.hqAfterShow ? 1u : 0u) << c.name;
    if (!c.hqAfterShow) continue;
    std::filesystem::last_write_time(dir_ / "JWC_TEMP.TXT",
                                     std::filesystem::file_time_type::clock::now() -
                                         std::chrono::hours(1));
    // As the file system keeps it (Windows in steps of 100 ns).
    const auto dated = std::filesystem::last_write_time(dir_ / "JWC_TEMP.TXT");
    c.ok ? form.Button1Click() : form.Button2Click();
    form.FormClose();
    EXPECT_EQ(Output(), "hq\r\n") << c.name;
    EXPECT_EQ(std::filesystem::last_write_time(dir_ / "JWC_TEMP.TXT"), dated) << c.name;
    EXPECT_EQ(form.Outcome(), RunOutcome::kSaved) << c.name;
  }
}

TEST_F(Form1Test, WhyOkChangedNothing) {
  struct Case {
    const char* name;
    std::string input;
    bool ok;
    int escapeAtPoll;
    OkFailure failure;
  } cases[] = {
      {"OK carried out", std::string(kTextToZero), true, -1, OkFailure::kNone},
      {"Cancel", std::string(kTextToZero), false, -1, OkFailure::kNone},
      {"Escape", std::string(kTextToZero), true, 0, OkFailure::kNone},
      {"Cancel after a failed load", "ci 0 0 1e999\r\n", false, -1, OkFailure::kNone},
      {"OK after a failed load", "ci 0 0 1e999\r\n", true, -1, OkFailure::kUnreadable},
  };
  for (const Case& c : cases) {
    WriteInput(c.input);
    platform.escapeAtPoll = c.escapeAtPoll;
    platform.polls = 0;
    TForm1 form(platform);
    form.FormShow();
    c.ok ? form.Button1Click() : form.Button2Click();
    EXPECT_EQ(form.Failure(), OkFailure::kNone) << c.name << ": not before the close";
    form.FormClose();
    EXPECT_EQ(form.Failure(), c.failure) << c.name;
    EXPECT_EQ(form.Failed(), c.failure != OkFailure::kNone) << c.name;
  }
  EXPECT_EQ(OkFailureMessage(OkFailure::kNone, {}, "", dir_), "");
}

// The message names what failed, the reason in the system's words (ours where it gave
// none, the code where that is all there is), the one line of advice for the kind of
// failure, and the file. The status line gives the kind's short reason.
TEST(OkFailureMessage, GivesTheReasonAndWhatToDo) {
  using JwwGaibu::FileError;
  using Kind = FileError::Kind;
  const std::string move =
      "rq27.bat と rq27.exe を一緒に、書き込みのできるフォルダに移してから、"
      "もう一度実行してください。";
  const std::string again =
      "もう一度実行してください。直らないときは、rq27.bat と rq27.exe を一緒に、"
      "書き込みのできる別のフォルダに移してください。";
  struct Case {
    OkFailure failure;
    FileError error;
    const char* systemText;
    const char* headline;
    std::string shortReason, reason, advice;
  } cases[] = {
      {OkFailure::kNotOpened, {Kind::kMissing, 3}, "path not found", "を開けなかった",
       "見つかりません", "path not found（エラー 3）", move},
      // A file that another program holds, against a folder that cannot be written.
      {OkFailure::kNotWritten, {Kind::kHeld, 32}, "held by another process", "に書き込めなかった",
       "他のプログラムが使用中", "held by another process（エラー 32）",
       "JWC_TEMP.TXT を使っている他のプログラムを閉じるか、しばらく待ってから、"
       "もう一度実行してください。"},
      {OkFailure::kNotWritten, {Kind::kDenied, 5}, "access denied", "に書き込めなかった",
       "アクセス権がありません", "access denied（エラー 5）", move},
      {OkFailure::kNotWritten, {Kind::kDiskFull, 112}, "disk full", "に書き込めなかった",
       "ディスクの空き不足", "disk full（エラー 112）",
       "ディスクの空き領域を増やしてから、もう一度実行してください。"},
      {OkFailure::kOutOfMemory, {Kind::kOutOfMemory, 0}, "", "メモリが不足した", "メモリ不足",
       "メモリが足りません", "選択する図形を減らして、もう一度実行してください。"},
      {OkFailure::kUnreadable, {Kind::kBadContent, 0}, "", "最後まで読み込めなかった",
       "読めない行があります", "数値が大きすぎて読めない行があります",
       "読めない図形を選択から外して、もう一度実行してください。"},
      {OkFailure::kNotWritten, {Kind::kOther, 1117}, "I/O error", "に書き込めなかった",
       "エラー 1117", "I/O error（エラー 1117）", again},
      {OkFailure::kNotWritten, {Kind::kOther, 1117}, "", "に書き込めなかった", "エラー 1117",
       "エラー 1117", again},
      {OkFailure::kUnreadable, {Kind::kOther, 0}, "", "最後まで読み込めなかった", "原因不明",
       "原因不明", again},
  };
  const std::filesystem::path file = std::filesystem::path("作業") / "JWC_TEMP.TXT";
  for (const Case& c : cases) {
    EXPECT_EQ(ShortReason(c.error), c.shortReason) << c.reason;
    const std::string message = OkFailureMessage(c.failure, c.error, c.systemText, file);
    const std::size_t headlineEnd = message.find('\n');
    EXPECT_LT(message.find(c.headline), headlineEnd) << message;
    // The reason and the advice, once each, then the file.
    EXPECT_EQ(message.substr(headlineEnd + 1),
              "図面は変更されていません。\n\n理由: " + c.reason + "\n対処: " + c.advice + "\n\n" +
                  MyFunc::PathToUtf8(file));
  }
}

// Memory running out while loading or while writing back: the drawing is left as it was,
// nothing made so far survives, and the run reports the failure. The text OK would change
// comes first, so that it is read before memory runs out in a later block.
TEST_F(Form1Test, OutOfMemoryLeavesTheDrawingUnchanged) {
  struct Case {
    const char* name;
    bool duringLoad;
    long requestsBefore;  // large allocations that still succeed
  } cases[] = {
      {"first table block", true, 0},
      {"a later table block", true, 3},
      {"the first output bytes", false, 0},
      {"output grown while its copy is open", false, 2},
  };
  const std::string input = std::string(kTextToZero) + ManyLines(40000);
  for (const Case& c : cases) {
    WriteInput(input);
    bool ran = false;
    {
      struct Reset {
        ~Reset() { JwwGaibu::FailLargeAllocationAfter(-1); }
      } reset;
      TForm1 form(platform);
      platform.statusTexts.clear();
      if (c.duringLoad) JwwGaibu::FailLargeAllocationAfter(c.requestsBefore);
      form.FormShow();
      if (c.duringLoad) {
        EXPECT_EQ(platform.statusTexts, std::vector<std::string>{std::string(kStatusOutOfMemory)})
            << c.name;
      }
      if (!c.duringLoad) JwwGaibu::FailLargeAllocationAfter(c.requestsBefore);
      form.Button1Click();
      form.FormClose();
      ran = form.OutOfMemory();
      EXPECT_EQ(form.Failure(), OkFailure::kOutOfMemory) << c.name;
      EXPECT_TRUE(form.Failed()) << c.name;
      EXPECT_EQ(form.Outcome(), RunOutcome::kSaved) << c.name;  // the "hq"
    }
    EXPECT_TRUE(ran) << c.name;
    EXPECT_EQ(Output(), "hq\r\n") << c.name;
    EXPECT_EQ(temp_.Entries(), std::set<std::string>{"JWC_TEMP.TXT"}) << c.name;
  }
}

}  // namespace
}  // namespace Unit1
