// SPDX-License-Identifier: GPL-3.0-or-later
// The print operations of ConsoleOutput, over the platform's consoleWrite.

#include "console/console_output.h"

#include <cstdio>

static constexpr std::string_view kLineEnd = "\r\n";

void printText(std::string_view text) {
  if (!text.empty()) consoleWrite(text);
}

// The text and its line end in one write: a line is never seen half-ended,
// and a run makes half the calls.
void printLine(std::string_view text) {
  std::string line(text);
  line += kLineEnd;
  consoleWrite(line);
}

void printLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append(kLineEnd);
  printText(text);
}

void printBlankLine() {
  consoleWrite(kLineEnd);
}

void printNumber(float value, AfterNumber after) {
  consoleWrite(formatNumber(value));
  if (after == AfterNumber::LineEnd) consoleWrite(kLineEnd);
}

void printError(std::string_view line) {
  // Standard error is in text mode on Windows, which makes the LF a CR LF.
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void printName(std::string_view name) {
  printText(outputMode() == OutputMode::Window ? visibleName(name) : std::string(name));
}

std::string visibleName(std::string_view name) {
  std::string shown(name);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  return shown;
}

bool charactersAreUtf8(std::string_view localeName, std::string_view codeset) {
  return codeset == "UTF-8" || localeName == "C" || localeName == "POSIX";
}

OutputMode outputModeForSize(int columns, int rows) {
  if (columns == 0 && rows == 0) return OutputMode::Window;
  return columns > 1 && rows > 1 ? OutputMode::Window : OutputMode::Stream;
}

std::string formatNumber(float value) {
  char digits[32];
  const int length = std::snprintf(digits, sizeof digits, "%.7g", static_cast<double>(value));
  std::string text(digits, length > 0 ? static_cast<std::size_t>(length) : 0);
  if (text.empty() || text.front() != '-') text.insert(text.begin(), ' ');
  return text;
}
