// The host's file: what it holds as the run goes on, and how the command file or "hq"
// takes its place. The host reads the file back as commands however the program ends. The
// selection it writes starts with "hq" and so draws nothing if left; the run does not rely
// on that, for a file that does not start with it would have its items drawn a second
// time: the file holds the selection only until loading ends, and from then on either "hq"
// or the complete command file.
#pragma once

#include <filesystem>

#include "JwwGaibu/file_io.h"

namespace JwwGaibu {

struct TJwwState;

/// What the host's file holds, as far as the run knows.
enum class HostFile {
  kSelection,  ///< the host's own selection (or nothing that this run put there)
  kHq,         ///< the lone "hq": the drawing stays as it was
  kCommands,   ///< the complete command file
  kNothing,    ///< no file: it was removed where no "hq" could be written
};

/// The ways of making the host's file say "hq", one attempt each. The disk's wait within
/// one retry budget; tests give a fake.
class HqFallbacks {
 public:
  virtual ~HqFallbacks() = default;
  /// Whether the file still holds the lone "hq" that this run put there: another run in
  /// the same folder may have replaced it since.
  virtual ReadBack HoldsHq(const std::filesystem::path& path) = 0;
  /// "hq" through a new file renamed over `path`.
  virtual bool ReplaceWithHq(const std::filesystem::path& path) = 0;
  /// "hq" written into the existing file (a folder that takes no new file).
  virtual bool OverwriteWithHq(const std::filesystem::path& path) = 0;
  /// The file removed; true when nothing is left there.
  virtual bool Remove(const std::filesystem::path& path) = 0;
};

/// Makes the file at `path` the lone "hq": through a new file (unless `newFileTried`: that
/// attempt was just made and failed), else in place, else by removing the file. Answers
/// what the file holds afterwards.
HostFile PutHq(HqFallbacks& fallbacks, const std::filesystem::path& path, bool newFileTried);

/// PutHq on the disk within a fresh retry budget; what the file holds afterwards.
HostFile SaveHq(const std::filesystem::path& path);
/// The same for the run's own file, remembered in `s.HostFileHolds`.
void SaveHq(TJwwState& s, const std::filesystem::path& path);

/// Saves the output lines as the command file `path` (the lines spilled into its copy
/// included, "hq" for an empty list), all waits for other programs spent from `budget`;
/// `fallbacks` null: the disk's. True when the file holds them whole. On failure no
/// temporary file is left, `s.SaveError` says why, and wherever the file may hold anything
/// but this run's "hq" (the selection, another run's file), "hq" takes its place, the file
/// removed only where no "hq" can be written. An empty list where this run's "hq" still
/// stands writes nothing.
bool SaveOutputLines(TJwwState& s, const std::filesystem::path& path, RetryBudget& budget,
                     HqFallbacks* fallbacks = nullptr);

}  // namespace JwwGaibu
