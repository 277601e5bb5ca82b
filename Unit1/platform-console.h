// The dialog played in a terminal: texts on standard error, keys from standard input.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "Unit1/platform.h"

namespace Unit1 {

class ConsolePlatform : public Platform {
 public:
  /// `folder`, when given, stands for the program's own folder.
  ConsolePlatform(std::optional<std::filesystem::path> folder, bool negativeOnly);
  ~ConsolePlatform() override;

  ScreenPoint PointerPosition() override { return {}; }
  int OuterWidth() override { return 0; }
  void SetLeftTop(int, int) override {}
  std::filesystem::path OwnFilePath() override;
  bool CheckBoxChecked() override { return checked_; }
  void SetStatusText(std::string_view utf8) override;
  bool EscapeKeyDown() override;
  void CloseDialog() override { closed_ = true; }

  /// True when standard input is a terminal (keys can be read).
  bool Interactive() const { return interactive_; }
  bool Closed() const { return closed_; }

  enum class Choice { kOk, kCancel };
  /// Shows the caption, the check box and the explanation, and waits for a key: Enter or
  /// y is OK, n or Esc is Cancel, space toggles the check box. End of input cancels.
  Choice AskUser();

  /// Ends an in-place status line so that later output starts on a fresh line.
  void FinishStatusLine();

 private:
  void PrintCheckBox();

  std::optional<std::filesystem::path> folder_;
  bool checked_;
  bool closed_ = false;
  bool interactive_ = false;    // stdin is a terminal, put into key-at-a-time mode
  bool statusOnTerminal_ = false;
  bool statusLineOpen_ = false;
};

}  // namespace Unit1
