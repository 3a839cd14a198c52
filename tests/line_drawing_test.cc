// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing of the typed line: the exact bytes each key writes, on a 10-column
// terminal where the text begins at column 2.

#include "console/line_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "edit_keys.h"
#include "terminal_screen.h"

namespace {

const std::string kWide = "\xe6\x97\xa5";  // takes two cells
const std::string kAcute = "\xcc\x81";     // joins the letter before it

// The bytes the last key writes, each key drawn as it comes.
std::string lastDrawing(const std::vector<EditKey>& keys, bool utf8 = false) {
  constexpr std::size_t kWidth = 10;
  LineEditor editor;
  editor.utf8 = utf8;
  LineDrawing drawing;
  drawing.startColumn = 2;
  drawing.shown.utf8 = utf8;
  drawing.cellWidth = modelCellWidth;
  std::string out;
  for (const EditKey& key : keys) {
    applyKey(editor, key, kWidth);
    out = drawLine(drawing, editor, kWidth);
  }
  return out;
}

TEST(LineDrawingTest, EachKeyWritesOnlyWhatChanged) {
  using A = KeyAction;
  struct Case {
    const char* what;
    std::vector<EditKey> keys;
    bool utf8;
    std::string bytes;
  };
  const Case cases[] = {
      {"typing at the end writes the character alone", text("AB"), false, "B"},
      {"a character that fills the row moves the cursor on", text("ABCDEFGH"), false, "H \r"},
      {"Left", text("AB") + std::vector{k(A::Left)}, false, "\x1b[1D"},
      {"End", text("ABC") + std::vector{k(A::Home), k(A::End)}, false, "\x1b[3C"},
      {"Home from the next row", text("ABCDEFGHIJKL") + std::vector{k(A::Home)}, false,
       "\x1b[1A\x1b[2D"},
      {"Down to the row start", text("ABCDEFGHIJKL") + std::vector{k(A::Home), k(A::Down)}, false,
       "\x1b[1B"},
      {"Up by the width", text("ABCDEFGHIJKL") + std::vector{k(A::Up)}, false, "\x1b[1A"},
      {"Right to a new row", text("ABCDEFGHI") + std::vector{k(A::Left), k(A::Left), k(A::Right)},
       false, "\x1b[1B\r"},
      {"insertion redraws the rest", text("AC") + std::vector{k(A::Left)} + text("B"), false,
       "BC\x1b[1D"},
      {"insertion pushing the text over a row",
       text("ABCDEFGH") + std::vector{k(A::Home)} + text("X"), false, "XABCDEFGH\x1b[1A\x1b[2C"},
      {"insertion ending the text at the margin",
       text("ABCDEFG") + std::vector{k(A::Home)} + text("X"), false, "XABCDEFG \r\x1b[1A\x1b[3C"},
      {"Backspace at the end", text("AB") + std::vector{k(A::Backspace)}, false, "\x1b[1D\x1b[J"},
      {"Backspace mid-line", text("ABC") + std::vector{k(A::Left), k(A::Backspace)}, false,
       "\x1b[1DC\x1b[J\x1b[1D"},
      {"Backspace at a row start", text("ABCDEFGH") + std::vector{k(A::Backspace)}, false,
       "\x1b[1A\x1b[9C\x1b[J"},
      {"Esc", text("ABC") + std::vector{k(A::Escape)}, false, "\x1b[3D\x1b[J"},
      {"nothing changed", text("AB") + std::vector{k(A::Delete)}, false, ""},
      {"a UTF-8 character, written whole",
       {ch("\xc3\xa9"), ch("\xe2\x82\xac")},
       true,
       "\xe2\x82\xac"},
      {"a stray lead that its continuation joins",
       {ch("\xc3"), ch("\xa9")},
       true,
       "\x1b[1D\xc3\xa9"},
      {"a wide character goes past the margin after a blank",
       text("ABCDEFG") + std::vector{ch(kWide)}, true, " " + kWide},
      {"Left over a wide character", {ch(kWide), k(A::Left)}, true, "\x1b[2D"},
      {"a mark is drawn with its letter", {ch("e"), ch(kAcute)}, true, "\x1b[1De" + kAcute},
      {"a mark's deletion redraws its letter",
       {ch("e"), ch(kAcute), k(A::Backspace)},
       true,
       "\x1b[1De"},
  };
  for (const Case& c : cases) EXPECT_EQ(lastDrawing(c.keys, c.utf8), c.bytes) << c.what;
}

}  // namespace

