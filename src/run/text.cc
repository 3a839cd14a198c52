// Text helpers of the run driver.

#include "run/text.h"

#include <cctype>

std::string lastChars(std::string_view text, int n) {
  if (n <= 0) return {};
  const auto count = static_cast<std::size_t>(n);
  return std::string(count >= text.size() ? text : text.substr(text.size() - count));
}

std::string upperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    const int code = static_cast<unsigned char>(c);
    if (std::islower(code)) c = static_cast<char>(std::toupper(code));
  }
  return upper;
}

bool textEquals(std::string_view a, std::string_view b) {
  return a == b;
}

std::string commandLineTail(int argc, const char* const* argv) {
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  return tail;
}
