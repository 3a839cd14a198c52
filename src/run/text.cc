// SPDX-License-Identifier: GPL-3.0-or-later
// The text operations of the run: the DAT gate's three and the command-line
// tail.

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

std::string commandLineTail(const std::vector<std::string>& arguments) {
  std::string tail;
  for (const std::string& argument : arguments) {
    if (&argument != &arguments.front()) tail += ' ';
    tail += argument;
  }
  return tail;
}
