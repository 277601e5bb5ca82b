#include "Unit1/platform-console.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <system_error>

#include "Unit1/form1.h"

namespace Unit1 {

namespace {

// The terminal settings to restore, kept for the signal handler, which can reach nothing
// else. Written once before the handler is installed, read-only afterwards.
struct termios g_savedTerminal;

void RestoreTerminal() { tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal); }

void RestoreTerminalAndDie(int sig) {
  RestoreTerminal();
  signal(sig, SIG_DFL);
  raise(sig);
}

void WriteErr(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(STDERR_FILENO, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

ConsolePlatform::ConsolePlatform(std::optional<std::filesystem::path> folder, bool negativeOnly)
    : folder_(std::move(folder)), checked_(negativeOnly) {
  statusOnTerminal_ = isatty(STDERR_FILENO) == 1;
  if (isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &g_savedTerminal) == 0) {
    // Keys one at a time, unechoed, and reads that never wait: Escape can then be polled.
    struct termios raw = g_savedTerminal;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    signal(SIGINT, RestoreTerminalAndDie);
    signal(SIGTERM, RestoreTerminalAndDie);
    signal(SIGHUP, RestoreTerminalAndDie);
    interactive_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
  }
}

ConsolePlatform::~ConsolePlatform() {
  FinishStatusLine();
  if (interactive_) RestoreTerminal();
}

std::filesystem::path ConsolePlatform::OwnFilePath() {
  if (folder_) return std::filesystem::absolute(*folder_) / "rq27";
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path("rq27") : self;
}

void ConsolePlatform::SetStatusText(std::string_view utf8) {
  if (!answered_) {
    dialogStatus_.assign(utf8);
    return;
  }
  pendingStatus_.assign(utf8);
  statusPending_ = true;
  const auto now = std::chrono::steady_clock::now();
  if (!lastStatusWrite_ || now - *lastStatusWrite_ >= kStatusInterval) {
    WritePendingStatus();
    lastStatusWrite_ = now;
  }
}

void ConsolePlatform::WritePendingStatus() {
  if (!statusPending_) return;
  statusPending_ = false;
  if (statusOnTerminal_) {
    // One status line, rewritten in place.
    std::string line = "\r";
    line += pendingStatus_;
    line += "\x1b[K";
    WriteErr(line);
    statusLineOpen_ = true;
  } else {
    std::string line = pendingStatus_;
    line += '\n';
    WriteErr(line);
  }
}

void ConsolePlatform::CloseDialog() {
  WritePendingStatus();  // the last text shows while the file is written
  closed_ = true;
}

void ConsolePlatform::FinishStatusLine() {
  WritePendingStatus();
  if (statusLineOpen_) WriteErr("\n");
  statusLineOpen_ = false;
}

bool ConsolePlatform::EscapeKeyDown() {
  if (!interactive_) return false;
  bool escape = false;
  char keys[64];
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, keys, sizeof keys);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i)
      if (keys[i] == '\x1b') escape = true;
  }
  return escape;
}

void ConsolePlatform::PrintCheckBoxAndStatus(bool again) {
  std::string lines = again ? "\x1b[A\r" : "";
  lines += checked_ ? "[x] " : "[ ] ";
  lines += kCheckBoxText;
  lines += "\x1b[K\n\r";
  lines += dialogStatus_;
  lines += "\x1b[K";
  WriteErr(lines);
}

ConsolePlatform::Choice ConsolePlatform::AskUser(TForm1& form) {
  const Choice choice = WaitForAnswer(form);
  WriteErr("\n");
  return choice;
}

ConsolePlatform::Choice ConsolePlatform::WaitForAnswer(TForm1& form) {
  std::string screen;
  screen += kCaption;
  screen += "\n\n";
  for (std::string_view text : kExplanationLines) {
    screen += text;
    screen += '\n';
  }
  screen += "\nEnter/y: ＯＫ   n/Esc: キャンセル   space: check box\n";
  WriteErr(screen);
  PrintCheckBoxAndStatus(false);
  for (;;) {
    struct pollfd in = {STDIN_FILENO, POLLIN, 0};
    if (poll(&in, 1, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    char key = 0;
    const ssize_t n = read(STDIN_FILENO, &key, 1);
    if (n <= 0) break;  // end of input (or the terminal went away)
    switch (key) {
      case '\r':
      case '\n':
      case 'y':
      case 'Y':
        return Choice::kOk;
      case 'n':
      case 'N':
      case '\x1b':
        return Choice::kCancel;
      case ' ':
        checked_ = !checked_;
        form.CheckBox1Click();
        PrintCheckBoxAndStatus(true);
        break;
      default:
        break;
    }
  }
  return Choice::kCancel;
}

}  // namespace Unit1
