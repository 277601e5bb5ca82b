// The command lines for the host, collected in memory and saved in one go at close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "JwwGaibu/file_io.h"

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
  /// Removes the first `n` bytes (not more than Size()), moving the rest to the front.
  void DropFront(size_t n);
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
/// followed directly by the next line, which then carries the CR LF. No allocation per line,
/// and the save is one write of the buffer.
///
/// The list can also be given the command file it is meant for (SpillInto): the complete
/// lines are then handed on to the file's temporary copy whenever Spill() is called and
/// enough of them have gathered, so that a large command file is never held whole in memory.
/// The file takes the target's name only when the list is saved.
class OutputLines {
 public:
  /// A place in the list, for taking back the lines appended after it.
  struct Position {
    int32_t count = 0;      ///< lines before it
    uint64_t bytes = 0;     ///< bytes before it, spilled ones included
    bool joinNext = false;  ///< the line before it is a text command
  };

  OutputLines();
  ~OutputLines();
  OutputLines(OutputLines&& other) noexcept;
  OutputLines& operator=(OutputLines&& other) noexcept;

  /// Number of complete lines, spilled ones included.
  int32_t Count() const { return count_; }
  /// The complete lines still held in memory (all of them when nothing was spilled), in
  /// order and without their line ends. A line is split where its bytes hold a CR LF.
  std::vector<std::string_view> HeldLines() const;

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
  void EndLine() {
    const size_t contentEnd = bytes_.Size();
    // A text command (a line ending in a double quote) and the line after it form one
    // file line; the pairing does not chain.
    if (joinNext_) {
      joinNext_ = false;
    } else if (contentEnd > fileSize_ && bytes_.Data()[contentEnd - 1] == '"') {
      JoinNext(contentEnd);
    }
    if (!joinNext_) {
      std::memcpy(bytes_.Room(2), "\r\n", 2);
      bytes_.Advance(2);
    }
    fileSize_ = bytes_.Size();
    ++count_;
  }

  /// Where the next line will go.
  Position Here() const { return {count_, spilled_ + fileSize_, joinNext_}; }
  /// Takes back the lines appended after `position` (taken from Here() since the last
  /// Clear()), and any line begun but not ended.
  void Truncate(const Position& position);

  /// Drops every line, frees the storage and forgets the file given to SpillInto (its
  /// temporary copy is removed).
  void Clear();

  /// The complete lines held in memory, in the command file's layout (an empty list gives
  /// no bytes).
  std::string_view FileBytes() const { return std::string_view(bytes_.Data(), fileSize_); }

  /// Opens the temporary copy of the command file `target` for Spill(); false (and nothing
  /// changes) when it cannot be made.
  bool SpillInto(const std::filesystem::path& target);
  /// Hands the complete lines held in memory to the temporary copy once at least
  /// `minBytes` of them have gathered and no text command waits for its text. A failed
  /// write is remembered (the save then fails) and from then on the lines are dropped
  /// instead of held. Without SpillInto this does nothing.
  void Spill(size_t minBytes = kSpillBytes);
  /// The bytes written to the temporary copy so far.
  uint64_t SpilledBytes() const { return spilled_; }

  /// Writes the command file `target` (its temporary copy, then a rename over it, waiting
  /// for holders within `budget`): the spilled bytes and those held, or "hq" for an empty
  /// list. False when the file could not be written whole; `target` is not touched then.
  bool Save(const std::filesystem::path& target, RetryBudget& budget);
  /// Why the last Save failed, or why writing the temporary copy failed before it.
  const FileError& Error() const { return error_; }

  /// Held bytes from which Spill() writes them on by default: enough for few large writes,
  /// few enough to stay in the processor's cache.
  static constexpr size_t kSpillBytes = size_t{256} << 10;

 private:
  /// Marks the line just ended at `contentEnd` as a text command that the next line joins.
  void JoinNext(size_t contentEnd);

  ByteBuffer bytes_;
  size_t fileSize_ = 0;    ///< held bytes of the complete lines, line ends included
  int32_t count_ = 0;      ///< complete lines, spilled ones included
  bool joinNext_ = false;  ///< the last line ends a text command: the next one joins it
  /// Where each held text command joined to its next line ends (bytes, spilled included).
  std::vector<uint64_t> joins_;
  /// The command file's temporary copy while spilling, and what went into it.
  std::unique_ptr<AtomicFileWriter> file_;
  std::filesystem::path fileTarget_;
  uint64_t spilled_ = 0;
  bool spillFailed_ = false;
  FileError error_;
};

}  // namespace JwwGaibu

namespace JwwGaibu {

struct TJwwState;

/// The command file that leaves the drawing unchanged: what an empty list saves.
inline constexpr std::string_view kHoldCommand = "hq\r\n";

/// Appends one line to the state's output lines.
void AppendOutputLine(TJwwState& s, std::string_view line);

/// Drops every output line.
void ClearOutputLines(TJwwState& s);

/// Lets the output lines be handed on to the temporary copy of the command file `path` as
/// they grow (the write-back pass does so between items), instead of being held whole until
/// the save. False when the copy cannot be made; the lines are then held as before.
bool BeginCommandFile(TJwwState& s, const std::filesystem::path& path);

}  // namespace JwwGaibu
