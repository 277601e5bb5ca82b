#include "Unit1/form1.h"

#include "JwwGaibu/emitters.h"
#include "JwwGaibu/output_lines.h"
#include "JwwGaibu/reader.h"
#include "JwwGaibu/write_back.h"
#include "Unit1/zero_spacing.h"

namespace Unit1 {

TForm1::TForm1(Platform& platform)
    : platform_(platform), state_(std::make_unique<JwwGaibu::TJwwState>()) {}

TForm1::~TForm1() = default;

void TForm1::FormShow() {
  const ScreenPoint pointer = platform_.PointerPosition();
  platform_.SetLeftTop(pointer.X - platform_.OuterWidth() / 2, pointer.Y - 4);
  programFolder_ = platform_.OwnFilePath().parent_path();
  JwwGaibu::ResetModel(*state_);
  // A missing file leaves the model empty; a file that could not be read is remembered
  // in the state, so that OK can leave the drawing alone.
  JwwGaibu::LoadInterchangeFile(*state_, InterchangeFilePath());
  JwwGaibu::ResetCurrentAttributes(*state_);
}

void TForm1::Button1Click() {
  if (outcome_ != RunOutcome::kOpen) return;
  const bool negativeOnly = platform_.CheckBoxChecked();
  platform_.SetStatusText(kStatusZeroing);
  // After a failed load the model holds only part of what the host handed over; deleting
  // the handed-over items would lose the rest. The list stays empty, so "hq" is saved.
  if (!state_->LoadFailed) {
    ZeroTextSpacing(*state_, negativeOnly);
    JwwGaibu::AppendOutputLine(*state_, "hd");
    // The lines go on to a temporary copy of the command file while they are made, so
    // that a large drawing is not held twice in memory. The host's file is replaced only
    // when the dialog closes. If the copy cannot be made, the lines are held until then.
    JwwGaibu::BeginCommandFile(*state_, InterchangeFilePath());
    JwwGaibu::WriteBackModel(*state_, platform_);
  }
  platform_.SetStatusText(kStatusWriting);
  platform_.CloseDialog();
}

void TForm1::Button2Click() { platform_.CloseDialog(); }

void TForm1::FormClose() {
  if (outcome_ != RunOutcome::kOpen) return;
  const bool saved = JwwGaibu::SaveOutputLines(*state_, InterchangeFilePath());
  outcome_ = saved ? RunOutcome::kSaved : RunOutcome::kSaveFailed;
  JwwGaibu::ReleaseModel(*state_);
}

}  // namespace Unit1
