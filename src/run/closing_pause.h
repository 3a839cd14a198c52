// SPDX-License-Identifier: GPL-3.0-or-later
// The pause at the end of a run in a console window of the tool's own. Started
// from Explorer (a double-click, or a file dropped on it), the tool gets a
// console that closes the moment it ends, taking the report with it; there
// the run ends with one more line and waits for a key.

#pragma once

#include <string_view>

#include "console/console_keys.h"

inline constexpr std::string_view kClosingPauseLine = "Press Enter to close this window.";

// What the platform knows about the console when the run is over.
struct ConsoleFacts {
  bool onlyProcess = false;      // no other process is attached to the tool's console
  bool inputIsConsole = false;   // standard input is that console
  bool outputIsConsole = false;  // standard output is that console
};

// Whether the window would close on the report: only a console of the tool's
// own, with the user at both ends of it. A command prompt, or either stream
// redirected, needs no pause.
bool needsClosingPause(const ConsoleFacts& facts);

// Whether a key event closes the window: Enter, Esc or Ctrl+C, taken as
// the typed line takes keys.
bool closesWindow(const ConsoleKeyEvent& event);

// Called once the run is over, before the process exits: on Windows, when
// needsClosingPause holds, prints kClosingPauseLine and waits for Enter, Esc
// or Ctrl+C. Elsewhere it does nothing. Defined in closing_pause_posix.cc /
// closing_pause_win32.cc.
void closingPause();
