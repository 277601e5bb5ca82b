// Entry of rq27.exe: the dialog as the one main window, and its event loop.
#include "Unit1/platform-win32.h"  // windows.h first: commctrl.h builds on it

#include <commctrl.h>

#include "Unit1/form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int showCommand) {
  // The OK flow runs to its end inside the click handler and repaints only the status line;
  // keep Windows from swapping in a "not responding" ghost for a long selection.
  DisableProcessWindowsGhosting();
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  const std::unique_ptr<Unit1::Win32Dialog> dialog = Unit1::Win32Dialog::Create(instance);
  if (!dialog) return 1;
  Unit1::TForm1 form(*dialog);
  dialog->Attach(form);

  // FormShow places the dialog and loads the file before the window becomes visible.
  form.FormShow();
  dialog->Show(showCommand);

  // IsDialogMessageW gives the dialog keys: Tab, Enter (OK), Esc (Cancel), Alt+Y, Alt+N.
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(dialog->Handle(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return form.Outcome() == Unit1::RunOutcome::kSaveFailed ? 2 : 0;
}
