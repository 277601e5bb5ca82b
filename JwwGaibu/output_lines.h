// The command lines for the host, collected in memory and saved in one go at close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "JwwGaibu/table.h"

namespace JwwGaibu {

/// A growable byte buffer in large-allocation memory, which grows by moving its pages
/// where the system can (instead of copying them), so that growing never holds the bytes
/// twice.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ~ByteBuffer();
  ByteBuffer(ByteBuffer&& other) noexcept { *this = std::move(other); }
  ByteBuffer& operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
      Release();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
      capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
  }

  size_t Size() const { return size_; }
  const char* Data() const { return data_; }
  /// Makes room for `extra` more bytes and returns where they go.
  char* Room(size_t extra) {
    if (capacity_ - size_ < extra) Grow(extra);
    return data_ + size_;
  }
  void Append(const char* bytes, size_t n) {
    if (n == 0) return;  // bytes may be null then
    std::memcpy(Room(n), bytes, n);
    size_ += n;
  }
  void Append(char c) {
    *Room(1) = c;
    ++size_;
  }
  /// Counts bytes written into Room().
  void Advance(size_t n) { size_ += n; }
  /// Lowers the size (the capacity stays).
  void Shrink(size_t size) { size_ = size; }
  /// Frees the storage.
  void Release();

 private:
  void Grow(size_t extra);

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

/// The command lines, held in one byte buffer as the command file will hold them: every line
/// followed by its CR LF, except that a line ending in a double quote (a text command) is
/// followed directly by the next line, which then carries the CR LF; plus a table of line
/// ends that grows by the same 1000-entry blocks as the item tables. No allocation per line,
/// and the save is one write of the buffer.
class OutputLines {
 public:
  OutputLines() = default;
  OutputLines(OutputLines&& other) noexcept { *this = std::move(other); }
  OutputLines& operator=(OutputLines&& other) noexcept {
    if (this != &other) {
      bytes_ = std::move(other.bytes_);
      ends_ = std::move(other.ends_);
      fileSize_ = std::exchange(other.fileSize_, 0);
      joinNext_ = std::exchange(other.joinNext_, false);
    }
    return *this;
  }

  /// Number of complete lines.
  int32_t Count() const { return ends_.Count(); }
  /// Slots for line ends held without growing (0 or a multiple of 1000).
  int32_t Capacity() const { return ends_.Capacity(); }
  /// Line i (0-based), without a line end.
  std::string_view Line(int32_t i) const;

  /// Appends one whole line (any length: lines are never cut).
  void Append(std::string_view line) {
    Put(line);
    EndLine();
  }
  /// Builds a line piece by piece: Put() bytes, then EndLine().
  void Put(std::string_view piece) { bytes_.Append(piece.data(), piece.size()); }
  void Put(char c) { bytes_.Append(c); }
  /// Lets `write(char* out)` put up to `maxBytes` bytes straight into the line; it returns
  /// the number it wrote.
  template <class Writer>
  void PutDirect(size_t maxBytes, Writer&& write) {
    bytes_.Advance(static_cast<size_t>(write(bytes_.Room(maxBytes))));
  }
  void EndLine();

  /// Takes back the lines from line `count` on (not above Count()).
  void Truncate(int32_t count);

  /// Drops every line and frees the storage.
  void Clear();

  /// The complete lines in the command file's layout (an empty list gives no bytes).
  std::string_view FileBytes() const { return std::string_view(bytes_.Data(), fileSize_); }

 private:
  /// A line's entry: where its bytes end, times two, plus 1 when a CR LF follows them.
  static uint64_t End(size_t contentEnd, bool lineEnd) {
    return uint64_t{contentEnd} << 1 | lineEnd;
  }
  /// Where the line after the one with entry `end` begins.
  static size_t NextBegin(uint64_t end) { return static_cast<size_t>(end >> 1) + (end & 1) * 2; }

  ByteBuffer bytes_;
  TJwwTable<uint64_t> ends_;
  size_t fileSize_ = 0;    ///< bytes of the complete lines, line ends included
  bool joinNext_ = false;  ///< the last line ends a text command: the next one joins it
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
