// SPDX-License-Identifier: GPL-3.0-or-later
// The closing pause on Windows: the console's facts, and the wait for the
// closing key.

#include <windows.h>

#include "console/console_keys_win32.h"
#include "console/console_output.h"
#include "run/closing_pause.h"

static ConsoleFacts consoleFacts() {
  DWORD mode = 0;
  DWORD processes[2];
  ConsoleFacts facts;
  facts.onlyProcess = GetConsoleProcessList(processes, 2) == 1;
  facts.inputIsConsole = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
  facts.outputIsConsole = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  return facts;
}

void closingPause() {
  if (!needsClosingPause(consoleFacts())) return;
  printLine(kClosingPauseLine);
  // Keys pressed while the file was converted must not close the window
  // unread. Ctrl+C comes as a key here, so it closes the window as Enter and
  // Esc do and the run's exit status stands.
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD savedMode = 0;
  GetConsoleMode(input, &savedMode);
  SetConsoleMode(input, savedMode & ~ENABLE_PROCESSED_INPUT);
  FlushConsoleInputBuffer(input);
  for (;;) {
    INPUT_RECORD record;
    DWORD got = 0;
    if (!ReadConsoleInputW(input, &record, 1, &got) || got != 1) break;
    if (record.EventType == KEY_EVENT && closesWindow(consoleKeyEventOf(record.Event.KeyEvent)))
      break;
  }
  SetConsoleMode(input, savedMode);
}
