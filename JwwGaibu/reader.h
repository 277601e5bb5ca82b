// Reading the host's interchange file into the drawing model.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "JwwGaibu/model.h"

namespace JwwGaibu {

/// At most this many token slots per line; bytes that would open another are dropped.
inline constexpr int kMaxTokens = 32;

/// A line cut into token slots. The slots are views of the line itself, or of `Scratch`
/// for a token that lost a byte from its middle; the scratch buffer is reused from line to
/// line, so that tokenizing allocates nothing once it has grown. The slots are valid as long
/// as the line is.
struct TJwwTokens {
  std::array<std::string_view, kMaxTokens> T{};
  int N = 0;  ///< number of the last slot plus one; 0 only for a line with no byte kept
  std::string Scratch;
  /// Bit i is set when slot i holds a plain decimal that the tokenizer has read already:
  /// its value is Number[i], the same that the slot's real field reads as.
  uint32_t NumberMask = 0;
  std::array<double, kMaxTokens> Number{};

  std::string_view operator[](int i) const { return T[i]; }
  /// True for a line that holds no token at all.
  bool Blank() const { return N == 0 || (N == 1 && T[0].empty()); }
};

/// Cuts one line (without its line end) into token slots by the file's lexical rules.
void TokenizeLine(std::string_view line, TJwwTokens& tokens);

/// Applies one line of the file to the model. False only when a real field is too large
/// for a double: the load must then end (what the line stored before that field stays).
bool ParseLine(TJwwState& s, std::string_view line, TJwwTokens& tokens);

/// As above with its own token buffer.
bool ParseLine(TJwwState& s, std::string_view line);

/// Reads the file at `path` into the model in one pass. False when there is no file, or it
/// could not be opened or read to its end; in the latter case `LoadFailed` is set.
/// `LoadError` says why (kMissing where there is no file). `InputOpened` is set once the
/// file has been opened, however the reading ends.
bool LoadInterchangeFile(TJwwState& s, const std::filesystem::path& path);

}  // namespace JwwGaibu
