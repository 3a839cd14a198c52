// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows console's handles, screen state and typing mode.

#include "console/console_win32.h"

#include "console/console_keys.h"

static_assert(kProcessedInput == ENABLE_PROCESSED_INPUT && kLineInput == ENABLE_LINE_INPUT &&
              kEchoInput == ENABLE_ECHO_INPUT);

static constexpr WORD kLightGreyOnBlack = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;

HANDLE consoleInput() {
  return GetStdHandle(STD_INPUT_HANDLE);
}

HANDLE consoleOutput() {
  return GetStdHandle(STD_OUTPUT_HANDLE);
}

CONSOLE_SCREEN_BUFFER_INFO screenInfo() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(consoleOutput(), &info)) {
    info = CONSOLE_SCREEN_BUFFER_INFO{};
    info.dwSize = {80, 25};
    info.srWindow = {0, 0, 79, 24};
    info.wAttributes = kLightGreyOnBlack;
  }
  return info;
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
