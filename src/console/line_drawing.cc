// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing of the typed line: the common start of the old and new line is
// left alone; the rest is written from the first change, and what the old
// line had beyond the new end is erased. The place of every boundary is
// kept, so each key lays out only what changed and costs time in proportion
// to the change.

#include "console/line_drawing.h"

#include <algorithm>

std::size_t oneCell(std::string_view) {
  return 1;
}

namespace {
// What a key changed.
struct Change {
  std::size_t sameBytes = 0;  // the bytes both lines share at their start
  std::size_t sameIndex = 0;  // the boundary there, an index of the places
  std::size_t from = 0;       // its cell
  std::size_t end = 0;        // the new line's end
  std::size_t oldEnd = 0;     // the old line's end
  std::size_t point = 0;      // the cell of the new insertion point
  bool rewrite = false;       // the text from sameBytes on must be drawn anew
};
}  // namespace

// A console of one column shows a wide character in its one cell.
static std::size_t cellsOf(const LineDrawing& drawing, std::string_view character,
                           std::size_t width) {
  return std::min<std::size_t>(drawing.cellWidth(character), width > 1 ? 2 : 1);
}

static std::string_view characterAt(const LineEditor& editor, std::size_t at) {
  return std::string_view(editor.line).substr(at, nextCharacter(editor, at) - at);
}

// Whether the character at `at` is a mark that joins the one before it.
static bool joinsPrevious(const LineDrawing& drawing, const LineEditor& editor, std::size_t at) {
  return at < editor.line.size() && drawing.cellWidth(characterAt(editor, at)) == 0;
}

// A wide character that would straddle the margin starts the next row; a
// blank fills the cell it leaves, as the console's own wrap may not.
static std::size_t drawnAt(std::size_t cell, std::size_t cells, std::size_t width) {
  return cells == 2 && cell % width == width - 1 ? cell + 1 : cell;
}

// The places of `editor` from the boundary `index` on, which are laid out anew.
static void layOut(LineDrawing& drawing, const LineEditor& editor, std::size_t index,
                   std::size_t width) {
  drawing.places.resize(index + 1);
  std::size_t at = drawing.places[index].byte;
  std::size_t cell = drawing.places[index].cell;
  while (at < editor.line.size()) {
    const std::size_t cells = cellsOf(drawing, characterAt(editor, at), width);
    cell = drawnAt(cell, cells, width) + cells;
    at = nextCharacter(editor, at);
    drawing.places.push_back({at, cell});
  }
}

static std::size_t indexOf(const LineDrawing& drawing, std::size_t byte) {
  return static_cast<std::size_t>(
      std::lower_bound(drawing.places.begin(), drawing.places.end(), byte,
                       [](const LinePlace& place, std::size_t b) { return place.byte < b; }) -
      drawing.places.begin());
}

// Finds what changed and lays the new line out in `drawing`.
static Change changeOf(LineDrawing& drawing, const LineEditor& editor, std::size_t width) {
  const LineEditor& was = drawing.shown;
  if (drawing.places.empty() || drawing.laidWidth != width) {
    // A line laid out for another width is not where this one shows it: the
    // caller draws it afresh.
    drawing.places.assign(1, {0, drawing.startColumn});
    drawing.laidWidth = width;
    layOut(drawing, was, 0, width);
    drawing.cursorCell = drawing.places[indexOf(drawing, was.point)].cell;
  }
  Change change;
  change.oldEnd = drawing.places.back().cell;
  // The first byte that differs, taken back to a place where both lines
  // have a character boundary, so that no character is drawn in half, and
  // before any mark there, which is drawn with the character it joins.
  std::size_t same = static_cast<std::size_t>(
      std::mismatch(was.line.begin(), was.line.end(), editor.line.begin(), editor.line.end())
          .first -
      was.line.begin());
  for (;; --same) {
    while (same > 0 && !(isCharacterBoundary(was, same) && isCharacterBoundary(editor, same)))
      --same;
    if (same == 0 || !(joinsPrevious(drawing, was, same) || joinsPrevious(drawing, editor, same)))
      break;
  }
  change.sameBytes = same;
  change.sameIndex = indexOf(drawing, same);
  change.from = drawing.places[change.sameIndex].cell;
  change.rewrite = same < was.line.size() || same < editor.line.size();
  if (change.rewrite) layOut(drawing, editor, change.sameIndex, width);
  change.end = drawing.places.back().cell;
  change.point = drawing.places[indexOf(drawing, editor.point)].cell;
  return change;
}

static void show(LineDrawing& drawing, const LineEditor& editor, const Change& change) {
  drawing.shown = editor;
  drawing.cursorCell = change.point;
}

// Whether a blank goes before the character after the boundary `index`:
// only a wide character is moved on, which makes a step of three cells.
static bool padded(const LineDrawing& drawing, std::size_t index) {
  return drawing.places[index + 1].cell - drawing.places[index].cell == 3;
}

