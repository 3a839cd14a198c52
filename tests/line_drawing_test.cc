// Drawing of the typed line: the exact bytes each key writes, on a 10-column
// terminal where the text begins at column 2.

#include "console/line_drawing.h"

#include <gtest/gtest.h>

#include <vector>

#include "edit_keys.h"

namespace {

// The bytes the last key writes, each key drawn as it comes.
std::string lastDrawing(const std::vector<EditKey>& keys, bool utf8 = false) {
  constexpr std::size_t kWidth = 10;
  LineEditor editor;
  editor.utf8 = utf8;
  LineDrawing drawing;
  drawing.startColumn = 2;
  drawing.shown.utf8 = utf8;
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
      {"a character that fills the row moves the cursor on", text("ABCDEFGH"), false, "H\r\n"},
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
       text("ABCDEFG") + std::vector{k(A::Home)} + text("X"), false, "XABCDEFG\r\n\x1b[1A\x1b[3C"},
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
  };
  for (const Case& c : cases) EXPECT_EQ(lastDrawing(c.keys, c.utf8), c.bytes) << c.what;
}

}  // namespace
