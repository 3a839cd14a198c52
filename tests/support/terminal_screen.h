// SPDX-License-Identifier: GPL-3.0-or-later
// A model terminal for the tests and fuzz targets: it plays what the tool
// writes and shows the screen that a terminal would. Like a real one it
// wraps at the right margin only when the next character comes (holding the
// cursor there until then), and it remembers which rows it wrapped, so that
// their lines can be joined again as a terminal's scroll-back joins them
// (tmux capture-pane -J). It has as many rows as the text needs and no
// scrolling; home is its first row.
//
// A character takes the cells modelCellWidth gives it: a wide one two (the
// second holding kRightHalf), wrapped whole to the next row where only one
// is left; a combining mark none, joining the character in the cell before
// the cursor. Writing over half of a wide character blanks the other half.
//
// It takes text (a character per byte, or per UTF-8 sequence), CR, LF, BS, BEL,
// Tab (to the next multiple of 8, not past the margin) and the sequences ESC [ n A, B, C, D, ESC [
// J, ESC [ H and ESC [ 2 J. Anything else, and a move off the screen's left or top edge, leaves it
// not `understood`.

#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "unicode/unicode.h"

// The second cell of a wide character.
inline const std::string kRightHalf = "\x01";

// The cells a character takes, by a table of its own: wide East Asian and
// full-width ranges 2, combining marks 0, everything else (and any byte that
// is no whole UTF-8 sequence) 1.
inline std::size_t modelCellWidth(std::string_view character) {
  std::size_t length = 0;
  const char32_t c = character.empty() ? kNoCharacter : decodeUtf8(character, 0, length);
  if (c == kNoCharacter || c < 0x80 || length != character.size()) return 1;
  const auto in = [c](char32_t from, char32_t to) { return c >= from && c <= to; };
  if (in(0x300, 0x36F) || in(0x1AB0, 0x1AFF) || in(0x1DC0, 0x1DFF) || in(0x20D0, 0x20FF) ||
      in(0xFE20, 0xFE2F))
    return 0;
  if (in(0x1100, 0x115F) || in(0x2E80, 0x303E) || in(0x3041, 0x33FF) || in(0x3400, 0x4DBF) ||
      in(0x4E00, 0x9FFF) || in(0xA000, 0xA4CF) || in(0xAC00, 0xD7A3) || in(0xF900, 0xFAFF) ||
      in(0xFE30, 0xFE4F) || in(0xFF00, 0xFF60) || in(0xFFE0, 0xFFE6) || in(0x20000, 0x3FFFD))
    return 2;
  return 1;
}

struct TerminalScreen {
  std::size_t width = 80;
  bool utf8 = true;
  std::vector<std::vector<std::string>> rows;  // a cell holds one character's bytes
  std::vector<bool> wrapped;                   // the row goes on in the next by the wrap
  std::size_t row = 0, column = 0;
  bool heldAtMargin = false;
  bool understood = true;
};

inline bool isWholeUtf8Sequence(std::string_view text) {
  return !text.empty() && wholeSequenceAt(text, 0) == text.size();
}

inline std::string& screenCell(TerminalScreen& screen, std::size_t row, std::size_t column) {
  if (screen.rows.size() <= row) {
    screen.rows.resize(row + 1);
    screen.wrapped.resize(row + 1);
  }
  if (screen.rows[row].size() < screen.width) screen.rows[row].resize(screen.width);
  return screen.rows[row][column];
}

inline void eraseFromCursor(TerminalScreen& screen) {
  for (std::size_t r = screen.row; r < screen.rows.size(); ++r)
    for (std::size_t c = r == screen.row ? screen.column : 0; c < screen.rows[r].size(); ++c)
      screen.rows[r][c].clear();
}

