#include "Unit1/form1.h"

#include <new>
#include <string>

#include "JwwGaibu/emitters.h"
#include "JwwGaibu/file_io.h"
#include "JwwGaibu/output_lines.h"
#include "JwwGaibu/reader.h"
#include "JwwGaibu/write_back.h"
#include "Unit1/zero_spacing.h"

namespace Unit1 {

std::string OkFailureMessage(OkFailure failure, const std::filesystem::path& file) {
  std::string text;
  switch (failure) {
    case OkFailure::kNone:
      return text;
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
  const std::u8string path = file.u8string();
  text.append(path.begin(), path.end());
  return text;
}

namespace {
/// `text` with every `marker` replaced by `count` in digits.
std::string FillCount(std::string text, std::string_view marker, std::size_t count) {
  const std::string digits = std::to_string(count);
  for (std::size_t at = text.find(marker); at != std::string::npos;
       at = text.find(marker, at + digits.size()))
    text.replace(at, marker.size(), digits);
  return text;
}
}  // namespace

std::string PreviewStatusText(std::size_t toZero, std::size_t ofTextTypes) {
  std::string_view text = kStatusNothingToZero;
  if (toZero > 0)
    text = ofTextTypes > 0 ? kStatusWillZeroKeepingTypes : kStatusWillZero;
  else if (ofTextTypes > 0)
    text = kStatusNothingToZeroKeepingTypes;
  return FillCount(FillCount(std::string(text), "%N", toZero), "%M", ofTextTypes);
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
  if (!state_->LoadFailed && !outOfMemory_) {
    try {
      ZeroTextSpacing(*state_, negativeOnly);
      JwwGaibu::AppendOutputLine(*state_, "hd");
      // The lines go on to a temporary copy of the command file while they are made, so
      // that a large drawing is not held twice in memory. The host's file is replaced only
      // when the dialog closes. If the copy cannot be made, the lines are held until then.
      JwwGaibu::BeginCommandFile(*state_, InterchangeFilePath());
      JwwGaibu::WriteBackModel(*state_, platform_);
    } catch (const std::bad_alloc&) {
      GiveUpForMemory();
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
  if (state_->LoadFailed) return platform_.SetStatusText(kStatusUnreadable);
  const SpacingPreview preview = PreviewTextSpacing(*state_, platform_.CheckBoxChecked());
  try {
    platform_.SetStatusText(PreviewStatusText(preview.ToZero, preview.OfTextTypes));
  } catch (const std::bad_alloc&) {
    // The line stays as it was; it only informs.
  }
}

OkFailure TForm1::Failure() const {
  if (!okPressed_ || outcome_ == RunOutcome::kOpen) return OkFailure::kNone;
  if (outOfMemory_) return OkFailure::kOutOfMemory;
  if (state_->LoadFailed) return OkFailure::kUnreadable;
  if (outcome_ == RunOutcome::kSaveFailed) return OkFailure::kNotWritten;
  return OkFailure::kNone;
}

}  // namespace Unit1
