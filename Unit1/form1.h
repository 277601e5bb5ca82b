// The dialog's handlers: show, OK, Cancel and close, written once over the platform.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "JwwGaibu/file_io.h"
#include "JwwGaibu/model.h"
#include "Unit1/platform.h"

namespace Unit1 {

/// The command file beside the program.
inline constexpr const char* kInterchangeFileName = "JWC_TEMP.TXT";

/// Dialog texts (UTF-8; the Win32 front end converts them to UTF-16).
inline constexpr std::string_view kApplicationTitle = "rq27_文字間隔ゼロ化";
inline constexpr std::string_view kCaption = "文字間隔ゼロ化";
inline constexpr std::string_view kStatusOpened = "　";
inline constexpr std::string_view kStatusZeroing = "文字間隔ゼロ化を行います";
inline constexpr std::string_view kStatusWriting = "ファイル生成中です";
/// The status line while the dialog waits: what OK will change. "%N" stands for the
/// free-size texts whose spacing becomes zero, "%M" for the texts of text types 1 to 10.
inline constexpr std::string_view kStatusWillZero = "ＯＫで%N個の文字の文字間隔をゼロにします";
inline constexpr std::string_view kStatusWillZeroKeepingTypes =
    "ＯＫで%N個の文字間隔をゼロに（文字種の%M個はそのまま）";
/// As above where OK also removes texts that the write-back drops ("%R": blank texts and
/// texts without a direction). It takes the place of the text types' remark, which would
/// not fit beside it.
inline constexpr std::string_view kStatusWillZeroDropping =
    "ＯＫで%N個の文字間隔をゼロに（空白などの%R個は消えます）";
/// As above where OK also fills in the width or height of texts whose spacing it keeps
/// ("%F"; negative-only mode), and where it does only that.
inline constexpr std::string_view kStatusWillZeroResizing =
    "ＯＫで%N個の文字間隔をゼロに（%F個は大きさだけ直す）";
inline constexpr std::string_view kStatusWillResize =
    "ＯＫで%F個の文字の大きさを直します（文字間隔はそのまま）";
/// Both kinds of change beside texts that go: "%C" counts every text OK changes.
inline constexpr std::string_view kStatusWillChangeDropping =
    "ＯＫで%C個の文字を直します（空白などの%R個は消えます）";
inline constexpr std::string_view kStatusNothingToZero = "ＯＫで変わる文字間隔はありません";
inline constexpr std::string_view kStatusNothingToZeroKeepingTypes =
    "ＯＫで変わる文字間隔はありません（文字種の%M個はそのまま）";
/// The status line while the dialog waits where there is no file to read: the program was
/// not started by the host.
inline constexpr std::string_view kStatusMissing =
    "JWC_TEMP.TXT がありません。CAD本体の外部変形から起動してください";
/// The same where the file is there but could not be opened; "%E" stands for the reason.
inline constexpr std::string_view kStatusNotOpened = "JWC_TEMP.TXT を開けません（%E）";
/// The status line while the dialog waits, after a load that failed: OK will change nothing.
inline constexpr std::string_view kStatusUnreadable =
    "JWC_TEMP.TXT を最後まで読み込めませんでした。図面は変更されません";
inline constexpr std::string_view kStatusOutOfMemory = "メモリが不足しました。図面は変更されません";
inline constexpr std::string_view kCheckBoxText = "文字間隔の値がマイナス値のものだけをゼロ化する";
/// Label1 to Label9, the explanation lines. (A full-width space after 基本設定 and a
/// full-width tilde in １～10; one half-width space before JWW.)
inline constexpr std::string_view kExplanationLines[9] = {
    "◆この外部変形アプリケーションは、選択した任意サイズの文字の",
    "文字間隔をゼロにするものです。",
    "◆文字種１～10については、設定→基本設定　[文字]タブでの",
    "各間隔の値をゼロ等にする事で対応して下さい。",
    "◆本ソフトは、SFC/P21保存時に文字間隔エラーが出る場合等に",
    "利用して頂ければと思います。",
    "◆ブロック図形内のものは処理出来ませんので御注意下さい。",
    "ブロック編集内で行う場合には、本ソフトを JWWインストールした",
    "フォルダに配置して実行を行って下さい。",
};
inline constexpr std::string_view kButton1Text = "ＯＫ(&Y)";
inline constexpr std::string_view kButton2Text = "キャンセル(&N)";

/// Where the run stands. TForm1 alone moves it on; the front ends ask it.
enum class FormPhase {
  kShowing,   ///< the dialog waits for the user
  kWorking,   ///< OK's work runs: a request to close or cancel only asks it to stop
  kWorkDone,  ///< OK's work has ended; the close that follows writes the file
  kWriting,   ///< the close writes the command file: requests wait until it has ended
  kClosed,    ///< the close has ended; nothing more happens
};

/// How the run ended, for front ends that can report it.
enum class RunOutcome {
  kOpen,          ///< the dialog has not closed yet
  kSaved,         ///< the command file was written
  kSaveFailed,    ///< writing failed; no command file is left
};

/// Why OK could not change the drawing. The front ends tell the user; in every case the
/// file holds "hq" (or nothing), so the host leaves the drawing as it was.
enum class OkFailure {
  kNone,         ///< OK was not pressed, or it was carried out (or stopped by Escape)
  kNotOpened,    ///< the host's file was there but could not be opened
  kUnreadable,   ///< the host's file was opened but could not be read to its end
  kNotWritten,   ///< the command file could not be written
  kOutOfMemory,  ///< memory ran out while reading, changing or writing the drawing
};

/// The message (UTF-8, Japanese) that tells the user why OK changed nothing: what failed,
/// the reason (`systemText`, the system's own words for `error`, or ours where the system
/// gave none), what to do about it, and the path of `file`.
std::string OkFailureMessage(OkFailure failure, const JwwGaibu::FileError& error,
                             std::string_view systemText, const std::filesystem::path& file);

/// A few words for the status line on why a file could not be opened.
std::string ShortReason(const JwwGaibu::FileError& error);

struct SpacingPreview;

/// The status line that tells, before OK, how many texts OK changes and how, how many
/// texts of text types it leaves as they are, and how many it removes (which it does only
/// where it changes something).
std::string PreviewStatusText(const SpacingPreview& preview);

/// The one dialog. It owns the interchange unit's state for the whole run.
class TForm1 {
 public:
  explicit TForm1(Platform& platform);
  ~TForm1();

