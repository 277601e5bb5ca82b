// Test helper: names for the cases of parameterised tests, so that test lists and CTest
// show what a case checks instead of the bytes of its parameter.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace rq27test {

/// `text` as a GoogleTest case name, which allows only letters, digits and "_": a minus
/// sign becomes "Minus", a decimal point "p", every other character "_".
inline std::string ParamName(std::string_view text) {
  std::string name;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      name += c;
    else if (c == '-')
      name += "Minus";
    else if (c == '.')
      name += 'p';
    else
      name += '_';
  }
  return name.empty() ? "Empty" : name;
}

}  // namespace rq27test
