// SPDX-License-Identifier: GPL-3.0-or-later
// A model terminal for the tests and fuzz targets: it plays what the tool
// writes and shows the screen that a terminal would. Like a real one it
// wraps at the right margin only when the next character comes (holding the
// cursor there until then), and it remembers which rows it wrapped, so that
// their lines can be joined again as a terminal's scroll-back joins them
// (tmux capture-pane -J). It has as many rows as the text needs and no
// scrolling; home is its first row.
//
// It takes text (a cell per byte, or per UTF-8 sequence), CR, LF, BS, BEL,
// Tab (to the next multiple of 8, not past the margin) and the sequences ESC [ n A, B, C, D, ESC [
// J, ESC [ H and ESC [ 2 J. Anything else, and a move off the screen's left or top edge, leaves it
// not `understood`.

#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return false;
  return true;
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
    if (screen.heldAtMargin) {
      screenCell(screen, screen.row, 0);
      screen.wrapped[screen.row] = true;
      ++screen.row;
      screen.column = 0;
      screen.heldAtMargin = false;
    }
    screenCell(screen, screen.row, screen.column) = std::string(bytes.substr(at, length));
    if (screen.column + 1 == screen.width)
      screen.heldAtMargin = true;
    else
      ++screen.column;
    at += length;
  }
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
      for (const std::string& cell : screen.rows[r]) line += cell.empty() ? " " : cell;
    if (r < screen.wrapped.size() && screen.wrapped[r]) continue;
    line.erase(line.find_last_not_of(' ') + 1);
    lines.push_back(line);
    line.clear();
  }
  return lines;
}
