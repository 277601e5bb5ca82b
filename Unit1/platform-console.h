// The dialog played in a terminal: texts on standard error, keys from standard input.
#pragma once

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "Unit1/platform.h"

namespace Unit1 {

class TForm1;

class ConsolePlatform : public Platform {
 public:
  /// `folder`, when given (absolute), stands for the program's own folder.
  ConsolePlatform(std::optional<std::filesystem::path> folder, bool negativeOnly);
  ~ConsolePlatform() override;

  std::optional<ScreenPoint> PointerPosition() override { return std::nullopt; }
  int OuterWidth() override { return 0; }
  void SetLeftTop(int, int) override {}
  std::filesystem::path OwnFilePath() override;
  bool CheckBoxChecked() override { return checked_; }
  void SetStatusText(std::string_view utf8) override;
  bool StopRequested() override;
  void CloseDialog() override;

  /// True when standard input is a terminal (keys can be read).
  bool Interactive() const { return interactive_; }
  bool Closed() const { return closed_; }

  enum class Choice { kOk, kCancel };
  /// Shows the caption, the explanation, the check box and the status line, and waits for
  /// a key: Enter or y is OK, n or Esc is Cancel, space toggles the check box (and tells
  /// `form`). End of input (Ctrl-D, a read of 0 or an error, a hang-up) cancels.
  Choice AskUser(TForm1& form);
  /// The dialog has its answer (asked or given on the command line): status texts from
  /// now on are the OK flow's and are written as they come, and a hang-up no longer
  /// counts as Cancel.
  void Answered();

  /// Writes a status text still held back, and ends an in-place status line so that
  /// later output starts on a fresh line.
  void FinishStatusLine();

  /// Status texts that follow one another faster than this are not all written: the
  /// latest one is held back until this much time has passed since the last one written,
  /// or until the dialog closes. A pass over a large drawing sets thousands of progress
  /// texts, which would otherwise cost a write each and fill a log.
  static constexpr std::chrono::milliseconds kStatusInterval{100};

 private:
  /// The check box and, below it, the status line; `again` rewrites both in place.
  void PrintCheckBoxAndStatus(bool again);
  /// AskUser's screen and its key loop, up to the answer; `waitMask` is the signal mask
  /// while it waits for a key.
  Choice WaitForAnswer(TForm1& form, const sigset_t& waitMask);
  void WritePendingStatus();

  std::optional<std::filesystem::path> folder_;
  bool checked_;
  bool closed_ = false;
  bool interactive_ = false;  // stdin is a terminal, put into key-at-a-time mode
  bool statusOnTerminal_ = false;
  bool statusLineOpen_ = false;
  std::string pendingStatus_;
  // Until the answer, the status line belongs to the dialog on the screen: AskUser shows
  // it. With the answer on the command line no dialog is shown, and neither is the line.
  bool answered_ = false;
  std::string dialogStatus_;
  bool statusPending_ = false;
  std::optional<std::chrono::steady_clock::time_point> lastStatusWrite_;
};

}  // namespace Unit1
