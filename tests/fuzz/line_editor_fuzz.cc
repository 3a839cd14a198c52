// Fuzz target: key bytes, decoded as a terminal sends them, applied to the
// line editor and to a model of the key table that keeps the line as a list
// of whole characters. After every key the two agree on the line, the
// insertion point and the outcome, and the line holds no byte below 32. Each
// key's drawing is played on a model terminal, whose screen must then show
// the model's characters from the start column on, nothing after them, and
// the cursor at the insertion point.
//
// Input: a flags byte (bit 0: UTF-8 console, the rest: the start column), a
// width byte, then the keys.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "console/key_decoder.h"
#include "console/line_drawing.h"
#include "console/line_editor.h"
#include "memory_input.h"

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

struct Model {
  std::vector<std::string> characters;
  std::size_t cursor = 0;  // in characters
};

bool isContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A whole UTF-8 sequence of two to four bytes.
bool isWholeSequence(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (text.size() != length) return false;
  for (std::size_t i = 1; i < length; ++i)
    if (!isContinuationByte(text[i])) return false;
  return true;
}

// Typed bytes go in when none is a control byte.
bool modelAccepts(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

// The line cut into characters anew after an edit, which may have joined
// stray bytes into a sequence: on a UTF-8 console a whole sequence is one
// character and any other byte one of its own. A cursor left inside a
// sequence goes after it.
void recut(Model& model, bool utf8) {
  std::string line;
  std::size_t cursorByte = 0;
  for (std::size_t i = 0; i < model.characters.size(); ++i) {
    if (i == model.cursor) cursorByte = line.size();
    line += model.characters[i];
  }
  if (model.cursor >= model.characters.size()) cursorByte = line.size();
  model.characters.clear();
  bool placed = false;
  for (std::size_t at = 0; at < line.size();) {
    std::size_t length = 1;
    for (std::size_t n = 4; utf8 && n >= 2; --n)
      if (at + n <= line.size() && isWholeSequence(std::string_view(line).substr(at, n))) {
        length = n;
        break;
      }
    if (!placed && at >= cursorByte) {
      model.cursor = model.characters.size();
      placed = true;
    }
    model.characters.push_back(line.substr(at, length));
    at += length;
  }
  if (!placed) model.cursor = model.characters.size();
}

// The key table, one character at a time.
EditOutcome applyToModel(Model& model, const EditKey& key, std::size_t width, bool utf8) {
  auto& line = model.characters;
  const auto at = line.begin() + static_cast<std::ptrdiff_t>(model.cursor);
  switch (key.action) {
    case KeyAction::Insert:
      if (modelAccepts(key.text)) {
        line.insert(at, key.text);
        ++model.cursor;
      }
      break;
    case KeyAction::Tab: {
      const std::size_t blanks = 8 - model.cursor % 8;
      line.insert(at, blanks, " ");
      model.cursor += blanks;
      break;
    }
    case KeyAction::Backspace:
      if (model.cursor > 0) {
        line.erase(at - 1);
        --model.cursor;
      }
      break;
    case KeyAction::Delete:
      if (model.cursor == line.size()) return EditOutcome::Beep;
      line.erase(at);
      break;
    case KeyAction::Escape:
      line.clear();
      model.cursor = 0;
      break;
    case KeyAction::Home: model.cursor = 0; break;
    case KeyAction::End: model.cursor = line.size(); break;
    case KeyAction::Left:
      if (model.cursor > 0) --model.cursor;
      break;
    case KeyAction::Right:
      if (model.cursor < line.size()) ++model.cursor;
      break;
    case KeyAction::Up:
      if (width > 0 && model.cursor >= width) model.cursor -= width;
      break;
    case KeyAction::Down:
      if (width > 0 && model.cursor + width <= line.size()) model.cursor += width;
      break;
    case KeyAction::Enter: return EditOutcome::Finished;
    case KeyAction::Interrupt:
    case KeyAction::HangUp:
    case KeyAction::Nothing: break;
  }
  recut(model, utf8);
  return EditOutcome::Continue;
}

void requireAgreement(const LineEditor& editor, const Model& model) {
  std::string line;
  std::size_t pointBytes = 0;
  for (std::size_t i = 0; i < model.characters.size(); ++i) {
    if (i == model.cursor) pointBytes = line.size();
    line += model.characters[i];
  }
  if (model.cursor == model.characters.size()) pointBytes = line.size();
  require(editor.line == line);
  require(editor.point == pointBytes);
  for (const char c : editor.line) require(static_cast<unsigned char>(c) >= 0x20);
}

// A terminal with the deferred wrap at the right margin and as many rows as
// needed; it knows CR, LF, BEL and the cursor and erase sequences.
struct Screen {
  std::size_t width = 1;
  std::vector<std::vector<std::string>> rows;  // a cell holds one character's bytes
  std::size_t row = 0, column = 0;
  bool heldAtMargin = false;
};

std::string& cell(Screen& screen, std::size_t row, std::size_t column) {
  if (screen.rows.size() <= row) screen.rows.resize(row + 1);
  if (screen.rows[row].size() < screen.width) screen.rows[row].resize(screen.width);
  return screen.rows[row][column];
}

void eraseFromCursor(Screen& screen) {
  for (std::size_t r = screen.row; r < screen.rows.size(); ++r)
    for (std::size_t c = r == screen.row ? screen.column : 0; c < screen.rows[r].size(); ++c)
      screen.rows[r][c].clear();
}

void play(Screen& screen, std::string_view bytes, bool utf8) {
  for (std::size_t at = 0; at < bytes.size();) {
    const char c = bytes[at];
    if (c == '\x1b') {
      require(at + 2 < bytes.size() && bytes[at + 1] == '[');
      std::size_t count = 0, end = at + 2;
      for (; end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9'; ++end)
        count = count * 10 + static_cast<std::size_t>(bytes[end] - '0');
      require(end < bytes.size());
      const char final = bytes[end];
      at = end + 1;
      screen.heldAtMargin = false;
      if (final == 'A') {
        require(count <= screen.row);
        screen.row -= count;
      } else if (final == 'B') {
        screen.row += count;
      } else if (final == 'C') {
        screen.column = std::min(screen.column + count, screen.width - 1);
      } else if (final == 'D') {
        require(count <= screen.column);
        screen.column -= count;
      } else {
        require(final == 'J' && count == 0);
        eraseFromCursor(screen);
      }
      continue;
    }
    if (c == '\r' || c == '\n' || c == '\a') {
      if (c != '\a') screen.heldAtMargin = false;
      if (c == '\r') screen.column = 0;
      if (c == '\n') ++screen.row;
      ++at;
      continue;
    }
    std::size_t length = 1;
    for (std::size_t n = 4; utf8 && n >= 2; --n)
      if (at + n <= bytes.size() && isWholeSequence(bytes.substr(at, n))) {
        length = n;
        break;
      }
    if (screen.heldAtMargin) {
      ++screen.row;
      screen.column = 0;
      screen.heldAtMargin = false;
    }
    cell(screen, screen.row, screen.column) = std::string(bytes.substr(at, length));
    if (screen.column + 1 == screen.width)
      screen.heldAtMargin = true;
    else
      ++screen.column;
    at += length;
  }
}

void requireScreenShows(Screen& screen, const Model& model, std::size_t start) {
  const std::size_t end = start + model.characters.size();
  for (std::size_t i = 0; i < model.characters.size(); ++i) {
    const std::size_t at = start + i;
    require(cell(screen, at / screen.width, at % screen.width) == model.characters[i]);
  }
  for (std::size_t r = end / screen.width; r < screen.rows.size(); ++r)
    for (std::size_t c = r == end / screen.width ? end % screen.width : 0;
         c < screen.rows[r].size(); ++c)
      require(screen.rows[r][c].empty());
  const std::size_t point = start + model.cursor;
  require(!screen.heldAtMargin);
  require(screen.row == point / screen.width && screen.column == point % screen.width);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool utf8 = (data[0] & 1) != 0;
  const std::size_t width = data[1] % 128;  // 0 stands for a width that cannot be told
  MemoryKeys memory{std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2)};
  KeyBytes input = keyBytesFrom(memory);

  LineEditor editor;
  editor.utf8 = utf8;
  Model model;
  Screen screen;
  screen.width = width == 0 ? 80 : width;
  LineDrawing drawing;
  drawing.startColumn = (data[0] >> 1) % screen.width;
  drawing.shown.utf8 = utf8;
  screen.column = drawing.startColumn;
  while (memory.at < memory.bytes.size() || input.held != kNoKeyByte) {
    const std::size_t before = memory.at;
    const int heldBefore = input.held;
    const EditKey key = decodeKey(input, utf8);
    // Each key takes at least one byte, so decoding always comes to an end.
    require(memory.at > before || heldBefore != kNoKeyByte);
    require(key.action != KeyAction::Insert || !key.text.empty());
    const EditOutcome outcome = applyKey(editor, key, width);
    require(outcome == applyToModel(model, key, width, utf8));
    requireAgreement(editor, model);
    play(screen, drawLine(drawing, editor, screen.width), utf8);
    requireScreenShows(screen, model, drawing.startColumn);
  }
  return 0;
}
