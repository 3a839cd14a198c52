// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows console's handles, screen state and typing mode.

#include "console/console_win32.h"

#include <string>

#include "console/console_keys.h"
#include "console/console_output.h"
#include "unicode/unicode.h"

static_assert(kProcessedInput == ENABLE_PROCESSED_INPUT && kLineInput == ENABLE_LINE_INPUT &&
              kEchoInput == ENABLE_ECHO_INPUT);

static constexpr WORD kLightGreyOnBlack = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;

HANDLE consoleInput() {
  return GetStdHandle(STD_INPUT_HANDLE);
}

HANDLE consoleOutput() {
  return GetStdHandle(STD_OUTPUT_HANDLE);
}

static HANDLE openEcho() {
  if (outputMode() == OutputMode::Window) return consoleOutput();
  return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

HANDLE echoOutput() {
  static const HANDLE buffer = openEcho();
  return buffer;
}

CONSOLE_SCREEN_BUFFER_INFO screenInfo(HANDLE buffer) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(buffer, &info)) {
    info = CONSOLE_SCREEN_BUFFER_INFO{};
    info.dwSize = {80, 25};
    info.srWindow = {0, 0, 79, 24};
    info.wAttributes = kLightGreyOnBlack;
  }
  return info;
}

// Older consoles refuse a write much over 26,000 characters, so the text goes
// in pieces, none ending between the two halves of a character.
static constexpr std::size_t kPieceLength = 8192;

bool writeToScreenBuffer(HANDLE buffer, std::string_view bytes) {
  const std::u16string text = utf16Of(bytes);
  std::u16string_view rest = text;
  while (!rest.empty()) {
    std::size_t length = rest.size();
    if (length > kPieceLength) {
      length = kPieceLength;
      if (isHighSurrogate(rest[length - 1])) --length;
    }
    DWORD put = 0;
    const auto* units = reinterpret_cast<const wchar_t*>(rest.data());
    if (!WriteConsoleW(buffer, units, static_cast<DWORD>(length), &put, nullptr) || put == 0)
      return false;
    rest.remove_prefix(put);
  }
  return true;
}

static DWORD savedMode = 0;

// Runs on a thread of its own while the main one waits for a key. FALSE
// passes the event on, in the end to the system's handler, which ends the
// process as it would have without this one.
static BOOL WINAPI putModeBack(DWORD) {
  SetConsoleMode(consoleInput(), savedMode);
  return FALSE;
}

void beginTypingMode() {
  GetConsoleMode(consoleInput(), &savedMode);
  SetConsoleCtrlHandler(putModeBack, TRUE);
  SetConsoleMode(consoleInput(), typingInputMode(savedMode));
}

void endTypingMode() {
  SetConsoleMode(consoleInput(), savedMode);
  SetConsoleCtrlHandler(putModeBack, FALSE);
}