// The same on a Windows console: a buffer of 10 columns and 3 rows, the text
// beginning at column 2 of row 1. The cursor wraps at once, and writing past
// the last row scrolls the buffer up.
TEST(LineDrawingTest, WindowsConsoleWritesAtPlacesAndFollowsTheScroll) {
  using A = KeyAction;
  const std::string e = "\xc3\xa9";  // é
  struct Case {
    const char* what;
    std::vector<EditKey> keys;
    bool utf8;
    CellPlace writeAt;
    std::string text;
    CellPlace cursor;
    long startRow;
  };
  const std::string row18 = "ABCDEFGHIJKLMNOPQR";  // to the buffer's last cell
  const Case cases[] = {
      {"typing at the end", text("AB"), false, {1, 3}, "B", {1, 4}, 1},
      {"filling the row wraps at once", text("ABCDEFGH"), false, {1, 9}, "H", {2, 0}, 1},
      {"Left moves the cursor alone",
       text("AB") + std::vector{k(A::Left)},
       false,
       {},
       "",
       {1, 3},
       1},
      {"insertion redraws the rest",
       text("AC") + std::vector{k(A::Left)} + text("B"),
       false,
       {1, 3},
       "BC",
       {1, 4},
       1},
      {"Backspace blanks the old end",
       text("ABC") + std::vector{k(A::Left), k(A::Backspace)},
       false,
       {1, 3},
       "C ",
       {1, 3},
       1},
      {"Esc blanks it all",
       text("ABC") + std::vector{k(A::Escape)},
       false,
       {1, 2},
       "   ",
       {1, 2},
       1},
      {"a UTF-8 character takes one cell", {ch(e), ch("x")}, true, {1, 3}, "x", {1, 4}, 1},
      {"a wide character at the margin goes on after a blank",
       text("ABCDEFG") + std::vector{ch(kWide)},
       true,
       {1, 9},
       " " + kWide,
       {2, 2},
       1},
      {"ending on the last cell scrolls one row", text(row18), false, {2, 9}, "R", {2, 0}, 0},
      {"the next row scrolls again", text(row18 + "STUVWXYZ12"), false, {2, 9}, "2", {2, 0}, -1},
      {"Home off the buffer: the cursor at the top left",
       text(row18 + "STUVWXYZ12") + std::vector{k(A::Home)},
       false,
       {},
       "",
       {0, 0},
       -1},
      {"inserting off the buffer redraws what is on it",
       text(row18 + "STUVWXYZ12") + std::vector{k(A::Home)} + text("0"),
       false,
       {0, 0},
       "HIJKLMNOPQRSTUVWXYZ12",
       {0, 0},
       -1},
      {"deleting off the buffer",
       text(row18 + "STUVWXYZ12") + std::vector{k(A::Home), k(A::Delete)},
       false,
       {0, 0},
       "JKLMNOPQRSTUVWXYZ12 ",
       {0, 0},
       -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LineEditor editor;
    editor.utf8 = c.utf8;
    LineDrawing drawing;
    drawing.startColumn = 2;
    drawing.startRow = 1;
    drawing.shown.utf8 = c.utf8;
    drawing.cellWidth = modelCellWidth;
    ConsoleDrawing last;
    for (const EditKey& key : c.keys) {
      applyKey(editor, key, 10);
      last = drawOnConsole(drawing, editor, 10, 3);
    }
    EXPECT_EQ(last.text, c.text);
    if (!c.text.empty()) {
      EXPECT_EQ(last.writeAt.row, c.writeAt.row);
      EXPECT_EQ(last.writeAt.column, c.writeAt.column);
    }
    EXPECT_EQ(last.cursor.row, c.cursor.row);
    EXPECT_EQ(last.cursor.column, c.cursor.column);
    EXPECT_EQ(drawing.startRow, c.startRow);
  }
}

// The column after a text, as a terminal with a deferred wrap keeps it.
TEST(LineDrawingTest, ColumnAfterText) {
  struct Case {
    std::size_t column;
    const char* bytes;
    bool utf8;
    std::size_t after;
  };
  const Case cases[] = {
      {0, "? ", false, 2},
      {5, "ab", false, 7},
      {7, "ab\r\n", false, 0},
      {3, "ab\rc", false, 1},
      {0, "\xc3\xa9t\xc3\xa9", true, 3},
      {0, "\xc3\xa9", false, 2},
      {0, "\xa9\xa9", true, 0},
      {0, "", false, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(columnAfter(c.column, c.bytes, c.utf8), c.after) << c.bytes;
}
