// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows console's handles, screen state and writes, and input modes.

#include "console/console_win32.h"

#include <string>

#include "console/console_keys.h"
#include "console/windows_console.h"
#include "unicode/unicode.h"

static_assert(kProcessedInput == ENABLE_PROCESSED_INPUT && kLineInput == ENABLE_LINE_INPUT &&
              kEchoInput == ENABLE_ECHO_INPUT);
static_assert(kErrorInvalidHandle == ERROR_INVALID_HANDLE &&
              kErrorBrokenPipe == ERROR_BROKEN_PIPE && kErrorNoData == ERROR_NO_DATA &&
              kErrorPipeNotConnected == ERROR_PIPE_NOT_CONNECTED);

static constexpr WORD kLightGreyOnBlack = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;

HANDLE consoleInput() {
  return GetStdHandle(STD_INPUT_HANDLE);
}

HANDLE consoleOutput() {
  return GetStdHandle(STD_OUTPUT_HANDLE);
}

static HANDLE openEcho() {
  DWORD mode = 0;
  if (GetConsoleMode(consoleOutput(), &mode)) return consoleOutput();
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

WriteFailure writeToScreenBuffer(HANDLE buffer, std::string_view bytes) {
  const std::u16string text = utf16Of(bytes);
  std::u16string_view rest = text;
  while (!rest.empty()) {
    const std::size_t length = screenPieceLength(rest, kScreenPieceLength);
    DWORD put = 0;
    const auto* units = reinterpret_cast<const wchar_t*>(rest.data());
    const bool succeeded = WriteConsoleW(buffer, units, static_cast<DWORD>(length), &put, nullptr);
    const WriteFailure failure =
        windowsWriteFailure(succeeded, put, succeeded ? 0 : GetLastError());
    if (failure != WriteFailure::None) return failure;
    rest.remove_prefix(put);
  }
  return WriteFailure::None;
}

static DWORD foundMode = 0;
static bool modeTaken = false;

// Runs on a thread of its own. FALSE passes the event on, in the end to the
// system's handler, which ends the process as it would have without this one.
static BOOL WINAPI putModeBack(DWORD) {
  restoreInputMode();
  return FALSE;
}

void takeRunInputMode() {
  if (modeTaken || !GetConsoleMode(consoleInput(), &foundMode)) return;
  modeTaken = true;
  SetConsoleCtrlHandler(putModeBack, TRUE);
  SetConsoleMode(consoleInput(), runInputMode(foundMode));
}

void restoreInputMode() {
  if (modeTaken) SetConsoleMode(consoleInput(), foundMode);
}

void beginTypingMode(bool ownEcho) {
  takeRunInputMode();
  const std::uint32_t mode =
      ownEcho ? runInputMode(foundMode) | kLineInput | kEchoInput : typingInputMode(foundMode);
  SetConsoleMode(consoleInput(), mode);
}

void endTypingMode() {
  SetConsoleMode(consoleInput(), runInputMode(foundMode));
}
