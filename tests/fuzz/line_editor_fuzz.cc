// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: key bytes, decoded as a terminal sends them, applied to the
// line editor and to a model of the key table that keeps the line as a list
// of whole characters. After every key the two agree on the line, the
// insertion point and the outcome, and the line holds no byte below 32. Each
// key's drawing is played on a model terminal, whose screen must then show
// the model's characters from the start column on, in the cells that
// modelCellWidth gives them (wide characters in two, marks joined to the
// character before), nothing after them, and the cursor at the insertion
// point; and its Windows drawing on a model console buffer, which scrolls,
// and must show what of the line is still on it, the same way.
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
#include "terminal_screen.h"

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

struct Model {
  std::vector<std::string> characters;
  std::size_t cursor = 0;  // in characters
};

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
      if (at + n <= line.size() && isWholeUtf8Sequence(std::string_view(line).substr(at, n))) {
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
    case KeyAction::Enter: model.cursor = line.size(); return EditOutcome::Finished;
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

// What the model's line shows, cell by cell from the first cell of the row
// where it begins, by modelCellWidth: a wide character in two cells (the
// second kRightHalf), and at the margin after a blank; a mark joined to the
// character before it. Cells before `start` are left unset (empty).
struct Layout {
  std::vector<std::string> cells;
  std::vector<std::size_t> boundaries;  // the cell of each boundary, the line's end last
};

Layout layOut(const Model& model, std::size_t start, std::size_t width) {
  Layout layout;
  layout.cells.resize(start);
  std::size_t cell = start;
  std::size_t last = 0;
  bool based = false;  // a character has taken a cell, for a mark to join
  for (const std::string& character : model.characters) {
    layout.boundaries.push_back(cell);
    const std::size_t cells = std::min<std::size_t>(modelCellWidth(character), width > 1 ? 2 : 1);
    if (cells == 0) {
      if (based) layout.cells[last] += character;
      continue;
    }
    if (cells == 2 && cell % width == width - 1) {
      layout.cells.emplace_back(" ");
      ++cell;
    }
    last = cell;
    based = true;
    layout.cells.push_back(character);
    if (cells == 2) layout.cells.push_back(kRightHalf);
    cell += cells;
  }
  layout.boundaries.push_back(cell);
  return layout;
}

void requireScreenShows(TerminalScreen& screen, const Model& model, std::size_t start) {
  require(screen.understood);
  const Layout layout = layOut(model, start, screen.width);
  const std::size_t end = layout.cells.size();
  for (std::size_t at = start; at < end; ++at)
    require(screenCell(screen, at / screen.width, at % screen.width) == layout.cells[at]);
  for (std::size_t r = end / screen.width; r < screen.rows.size(); ++r)
    for (std::size_t c = r == end / screen.width ? end % screen.width : 0;
         c < screen.rows[r].size(); ++c)
      require(screen.rows[r][c].empty() || screen.rows[r][c] == " ");
  const std::size_t point = layout.boundaries[model.cursor];
  require(!screen.heldAtMargin);
  require(screen.row == point / screen.width && screen.column == point % screen.width);
}

// A Windows console's screen buffer of `width` by `height` cells: a write
// wraps at once and scrolls the buffer up when it passes the last row.
struct ConsoleBuffer {
  std::size_t width = 1, height = 1;
  std::vector<std::vector<std::string>> rows;
  long top = 0;  // how many rows have scrolled out
};

// The console wraps at once: a mark joins the cell before the cursor, which
// may end the row above; a wide character goes on whole where one cell is left.
void write(ConsoleBuffer& buffer, const ConsoleDrawing& drawing, bool utf8) {
  std::size_t row = static_cast<std::size_t>(drawing.writeAt.row), column = drawing.writeAt.column;
  require(drawing.text.empty() || (row < buffer.height && column < buffer.width));
  const std::string_view text = drawing.text;
  const auto nextRow = [&] {
    column = 0;
    if (++row < buffer.height) return;
    buffer.rows.erase(buffer.rows.begin());
    buffer.rows.emplace_back(buffer.width);
    ++buffer.top;
    row = buffer.height - 1;
  };
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 1;
    for (std::size_t n = 4; utf8 && n >= 2; --n)
      if (at + n <= text.size() && isWholeUtf8Sequence(text.substr(at, n))) {
        length = n;
        break;
      }
    const std::string character(text.substr(at, length));
    at += length;
    const std::size_t cells =
        std::min<std::size_t>(modelCellWidth(character), buffer.width > 1 ? 2 : 1);
    if (cells == 0) {
      std::string* joined = nullptr;
      if (column > 0) joined = &buffer.rows[row][column - 1];
      if (column == 0 && row > 0) joined = &buffer.rows[row - 1][buffer.width - 1];
      if (joined && *joined == kRightHalf) joined -= 1;
      if (joined) *joined += character;
      continue;
    }
    if (cells == 2 && column + 2 > buffer.width) nextRow();
    buffer.rows[row][column] = character;
    if (cells == 2) buffer.rows[row][column + 1] = kRightHalf;
    column += cells;
    if (column == buffer.width) nextRow();
  }
}

