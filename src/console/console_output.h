// SPDX-License-Identifier: GPL-3.0-or-later
// ConsoleOutput: every byte the tool shows goes through these calls, straight
// to standard output with no buffering, so each text is on screen before the
// run's next step. Lines end in CR LF everywhere. A write that fails drops
// the rest of its text and is remembered; closeOutput tells it at the end.

#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Window when standard output is a console or terminal at least 2 by 2
// cells, or a terminal that tells no size (80 columns are then assumed);
// Stream for a file, a pipe, a device or no output at all.
enum class OutputMode { Window, Stream };

OutputMode outputMode();

// The mode of a console or terminal that tells this size: 0 by 0 is a
// terminal that tells none.
OutputMode outputModeForSize(int columns, int rows);

// Writes the bytes as they are; the console or terminal wraps a row that
// fills its width by itself. Defined by the platform file, like the three
// calls after it.
void consoleWrite(std::string_view bytes);

// The console's width in columns; 80 when it cannot be told.
int consoleWidth();

// Whether the console's characters are UTF-8 sequences.
bool consoleIsUtf8();

// Whether a console's bytes are taken as UTF-8: where its locale's character
// set is UTF-8, and where the locale names none of its own (C, POSIX), since
// a terminal there is most often UTF-8 and a valid sequence is rarely
// anything else. A single-byte locale keeps one byte a character.
bool charactersAreUtf8(std::string_view localeName, std::string_view codeset);

// The cells one character (its whole bytes) takes on the console: 0 for a
// mark that joins the character before it, 1, or 2 for a wide character.
std::size_t consoleCellWidth(std::string_view character);

// Window: blanks the visible window and homes the cursor. Stream, or a
// terminal of type dumb: nothing.
void clearScreen();

void printText(std::string_view text);
void printLine(std::string_view text);
// The lines, each with its line end, in one write.
void printLines(const std::vector<std::string>& lines);
void printBlankLine();
enum class AfterNumber { Nothing, LineEnd };
// formatNumber's text of the value, then the line end if asked.
void printNumber(float value, AfterNumber after);
// The run's last use of the output: closes standard output and checks the
// close, as a file system may report a failed write only then; on Windows it
// also gives the console back the input mode it had when the run began.
// False when a write of the tool's own text failed (not to a reader that has
// gone, a closed pipe or socket, but a full disk or a device that takes
// nothing) or the close did. Defined by the platform file.
bool closeOutput();

// One line on standard error, with the platform's line end.
void printError(std::string_view line);

// A file name: on a console or terminal (Window mode) as visibleName shows
// it, so that a name cannot drive the terminal; to a stream as held.
void printName(std::string_view name);

// The name with each control byte (below 32, and 127) shown as '?'.
std::string visibleName(std::string_view name);

// "%.7g" of the value, with one blank in front unless it is negative.
std::string formatNumber(float value);
