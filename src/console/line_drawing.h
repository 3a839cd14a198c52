// The typed line on a terminal that wraps rows and takes ANSI cursor
// sequences: the bytes that bring the screen from the line it shows to the
// editor's line and insertion point. Only what changed is drawn, so typing
// at the end writes the character alone and a long paste costs bytes in
// proportion to its length. Pure: the caller writes the bytes.

#pragma once

#include <cstddef>
#include <string>

#include "console/line_editor.h"

struct LineDrawing {
  std::size_t startColumn = 0;  // the column where the typed text begins
  LineEditor shown;             // the line and the cursor as the screen shows them
  std::size_t shownLength = 0;  // characters of `shown`, counted once
  std::size_t shownPoint = 0;   // characters before its cursor
};

// The bytes that draw `editor` over what `drawing` shows, on a `width`-column
// terminal; `drawing` then shows it. The cursor ends at the insertion point,
// never held at the right margin.
std::string drawLine(LineDrawing& drawing, const LineEditor& editor, std::size_t width);
