// The line editor's core: the line, the insertion point and what each key
// does to them. No terminal calls here, so tests drive it directly; key
// decoding lives in key_decoder.h (terminals) or the Windows console input
// file, drawing in the platform's console input file.
//
// The line holds bytes of the console's code page. Where that is UTF-8, a
// multi-byte character is one character: the insertion point never stands
// inside one. The line never holds a byte below 32.

#pragma once

#include <cstddef>
#include <string>

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
  Nothing,
};

struct EditKey {
  KeyAction action = KeyAction::Nothing;
  std::string text;  // for Insert: one character's bytes
};

struct LineEditor {
  std::string line;
  std::size_t point = 0;  // byte index of the insertion point
  bool utf8 = false;      // the line's characters are UTF-8 sequences
};

enum class EditOutcome { Continue, Beep, Finished };

// Applies one key. `width` is the console's width in columns, the step of
// Up and Down.
EditOutcome applyKey(LineEditor& editor, const EditKey& key, std::size_t width);

// The number of characters in the first `bytes` bytes of the line.
std::size_t characterCount(const LineEditor& editor, std::size_t bytes);

// Whether `text` is exactly one character that may go into the line.
bool isInsertableCharacter(std::string_view text, bool utf8);
