// SPDX-License-Identifier: GPL-3.0-or-later
// A Windows console key event as console_keys takes it. For the Windows
// files only: the typed line and the closing pause read the same events.

#pragma once

#include <windows.h>

#include "console/console_keys.h"

inline ConsoleKeyEvent consoleKeyEventOf(const KEY_EVENT_RECORD& record) {
  const DWORD state = record.dwControlKeyState;
  ConsoleKeyEvent event;
  event.virtualKey = record.wVirtualKeyCode;
  event.character = static_cast<char16_t>(record.uChar.UnicodeChar);
  event.keyDown = record.bKeyDown != 0;
  event.altHeld = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) &&
                  !(state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED));
  return event;
}
