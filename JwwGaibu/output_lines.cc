#include "JwwGaibu/output_lines.h"

#include <string>

#include "JwwGaibu/file_io.h"
#include "JwwGaibu/model.h"

namespace JwwGaibu {

std::string_view OutputLines::Line(int32_t i) const {
  const size_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string_view(bytes_).substr(begin, ends_[i] - begin);
}

void OutputLines::Clear() {
  std::string().swap(bytes_);  // frees the buffer, unlike clear()
  ends_.Release();
}

void AppendOutputLine(TJwwState& s, std::string_view line) { s.Output.Append(line); }

void ClearOutputLines(TJwwState& s) { s.Output.Clear(); }

namespace {

/// Size of the pieces handed to the file: large enough that writes are few, small enough
/// that the output is never held twice in memory.
constexpr size_t kSaveChunk = size_t{1} << 20;

/// Collects the file's bytes into pieces of about kSaveChunk bytes and writes them.
class ChunkedWriter {
 public:
  explicit ChunkedWriter(AtomicFileWriter& file) : file_(file) { chunk_.reserve(kSaveChunk); }

  bool Put(std::string_view bytes) {
    if (chunk_.size() + bytes.size() > kSaveChunk) {
      if (!Flush()) return false;
      // A piece as large as a whole chunk goes out directly, without a copy.
      if (bytes.size() >= kSaveChunk) return file_.Write(bytes);
    }
    chunk_.append(bytes);
    return true;
  }

  bool Flush() {
    if (chunk_.empty()) return true;
    const bool ok = file_.Write(chunk_);
    chunk_.clear();
    return ok;
  }

 private:
  AtomicFileWriter& file_;
  std::string chunk_;
};

constexpr std::string_view kLineEnd = "\r\n";

/// Writes the lines in the command file's layout: every line ended by CR LF, except that
/// a line ending in a double quote (a text command) is joined with the one after it, which
/// then carries the line end whatever it ends with.
bool WriteLines(const OutputLines& lines, ChunkedWriter& out) {
  const int32_t count = lines.Count();
  if (count == 0) return out.Put("hq") && out.Put(kLineEnd);
  for (int32_t i = 0; i < count; ++i) {
    const std::string_view line = lines.Line(i);
    if (!out.Put(line)) return false;
    if (!line.empty() && line.back() == '"') {
      ++i;
      if (i == count) break;  // the file ends right behind the quote
      if (!out.Put(lines.Line(i))) return false;
    }
    if (!out.Put(kLineEnd)) return false;
  }
  return true;
}

}  // namespace

bool SaveOutputLines(const TJwwState& s, const std::filesystem::path& path) {
  {
    AtomicFileWriter file;
    if (file.Open(path)) {
      ChunkedWriter out(file);
      if (WriteLines(s.Output, out) && out.Flush() && file.Commit()) return true;
    }
    // The writer's destructor removes its temporary file here.
  }
  // Neither a partial command file nor the host's own input may be left behind: the host
  // would read either as commands.
  RemoveFileIfPresent(path);
  return false;
}

}  // namespace JwwGaibu