// One ESC [ sequence from `at`; gives the index after it.
inline std::size_t playSequence(TerminalScreen& screen, std::string_view bytes, std::size_t at) {
  std::size_t count = 0, end = at + 2;
  bool counted = false;
  for (; end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9'; ++end, counted = true)
    count = count * 10 + static_cast<std::size_t>(bytes[end] - '0');
  if (end >= bytes.size()) {
    screen.understood = false;
    return bytes.size();
  }
  const char final = bytes[end];
  const std::size_t steps = counted ? count : 1;
  screen.heldAtMargin = false;
  if (final == 'A' && steps <= screen.row) {
    screen.row -= steps;
  } else if (final == 'B') {
    screen.row += steps;
  } else if (final == 'C') {
    screen.column = std::min(screen.column + steps, screen.width - 1);
  } else if (final == 'D' && steps <= screen.column) {
    screen.column -= steps;
  } else if (final == 'J' && count == 0) {
    // The erased rows no longer go on in the next.
    eraseFromCursor(screen);
    for (std::size_t r = screen.row; r < screen.wrapped.size(); ++r) screen.wrapped[r] = false;
  } else if (final == 'J' && count == 2) {
    screen.rows.clear();
    screen.wrapped.clear();
  } else if (final == 'H' && !counted) {
    screen.row = screen.column = 0;
  } else {
    screen.understood = false;
  }
  return end + 1;
}

// Writes one cell; a wide character it cuts in half loses its other half.
inline void putCell(TerminalScreen& screen, std::size_t column, const std::string& content) {
  screenCell(screen, screen.row, column);
  std::vector<std::string>& row = screen.rows[screen.row];
  if (row[column] == kRightHalf && column > 0) row[column - 1].clear();
  if (column + 1 < row.size() && row[column + 1] == kRightHalf) row[column + 1].clear();
  row[column] = content;
}

inline void putCharacter(TerminalScreen& screen, std::string_view character) {
  const std::size_t cells =
      std::min<std::size_t>(modelCellWidth(character), screen.width > 1 ? 2 : 1);
  if (cells == 0) {
    // A mark joins the character the cursor has just passed.
    std::size_t column = screen.heldAtMargin ? screen.width - 1 : screen.column;
    if (!screen.heldAtMargin && column-- == 0) return;
    std::string* cell = &screenCell(screen, screen.row, column);
    if (*cell == kRightHalf && column > 0) cell = &screenCell(screen, screen.row, column - 1);
    *cell += character;
    return;
  }
  if (screen.heldAtMargin || (cells == 2 && screen.column + 2 > screen.width)) {
    screenCell(screen, screen.row, 0);
    screen.wrapped[screen.row] = true;
    ++screen.row;
    screen.column = 0;
    screen.heldAtMargin = false;
  }
  putCell(screen, screen.column, std::string(character));
  if (cells == 2) putCell(screen, screen.column + 1, kRightHalf);
  if (screen.column + cells == screen.width)
    screen.heldAtMargin = true;
  else
    screen.column += cells;
}

inline void play(TerminalScreen& screen, std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const char c = bytes[at];
    if (c == '\x1b') {
      if (at + 1 >= bytes.size() || bytes[at + 1] != '[') {
        screen.understood = false;
        return;
      }
      at = playSequence(screen, bytes, at);
      continue;
    }
    if (c == '\r' || c == '\n' || c == '\a' || c == '\b' || c == '\t') {
      if (c != '\a') screen.heldAtMargin = false;
      if (c == '\r') screen.column = 0;
      if (c == '\n') ++screen.row;
      if (c == '\b' && screen.column > 0) --screen.column;
      if (c == '\t') screen.column = std::min(screen.column / 8 * 8 + 8, screen.width - 1);
      ++at;
      continue;
    }
    std::size_t length = 1;
    for (std::size_t n = 4; screen.utf8 && n >= 2; --n)
      if (at + n <= bytes.size() && isWholeUtf8Sequence(bytes.substr(at, n))) {
        length = n;
        break;
      }
    putCharacter(screen, bytes.substr(at, length));
    at += length;
  }
}

// The screen made `width` columns wide, as a terminal that wraps its rows
// anew does: each line of wrapped rows is cut again at the new width (a
// wide character that would straddle the margin starts the next row), and
// the cursor keeps its place in the text.
inline void resizeScreen(TerminalScreen& screen, std::size_t width) {
  screenCell(screen, screen.row, 0);
  TerminalScreen resized;
  resized.width = width;
  resized.utf8 = screen.utf8;
  resized.understood = screen.understood;
  for (std::size_t r = 0; r < screen.rows.size();) {
    std::vector<std::string> cells;
    std::size_t cursorAt = std::string::npos;  // the cursor's cell in the line
    for (bool more = true; more; ++r) {
      if (r == screen.row)
        cursorAt = cells.size() + (screen.heldAtMargin ? screen.width : screen.column);
      cells.insert(cells.end(), screen.rows[r].begin(), screen.rows[r].end());
      more = screen.wrapped[r] && r + 1 < screen.rows.size();
    }
    while (!cells.empty() && cells.back().empty() &&
           (cursorAt == std::string::npos || cells.size() > cursorAt))
      cells.pop_back();
    resized.row = resized.rows.size();
    resized.column = 0;
    screenCell(resized, resized.row, 0);
    for (std::size_t i = 0; i <= cells.size(); ++i) {
      if (i < cells.size() && cells[i] == kRightHalf) continue;
      const bool wide = i + 1 < cells.size() && cells[i + 1] == kRightHalf;
      if (i == cells.size() && i != cursorAt) break;
      const std::size_t need = i == cells.size() ? 0 : wide ? 2 : 1;
      // What does not fit, and the cursor after a full row, start the next row.
      if (resized.column + std::max<std::size_t>(need, 1) > width) {
        resized.wrapped[resized.row] = true;
        ++resized.row;
        resized.column = 0;
        screenCell(resized, resized.row, 0);
      }
      if (i == cursorAt) {
        screen.row = resized.row;
        screen.column = resized.column;
      }
      if (i == cells.size()) break;
      screenCell(resized, resized.row, resized.column) = cells[i];
      if (wide) screenCell(resized, resized.row, resized.column + 1) = kRightHalf;
      resized.column += need;
    }
  }
  screen.width = width;
  screen.rows = std::move(resized.rows);
  screen.wrapped = std::move(resized.wrapped);
  screen.heldAtMargin = false;
}

// The lines the screen shows, rows joined where the terminal wrapped them,
// blank cells as blanks and the blanks at each line's end cut; down to the
// cursor's row or the last row written.
inline std::vector<std::string> joinedLines(const TerminalScreen& screen) {
  std::vector<std::string> lines;
  std::string line;
  const std::size_t last = std::max(screen.rows.size(), screen.row + 1);
  for (std::size_t r = 0; r < last; ++r) {
    if (r < screen.rows.size())
      for (const std::string& cell : screen.rows[r])
        if (cell != kRightHalf) line += cell.empty() ? " " : cell;
    if (r < screen.wrapped.size() && screen.wrapped[r]) continue;
    line.erase(line.find_last_not_of(' ') + 1);
    lines.push_back(line);
    line.clear();
  }
  return lines;
}
