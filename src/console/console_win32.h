// SPDX-License-Identifier: GPL-3.0-or-later
// What the Windows console files share, defined in console_win32.cc: the
// standard handles, the screen buffer's state and writes, and the input
// modes: the run's, the typing one, and the one found at the start, put back
// on every way out. Nothing here is declared for POSIX.

#pragma once

#include <windows.h>

#include <string_view>

#include "console/write_failure.h"

HANDLE consoleInput();
HANDLE consoleOutput();

// The screen buffer the typed line is drawn on: standard output where that is
// the console; otherwise the console's own (CONOUT$), opened once, so that the
// person typing sees the prompt and the line while the output receives what
// it always has. INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE echoOutput();

// The state of a screen buffer (standard output's unless told), or an 80 by
// 25 buffer with the cursor at the top left when it cannot be read.
CONSOLE_SCREEN_BUFFER_INFO screenInfo(HANDLE buffer = consoleOutput());

// Writes UTF-8 text at the buffer's cursor, as UTF-16; drops the rest when
// the console refuses a piece, and gives what that failure was.
WriteFailure writeToScreenBuffer(HANDLE buffer, std::string_view bytes);

// Once, at the run's first output: saves the console's input mode as found
// and sets runInputMode's, with a control handler that puts the found one
// back before Ctrl+C, Ctrl+Break or the console's closing ends the process.
// Does nothing when standard input is no console.
void takeRunInputMode();

// Puts the input mode found at the start back; nothing when none was taken.
void restoreInputMode();

// While the name is typed: typingInputMode's, key by key with no echo; or,
// with `ownEcho`, the console's own line mode and echo, where the line has
// nothing to be drawn on.
void beginTypingMode(bool ownEcho);

// Back to the run's input mode.
void endTypingMode();
