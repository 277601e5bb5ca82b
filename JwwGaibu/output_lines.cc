#include "JwwGaibu/output_lines.h"

#include <algorithm>
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

void ByteBuffer::DropFront(size_t n) {
  if (n == 0) return;  // the storage may not exist yet
  std::memmove(data_, data_ + n, size_ - n);
  size_ -= n;
}

void ByteBuffer::Release() {
  FreeLarge(data_, capacity_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

OutputLines::OutputLines() = default;
OutputLines::~OutputLines() = default;
OutputLines::OutputLines(OutputLines&& other) noexcept { *this = std::move(other); }

OutputLines& OutputLines::operator=(OutputLines&& other) noexcept {
  if (this != &other) {
    bytes_ = std::move(other.bytes_);
    fileSize_ = std::exchange(other.fileSize_, 0);
    count_ = std::exchange(other.count_, 0);
    joinNext_ = std::exchange(other.joinNext_, false);
    joins_ = std::exchange(other.joins_, {});
    file_ = std::move(other.file_);
    fileTarget_ = std::exchange(other.fileTarget_, {});
    spilled_ = std::exchange(other.spilled_, 0);
    spillFailed_ = std::exchange(other.spillFailed_, false);
  }
  return *this;
}

std::vector<std::string_view> OutputLines::HeldLines() const {
  std::vector<std::string_view> lines;
  const std::string_view bytes = FileBytes();
  auto join = joins_.begin();
  size_t begin = 0;
  while (begin < bytes.size()) {
    const size_t lineEnd = std::min(bytes.find("\r\n", begin), bytes.size());
    if (join != joins_.end() && *join - spilled_ <= lineEnd) {
      // A text command: its text follows without a line end.
      const size_t end = static_cast<size_t>(*join++ - spilled_);
      lines.push_back(bytes.substr(begin, end - begin));
      begin = end;
      continue;
    }
    lines.push_back(bytes.substr(begin, lineEnd - begin));
    begin = lineEnd + 2;
  }
  return lines;
}

void OutputLines::JoinNext(size_t contentEnd) {
  joinNext_ = true;
  joins_.push_back(spilled_ + contentEnd);
}

void OutputLines::Truncate(const Position& position) {
  if (position.bytes < spilled_) {
    // Back into what the file holds already.
    if (file_ != nullptr && !spillFailed_ && !file_->Truncate(position.bytes)) {
      spillFailed_ = true;
      error_ = file_->Error();
    }
    spilled_ = position.bytes;
  }
  fileSize_ = static_cast<size_t>(position.bytes - spilled_);
  bytes_.Shrink(fileSize_);
  while (!joins_.empty() && joins_.back() > position.bytes) joins_.pop_back();
  count_ = position.count;
  joinNext_ = position.joinNext;
}

void OutputLines::Clear() {
  bytes_.Release();
  fileSize_ = 0;
  count_ = 0;
  joinNext_ = false;
  joins_ = {};
  file_.reset();  // removes the temporary copy
  fileTarget_.clear();
  spilled_ = 0;
  spillFailed_ = false;
  error_ = {};
}

bool OutputLines::SpillInto(const std::filesystem::path& target) {
  auto file = std::make_unique<AtomicFileWriter>();
  if (!file->Open(target)) return false;
  // Lines held already go first, with the next call to Spill().
  file_ = std::move(file);
  fileTarget_ = target;
  spillFailed_ = false;
  return true;
}

void OutputLines::Spill(size_t minBytes) {
  if (file_ == nullptr || joinNext_ || fileSize_ == 0 || fileSize_ < minBytes) return;
  // Written only up to a file line's end, so that what the file holds is always whole
  // lines and the pairing state needs no bytes from it.
  if (!spillFailed_ && !file_->Write(FileBytes())) {
    spillFailed_ = true;
    error_ = file_->Error();
  }
  spilled_ += fileSize_;
  // A line begun but not ended stays.
  bytes_.DropFront(fileSize_);
  fileSize_ = 0;
  joins_.clear();
}

bool OutputLines::Save(const std::filesystem::path& target, RetryBudget& budget) {
  std::unique_ptr<AtomicFileWriter> file;
  if (file_ != nullptr && fileTarget_ == target) {
    if (spillFailed_) return false;  // error_ tells why
    file = std::move(file_);
    fileTarget_.clear();
  } else {
    // Lines spilled elsewhere cannot be part of this file.
    if (spilled_ > 0) {
      if (!error_) error_ = {FileError::Kind::kOther, 0};
      return false;
    }
    file = std::make_unique<AtomicFileWriter>();
    if (!file->Open(target)) {
      error_ = file->Error();
      return false;
    }
  }
  // An empty list is the command that changes nothing.
  const std::string_view bytes = count_ == 0 ? kHoldCommand : FileBytes();
  if (file->Write(bytes) && file->Commit(budget)) return true;
  error_ = file->Error();
  return false;
  // On failure the writer's destructor removes its temporary file.
}

void AppendOutputLine(TJwwState& s, std::string_view line) { s.Output.Append(line); }

void ClearOutputLines(TJwwState& s) { s.Output.Clear(); }

bool BeginCommandFile(TJwwState& s, const std::filesystem::path& path) {
  return s.Output.SpillInto(path);
}

}  // namespace JwwGaibu
