#include "Unit1/form1.h"

#include <new>
#include <stdexcept>
#include <string>

#include "JwwGaibu/emitters.h"
#include "JwwGaibu/file_io.h"
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

/// The reason for the message: the system's words with its code, or ours where the system
/// gave none.
std::string ReasonText(const FileError& error, std::string_view systemText) {
  if (!systemText.empty())
    return std::string(systemText) + "（エラー " + std::to_string(error.Code) + "）";
  switch (error.ErrorKind) {
    case Kind::kNone:
      return {};
    case Kind::kBadContent:
      return "数値が大きすぎて読めない行があります";
    case Kind::kOutOfMemory:
      return "メモリが足りません";
    default:
      return ShortReason(error);
  }
}

/// What the user can do about `kind`, in one line.
std::string_view Advice(Kind kind) {
  switch (kind) {
    case Kind::kHeld:
      return "JWC_TEMP.TXT を使っている他のプログラムを閉じるか、しばらく待ってから、"
             "もう一度実行してください。";
    case Kind::kMissing:
    case Kind::kDenied:
      return "rq27.bat と rq27.exe を一緒に、書き込みのできるフォルダに移してから、"
             "もう一度実行してください。";
    case Kind::kDiskFull:
      return "ディスクの空き領域を増やしてから、もう一度実行してください。";
    case Kind::kOutOfMemory:
      return "選択する図形を減らして、もう一度実行してください。";
    case Kind::kBadContent:
      return "読めない図形を選択から外して、もう一度実行してください。";
    case Kind::kNone:
    case Kind::kOther:
      break;
  }
  return "もう一度実行してください。直らないときは、rq27.bat と rq27.exe を一緒に、"
         "書き込みのできる別のフォルダに移してください。";
}

}  // namespace

std::string ShortReason(const FileError& error) {
  switch (error.ErrorKind) {
    case Kind::kHeld:
      return "他のプログラムが使用中";
    case Kind::kDenied:
      return "アクセス権がありません";
    case Kind::kDiskFull:
      return "ディスクの空き不足";
    case Kind::kOutOfMemory:
      return "メモリ不足";
    case Kind::kMissing:
      return "見つかりません";
    case Kind::kBadContent:
      return "読めない行があります";
    case Kind::kNone:
    case Kind::kOther:
      break;
  }
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
  text += Advice(error.ErrorKind);
  text += "\n\n";
  // Never fails: a folder name that UTF-8 cannot hold must not cost the message.
  text += MyFunc::PathToUtf8(file);
  return text;
}

std::string PreviewStatusText(std::size_t changed, std::size_t ofTextTypes, std::size_t dropped) {
  std::string_view text = kStatusNothingToZero;
  if (changed > 0 && dropped > 0)
    text = kStatusWillZeroDropping;
  else if (changed > 0)
    text = ofTextTypes > 0 ? kStatusWillZeroKeepingTypes : kStatusWillZero;
  else if (ofTextTypes > 0)
    text = kStatusNothingToZeroKeepingTypes;
  std::string filled = FillIn(std::string(text), "%N", std::to_string(changed));
  filled = FillIn(std::move(filled), "%M", std::to_string(ofTextTypes));
  return FillIn(std::move(filled), "%R", std::to_string(dropped));
}

TForm1::TForm1(Platform& platform)
    : platform_(platform), state_(std::make_unique<JwwGaibu::TJwwState>()) {}

TForm1::~TForm1() = default;

void TForm1::FormShow() {
  const ScreenPoint pointer = platform_.PointerPosition();
  platform_.SetLeftTop(pointer.X - platform_.OuterWidth() / 2,
                       pointer.Y - platform_.ScaledPixels(4));
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
  // The host reads whatever the file holds when the program ends, however it ends: its
  // own selection left there would be drawn a second time. Once the file has been opened,
  // what was read of it is all this run can give back (after a failed load: nothing), so
  // "hq" takes the selection's place, and from then on the file holds either "hq" or the
  // complete command file. A file that was never opened is not this run's to change yet.
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
  if (outcome_ != RunOutcome::kOpen) return;
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
      if (PreviewTextSpacing(*state_, negativeOnly).Changed > 0) {
        ZeroTextSpacing(*state_, negativeOnly);
        JwwGaibu::AppendOutputLine(*state_, "hd");
        // The lines go on to a temporary copy of the command file while they are made, so
        // that a large drawing is not held twice in memory. The host's file is replaced
        // only when the dialog closes. If the copy cannot be made, they are held until then.
        JwwGaibu::BeginCommandFile(*state_, InterchangeFilePath());
        JwwGaibu::WriteBackModel(*state_, platform_);
      }
    } catch (const std::bad_alloc&) {
      GiveUpForMemory();
    } catch (const std::length_error&) {
      GiveUpForMemory();  // a buffer past the largest size the library allows
    }
  }
  platform_.EndWork();
  platform_.SetStatusText(kStatusWriting);
  platform_.CloseDialog();
}

void TForm1::Button2Click() { platform_.CloseDialog(); }

void TForm1::CheckBox1Click() {
  if (outcome_ == RunOutcome::kOpen && !okPressed_) ShowWhatOkWillDo();
}

void TForm1::FormClose() {
  if (outcome_ != RunOutcome::kOpen) return;
  // One budget for every wait of the close on files that other programs hold: the save and
  // its fallbacks together, so that the dialog never hangs for long at its end.
  const JwwGaibu::RetryBudget budget = JwwGaibu::StartRetryBudget();
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
  outcome_ = saved ? RunOutcome::kSaved : RunOutcome::kSaveFailed;
  JwwGaibu::ReleaseModel(*state_);
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
    platform_.SetStatusText(
        PreviewStatusText(preview.Changed, preview.OfTextTypes, preview.Dropped));
  } catch (const std::bad_alloc&) {
    // The line stays as it was; it only informs.
  }
}

OkFailure TForm1::Failure() const {
  if (!okPressed_ || outcome_ == RunOutcome::kOpen) return OkFailure::kNone;
  if (outOfMemory_) return OkFailure::kOutOfMemory;
  if (state_->LoadFailed)
    return state_->InputOpened ? OkFailure::kUnreadable : OkFailure::kNotOpened;
  if (outcome_ == RunOutcome::kSaveFailed) return OkFailure::kNotWritten;
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
