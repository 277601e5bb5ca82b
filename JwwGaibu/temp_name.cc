#include "JwwGaibu/temp_name.h"

#include <charconv>
#include <string>
#include <string_view>

namespace JwwGaibu {
namespace {

// The path's own characters: char on POSIX, wchar_t on Windows.
using Char = std::filesystem::path::value_type;
using String = std::filesystem::path::string_type;
using View = std::basic_string_view<Char>;

void AppendDecimal(String& out, uint64_t value) {
  char digits[20];
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(static_cast<const char*>(digits), end);  // widened where paths are wide
}

/// The length of the run of decimal digits at the start of `text`.
size_t LeadingDigits(View text) {
  size_t n = 0;
  while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
  return n;
}

constexpr Char kSuffix[] = {'.', 't', 'm', 'p', 0};

}  // namespace

std::filesystem::path TemporaryPath(const std::filesystem::path& target, uint64_t pid,
                                    int attempt) {
  String name(1, Char('.'));
  name += target.filename().native();
  name += Char('.');
  AppendDecimal(name, pid);
  name += Char('.');
  AppendDecimal(name, static_cast<uint64_t>(attempt));
  name += kSuffix;
  return target.parent_path() / name;
}

std::optional<uint64_t> TemporaryOwner(const std::filesystem::path& name,
                                       const std::filesystem::path& targetName) {
  View rest = name.native();
  const View target = targetName.native();
  const View suffix = kSuffix;
  // "." target "."
  if (rest.size() < target.size() + 2 || rest[0] != '.' ||
      rest.substr(1, target.size()) != target || rest[target.size() + 1] != '.')
    return std::nullopt;
  rest.remove_prefix(target.size() + 2);
  // pid "." attempt ".tmp"
  const size_t pidDigits = LeadingDigits(rest);
  if (pidDigits == 0 || pidDigits > 10 || pidDigits == rest.size() || rest[pidDigits] != '.')
    return std::nullopt;
  const View attempt = rest.substr(pidDigits + 1);
  const size_t attemptDigits = LeadingDigits(attempt);
  if (attemptDigits == 0 || attempt.substr(attemptDigits) != suffix) return std::nullopt;
  uint64_t pid = 0;
  for (size_t i = 0; i < pidDigits; ++i) pid = pid * 10 + static_cast<uint64_t>(rest[i] - '0');
  return pid;
}

}  // namespace JwwGaibu
