// rq27 in a terminal: the same handlers as the dialog, played on standard error and input.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "JwwGaibu/file_io.h"
#include "MyFunc/my_func.h"
#include "Unit1/form1.h"
#include "Unit1/platform-console.h"

// The project's version, given by the build (project(VERSION) in CMakeLists.txt).
#ifndef RQ27_VERSION
#error "RQ27_VERSION must be defined by the build"
#endif

namespace {

constexpr const char* kUsage =
    "usage: rq27 [--yes | --cancel] [--negative-only] [FOLDER]\n"
    "\n"
    "Sets the character spacing of the free-size texts in JWC_TEMP.TXT to zero and\n"
    "writes the commands for the host back into that file.\n"
    "\n"
    "  FOLDER           where JWC_TEMP.TXT is (default: the folder of this program)\n"
    "  --yes            answer OK without asking\n"
    "  --cancel         answer Cancel without asking (the file becomes \"hq\")\n"
    "  --negative-only  only zero spacings that are not positive (the check box)\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "Without --yes or --cancel the dialog is shown on the terminal: Enter or y is OK,\n"
    "n or Esc is Cancel, space toggles the check box. Without a terminal it cancels.\n"
    "Esc during the write-back stops it (the drawing is then left unchanged).\n"
    "Exit status: 0 when the file was written as answered (the commands after OK, \"hq\"\n"
    "after Cancel); 1 when OK could not be carried out, the file could not be written or\n"
    "memory ran out (the drawing is then left unchanged); 2 for bad usage.\n";

enum class Answer { kAsk, kYes, kCancel };

}  // namespace

int main(int argc, char** argv) {
  Answer answer = Answer::kAsk;
  bool negativeOnly = false;
  std::optional<std::filesystem::path> folder;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::fputs("rq27 " RQ27_VERSION "\n", stdout);
      return 0;
    }
    if (arg == "--yes" || arg == "--cancel") {
      const Answer given = arg == "--yes" ? Answer::kYes : Answer::kCancel;
      if (answer != Answer::kAsk && answer != given) {
        std::fputs("rq27: --yes and --cancel exclude each other\n", stderr);
        return 2;
      }
      answer = given;
    } else if (arg == "--negative-only") {
      negativeOnly = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      std::fprintf(stderr, "rq27: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    } else {
      if (arg == "--") {
        if (++i >= argc) break;
      }
      if (folder) {
        std::fputs("rq27: only one FOLDER may be given\n", stderr);
        return 2;
      }
      folder = std::filesystem::path(argv[i]);
    }
  }

  // A relative FOLDER is taken from the working folder, which may be gone.
  if (folder) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(*folder, error);
    if (error) {
      std::fprintf(stderr, "rq27: cannot find the folder %s (%s); nothing was read or written\n",
                   MyFunc::PathToUtf8(*folder).c_str(), error.message().c_str());
      return 1;
    }
    folder = std::move(absolute);
  }

  Unit1::ConsolePlatform platform(folder, negativeOnly);
  Unit1::TForm1 form(platform);
  form.FormShow();
  const std::string file = MyFunc::PathToUtf8(form.InterchangeFilePath());
  if (form.OutOfMemory()) {
    std::fprintf(stderr, "rq27: out of memory while reading %s; OK will leave the drawing "
                 "unchanged\n", file.c_str());
  } else if (form.LoadFailed()) {
    const std::string reason = JwwGaibu::SystemErrorText(form.State().LoadError);
    std::fprintf(stderr, "rq27: %s could not be %s%s%s; OK will leave the drawing unchanged\n",
                 file.c_str(), form.State().InputOpened ? "read to its end" : "opened",
                 reason.empty() ? "" : ": ", reason.c_str());
  }

  bool ok = answer == Answer::kYes;
  if (answer == Answer::kAsk)
    ok = platform.Interactive() && platform.AskUser(form) == Unit1::ConsolePlatform::Choice::kOk;
  platform.Answered();
  if (ok)
    form.Button1Click();
  else
    form.Button2Click();
  if (platform.Closed()) form.FormClose();
  platform.FinishStatusLine();

  // The same words the dialog shows in its message box when OK could not be carried out.
  if (form.Failure() != Unit1::OkFailure::kNone) {
    std::fprintf(stderr, "rq27: %s\n", form.FailureMessage().c_str());
  } else if (form.Outcome() != Unit1::RunOutcome::kSaved) {
    const std::string reason = JwwGaibu::SystemErrorText(form.State().SaveError);
    std::fprintf(stderr, "rq27: could not write %s%s%s; the drawing is left unchanged\n",
                 file.c_str(), reason.empty() ? "" : ": ", reason.c_str());
  } else if (form.OutOfMemory()) {
    std::fprintf(stderr, "rq27: out of memory; the drawing is left unchanged\n");
  }
  return form.Failed() ? 1 : 0;
}
