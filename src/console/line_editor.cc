// The editing core of the typed line.

#include "console/line_editor.h"

static bool isContinuation(const LineEditor& editor, std::size_t at) {
  return editor.utf8 && at < editor.line.size() &&
         (static_cast<unsigned char>(editor.line[at]) & 0xC0) == 0x80;
}

static std::size_t previousBoundary(const LineEditor& editor, std::size_t at) {
  if (at == 0) return 0;
  do --at;
  while (at > 0 && isContinuation(editor, at));
  return at;
}

static std::size_t nextBoundary(const LineEditor& editor, std::size_t at) {
  if (at >= editor.line.size()) return editor.line.size();
  do ++at;
  while (isContinuation(editor, at));
  return at;
}

// The byte index `steps` characters away from `at`, or `at` itself when
// that would leave the line.
static std::size_t stepCharacters(const LineEditor& editor, std::size_t at, std::size_t steps,
                                  bool forward) {
  std::size_t to = at;
  for (std::size_t i = 0; i < steps; ++i) {
    const std::size_t next = forward ? nextBoundary(editor, to) : previousBoundary(editor, to);
    if (next == to) return at;
    to = next;
  }
  return to;
}

std::size_t characterCount(const LineEditor& editor, std::size_t bytes) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < bytes && at < editor.line.size(); at = nextBoundary(editor, at))
    ++count;
  return count;
}

static std::size_t sequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool isInsertableCharacter(std::string_view text, bool utf8) {
  if (text.empty()) return false;
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 32) return false;
  if (!utf8 || lead < 0x80) return text.size() == 1;
  if (text.size() != sequenceLength(lead)) return false;
  for (std::size_t i = 1; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return false;
  return true;
}

static void insert(LineEditor& editor, std::string_view text) {
  editor.line.insert(editor.point, text);
  editor.point += text.size();
}

EditOutcome applyKey(LineEditor& editor, const EditKey& key, std::size_t width) {
  switch (key.action) {
    case KeyAction::Insert:
      if (isInsertableCharacter(key.text, editor.utf8)) insert(editor, key.text);
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
      editor.line.erase(editor.point, nextBoundary(editor, editor.point) - editor.point);
      break;
    case KeyAction::Escape:
      editor.line.clear();
      editor.point = 0;
      break;
    case KeyAction::Home: editor.point = 0; break;
    case KeyAction::End: editor.point = editor.line.size(); break;
    case KeyAction::Left: editor.point = previousBoundary(editor, editor.point); break;
    case KeyAction::Right: editor.point = nextBoundary(editor, editor.point); break;
    case KeyAction::Up:
    case KeyAction::Down:
      if (width > 0)
        editor.point = stepCharacters(editor, editor.point, width, key.action == KeyAction::Down);
      break;
    case KeyAction::Enter: return EditOutcome::Finished;
    case KeyAction::Interrupt:
    case KeyAction::Nothing: break;
  }
  return EditOutcome::Continue;
}
