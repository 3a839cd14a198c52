// SPDX-License-Identifier: GPL-3.0-or-later
// Console output on Windows. In Window mode the console draws: text at the
// cursor in the current attribute, wrapping at the buffer width and
// scrolling at the bottom, given as UTF-16 to the wide-character call so that
// a name shows every letter whatever the console's code page. In Stream mode
// the bytes, UTF-8, go to the file write call unchanged.

#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "console/console_keys.h"
#include "console/console_output.h"
#include "console/console_win32.h"
#include "unicode/unicode.h"

static OutputMode decideOutputMode() {
  // The run's input mode is taken on here, at its first output, so that
  // Ctrl+C ends it from the start.
  DWORD inputMode = 0;
  if (GetConsoleMode(consoleInput(), &inputMode))
    SetConsoleMode(consoleInput(), runInputMode(inputMode));

  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(consoleOutput(), &info)) return OutputMode::Stream;
  return outputModeForSize(info.dwSize.X, info.srWindow.Bottom - info.srWindow.Top + 1);
}

OutputMode outputMode() {
  static const OutputMode mode = decideOutputMode();
  return mode;
}

int consoleWidth() {
  return screenInfo().dwSize.X;
}

// The tool's texts are UTF-8 on Windows, whatever the console's code pages.
bool consoleIsUtf8() {
  return true;
}

// Consoles differ in the cells they give a character: an older one, and
// Wine's, one for every UTF-16 unit (a combining mark too); one with an East
// Asian code page, or a newer one, two for a wide character. So the console
// is asked: the character is written once into a screen buffer that is never
// shown, and the cursor's move is its width. Kept per character.
std::size_t consoleCellWidth(std::string_view character) {
  static const HANDLE scratch = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                          CONSOLE_TEXTMODE_BUFFER, nullptr);
  static std::map<std::string, std::size_t, std::less<>> known;
  if (scratch == INVALID_HANDLE_VALUE) return 1;
  const auto found = known.find(character);
  if (found != known.end()) return found->second;
  const std::u16string text = utf16Of(character);
  std::size_t cells = 1;
  DWORD put = 0;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (SetConsoleCursorPosition(scratch, COORD{0, 0}) &&
      WriteConsoleW(scratch, reinterpret_cast<const wchar_t*>(text.data()),
                    static_cast<DWORD>(text.size()), &put, nullptr) &&
      GetConsoleScreenBufferInfo(scratch, &info))
    cells = info.dwCursorPosition.Y > 0 ? 2 : static_cast<std::size_t>(info.dwCursorPosition.X);
  cells = std::min<std::size_t>(cells, 2);
  known.emplace(std::string(character), cells);
  return cells;
}

static bool failed = false;

bool outputFailed() {
  return failed;
}

// A pipe whose reader has gone (Windows says so in three ways, Wine in the
// last), or no output at all, wants nothing more; anything else (a full
// disk) is a failure.
static void noteFailedWrite() {
  switch (GetLastError()) {
    case ERROR_NO_DATA:
    case ERROR_BROKEN_PIPE:
    case ERROR_PIPE_NOT_CONNECTED:
    case ERROR_INVALID_HANDLE: return;
    default: failed = true;
  }
}

void consoleWrite(std::string_view bytes) {
  if (outputMode() == OutputMode::Window) {
    if (!writeToScreenBuffer(consoleOutput(), bytes)) noteFailedWrite();
    return;
  }
  while (!bytes.empty()) {
    DWORD put = 0;
    const auto length = static_cast<DWORD>(bytes.size() > 65536 ? 65536 : bytes.size());
    if (!WriteFile(consoleOutput(), bytes.data(), length, &put, nullptr) || put == 0) {
      noteFailedWrite();
      return;
    }
    bytes.remove_prefix(put);
  }
}

void clearScreen() {
  if (outputMode() != OutputMode::Window) return;
  const CONSOLE_SCREEN_BUFFER_INFO info = screenInfo();
  const COORD top{0, info.srWindow.Top};
  const auto cells = static_cast<DWORD>(info.dwSize.X) *
                     static_cast<DWORD>(info.srWindow.Bottom - info.srWindow.Top + 1);
  DWORD done = 0;
  FillConsoleOutputCharacterA(consoleOutput(), ' ', cells, top, &done);
  FillConsoleOutputAttribute(consoleOutput(), info.wAttributes, cells, top, &done);
  SetConsoleCursorPosition(consoleOutput(), top);
}
