// SPDX-License-Identifier: GPL-3.0-or-later
// Console output on a POSIX terminal or stream. The bytes go out unchanged in
// both modes, and the terminal wraps its rows itself.

#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cwchar>
#include <string_view>

#include "console/console_output.h"
#include "console/terminal_posix.h"

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

// The width of the terminal the typed line is drawn on.
int consoleWidth() {
  winsize size{};
  if (ioctl(echoDescriptor(), TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col;
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

static bool failed = false;

void consoleWrite(std::string_view bytes) {
  if (writeAll(STDOUT_FILENO, bytes) == WriteFailure::Failed) failed = true;
}

void clearScreen() {
  // Home first, then erase the whole display: the scroll-back stays as it was.
  if (outputMode() == OutputMode::Window && !terminalIsDumb()) consoleWrite("\x1b[H\x1b[2J");
}

bool closeOutput() {
  // Linux closes the descriptor even when close is cut short by a signal.
  const bool closed = close(STDOUT_FILENO) == 0 || errno == EINTR;
  return closed && !failed;
}
