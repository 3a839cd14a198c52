// SPDX-License-Identifier: GPL-3.0-or-later
// What the Windows console files share, defined in console_win32.cc: the
// standard handles, the screen buffer's state, and the input mode set while
// the name is typed, put back on every way out. Nothing here is declared for
// POSIX.

#pragma once

#include <windows.h>

HANDLE consoleInput();
HANDLE consoleOutput();

// The console's state, or an 80 by 25 buffer with the cursor at the top left
// when it cannot be read.
CONSOLE_SCREEN_BUFFER_INFO screenInfo();

// Saves the input mode and sets typingInputMode's, with a control handler
// that puts the saved one back before Ctrl+C, Ctrl+Break or the console's
// closing ends the process.
void beginTypingMode();

// Puts the saved mode back and takes the handler away.
void endTypingMode();
