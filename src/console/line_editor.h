// SPDX-License-Identifier: GPL-3.0-or-later
// The line editor's core: the line, the insertion point and what each key
// does to them. No terminal calls here, so tests drive it directly; keys come
// from key_decoder.h (terminals) or console_keys.h (the Windows console), and
// line_drawing.h draws the line.
//
// The line holds UTF-8 on Windows, whatever the console's code page, and
// the locale's bytes on POSIX. Where they are UTF-8, a whole multi-byte
// sequence is one character and any other byte is a character of its own:
// the insertion point never stands inside a sequence.
// The line never holds a byte below 32.

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class KeyAction {
  Insert,  // the key's character, in `text`
  Tab,
  Backspace,
  Delete,
  Escape,
  Home,
  End,
  Left,
  Right,
  Up,
  Down,
  Enter,
  Interrupt,  // Ctrl+C: the caller ends the run; the line is left as it is
  HangUp,     // the terminal has gone: the caller ends the run, as for Interrupt
  Nothing,
};

struct EditKey {
  KeyAction action = KeyAction::Nothing;
  // For Insert: one character's bytes; on a UTF-8 console also bytes that
  // form no whole character, each then a character of one byte.
  std::string text;
};

struct LineEditor {
  std::string line;
  std::size_t point = 0;  // byte index of the insertion point
  bool utf8 = false;      // the line's characters are UTF-8 sequences
};

enum class EditOutcome { Continue, Beep, Finished };

// Applies one key. `width` is the console's width in columns, the step of
// Up and Down. Enter finishes the line with the point after its last
// character, where the cursor goes.
EditOutcome applyKey(LineEditor& editor, const EditKey& key, std::size_t width);

// A line that the terminal has already edited in its own line mode, taken
// through the key table: characters inserted, Tab expanded, every other byte
// below 32 dropped, and an escape sequence (a cursor key) dropped whole.
void takeEditedLine(LineEditor& editor, std::string_view bytes);

// The number of characters in the first `bytes` bytes of the line.
std::size_t characterCount(const LineEditor& editor, std::size_t bytes);

// The number of characters from byte index `from` (a boundary) to `to`.
std::size_t characterCount(const LineEditor& editor, std::size_t from, std::size_t to);

// Whether the byte index `at` stands between two characters (or at an end).
bool isCharacterBoundary(const LineEditor& editor, std::size_t at);

// The byte index of the character after the one at `at` (a boundary); the
// line's end at its end.
std::size_t nextCharacter(const LineEditor& editor, std::size_t at);
