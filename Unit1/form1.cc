#include "Unit1/form1.h"

#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "JwwGaibu/emitters.h"
#include "JwwGaibu/file_io.h"
#include "JwwGaibu/host_file.h"
#include "JwwGaibu/output_lines.h"
#include "JwwGaibu/reader.h"
#include "JwwGaibu/write_back.h"
#include "MyFunc/my_func.h"
#include "Unit1/zero_spacing.h"

namespace Unit1 {

namespace {

using JwwGaibu::FileError;
using Kind = JwwGaibu::FileError::Kind;

/// `text` with every `marker` replaced by `value`.
std::string FillIn(std::string text, std::string_view marker, std::string_view value) {
  for (std::size_t at = text.find(marker); at != std::string::npos;
       at = text.find(marker, at + value.size()))
    text.replace(at, marker.size(), value);
  return text;
}

/// What the user is told of a failure of each kind, in the order of FileError::Kind.
struct KindTexts {
  Kind ErrorKind;
  /// A few words for the status line; empty: the system's code, if any.
  std::string_view ShortReason;
  /// The reason in the message where the system has no words of its own; empty: the short
  /// reason.
  std::string_view Reason;
  std::string_view Advice;  ///< what the user can do about it, in one line
};

constexpr std::string_view kMoveAdvice =
    "rq27.bat と rq27.exe を一緒に、書き込みのできるフォルダに移してから、もう一度実行してください。";
constexpr std::string_view kGeneralAdvice =
    "もう一度実行してください。直らないときは、rq27.bat と rq27.exe を一緒に、"
    "書き込みのできる別のフォルダに移してください。";

constexpr KindTexts kKindTexts[] = {
    {Kind::kNone, "", "", kGeneralAdvice},
    {Kind::kMissing, "見つかりません", "", kMoveAdvice},
    {Kind::kHeld, "他のプログラムが使用中", "",
     "JWC_TEMP.TXT を使っている他のプログラムを閉じるか、しばらく待ってから、"
     "もう一度実行してください。"},
    {Kind::kDenied, "アクセス権がありません", "", kMoveAdvice},
    {Kind::kDiskFull, "ディスクの空き不足", "",
     "ディスクの空き領域を増やしてから、もう一度実行してください。"},
    {Kind::kOutOfMemory, "メモリ不足", "メモリが足りません",
     "選択する図形を減らして、もう一度実行してください。"},
    {Kind::kBadContent, "読めない行があります", "数値が大きすぎて読めない行があります",
     "読めない図形を選択から外して、もう一度実行してください。"},
    {Kind::kOther, "", "", kGeneralAdvice},
};

constexpr bool TableFollowsTheKinds() {
  for (std::size_t i = 0; i < std::size(kKindTexts); ++i)
    if (static_cast<std::size_t>(kKindTexts[i].ErrorKind) != i) return false;
  return std::size(kKindTexts) == static_cast<std::size_t>(Kind::kOther) + 1;
}
static_assert(TableFollowsTheKinds(), "one row per kind, in the kinds' order");

const KindTexts& TextsOf(Kind kind) { return kKindTexts[static_cast<std::size_t>(kind)]; }

/// The reason for the message: the system's words with its code, or ours where the system
/// gave none.
std::string ReasonText(const FileError& error, std::string_view systemText) {
  if (!systemText.empty())
    return std::string(systemText) + "（エラー " + std::to_string(error.Code) + "）";
  if (error.ErrorKind == Kind::kNone) return {};
  const std::string_view reason = TextsOf(error.ErrorKind).Reason;
  return reason.empty() ? ShortReason(error) : std::string(reason);
}

}  // namespace

std::string ShortReason(const FileError& error) {
  const std::string_view reason = TextsOf(error.ErrorKind).ShortReason;
  if (!reason.empty()) return std::string(reason);
  return error.Code != 0 ? "エラー " + std::to_string(error.Code) : "原因不明";
}

std::string OkFailureMessage(OkFailure failure, const FileError& error,
                             std::string_view systemText, const std::filesystem::path& file) {
  std::string text;
  switch (failure) {
    case OkFailure::kNone:
      return text;
    case OkFailure::kNotOpened:
      text = "JWC_TEMP.TXT を開けなかったため、文字間隔ゼロ化を行えませんでした。";
      break;
    case OkFailure::kUnreadable:
      text = "JWC_TEMP.TXT を最後まで読み込めなかったため、文字間隔ゼロ化を行えませんでした。";
      break;
    case OkFailure::kNotWritten:
      text = "JWC_TEMP.TXT に書き込めなかったため、文字間隔ゼロ化を行えませんでした。";
      break;
    case OkFailure::kOutOfMemory:
      text = "メモリが不足したため、文字間隔ゼロ化を行えませんでした。";
      break;
  }
  text += "\n図面は変更されていません。\n\n";
  if (const std::string reason = ReasonText(error, systemText); !reason.empty())
    text += "理由: " + reason + "\n";
  text += "対処: ";
  text += TextsOf(error.ErrorKind).Advice;
  text += "\n\n";
  // Never fails: a folder name that UTF-8 cannot hold must not cost the message.
  text += MyFunc::PathToUtf8(file);
  return text;
}

std::string PreviewStatusText(const SpacingPreview& preview) {
  // One remark fits beside the count: that texts go weighs most, then that some texts only
  // get their size, then the texts of text types left as they are.
  std::string_view text = kStatusNothingToZero;
  if (preview.Changed() > 0 && preview.Dropped > 0)
    text = preview.Resized > 0 ? kStatusWillChangeDropping : kStatusWillZeroDropping;
  else if (preview.Zeroed > 0 && preview.Resized > 0)
    text = kStatusWillZeroResizing;
  else if (preview.Resized > 0)
    text = kStatusWillResize;
  else if (preview.Zeroed > 0)
    text = preview.OfTextTypes > 0 ? kStatusWillZeroKeepingTypes : kStatusWillZero;
  else if (preview.OfTextTypes > 0)
    text = kStatusNothingToZeroKeepingTypes;
  std::string filled = FillIn(std::string(text), "%N", std::to_string(preview.Zeroed));
  filled = FillIn(std::move(filled), "%F", std::to_string(preview.Resized));
  filled = FillIn(std::move(filled), "%C", std::to_string(preview.Changed()));
  filled = FillIn(std::move(filled), "%M", std::to_string(preview.OfTextTypes));
  return FillIn(std::move(filled), "%R", std::to_string(preview.Dropped));
}

TForm1::TForm1(Platform& platform)
    : platform_(platform), state_(std::make_unique<JwwGaibu::TJwwState>()) {}

TForm1::~TForm1() = default;

void TForm1::FormShow() {
  // Where the pointer cannot be read (a locked desktop, some remote sessions) the dialog
  // stays where the platform made it.
  if (const std::optional<ScreenPoint> pointer = platform_.PointerPosition()) {
    platform_.SetLeftTop(pointer->X - platform_.OuterWidth() / 2,
                         pointer->Y - platform_.ScaledPixels(4));
  }
  try {
    programFolder_ = platform_.OwnFilePath().parent_path();
    JwwGaibu::ResetModel(*state_);
    // A missing file leaves the model empty; a file that could not be read is remembered
    // in the state, so that OK can leave the drawing alone.
    JwwGaibu::LoadInterchangeFile(*state_, InterchangeFilePath());
    JwwGaibu::ResetCurrentAttributes(*state_);
  } catch (const std::bad_alloc&) {
    GiveUpForMemory();
  } catch (const std::length_error&) {
    // A string or table past the largest size the library allows (a line of gigabytes in
    // a 32-bit program): as good as running out of memory.
    GiveUpForMemory();
  } catch (...) {
    // Whatever else went wrong, what was read is not the whole selection.
    state_->LoadFailed = true;
    if (!state_->LoadError) state_->LoadError = {Kind::kOther, 0};
    JwwGaibu::ReleaseModel(*state_);
  }
  // What was read is all this run can give back (after a failed load: nothing), so "hq"
  // takes the selection's place at once. A file never opened is not this run's to change.
  if (state_->InputOpened) {
    try {
      JwwGaibu::SaveHq(*state_, InterchangeFilePath());
    } catch (const std::bad_alloc&) {
      GiveUpForMemory();  // the close tries again
    }
  }
  ShowWhatOkWillDo();
}

void TForm1::Button1Click() {
  if (phase_ != FormPhase::kShowing) return;
  phase_ = FormPhase::kWorking;
  okPressed_ = true;
  const bool negativeOnly = platform_.CheckBoxChecked();
  platform_.BeginWork();
  platform_.SetStatusText(kStatusZeroing);
  // After a failed load the model holds only part of what the host handed over (after
  // memory ran out, nothing); deleting the handed-over items would lose the rest. The list
  // stays empty, so "hq" is saved.
  // Where the pass changes nothing that is written back, "hd" and every item drawn anew
  // would at best give the drawing back as it was, and lose what the write-back drops
  // (blank texts, texts without a direction): the list stays empty too.
  if (!state_->LoadFailed && !outOfMemory_) {
    try {
      if (PreviewTextSpacing(*state_, negativeOnly).Changed() > 0) {
        ZeroTextSpacing(*state_, negativeOnly);
        JwwGaibu::AppendOutputLine(*state_, "hd");
        // The lines go on to a temporary copy of the command file while they are made, so
        // that a large drawing is not held twice in memory. The host's file is replaced
        // only when the dialog closes. If the copy cannot be made, they are held until then.
        JwwGaibu::BeginCommandFile(*state_, InterchangeFilePath());
        PassLabel label(*this);
        // A stop leaves the list empty: the close then leaves "hq".
        JwwGaibu::WriteBackModel(*state_, label);
      }
    } catch (const std::bad_alloc&) {
      GiveUpForMemory();
    } catch (const std::length_error&) {
      GiveUpForMemory();  // a buffer past the largest size the library allows
    }
  }
  phase_ = FormPhase::kWorkDone;
  platform_.EndWork();
  platform_.SetStatusText(kStatusWriting);
  platform_.CloseDialog();
}

bool TForm1::PassLabel::StopRequested() {
  // The platform's look at its input is also where the handlers record their requests.
  if (form_.platform_.StopRequested()) form_.RequestStop();
  return form_.stopRequested_;
}

void TForm1::Button2Click() {
  if (phase_ == FormPhase::kWorking) return RequestStop();
  if (phase_ == FormPhase::kShowing) platform_.CloseDialog();
}

void TForm1::CheckBox1Click() {
  if (phase_ == FormPhase::kShowing) ShowWhatOkWillDo();
}

void TForm1::RequestStop() {
  if (phase_ == FormPhase::kWorking) stopRequested_ = true;
}

void TForm1::FormClose() {
  // Inside OK's work (a close that another program sent while the pass looked at its
  // queue) the model is still being walked: only ask the pass to stop. OK's own close
  // comes once it has returned.
  if (phase_ == FormPhase::kWorking) return RequestStop();
  if (phase_ != FormPhase::kShowing && phase_ != FormPhase::kWorkDone) return;
  phase_ = FormPhase::kWriting;
  // One budget for the save and its fallbacks together, so that the dialog never hangs for
  // long at its end. What other programs send meanwhile finds the close under way.
  JwwGaibu::RetryBudget budget = JwwGaibu::StartRetryBudget();
  budget.Pause = platform_.WaitingPause();
  bool saved = false;
  try {
    saved = JwwGaibu::SaveOutputLines(*state_, InterchangeFilePath(), budget);
  } catch (const std::bad_alloc&) {
    GiveUpForMemory();
    // With the model's memory given back, the lone "hq" still fits (where it is not in
    // place already).
    try {
      saved = JwwGaibu::SaveOutputLines(*state_, InterchangeFilePath(), budget);
    } catch (const std::bad_alloc&) {
    }
  }
  saved_ = saved;
  JwwGaibu::ReleaseModel(*state_);
  phase_ = FormPhase::kClosed;
}

void TForm1::GiveUpForMemory() {
  outOfMemory_ = true;
  // Nothing made so far may reach the host: dropping the lines (and their temporary copy)
  // leaves "hq" for the save, and the model's memory goes back for what is left to do.
  JwwGaibu::ReleaseModel(*state_);
}

void TForm1::ShowWhatOkWillDo() {
  // After a failed load OK leaves the drawing alone, whatever the selection holds.
  if (outOfMemory_) return platform_.SetStatusText(kStatusOutOfMemory);
  try {
    if (state_->LoadFailed && !state_->InputOpened) {
      return platform_.SetStatusText(
          FillIn(std::string(kStatusNotOpened), "%E", ShortReason(state_->LoadError)));
    }
    if (state_->LoadFailed) return platform_.SetStatusText(kStatusUnreadable);
    // No file at all: the program was started by hand, not by the host.
    if (!state_->InputOpened) return platform_.SetStatusText(kStatusMissing);
    const SpacingPreview preview = PreviewTextSpacing(*state_, platform_.CheckBoxChecked());
    platform_.SetStatusText(PreviewStatusText(preview));
  } catch (const std::bad_alloc&) {
    // The line stays as it was; it only informs.
  }
}

OkFailure TForm1::Failure() const {
  if (!okPressed_ || phase_ != FormPhase::kClosed) return OkFailure::kNone;
  if (outOfMemory_) return OkFailure::kOutOfMemory;
  if (state_->LoadFailed)
    return state_->InputOpened ? OkFailure::kUnreadable : OkFailure::kNotOpened;
  if (!saved_) return OkFailure::kNotWritten;
  return OkFailure::kNone;
}

JwwGaibu::FileError TForm1::FailureError() const {
  switch (Failure()) {
    case OkFailure::kNone:
      return {};
    case OkFailure::kOutOfMemory:
      // The load's own error where it said so (a line too long to hold), else plain memory.
      if (state_->LoadError.ErrorKind == Kind::kOutOfMemory) return state_->LoadError;
      return {Kind::kOutOfMemory, 0};
    case OkFailure::kNotOpened:
    case OkFailure::kUnreadable:
      return state_->LoadError;
    case OkFailure::kNotWritten:
      return state_->SaveError;
  }
  return {};
}

std::string TForm1::FailureMessage() const {
  const JwwGaibu::FileError error = FailureError();
  return OkFailureMessage(Failure(), error, JwwGaibu::SystemErrorText(error),
                          InterchangeFilePath());
}

}  // namespace Unit1
