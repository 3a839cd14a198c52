// SPDX-License-Identifier: GPL-3.0-or-later
// What the POSIX console files share, defined in terminal_posix.cc: the
// writes, the terminal the typed line is drawn on, and the session of the typed line: raw mode,
// entered once and put back on every way out, the signal handlers that put
// it back, and the resume after a stop. Nothing here is declared for Windows.

#pragma once

#include <string_view>

#include "console/write_failure.h"

// TERM=dumb (an editor's shell buffer, some serial terminals) takes no
// escape sequence at all.
bool terminalIsDumb();

// Writes the bytes to the descriptor as they are, cursor sequences
// included, waiting for room where it was left non-blocking. Drops the rest
// when a write fails, and gives what that failure was.
WriteFailure writeAll(int descriptor, std::string_view bytes);

// Where the typed line is drawn: standard output where that is a terminal;
// otherwise the terminal that standard input is, opened once by its own name
// (not /dev/tty, which a process with no controlling terminal cannot open),
// so that the person typing sees the prompt and the line while the output
// receives what it always has. -1 when it cannot be opened.
int echoDescriptor();

// Writes the bytes to the echo's terminal; a failure there is not the
// output's.
void writeEcho(std::string_view bytes);

// Saves the terminal's settings, catches every catchable signal that would
// end or stop the process so that they are put back first, and enters raw
// mode when the process is in front of the terminal (in the background it
// waits for the continue that brings it there). Returns false, changing
// nothing, when the settings of standard input cannot be read.
bool beginRawMode();

// Puts the settings and the signals back as they were. Does nothing when no
// session was begun.
void endRawMode();

// Ends the process as `signal` does, with the terminal put back first; with
// `status` where the signal is blocked, as a parent may leave it.
[[noreturn]] void endBySignal(int signal, int status);

// Waits at most `waitMs` (forever when negative) for input on standard
// input; stops and SIGCONT are taken only here. Gives 1 when input is ready,
// 0 when the wait ran out, -1 when a signal cut it short.
int waitForTerminalInput(int waitMs);

// True once after the process went on in front of the terminal from a stop,
// with raw mode back: what was on the screen is no longer sure.
bool takeResumed();
