// Entry of rq27.exe: the dialog as the one main window, and its event loop.
#include "Unit1/platform-win32.h"  // windows.h first: commctrl.h builds on it

#include <commctrl.h>

#include <new>

#include "JwwGaibu/host_file.h"
#include "Unit1/form1.h"

namespace {

/// Exit status when the run ended in a way the user was told of (or could not be).
constexpr int kFailedExit = 2;

/// Where the dialog cannot even be made, "hq" takes the selection's place. Best effort:
/// memory or the file may fail us here too.
void LeaveDrawingUnchanged() {
  try {
    const std::filesystem::path self = Unit1::OwnExecutablePath();
    // Without its own path the program does not know where the host's file is: a file of
    // that name in the working folder is not necessarily it.
    if (!self.empty()) JwwGaibu::SaveHq(self.parent_path() / Unit1::kInterchangeFileName);
  } catch (...) {
  }
}

/// Tells the user why OK changed nothing. The dialog is gone by now: the box has no owner,
/// and comes in front of the other windows by itself (the user may be looking at the host).
void ShowFailure(const Unit1::TForm1& form) {
  try {
    const std::wstring text = Unit1::WidenUtf8(form.FailureMessage());
    const std::wstring caption = Unit1::WidenUtf8(Unit1::kCaption);
    MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
  } catch (...) {
    // Not even the message fits; the exit status still tells.
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*showCommand: the dialog is always shown normally*/) {
  // The OK flow runs to its end inside the click handler and repaints only the status line;
  // keep Windows from swapping in a "not responding" ghost for a long selection.
  DisableProcessWindowsGhosting();
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  // The handlers catch running out of memory themselves; only making the dialog and the
  // form is guarded here.
  std::unique_ptr<Unit1::Win32Dialog> dialog;
  std::unique_ptr<Unit1::TForm1> form;
  try {
    dialog = Unit1::Win32Dialog::Create(instance);
    if (dialog) form = std::make_unique<Unit1::TForm1>(*dialog);
  } catch (const std::bad_alloc&) {
  }
  if (!form) {
    LeaveDrawingUnchanged();
    return kFailedExit;
  }
  dialog->Attach(*form);

  // FormShow places the dialog and loads the file before the window becomes visible.
  form->FormShow();
  dialog->Show();

  // IsDialogMessageW gives the dialog keys: Tab, Enter (OK), Esc (Cancel), Alt+Y, Alt+N.
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(dialog->Handle(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // A quit that came from elsewhere ends the loop before the dialog closed: the close
  // still runs, once (it does nothing where it has run).
  form->FormClose();
  if (form->Failure() != Unit1::OkFailure::kNone) ShowFailure(*form);
  return form->Failed() ? kFailedExit : 0;
}
