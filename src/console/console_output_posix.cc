// SPDX-License-Identifier: GPL-3.0-or-later
// Console output on a POSIX terminal or stream. The bytes go out unchanged in
// both modes, and the terminal wraps its rows itself; in Window mode the
// column is followed, so that the line editor knows where the typed text
// begins.

#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cwchar>
#include <string_view>

#include "console/console_output.h"
#include "console/line_drawing.h"
#include "console/terminal_posix.h"

static std::size_t cellsOnRow = 0;  // written since the last CR or LF

static OutputMode decideOutputMode() {
  if (!isatty(STDOUT_FILENO)) return OutputMode::Stream;
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return outputModeForSize(0, 0);
  return outputModeForSize(size.ws_col, size.ws_row);
}

OutputMode outputMode() {
  static const OutputMode mode = decideOutputMode();
  return mode;
}

int consoleWidth() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col;
  return 80;
}

bool consoleIsUtf8() {
  return charactersAreUtf8(std::setlocale(LC_CTYPE, nullptr), nl_langinfo(CODESET));
}

// The widths come from the locale, as the terminal's own table follows the
// same standard. A locale that names no character set (C, POSIX) but whose
// line is taken as UTF-8 gets them from C.UTF-8; where that is missing, every
// character takes one cell.
static locale_t widthLocale() {
  if (!consoleIsUtf8() || std::string_view(nl_langinfo(CODESET)) == "UTF-8")
    return LC_GLOBAL_LOCALE;
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  return utf8;
}

std::size_t consoleCellWidth(std::string_view character) {
  const locale_t locale = widthLocale();
  if (locale == nullptr) return 1;
  const locale_t previous = uselocale(locale);
  std::mbstate_t state{};
  wchar_t wide = 0;
  const std::size_t used = std::mbrtowc(&wide, character.data(), character.size(), &state);
  const int cells = used == character.size() ? wcwidth(wide) : -1;
  uselocale(previous);
  // A byte that is no character shows as one replacement mark.
  return cells < 0 ? 1 : static_cast<std::size_t>(cells);
}

std::size_t terminalCursorColumn() {
  return cellsOnRow % static_cast<std::size_t>(consoleWidth());
}

void writeToTerminal(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Left non-blocking by an earlier program: wait for room.
      pollfd ready{STDOUT_FILENO, POLLOUT, 0};
      poll(&ready, 1, -1);
      continue;
    }
    if (put <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
}

void consoleWrite(std::string_view bytes) {
  if (outputMode() == OutputMode::Window)
    cellsOnRow = columnAfter(cellsOnRow, bytes, consoleIsUtf8());
  writeToTerminal(bytes);
}

void clearScreen() {
  // Home first, then erase the whole display: the scroll-back stays as it was.
  if (outputMode() == OutputMode::Window && !terminalIsDumb()) {
    writeToTerminal("\x1b[H\x1b[2J");
    cellsOnRow = 0;
  }
}