static std::string_view bytesAfter(const LineDrawing& drawing, const LineEditor& editor,
                                   std::size_t index) {
  const std::size_t at = drawing.places[index].byte;
  return std::string_view(editor.line).substr(at, drawing.places[index + 1].byte - at);
}

static std::string sequence(std::size_t count, char final) {
  return "\x1b[" + std::to_string(count) + final;
}

// From one place of the text to another; a place counts cells from the start
// of the row where the text begins.
static std::string moveCursor(std::size_t from, std::size_t to, std::size_t width) {
  std::string out;
  const std::size_t fromRow = from / width, toRow = to / width;
  if (toRow < fromRow) out += sequence(fromRow - toRow, 'A');
  if (toRow > fromRow) out += sequence(toRow - fromRow, 'B');
  const std::size_t fromColumn = from % width, toColumn = to % width;
  if (toColumn == fromColumn) return out;
  if (toColumn == 0) return out + '\r';
  if (toColumn > fromColumn) return out + sequence(toColumn - fromColumn, 'C');
  return out + sequence(fromColumn - toColumn, 'D');
}

std::string drawLine(LineDrawing& drawing, const LineEditor& editor, std::size_t width) {
  width = std::max<std::size_t>(width, 1);
  const Change change = changeOf(drawing, editor, width);
  std::size_t cursor = drawing.cursorCell;
  std::string out;
  if (change.rewrite) {
    out += moveCursor(cursor, change.from, width);
    for (std::size_t i = change.sameIndex; i + 1 < drawing.places.size(); ++i) {
      if (padded(drawing, i)) out += ' ';
      out += bytesAfter(drawing, editor, i);
    }
    // A terminal holds the cursor at the margin after a full row. A blank
    // moves it on to the next row, as the terminal's own wrap, so that the
    // row stays joined to the next in its scroll-back; CR takes it back.
    if (change.end > change.from && change.end % width == 0) out += " \r";
    if (change.end < change.oldEnd) out += "\x1b[J";
    cursor = change.end;
  }
  out += moveCursor(cursor, change.point, width);
  show(drawing, editor, change);
  return out;
}

// A cell of the buffer, counted from its top left; negative above it.
static long cellIndex(long row, std::size_t column, std::size_t width) {
  return row * static_cast<long>(width) + static_cast<long>(column);
}

static CellPlace placeOf(long cell, std::size_t width) {
  const auto w = static_cast<long>(width);
  return {cell / w, static_cast<std::size_t>(cell % w)};
}

ConsoleDrawing drawOnConsole(LineDrawing& drawing, const LineEditor& editor, std::size_t width,
                             std::size_t height) {
  width = std::max<std::size_t>(width, 1);
  height = std::max<std::size_t>(height, 1);
  const Change change = changeOf(drawing, editor, width);
  // The first cell of the start row; cells below 0 have scrolled out of the
  // buffer and cannot be written.
  long start = cellIndex(drawing.startRow, 0, width);
  ConsoleDrawing out;
  long writeFrom = 0;
  const auto put = [&](long cell, std::string_view bytes) {
    if (cell < 0) return;
    if (out.text.empty()) writeFrom = cell;
    out.text += bytes;
  };
  if (change.rewrite) {
    // The changed characters, then blanks where the old line went on.
    for (std::size_t i = change.sameIndex; i + 1 < drawing.places.size(); ++i) {
      long cell = start + static_cast<long>(drawing.places[i].cell);
      if (padded(drawing, i)) put(cell++, " ");
      // A mark whose character has scrolled out has nothing to join.
      if (drawing.places[i + 1].cell > drawing.places[i].cell || !out.text.empty())
        put(cell, bytesAfter(drawing, editor, i));
    }
    for (std::size_t cell = change.end; cell < change.oldEnd; ++cell)
      put(start + static_cast<long>(cell), " ");
  }
  if (!out.text.empty()) {
    out.writeAt = placeOf(writeFrom, width);
    // The cursor wraps at once, so a write that ends at the margin of the
    // last row scrolls too.
    const long last = start + static_cast<long>(std::max(change.end, change.oldEnd));
    const long lastRow = last / static_cast<long>(width);
    const long scrolled = std::max(0L, lastRow - static_cast<long>(height - 1));
    start -= scrolled * static_cast<long>(width);
    drawing.startRow -= scrolled;
  }
  const long point = start + static_cast<long>(change.point);
  out.cursor = point < 0 ? CellPlace{} : placeOf(point, width);
  show(drawing, editor, change);
  return out;
}

std::size_t columnAfter(std::size_t column, std::string_view bytes, bool utf8) {
  for (const char c : bytes) {
    if (c == '\r' || c == '\n')
      column = 0;
    else if (!utf8 || (static_cast<unsigned char>(c) & 0xC0) != 0x80)
      ++column;
  }
  return column;
}
