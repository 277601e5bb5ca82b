#include "JwwGaibu/output_lines.h"

#include <cstdint>
#include <new>
#include <string>

#include "JwwGaibu/file_io.h"
#include "JwwGaibu/large_alloc.h"
#include "JwwGaibu/model.h"

namespace JwwGaibu {

ByteBuffer::~ByteBuffer() { Release(); }

void ByteBuffer::Grow(size_t extra) {
  size_t capacity = capacity_ < 65536 ? 65536 : capacity_;
  while (capacity - size_ < extra) {
    if (capacity > SIZE_MAX / 2) throw std::bad_alloc();
    capacity *= 2;
  }
  data_ = static_cast<char*>(ReallocateLarge(data_, capacity_, capacity));
  capacity_ = capacity;
}

void ByteBuffer::Release() {
  FreeLarge(data_, capacity_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

std::string_view OutputLines::Line(int32_t i) const {
  const size_t begin = i == 0 ? 0 : NextBegin(ends_[i - 1]);
  return std::string_view(bytes_.Data() + begin, static_cast<size_t>(ends_[i] >> 1) - begin);
}

void OutputLines::EndLine() {
  const size_t contentEnd = bytes_.Size();
  const size_t begin = fileSize_;
  // A text command (a line ending in a double quote) and the line after it form one file
  // line; the pairing does not chain.
  bool lineEnd = true;
  if (joinNext_) {
    joinNext_ = false;
  } else if (contentEnd > begin && bytes_.Data()[contentEnd - 1] == '"') {
    joinNext_ = true;
    lineEnd = false;
  }
  if (lineEnd) {
    std::memcpy(bytes_.Room(2), "\r\n", 2);
    bytes_.Advance(2);
  }
  ends_.Append() = End(contentEnd, lineEnd);
  fileSize_ = bytes_.Size();
}

void OutputLines::Truncate(int32_t count) {
  const uint64_t last = count == 0 ? 0 : ends_[count - 1];
  fileSize_ = count == 0 ? 0 : NextBegin(last);
  joinNext_ = count != 0 && (last & 1) == 0;
  bytes_.Shrink(fileSize_);
  ends_.Truncate(count);
}

void OutputLines::Clear() {
  bytes_.Release();
  ends_.Release();
  fileSize_ = 0;
  joinNext_ = false;
}

void AppendOutputLine(TJwwState& s, std::string_view line) { s.Output.Append(line); }

void ClearOutputLines(TJwwState& s) { s.Output.Clear(); }

bool SaveOutputLines(const TJwwState& s, const std::filesystem::path& path) {
  {
    AtomicFileWriter file;
    // The list holds the file's bytes already; an empty list is the command that changes
    // nothing.
    const std::string_view bytes = s.Output.Count() == 0 ? "hq\r\n" : s.Output.FileBytes();
    if (file.Open(path) && file.Write(bytes) && file.Commit()) return true;
    // The writer's destructor removes its temporary file here.
  }
  // Neither a partial command file nor the host's own input may be left behind: the host
  // would read either as commands. Where the file cannot be removed (a read-only folder)
  // but can still be written, "hq" in its place leaves the drawing unchanged.
  if (!RemoveFileIfPresent(path)) OverwriteExistingFile(path, "hq\r\n");
  return false;
}

}  // namespace JwwGaibu
