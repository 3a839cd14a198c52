// SPDX-License-Identifier: GPL-3.0-or-later
// The editing core of the typed line.

#include "console/line_editor.h"

#include "unicode/unicode.h"

#include <algorithm>
#include <string_view>

// The length of the character at `at`: a whole UTF-8 sequence, or one byte.
// A byte that starts no whole sequence stays a character of its own, as it
// would on the command line.
static std::size_t characterLength(const LineEditor& editor, std::size_t at) {
  if (!editor.utf8) return 1;
  return std::max<std::size_t>(wholeSequenceAt(editor.line, at), 1);
}

// A continuation byte never leads a sequence, so a sequence that covers `at`
// starts at most 3 bytes before it.
static std::size_t startOfCharacterAt(const LineEditor& editor, std::size_t at) {
  for (std::size_t back = 1; back <= 3 && back <= at; ++back)
    if (characterLength(editor, at - back) > back) return at - back;
  return at;
}

bool isCharacterBoundary(const LineEditor& editor, std::size_t at) {
  return at >= editor.line.size() || startOfCharacterAt(editor, at) == at;
}

static std::size_t previousBoundary(const LineEditor& editor, std::size_t at) {
  return at == 0 ? 0 : startOfCharacterAt(editor, at - 1);
}

std::size_t nextCharacter(const LineEditor& editor, std::size_t at) {
  if (at >= editor.line.size()) return editor.line.size();
  return at + characterLength(editor, at);
}

// The byte index `steps` characters away from `at`, or `at` itself when
// that would leave the line.
static std::size_t stepCharacters(const LineEditor& editor, std::size_t at, std::size_t steps,
                                  bool forward) {
  std::size_t to = at;
  for (std::size_t i = 0; i < steps; ++i) {
    const std::size_t next = forward ? nextCharacter(editor, to) : previousBoundary(editor, to);
    if (next == to) return at;
    to = next;
  }
  return to;
}

std::size_t characterCount(const LineEditor& editor, std::size_t from, std::size_t to) {
  std::size_t count = 0;
  for (std::size_t at = from; at < to && at < editor.line.size(); at = nextCharacter(editor, at))
    ++count;
  return count;
}

std::size_t characterCount(const LineEditor& editor, std::size_t bytes) {
  return characterCount(editor, 0, bytes);
}

// Inserted or removed bytes may join stray bytes on either side into one
// sequence; the point then goes after it, where the typed character ends.
static void keepPointOnBoundary(LineEditor& editor) {
  const std::size_t start = startOfCharacterAt(editor, editor.point);
  if (start != editor.point) editor.point = nextCharacter(editor, start);
}

static bool isInsertable(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 32) return false;
  return true;
}

static void insert(LineEditor& editor, std::string_view text) {
  editor.line.insert(editor.point, text);
  editor.point += text.size();
}

EditOutcome applyKey(LineEditor& editor, const EditKey& key, std::size_t width) {
  switch (key.action) {
    case KeyAction::Insert:
      if (isInsertable(key.text)) insert(editor, key.text);
      break;
    case KeyAction::Tab:
      // To the next multiple of 8 of the insertion index, not of the column.
      insert(editor, std::string(8 - characterCount(editor, editor.point) % 8, ' '));
      break;
    case KeyAction::Backspace: {
      const std::size_t from = previousBoundary(editor, editor.point);
      editor.line.erase(from, editor.point - from);
      editor.point = from;
      break;
    }
    case KeyAction::Delete:
      if (editor.point == editor.line.size()) return EditOutcome::Beep;
      editor.line.erase(editor.point, nextCharacter(editor, editor.point) - editor.point);
      break;
    case KeyAction::Escape:
      editor.line.clear();
      editor.point = 0;
      break;
    case KeyAction::Home: editor.point = 0; break;
    case KeyAction::End: editor.point = editor.line.size(); break;
    case KeyAction::Left: editor.point = previousBoundary(editor, editor.point); break;
    case KeyAction::Right: editor.point = nextCharacter(editor, editor.point); break;
    case KeyAction::Up:
    case KeyAction::Down:
      if (width > 0)
        editor.point = stepCharacters(editor, editor.point, width, key.action == KeyAction::Down);
      break;
    case KeyAction::Enter: editor.point = editor.line.size(); return EditOutcome::Finished;
    case KeyAction::Interrupt:
    case KeyAction::HangUp:
    case KeyAction::Nothing: break;
  }
  keepPointOnBoundary(editor);
  return EditOutcome::Continue;
}

// The length of the escape sequence at `at` (an ESC): ESC [, parameters and
// intermediates, and a final byte; ESC O and one byte. A lone ESC, or one
// before any other byte, is 1, as the key table drops that byte alone.
static std::size_t escapeLength(std::string_view bytes, std::size_t at) {
  if (at + 1 >= bytes.size()) return 1;
  if (bytes[at + 1] == 'O') return std::min<std::size_t>(3, bytes.size() - at);
  if (bytes[at + 1] != '[') return 1;
  std::size_t end = at + 2;
  while (end < bytes.size() && bytes[end] >= 0x20 && bytes[end] <= 0x3F) ++end;
  return std::min(end + 1, bytes.size()) - at;
}

void takeEditedLine(LineEditor& editor, std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const char c = bytes[at];
    // A cursor key in line mode arrives as its whole sequence; only the ESC
    // would be dropped as a control byte, so the rest goes with it.
    if (c == '\x1b') {
      at += escapeLength(bytes, at) - 1;
      continue;
    }
    if (c == '\t')
      applyKey(editor, EditKey{KeyAction::Tab, {}}, 0);
    else if (static_cast<unsigned char>(c) >= 32)
      applyKey(editor, EditKey{KeyAction::Insert, std::string(1, c)}, 0);
  }
}
