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

// Until the dialog has its answer, a hang-up is only noted: the wait for a key then ends
// on it as Cancel (an answer given on the command line stands). Once answered, a hang-up
// ends the program as an interrupt does.
volatile sig_atomic_t g_answered = 0;
volatile sig_atomic_t g_hungUp = 0;

void HangUp(int sig) {
  if (!g_answered) {
    g_hungUp = 1;
    return;
  }
  RestoreTerminalAndDie(sig);
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
    signal(SIGHUP, HangUp);
    interactive_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
  }
}

ConsolePlatform::~ConsolePlatform() {
  FinishStatusLine();
  if (interactive_) RestoreTerminal();
}

std::filesystem::path ConsolePlatform::OwnFilePath() {
  if (folder_) return *folder_ / "rq27";
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path("rq27") : self;
}

void ConsolePlatform::Answered() {
  answered_ = true;
  g_answered = 1;
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

bool ConsolePlatform::StopRequested() {
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
  // SIGHUP is held off outside the wait for a key, so that one coming between a look at
  // the flag and the wait cannot be missed: ppoll lets it in only while it waits.
  sigset_t hangUp, outside;
  sigemptyset(&hangUp);
  sigaddset(&hangUp, SIGHUP);
  sigprocmask(SIG_BLOCK, &hangUp, &outside);
  const Choice choice = WaitForAnswer(form, outside);
  sigprocmask(SIG_SETMASK, &outside, nullptr);
  WriteErr("\n");
  return choice;
}

ConsolePlatform::Choice ConsolePlatform::WaitForAnswer(TForm1& form, const sigset_t& waitMask) {
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
  // The end-of-file key, which key-at-a-time mode hands over as a byte like any other.
  const cc_t endOfFile = g_savedTerminal.c_cc[VEOF];
  while (!g_hungUp) {
    struct pollfd in = {STDIN_FILENO, POLLIN, 0};
    if (ppoll(&in, 1, nullptr, &waitMask) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    char key = 0;
    const ssize_t n = read(STDIN_FILENO, &key, 1);
    if (n <= 0) break;  // the terminal went away: a read of 0 or EIO
    if (key == '\x04' || (endOfFile != _POSIX_VDISABLE && static_cast<cc_t>(key) == endOfFile))
      break;  // Ctrl-D, or a pipe's end passed on by a terminal program
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
