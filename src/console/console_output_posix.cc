// Console output on a POSIX terminal or stream. A terminal does its own
// drawing, wrapping and scrolling, so both modes write the bytes unchanged;
// only clearScreen differs.

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "console/console_output.h"

static OutputMode decideOutputMode() {
  winsize size{};
  if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 &&
      size.ws_row > 1)
    return OutputMode::Window;
  return OutputMode::Stream;
}

OutputMode outputMode() {
  static const OutputMode mode = decideOutputMode();
  return mode;
}

void consoleWrite(std::string_view bytes) {
  outputMode();
  while (!bytes.empty()) {
    const ssize_t put = write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
}

void clearScreen() {
  // Home first, then erase the whole display: the scroll-back stays as it was.
  if (outputMode() == OutputMode::Window) consoleWrite("\x1b[H\x1b[2J");
}
