// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows console's key events: by the character they carry first, by
// the virtual key only for keys that carry none.

#include "console/console_keys.h"
#include "console/windows_console.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using A = KeyAction;

ConsoleKeyEvent down(std::uint16_t virtualKey, char16_t character, bool alt = false) {
  return {virtualKey, character, true, alt};
}

ConsoleKeyEvent up(std::uint16_t virtualKey, char16_t character) {
  return {virtualKey, character, false, false};
}

TEST(ConsoleKeysTest, EventsToKeys) {
  struct Case {
    const char* what;
    std::vector<ConsoleKeyEvent> events;  // the key is the last one's
    KeyAction action;
    std::u16string text;
  };
  const Case cases[] = {
      {"a letter", {down('A', u'a')}, A::Insert, u"a"},
      {"'.', whose virtual key is no Delete", {down(0xBE, u'.')}, A::Insert, u"."},
      {"a letter whose code is Delete's", {down(kVirtualKeyDelete, u'x')}, A::Insert, u"x"},
      {"Backspace", {down(0x08, 8)}, A::Backspace, u""},
      {"Ctrl+H", {down('H', 8)}, A::Backspace, u""},
      {"Ctrl+I", {down('I', 9)}, A::Tab, u""},
      {"Ctrl+[", {down(0xDB, 27)}, A::Escape, u""},
      {"Ctrl+J", {down('J', 10)}, A::Enter, u""},
      {"Ctrl+M", {down('M', 13)}, A::Enter, u""},
      {"Ctrl+Backspace types 127", {down(0x08, 127)}, A::Insert, u"\u007f"},
      {"Ctrl+Z", {down('Z', 26)}, A::Nothing, u""},
      {"Ctrl+C, if it comes", {down('C', 3)}, A::Nothing, u""},
      {"Left", {down(kVirtualKeyLeft, 0)}, A::Left, u""},
      {"Right", {down(kVirtualKeyRight, 0)}, A::Right, u""},
      {"Up", {down(kVirtualKeyUp, 0)}, A::Up, u""},
      {"Down", {down(kVirtualKeyDown, 0)}, A::Down, u""},
      {"Home", {down(kVirtualKeyHome, 0)}, A::Home, u""},
      {"End", {down(kVirtualKeyEnd, 0)}, A::End, u""},
      {"Delete", {down(kVirtualKeyDelete, 0)}, A::Delete, u""},
      // As Wine's console on a terminal gives them.
      {"Esc with no character", {down(kVirtualKeyEscape, 0)}, A::Escape, u""},
      {"Enter with no character", {down(kVirtualKeyEnter, 0)}, A::Enter, u""},
      {"Backspace with no character", {down(kVirtualKeyBackspace, 0)}, A::Backspace, u""},
      {"Tab with no character", {down(kVirtualKeyTab, 0)}, A::Tab, u""},
      {"Insert, F1 and Shift", {down(0x2D, 0), down(0x70, 0), down(0x10, 0)}, A::Nothing, u""},
      {"a key's release", {up('A', u'a')}, A::Nothing, u""},
      // Alt+0233: the keypad digits make no key, not even as Insert and Down
      // with Num Lock off; the character comes as Alt is let go.
      {"an Alt code's digits",
       {down(kVirtualKeyAlt, 0, true), down(0x60, 0, true), down(0x2D, 0, true),
        down(kVirtualKeyDown, 0, true)},
       A::Nothing,
       u""},
      {"an Alt code's character",
       {down(0x62, 0, true), up(kVirtualKeyAlt, u'\u00e9')},
       A::Insert,
       u"\u00e9"},
      {"Alt let go alone", {up(kVirtualKeyAlt, 0)}, A::Nothing, u""},
      {"an Alt chord", {down('F', u'f', true)}, A::Nothing, u""},
      {"a character outside the plane, in two halves",
       {down(0, 0xD83D), down(0, 0xDCFB)},
       A::Insert,
       u"\U0001F4FB"},
      {"its first half alone", {down(0, 0xD83D)}, A::Nothing, u""},
      {"a second half alone", {down(0, 0xDCFB)}, A::Nothing, u""},
      {"a key between the halves",
       {down(0, 0xD83D), down('A', u'a'), down(0, 0xDCFB)},
       A::Nothing,
       u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConsoleKeyState state;
    ConsoleKey key;
    for (const ConsoleKeyEvent& event : c.events) key = consoleKey(state, event);
    EXPECT_EQ(key.action, c.action);
    EXPECT_EQ(key.text, c.text);
  }
}

// Ctrl+C stays the system's for the whole run; the typed line turns the
// console's own line editing and echo off; every other bit stays.
TEST(ConsoleInputModeTest, RunAndTypingModes) {
  constexpr std::uint32_t kMouse = 0x0010, kQuickEdit = 0x0040, kExtended = 0x0080;
  struct Case {
    std::uint32_t mode, run, typing;
  };
  const Case cases[] = {
      {0, kProcessedInput, kProcessedInput},
      {kLineInput | kEchoInput, kProcessedInput | kLineInput | kEchoInput, kProcessedInput},
      {0x01F7, 0x01F7, 0x01F1},
      {kMouse | kQuickEdit | kExtended | kEchoInput,
       kMouse | kQuickEdit | kExtended | kEchoInput | kProcessedInput,
       kMouse | kQuickEdit | kExtended | kProcessedInput},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runInputMode(c.mode), c.run) << std::hex << c.mode;
    EXPECT_EQ(typingInputMode(c.mode), c.typing) << std::hex << c.mode;
  }
}

