// The line editor's core: the line, the insertion point and what each key
// does to them. No terminal calls here, so tests drive it directly; key
// decoding lives in key_decoder.h (terminals) or the Windows console input
// file, drawing in the platform's console input file.
//
// The line holds bytes of the console's code page. Where that is UTF-8, a
// whole multi-byte sequence is one character and any other byte is a
// character of its own: the insertion point never stands inside a sequence.
// The line never holds a byte below 32.

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
// Up and Down.
EditOutcome applyKey(LineEditor& editor, const EditKey& key, std::size_t width);

// The number of characters in the first `bytes` bytes of the line.
std::size_t characterCount(const LineEditor& editor, std::size_t bytes);

// The number of characters from byte index `from` (a boundary) to `to`.
std::size_t characterCount(const LineEditor& editor, std::size_t from, std::size_t to);

// Whether the byte index `at` stands between two characters (or at an end).
bool isCharacterBoundary(const LineEditor& editor, std::size_t at);

// The length a UTF-8 sequence led by `lead` has; 0 for a byte that leads none.
std::size_t sequenceLength(unsigned char lead);
