// SPDX-License-Identifier: GPL-3.0-or-later
// The editing core: what each key does to the line and the insertion point.

#include "console/line_editor.h"
#include "console/console_output.h"

#include <gtest/gtest.h>

#include <vector>

#include "edit_keys.h"

namespace {

// Types `keys` into an empty line of a `width`-column console.
LineEditor type(const std::vector<EditKey>& keys, bool utf8 = false, std::size_t width = 80) {
  LineEditor editor;
  editor.utf8 = utf8;
  for (const EditKey& key : keys) applyKey(editor, key, width);
  return editor;
}

TEST(LineEditorTest, KeyTable) {
  using A = KeyAction;
  struct Case {
    const char* what;
    std::vector<EditKey> keys;
    std::string line;
    std::size_t point;
  };
  const Case cases[] = {
      {"typing", text("AB.DAT"), "AB.DAT", 6},
      {"insert mid-line", text("AC") + std::vector{k(A::Left)} + text("B"), "ABC", 2},
      {"backspace", text("ABC") + std::vector{k(A::Backspace)}, "AB", 2},
      {"backspace at start", text("AB") + std::vector{k(A::Home), k(A::Backspace)}, "AB", 0},
      {"delete", text("ABC") + std::vector{k(A::Home), k(A::Delete)}, "BC", 0},
      {"delete at end", text("AB") + std::vector{k(A::Delete)}, "AB", 2},
      {"escape", text("ABC") + std::vector{k(A::Left), k(A::Escape)}, "", 0},
      {"escape then type", text("ABC") + std::vector{k(A::Escape)} + text("D"), "D", 1},
      {"home and end",
       text("ABC") + std::vector{k(A::Home)} + text("X") + std::vector{k(A::End)} + text("Y"),
       "XABCY", 5},
      {"left at start", text("A") + std::vector{k(A::Left), k(A::Left)}, "A", 0},
      {"right at end", text("A") + std::vector{k(A::Right)}, "A", 1},
      {"tab at 0", {k(A::Tab)}, std::string(8, ' '), 8},
      {"tab at 3", text("ABC") + std::vector{k(A::Tab)}, "ABC     ", 8},
      {"tab at 8", text("ABCDEFGH") + std::vector{k(A::Tab)}, "ABCDEFGH        ", 16},
      {"tab mid-line", text("AB") + std::vector{k(A::Left), k(A::Tab)}, "A       B", 8},
      {"control characters", {ch("\x01"), ch("\x1A"), ch("\x1C"), ch("\t"), ch("")}, "", 0},
      {"nothing", text("A") + std::vector{k(A::Nothing)}, "A", 1},
      {"interrupt is the caller's", text("AB") + std::vector{k(A::Left), k(A::Interrupt)}, "AB", 1},
      {"bytes 128-255", text("\xe9\xff"), "\xe9\xff", 2},
      {"enter puts the point at the end", text("AB") + std::vector{k(A::Left), k(A::Enter)}, "AB",
       2},
  };
  for (const Case& c : cases) {
    const LineEditor editor = type(c.keys);
    EXPECT_EQ(editor.line, c.line) << c.what;
    EXPECT_EQ(editor.point, c.point) << c.what;
  }
}

TEST(LineEditorTest, UpAndDownMoveByTheWidthWithinTheLine) {
  using A = KeyAction;
  struct Case {
    std::vector<EditKey> moves;
    std::size_t point;
  };
  // A 25-character line on a 10-column console, the point at its end.
  const Case cases[] = {
      {{k(A::Up)}, 15},
      {{k(A::Up), k(A::Up)}, 5},
      {{k(A::Up), k(A::Up), k(A::Up)}, 5},
      {{k(A::Down)}, 25},
      {{k(A::Home), k(A::Down), k(A::Down)}, 20},
      {{k(A::Home), k(A::Down), k(A::Down), k(A::Down)}, 20},
      {{k(A::Home), k(A::Up)}, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(type(text(std::string(25, 'a')) + c.moves, false, 10).point, c.point);
}

TEST(LineEditorTest, Utf8CharactersAreEditedWhole) {
  using A = KeyAction;
  const std::string e = "\xc3\xa9";         // é
  const std::string euro = "\xe2\x82\xac";  // €
  struct Case {
    const char* what;
    std::vector<EditKey> keys;
    std::string line;
    std::size_t point;
  };
  const Case cases[] = {
      {"insert", {ch(e), ch(euro)}, e + euro, 5},
      {"left over one", {ch("A"), ch(euro), k(A::Left)}, "A" + euro, 1},
      {"backspace removes all bytes", {ch("A"), ch(euro), k(A::Backspace)}, "A", 1},
      {"delete removes all bytes", {ch(e), ch("B"), k(A::Home), k(A::Delete)}, "B", 0},
      {"insert before", {ch(e), k(A::Left), ch("X")}, "X" + e, 1},
      {"tab counts characters", {ch(euro), ch(e), k(A::Tab)}, euro + e + "      ", 11},
      {"control bytes are refused", {ch("\x01"), ch("A\x1b")}, "", 0},
      {"up by characters", {ch(e), ch(e), ch(e), k(A::Up)}, e + e + e, 2},
  };
  for (const Case& c : cases) {
    const LineEditor editor = type(c.keys, true, 2);
    EXPECT_EQ(editor.line, c.line) << c.what;
    EXPECT_EQ(editor.point, c.point) << c.what;
  }
}

// Bytes that make no UTF-8 character are typed and kept as characters of
// one byte; where an edit joins them into a sequence, it is one character.
TEST(LineEditorTest, BytesOutsideUtf8AreCharactersOfOneByte) {
  using A = KeyAction;
  const std::string e = "\xc3\xa9";  // é
  struct Case {
    const char* what;
    std::vector<EditKey> keys;
    std::string line;
    std::size_t point;
    std::size_t characters;
  };
  const Case cases[] = {
      {"Latin-1 a-umlaut",
       {ch("R"), ch("\xe4"), ch("d")},
       "R\xe4"
       "d",
       3,
       3},
      {"a broken sequence", {ch("\xe2\x82"), ch("z")}, "\xe2\x82z", 3, 3},
      {"left over a stray byte", {ch("\xff"), ch("\xa9"), k(A::Left), ch("X")}, "\xffX\xa9", 2, 3},
      {"backspace takes one byte", {ch("\xe2\x82"), k(A::Backspace)}, "\xe2", 1, 1},
      {"typed after its lead, a continuation joins it",
       {ch("\xc3"), ch("\xa9"), k(A::Left)},
       e,
       0,
       1},
      {"typed before a continuation, a lead joins it and the point goes after",
       {ch("\xa9"), k(A::Home), ch("\xc3")},
       e,
       2,
       1},
      {"a deletion that joins them leaves the point after",
       {ch("\xc3"), ch("X"), ch("\xa9"), k(A::Left), k(A::Backspace)},
       e,
       2,
       1},
      {"delete of a whole sequence", {ch(e), ch("\xa9"), k(A::Home), k(A::Delete)}, "\xa9", 0, 1},
  };
  for (const Case& c : cases) {
    const LineEditor editor = type(c.keys, true);
    EXPECT_EQ(editor.line, c.line) << c.what;
    EXPECT_EQ(editor.point, c.point) << c.what;
    EXPECT_EQ(characterCount(editor, editor.line.size()), c.characters) << c.what;
  }
}

// A line that a terminal in its own line mode gave: bytes below 32 never stay.
TEST(LineEditorTest, LineEditedByTheTerminalGoesThroughTheKeyTable) {
  struct Case {
    std::string bytes;
    bool utf8;
    std::string line;
  };
  const Case cases[] = {
      {"RADIO.DAT", false, "RADIO.DAT"},
      {"AB\t.DAT", false, "AB      .DAT"},
      {"\t", false, std::string(8, ' ')},
      {"R\x1b"
       "A\x01\x07\rDIO.DAT",
       false, "RADIO.DAT"},
      {"\xc3\xa9\t", true, "\xc3\xa9       "},
      {"\xc3\xa9\t", false, "\xc3\xa9      "},
      {"\x7f\xff", false, "\x7f\xff"},
      // Cursor keys and other sequences go whole, parameters and all.
      {"RADIO.D\x1b[DAT", false, "RADIO.DAT"},
      {"A\x1bOHB\x1b[3~C\x1b[1;5DD", false, "ABCD"},
      {"AB\x1b[", false, "AB"},
      {"AB\x1bO", false, "AB"},
  };
  for (const Case& c : cases) {
    LineEditor editor;
    editor.utf8 = c.utf8;
    takeEditedLine(editor, c.bytes);
    EXPECT_EQ(editor.line, c.line) << '"' << c.bytes << '"';
  }
}

TEST(LineEditorTest, Utf8WhereTheLocaleSaysSoOrNamesNoCharacterSet) {
  struct Case {
    const char* locale;
    const char* codeset;
    bool utf8;
  };
  const Case cases[] = {
      {"C.UTF-8", "UTF-8", true},
      {"en_US.UTF-8", "UTF-8", true},
      {"C", "ANSI_X3.4-1968", true},
      {"POSIX", "ANSI_X3.4-1968", true},
      {"en_US.ISO-8859-1", "ISO-8859-1", false},
      {"de_DE@euro", "ISO-8859-15", false},
  };
  for (const Case& c : cases) EXPECT_EQ(charactersAreUtf8(c.locale, c.codeset), c.utf8) << c.locale;
}

TEST(LineEditorTest, Outcomes) {
  LineEditor editor;
  EXPECT_EQ(applyKey(editor, k(KeyAction::Delete), 80), EditOutcome::Beep);
  EXPECT_EQ(applyKey(editor, ch("A"), 80), EditOutcome::Continue);
  EXPECT_EQ(applyKey(editor, k(KeyAction::Home), 80), EditOutcome::Continue);
  EXPECT_EQ(applyKey(editor, k(KeyAction::Delete), 80), EditOutcome::Continue);
  EXPECT_EQ(applyKey(editor, k(KeyAction::Enter), 80), EditOutcome::Finished);
}

}  // namespace
