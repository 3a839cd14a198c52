// SPDX-License-Identifier: GPL-3.0-or-later
// Console output on Windows. In Window mode the console draws: text at the
// cursor in the current attribute, wrapping at the buffer width and
// scrolling at the bottom, given as UTF-16 to the wide-character call so that
// a name shows every letter whatever the console's code page. In Stream mode
// the bytes, UTF-8, go to the file write call unchanged.

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "console/console_output.h"
#include "console/console_win32.h"
#include "console/windows_console.h"
#include "unicode/unicode.h"

static OutputMode decideOutputMode() {
  // The run's input mode is taken on here, at its first output, so that
  // Ctrl+C ends it from the start; closeOutput puts the found one back.
  takeRunInputMode();

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
    cells = cellsOfCursorMove(info.dwCursorPosition.Y, info.dwCursorPosition.X);
  known.emplace(std::string(character), cells);
  return cells;
}

static bool failed = false;

static WriteFailure writeToFile(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD put = 0;
    const auto length = static_cast<DWORD>(bytes.size() > 65536 ? 65536 : bytes.size());
    const bool succeeded = WriteFile(file, bytes.data(), length, &put, nullptr);
    const WriteFailure failure =
        windowsWriteFailure(succeeded, put, succeeded ? 0 : GetLastError());
    if (failure != WriteFailure::None) return failure;
    bytes.remove_prefix(put);
  }
  return WriteFailure::None;
}

void consoleWrite(std::string_view bytes) {
  const WriteFailure failure = outputMode() == OutputMode::Window
                                   ? writeToScreenBuffer(consoleOutput(), bytes)
                                   : writeToFile(consoleOutput(), bytes);
  if (failure == WriteFailure::Failed) failed = true;
}

bool closeOutput() {
  restoreInputMode();
  const HANDLE output = consoleOutput();
  // No output at all, or a handle that is no longer there, has nothing to close.
  const bool closed = output == nullptr || output == INVALID_HANDLE_VALUE || CloseHandle(output) ||
                      GetLastError() == ERROR_INVALID_HANDLE;
  return closed && !failed;
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