// The buffer shows the line's cells that are still on it, blank beyond
// them, and the cursor at the point, or at the top left when that is gone.
void requireConsoleShows(const ConsoleBuffer& buffer, const LineDrawing& drawing,
                         const ConsoleDrawing& last, const Model& model, long startRow) {
  const auto width = static_cast<long>(buffer.width);
  require(drawing.startRow == startRow - buffer.top);
  const long rowStart = drawing.startRow * width;  // the start row's first cell
  const Layout layout = layOut(model, drawing.startColumn, buffer.width);
  const long cells = static_cast<long>(buffer.width * buffer.height);
  for (long at = std::max(rowStart + static_cast<long>(drawing.startColumn), 0L); at < cells;
       ++at) {
    const std::string& shown = buffer.rows[at / width][at % width];
    const auto i = static_cast<std::size_t>(at - rowStart);
    require(i < layout.cells.size() ? shown == layout.cells[i] : shown.empty() || shown == " ");
  }
  const long point = rowStart + static_cast<long>(layout.boundaries[model.cursor]);
  const long cursor = last.cursor.row * width + static_cast<long>(last.cursor.column);
  require(cursor == std::max(point, 0L));
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
  TerminalScreen screen;
  screen.width = width == 0 ? 80 : width;
  screen.utf8 = utf8;
  LineDrawing drawing;
  drawing.startColumn = (data[0] >> 1) % screen.width;
  drawing.shown.utf8 = utf8;
  drawing.cellWidth = modelCellWidth;
  screen.column = drawing.startColumn;
  // The same keys drawn on a Windows console of the same width, from a row
  // of a buffer one to eight rows tall.
  ConsoleBuffer buffer;
  buffer.width = screen.width;
  buffer.height = 1 + (data[0] >> 5);
  buffer.rows.assign(buffer.height, std::vector<std::string>(buffer.width));
  LineDrawing console = drawing;
  console.startRow = static_cast<long>((data[0] >> 1) % buffer.height);
  const long consoleStartRow = console.startRow;
  while (memory.at < memory.bytes.size() || input.held != kNoByte) {
    const std::size_t before = memory.at;
    const int heldBefore = input.held;
    const EditKey key = decodeKey(input, utf8);
    // Each key takes at least one byte, so decoding always comes to an end.
    require(memory.at > before || heldBefore != kNoByte);
    require(key.action != KeyAction::Insert || !key.text.empty());
    const EditOutcome outcome = applyKey(editor, key, width);
    require(outcome == applyToModel(model, key, width, utf8));
    requireAgreement(editor, model);
    play(screen, drawLine(drawing, editor, screen.width));
    requireScreenShows(screen, model, drawing.startColumn);
    const ConsoleDrawing drawn = drawOnConsole(console, editor, buffer.width, buffer.height);
    write(buffer, drawn, utf8);
    requireConsoleShows(buffer, console, drawn, model, consoleStartRow);
  }
  return 0;
}
