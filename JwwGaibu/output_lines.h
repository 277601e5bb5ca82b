// The command lines for the host, collected in memory and saved in one go at close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "JwwGaibu/table.h"

namespace JwwGaibu {

/// One byte buffer holding every line back to back, plus a table of line ends that grows
/// by the same 1000-entry blocks as the item tables. No allocation per line.
class OutputLines {
 public:
  /// Number of complete lines.
  int32_t Count() const { return ends_.Count(); }
  /// Slots for line ends held without growing (0 or a multiple of 1000).
  int32_t Capacity() const { return ends_.Capacity(); }
  /// Line i (0-based), without a line end.
  std::string_view Line(int32_t i) const;

  /// Appends one whole line (any length: lines are never cut).
  void Append(std::string_view line) {
    bytes_.append(line);
    EndLine();
  }
  /// Builds a line piece by piece: Put() bytes, then EndLine().
  void Put(std::string_view piece) { bytes_.append(piece); }
  void Put(char c) { bytes_.push_back(c); }
  void EndLine() { ends_.Append() = bytes_.size(); }

  /// Takes back the lines from line `count` on (not above Count()).
  void Truncate(int32_t count) {
    bytes_.resize(count == 0 ? 0 : ends_[count - 1]);
    ends_.Truncate(count);
  }

  /// Drops every line and frees the storage.
  void Clear();

 private:
  std::string bytes_;
  TJwwTable<size_t> ends_;
};

}  // namespace JwwGaibu

namespace JwwGaibu {

struct TJwwState;

/// Appends one line to the state's output lines.
void AppendOutputLine(TJwwState& s, std::string_view line);

/// Drops every output line.
void ClearOutputLines(TJwwState& s);

/// Writes the output lines to `path` as the command file: CR LF line ends, a line that
/// ends in a double quote joined with the next one (no chaining), "hq" for an empty list.
/// The file is replaced atomically: on success it holds the complete command file; on
/// failure no temporary file is left and `path` is removed, and the result is false.
bool SaveOutputLines(const TJwwState& s, const std::filesystem::path& path);

}  // namespace JwwGaibu
