// SPDX-License-Identifier: GPL-3.0-or-later
// The typed line on the screen: what it shows, and what each key must write
// to bring it to the editor's line and insertion point. Both consoles share
// the model: the text from where it began, each character taking the cells
// that the console gives it (none for a mark that joins the character before
// it, two for a wide one, which goes on to the next row whole), only what
// changed redrawn. A terminal takes ANSI cursor sequences and wraps a row
// only when the next character comes (drawLine); the Windows console places
// its cursor by row and column, wraps at once and scrolls its buffer when
// writing past the last row (drawOnConsole). Pure: the callers make the
// console calls.

#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "console/line_editor.h"

// The cells one character (its whole bytes) takes on the console: 0, 1 or 2.
using CellWidth = std::size_t (*)(std::string_view character);

// One cell for every character, as on a console of one byte a character.
std::size_t oneCell(std::string_view character);

// A boundary between two characters of the shown line (or one of its ends):
// its byte index, and the cell where the cursor stands there, counted from
// the first cell of the row where the text begins.
struct LinePlace {
  std::size_t byte = 0;
  std::size_t cell = 0;
};

struct LineDrawing {
  std::size_t startColumn = 0;  // the column where the typed text begins
  // The Windows console's buffer row where it begins; above the buffer's
  // top (below 0) once that much of the text has scrolled out of it.
  long startRow = 0;
  CellWidth cellWidth = oneCell;
  LineEditor shown;  // the line and the cursor as the screen shows them
  // Every boundary of `shown`, laid out for `laidWidth` columns; empty
  // before the first drawing.
  std::vector<LinePlace> places;
  std::size_t laidWidth = 0;
  std::size_t cursorCell = 0;  // where the screen's cursor stands
};

// The bytes that draw `editor` over what `drawing` shows, on a `width`-column
// terminal; `drawing` then shows it. The cursor ends at the insertion point,
// never held at the right margin.
std::string drawLine(LineDrawing& drawing, const LineEditor& editor, std::size_t width);

struct CellPlace {
  long row = 0;
  std::size_t column = 0;
};

// One key's drawing on a Windows console: `text` written at `writeAt` (none
// when empty), then the cursor put at `cursor`.
struct ConsoleDrawing {
  CellPlace writeAt;
  std::string text;  // the changed characters on the buffer, then blanks over the old line's rest
  CellPlace cursor;  // the insertion point; the buffer's top left when it has scrolled out
};

// The drawing of `editor` over what `drawing` shows, in a screen buffer of
// `width` columns and `height` rows; `drawing` then shows it, its start row
// moved up by as many rows as the write scrolls the buffer.
ConsoleDrawing drawOnConsole(LineDrawing& drawing, const LineEditor& editor, std::size_t width,
                             std::size_t height);

// The cells written on the current row's line after `bytes`, from `column`:
// a CR or LF starts a new line at 0, a UTF-8 continuation byte takes no cell.
// Modulo the width it is the column of a terminal with a deferred wrap, which
// holds the cursor at the margin until the next character comes.
std::size_t columnAfter(std::size_t column, std::string_view bytes, bool utf8);
