// Drawing of the typed line: the common start of the old and new line is
// left alone; the rest is written from the first change, and what the old
// line had beyond the new end is erased. Characters are counted only over
// what changed, so each key costs time in proportion to the change.

#include "console/line_drawing.h"

#include <algorithm>

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

std::string drawLine(LineDrawing& drawing, const LineEditor& editor, std::size_t width) {
  const LineEditor& was = drawing.shown;
  const std::size_t start = drawing.startColumn;
  width = std::max<std::size_t>(width, 1);
  // The first byte that differs, taken back to a place where both lines
  // have a character boundary, so that no character is drawn in half.
  std::size_t same = static_cast<std::size_t>(
      std::mismatch(was.line.begin(), was.line.end(), editor.line.begin(), editor.line.end())
          .first -
      was.line.begin());
  while (same > 0 && !(isCharacterBoundary(was, same) && isCharacterBoundary(editor, same))) --same;
  const std::size_t sameCharacters =
      drawing.shownLength - characterCount(was, same, was.line.size());
  const std::size_t length = sameCharacters + characterCount(editor, same, editor.line.size());
  const std::size_t point = pointCharacters(drawing, editor, same, sameCharacters);

  std::size_t cursor = start + drawing.shownPoint;
  std::string out;
  if (same < was.line.size() || same < editor.line.size()) {
    const std::size_t from = start + sameCharacters;
    const std::size_t end = start + length;
    out += moveCursor(cursor, from, width);
    out.append(editor.line, same);
    // A terminal holds the cursor at the margin after a full row; move it on.
    if (end > from && end % width == 0) out += "\r\n";
    if (length < drawing.shownLength) out += "\x1b[J";
    cursor = end;
  }
  out += moveCursor(cursor, start + point, width);
  drawing.shown = editor;
  drawing.shownLength = length;
  drawing.shownPoint = point;
  return out;
}
