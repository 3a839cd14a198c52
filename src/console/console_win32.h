// SPDX-License-Identifier: GPL-3.0-or-later
// What the Windows console files share, defined in console_win32.cc: the
// standard handles, the screen buffer's state, and the input mode set while
// the name is typed, put back on every way out. Nothing here is declared for
// POSIX.

#pragma once

#include <windows.h>

#include <string_view>

HANDLE consoleInput();
HANDLE consoleOutput();

// The screen buffer the typed line is drawn on: standard output where that is
// the console; otherwise the console's own (CONOUT$), opened once, so that the
// person typing sees the prompt and the line while the output receives what
// it always has. INVALID_HANDLE_VALUE when there is none.
HANDLE echoOutput();

// The state of a screen buffer (standard output's unless told), or an 80 by
// 25 buffer with the cursor at the top left when it cannot be read.
CONSOLE_SCREEN_BUFFER_INFO screenInfo(HANDLE buffer = consoleOutput());

// Writes UTF-8 text at the buffer's cursor, as UTF-16; false when the
// console refused it.
bool writeToScreenBuffer(HANDLE buffer, std::string_view bytes);

// Saves the input mode and sets typingInputMode's, with a control handler
// that puts the saved one back before Ctrl+C, Ctrl+Break or the console's
// closing ends the process.
void beginTypingMode();

// Puts the saved mode back and takes the handler away.
void endTypingMode();
