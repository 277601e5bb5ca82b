// What the dialog does with a message that comes while OK works or the close writes the
// command file: whether it asks to stop, is handed on to Windows, or is dropped. One rule
// for what the pass takes out of the queue and for what other programs send meanwhile, to
// the dialog or to any of its controls.
#pragma once

#include <windows.h>  // built with WIN32_LEAN_AND_MEAN and NOMINMAX (win32.cmake)

#include <array>

namespace Unit1 {

/// What becomes of a message while the dialog is busy.
enum class BusyAnswer {
  kStop,    ///< it asks to stop OK's work (a close while the file is written waits for it)
  kHandOn,  ///< dispatched: Windows draws, minimises or restores, or turns a tap into a click
  kDrop,    ///< answered and nothing more: no handler of ours, no loop of Windows' own
};

/// The two windows that the rule tells apart from the rest.
struct BusyWindows {
  HWND Dialog;
  HWND CancelButton;
};

/// The answer to `message` (to the dialog or one of its controls) while the dialog is busy.
BusyAnswer AnswerWhileBusy(const MSG& message, const BusyWindows& windows);

/// The ranges of messages that the pass takes out of the queue at each look, each answered
/// by AnswerWhileBusy: input of every kind, requests to close or cancel, system commands and
/// paints. What is not in them waits in the queue for the event loop.
extern const std::array<std::array<UINT, 2>, 9> kBusyTakenRanges;

/// True for a message sent to the dialog or one of its controls that is answered, while
/// busy, by AnswerWhileBusy rather than by the window's own procedure: those whose default
/// handling would run a loop of Windows' own (the system menu, also the task bar's window
/// menu, a move, the tracking of a caption button) or ask to close. The dialog's own
/// WM_CLOSE is not: its close handler answers it.
bool AnsweredWhileBusyWhenSent(const MSG& message, const BusyWindows& windows);

}  // namespace Unit1