// A screen buffer's pieces never end between the halves of a character.
TEST(WindowsConsoleRulesTest, ScreenPiecesKeepPairsWhole) {
  const std::u16string pair = u"\U0001F600";
  struct Case {
    std::u16string text;
    std::size_t most, length;
  };
  const Case cases[] = {
      {u"ABCDE", 8, 5},      {u"ABCDE", 5, 5},      {u"ABCDE", 4, 4},
      {u"ABC" + pair, 4, 3}, {u"ABC" + pair, 5, 5}, {u"AB" + pair + u"C", 4, 4},
      {pair + u"ABC", 1, 2}, {u"", 8, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(screenPieceLength(c.text, c.most), c.length) << c.text.size() << " " << c.most;
}

// A character written at the top left takes the cells its cursor moved by:
// none for a joining mark, 2 for one that went on to the next row.
TEST(WindowsConsoleRulesTest, CellsOfTheCursorsMove) {
  struct Case {
    long row, column;
    std::size_t cells;
  };
  const Case cases[] = {{0, 0, 0}, {0, 1, 1}, {0, 2, 2}, {0, 3, 2}, {1, 0, 2}, {1, 1, 2}};
  for (const Case& c : cases)
    EXPECT_EQ(cellsOfCursorMove(c.row, c.column), c.cells) << c.row << "," << c.column;
}

// Code page 1252 as far as these tests need it: each byte its own letter.
std::u16string latin1(std::string_view bytes) {
  std::u16string text;
  for (const char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
  return text;
}

std::u16string unreadable(std::string_view) {
  return {};
}

// A redirected name in UTF-8 stays as it is; anything else is read in the
// ANSI code page, a surrogate's or an overlong sequence's bytes too.
TEST(WindowsConsoleRulesTest, RedirectedNameIsUtf8OrAnsi) {
  struct Case {
    std::string field;
    AnsiDecoder decoder;
    std::string name;
  };
  const Case cases[] = {
      {"RADIO.DAT", unreadable, "RADIO.DAT"},
      {"Jos\xC3\xA9.DAT", unreadable, "Jos\xC3\xA9.DAT"},
      {"Jos\xE9.DAT", latin1, "Jos\xC3\xA9.DAT"},
      {"\xC0\xAF", latin1, "\xC3\x80\xC2\xAF"},
      {"\xED\xA0\x80", latin1, "\xC3\xAD\xC2\xA0\xC2\x80"},
      {"Jos\xE9.DAT", unreadable, ""},
      {"", unreadable, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(nameFromBytes(c.field, c.decoder), c.name) << c.field;
}

}  // namespace
