// The write-back pass: every item of the model as host commands, in reading order.
#pragma once

#include <string_view>

#include "JwwGaibu/model.h"

namespace JwwGaibu {

/// What the pass needs of the window that shows its progress.
class ProgressLabel {
 public:
  virtual ~ProgressLabel() = default;
  /// Replaces the status text (UTF-8) and repaints it at once.
  virtual void SetStatusText(std::string_view utf8) = 0;
  /// True when the pass is to stop: the Escape key held down at the moment of the call, or
  /// any other request to stop or close that came since the pass began (Cancel, the close
  /// box, another program closing the window, the session ending).
  virtual bool StopRequested() = 0;
};

/// Items between two progress updates and Escape polls.
inline constexpr int kProgressEvery = 100;

/// Appends "bz" when the input had it, every item's attribute, mark and item commands, and
/// the closing group and layer lines. A request to stop found at a check empties the
/// output lines and ends the pass, with nothing more written.
void WriteBackModel(TJwwState& s, ProgressLabel& progressLabel);

}  // namespace JwwGaibu