  /// Places the dialog at the pointer, finds the program's folder and loads the file.
  void FormShow();
  /// OK: zero the spacing, "hd", write every item back, close. Only while showing.
  void Button1Click();
  /// Cancel: close (the command file becomes "hq"); during OK's work, a request to stop.
  void Button2Click();
  /// The check box was toggled: the status line tells again what OK will change.
  void CheckBox1Click();
  /// Every close of the dialog (Cancel, OK's end, the close box, another program, the end
  /// of the session): saves the command file and releases the model, once. Inside OK's
  /// work it only asks the work to stop, and OK's own close follows.
  void FormClose();
  /// Asks OK's work to stop at its next check; the drawing is then left unchanged. Outside
  /// OK's work it does nothing.
  void RequestStop();

  FormPhase Phase() const { return phase_; }

  const std::filesystem::path& ProgramFolder() const { return programFolder_; }
  std::filesystem::path InterchangeFilePath() const { return programFolder_ / kInterchangeFileName; }
  JwwGaibu::TJwwState& State() { return *state_; }
  RunOutcome Outcome() const {
    if (phase_ != FormPhase::kClosed) return RunOutcome::kOpen;
    return saved_ ? RunOutcome::kSaved : RunOutcome::kSaveFailed;
  }
  /// True when the file was there but could not be read, so OK leaves the drawing alone.
  bool LoadFailed() const { return state_->LoadFailed; }
  /// True when memory ran out at any point of the run; the drawing is then left alone.
  bool OutOfMemory() const { return outOfMemory_; }
  /// Why OK, once pressed, could not change the drawing; kNone before the close.
  OkFailure Failure() const;
  /// The error behind Failure().
  JwwGaibu::FileError FailureError() const;
  /// OkFailureMessage for this run's failure, with the system's words for its error.
  std::string FailureMessage() const;
  /// True when the run ended in a way the user must hear of: a failed OK, a command file
  /// that could not be written, or memory running out.
  bool Failed() const {
    return Outcome() == RunOutcome::kSaveFailed || outOfMemory_ || Failure() != OkFailure::kNone;
  }

 private:
  /// Frees the model and the lines made so far after memory ran out.
  void GiveUpForMemory();
  /// Puts what OK will change, in the check box's mode, on the status line.
  void ShowWhatOkWillDo();

  /// The status line and the checks of OK's pass: what the platform saw is recorded as a
  /// request to stop beside those of the handlers, and that one flag answers.
  class PassLabel final : public JwwGaibu::ProgressLabel {
   public:
    explicit PassLabel(TForm1& form) : form_(form) {}
    void SetStatusText(std::string_view utf8) override { form_.platform_.SetStatusText(utf8); }
    bool StopRequested() override;

   private:
    TForm1& form_;
  };

  Platform& platform_;
  std::filesystem::path programFolder_;
  std::unique_ptr<JwwGaibu::TJwwState> state_;
  FormPhase phase_ = FormPhase::kShowing;
  bool okPressed_ = false;
  bool stopRequested_ = false;
  bool saved_ = false;
  bool outOfMemory_ = false;
};

}  // namespace Unit1
