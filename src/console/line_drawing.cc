// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing of the typed line: the common start of the old and new line is
// left alone; the rest is written from the first change, and what the old
// line had beyond the new end is erased. Characters are counted only over
// what changed, so each key costs time in proportion to the change.

#include "console/line_drawing.h"

#include <algorithm>

namespace {
// What a key changed, in characters from the start of the text.
struct Change {
  std::size_t sameBytes = 0;       // the bytes both lines share at their start
  std::size_t sameCharacters = 0;  // the characters in them
  std::size_t length = 0;          // characters of the new line
  std::size_t point = 0;           // characters before its insertion point
  bool rewrite = false;            // the text from sameCharacters on must be drawn anew
};
}  // namespace

// The characters before the editor's point, counted from the nearest place
// already known: the old point, or `same`, where the lines part.
static std::size_t pointCharacters(const LineDrawing& drawing, const LineEditor& editor,
                                   std::size_t same, std::size_t sameCharacters) {
  const LineEditor& was = drawing.shown;
  if (editor.point >= same) return sameCharacters + characterCount(editor, same, editor.point);
  if (was.point > same) return characterCount(editor, editor.point);
  if (editor.point >= was.point)
    return drawing.shownPoint + characterCount(editor, was.point, editor.point);
  return drawing.shownPoint - characterCount(editor, editor.point, was.point);
}

static Change changeOf(const LineDrawing& drawing, const LineEditor& editor) {
  const LineEditor& was = drawing.shown;
  Change change;
  // The first byte that differs, taken back to a place where both lines
  // have a character boundary, so that no character is drawn in half.
  std::size_t same = static_cast<std::size_t>(
      std::mismatch(was.line.begin(), was.line.end(), editor.line.begin(), editor.line.end())
          .first -
      was.line.begin());
  while (same > 0 && !(isCharacterBoundary(was, same) && isCharacterBoundary(editor, same))) --same;
  change.sameBytes = same;
  change.sameCharacters = drawing.shownLength - characterCount(was, same, was.line.size());
  change.length = change.sameCharacters + characterCount(editor, same, editor.line.size());
  change.point = pointCharacters(drawing, editor, same, change.sameCharacters);
  change.rewrite = same < was.line.size() || same < editor.line.size();
  return change;
}

static void show(LineDrawing& drawing, const LineEditor& editor, const Change& change) {
  drawing.shown = editor;
  drawing.shownLength = change.length;
  drawing.shownPoint = change.point;
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
  const std::size_t start = drawing.startColumn;
  width = std::max<std::size_t>(width, 1);
  const Change change = changeOf(drawing, editor);
  std::size_t cursor = start + drawing.shownPoint;
  std::string out;
  if (change.rewrite) {
    const std::size_t from = start + change.sameCharacters;
    const std::size_t end = start + change.length;
    out += moveCursor(cursor, from, width);
    out.append(editor.line, change.sameBytes);
    // A terminal holds the cursor at the margin after a full row. A blank
    // moves it on to the next row, as the terminal's own wrap, so that the
    // row stays joined to the next in its scroll-back; CR takes it back.
    if (end > from && end % width == 0) out += " \r";
    if (change.length < drawing.shownLength) out += "\x1b[J";
    cursor = end;
  }
  out += moveCursor(cursor, start + change.point, width);
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
  const Change change = changeOf(drawing, editor);
  long start = cellIndex(drawing.startRow, drawing.startColumn, width);
  ConsoleDrawing out;
  if (change.rewrite) {
    // The changed characters, then blanks where the old line went on.
    long from = start + static_cast<long>(change.sameCharacters);
    std::size_t at = change.sameBytes;
    std::size_t blanks =
        drawing.shownLength > change.length ? drawing.shownLength - change.length : 0;
    // Cells that have scrolled out of the buffer cannot be written.
    for (; from < 0 && at < editor.line.size(); ++from) at = nextCharacter(editor, at);
    for (; from < 0 && blanks > 0; ++from) --blanks;
    const std::size_t cells = characterCount(editor, at, editor.line.size()) + blanks;
    if (from >= 0 && cells > 0) {
      out.writeAt = placeOf(from, width);
      out.text = editor.line.substr(at) + std::string(blanks, ' ');
      // The cursor wraps at once, so a write that ends at the margin of the
      // last row scrolls too.
      const long lastRow = (from + static_cast<long>(cells)) / static_cast<long>(width);
      const long scrolled = std::max(0L, lastRow - static_cast<long>(height - 1));
      start -= scrolled * static_cast<long>(width);
      drawing.startRow -= scrolled;
    }
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
