// ConsoleOutput: every byte the tool shows goes through these calls, straight
// to standard output with no buffering, so each text is on screen before the
// run's next step. Lines end in CR LF everywhere. Nothing here reports a
// failure: output that cannot be written is dropped.

#pragma once

#include <string>
#include <string_view>

// Window when standard output is a console or terminal at least 2 by 2
// cells, or a terminal that tells no size (80 columns are then assumed);
// Stream for a file, a pipe, a device or no output at all.
enum class OutputMode { Window, Stream };

OutputMode outputMode();

// Writes the bytes as they are. In Window mode a row that fills the width
// moves the cursor on to the next row, as a console does. Defined by the
// platform file, like the three calls after it.
void consoleWrite(std::string_view bytes);

// POSIX terminals only (console_output_posix.cc): the bytes as they are,
// cursor sequences included, with no row end added and no column tracked.
void writeUnwrapped(std::string_view bytes);

// Window mode: the column, from 0, where the next character will be drawn.
int consoleCursorColumn();

// The console's width in columns; 80 when it cannot be told.
int consoleWidth();

// Whether the console's characters are UTF-8 sequences.
bool consoleIsUtf8();

// Window: blanks the visible window and homes the cursor. Stream, or a
// terminal of type dumb: nothing.
void clearScreen();

void printText(std::string_view text);
void printLine(std::string_view text);
void printBlankLine();
void printNumber(float value, bool endLine);

// "%.7g" of the value, with one blank in front unless it is negative.
std::string formatNumber(float value);
