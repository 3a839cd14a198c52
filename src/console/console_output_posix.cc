// Console output on a POSIX terminal or stream. In Window mode the bytes go
// out unchanged too; the column is tracked so the line editor knows where the
// typed text begins, and a row filled to the margin is ended at once, as a
// console wraps, rather than left to the terminal's deferred wrap.

#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/console_output.h"

static int cursorColumn = 0;

// A terminal that tells no size (0 by 0, as a serial line or a bare
// pseudo-terminal reports) is still drawn on, with 80 columns assumed.
static OutputMode decideOutputMode() {
  if (!isatty(STDOUT_FILENO)) return OutputMode::Stream;
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0)
    return OutputMode::Window;
  return size.ws_col > 1 && size.ws_row > 1 ? OutputMode::Window : OutputMode::Stream;
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
  return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

int consoleCursorColumn() {
  return cursorColumn;
}

void writeUnwrapped(std::string_view bytes) {
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

// The bytes with a line end after every row that reaches the margin, put
// after the last byte of the character that filled the row.
static std::string withConsoleWraps(std::string_view bytes) {
  const int width = consoleWidth();
  const bool utf8 = consoleIsUtf8();
  std::string out;
  bool rowFull = false;
  for (const char c : bytes) {
    const bool continuation = utf8 && (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    if (rowFull && !continuation) {
      out += "\r\n";
      rowFull = false;
    }
    out += c;
    if (c == '\r' || c == '\n') {
      cursorColumn = 0;
    } else if (!continuation && ++cursorColumn >= width) {
      cursorColumn = 0;
      rowFull = true;
    }
  }
  if (rowFull) out += "\r\n";
  return out;
}

void consoleWrite(std::string_view bytes) {
  if (outputMode() == OutputMode::Window)
    writeUnwrapped(withConsoleWraps(bytes));
  else
    writeUnwrapped(bytes);
}

// TERM=dumb (an editor's shell buffer, some serial terminals) takes no
// escape sequence at all.
static bool terminalIsDumb() {
  const char* type = std::getenv("TERM");
  return type && std::strcmp(type, "dumb") == 0;
}

void clearScreen() {
  // Home first, then erase the whole display: the scroll-back stays as it was.
  if (outputMode() == OutputMode::Window && !terminalIsDumb()) {
    writeUnwrapped("\x1b[H\x1b[2J");
    cursorColumn = 0;
  }
}
