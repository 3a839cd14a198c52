// Console input on a POSIX terminal: raw key input through termios, fed to
// the key decoder, and the redraw of the typed line across row wraps.
//
// Raw mode is entered once per line and the saved settings are put back on
// every way out: Enter, the end of input, Ctrl+C, and SIGINT, SIGTERM or
// SIGHUP from outside. Signal keys are switched off, so Ctrl+Z and Ctrl+\ do
// nothing; Ctrl+C is turned into the interrupt it would have been.

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

#include "console/console_input.h"
#include "console/console_output.h"
#include "console/key_decoder.h"
#include "console/line_editor.h"

InputKind inputKind() {
  return isatty(STDIN_FILENO) ? InputKind::Interactive : InputKind::Redirected;
}

int readStandardInputByte(void*) {
  unsigned char byte = 0;
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got == 1) return byte;
    if (got < 0 && errno == EINTR) continue;
    return kEndOfInput;
  }
}

void returnStandardInputBytes(int count) {
  if (count > 0) lseek(STDIN_FILENO, -count, SEEK_CUR);
}

// --- Terminal settings -------------------------------------------------------

static termios savedSettings;
static volatile sig_atomic_t rawModeOn = 0;
static constexpr int kRestoredSignals[] = {SIGINT, SIGTERM, SIGHUP};
static struct sigaction previousActions[3];

static void restoreTerminal() {
  if (rawModeOn) tcsetattr(STDIN_FILENO, TCSADRAIN, &savedSettings);
  rawModeOn = 0;
}

// Runs once (SA_RESETHAND): the signal raised again here is taken with its
// default action as soon as the handler returns.
static void restoreAndDie(int signal) {
  restoreTerminal();
  std::raise(signal);
}

static bool enterRawMode() {
  if (tcgetattr(STDIN_FILENO, &savedSettings) != 0) return false;
  termios raw = savedSettings;
  raw.c_iflag &= ~(BRKINT | ICRNL | INLCR | IGNCR | INPCK | ISTRIP | IXON);
  raw.c_lflag &= ~(ECHO | ICANON | ISIG | IEXTEN);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;

  struct sigaction restore {};
  restore.sa_handler = restoreAndDie;
  restore.sa_flags = SA_RESETHAND;
  sigemptyset(&restore.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kRestoredSignals[i], &restore, &previousActions[i]);
  // TCSADRAIN, not TCSAFLUSH: keys typed ahead of the prompt are kept.
  rawModeOn = 1;
  if (tcsetattr(STDIN_FILENO, TCSADRAIN, &raw) != 0) rawModeOn = 0;
  return true;
}

static void leaveRawMode() {
  restoreTerminal();
  for (int i = 0; i < 3; ++i) sigaction(kRestoredSignals[i], &previousActions[i], nullptr);
}

[[noreturn]] static void interrupt() {
  leaveRawMode();
  std::signal(SIGINT, SIG_DFL);
  std::raise(SIGINT);
  // Reached when SIGINT is blocked, as a parent may leave it.
  // cppcheck-suppress unreachableCode
  _exit(130);
}

// --- Key input ---------------------------------------------------------------

// The decoder's byte source: poll bounds the wait for the rest of a sequence.
static int readTerminalByte(void*, int waitMs) {
  if (waitMs >= 0) {
    pollfd ready{STDIN_FILENO, POLLIN, 0};
    int polled;
    do polled = poll(&ready, 1, waitMs);
    while (polled < 0 && errno == EINTR);
    if (polled <= 0) return kNoKeyByte;
  }
  return readStandardInputByte(nullptr);
}

// --- Drawing -----------------------------------------------------------------

static void writeTerminal(const std::string& bytes) {
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const ssize_t put = write(STDOUT_FILENO, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(put));
  }
}

static std::string cursorMove(std::size_t count, char direction) {
  return count == 0 ? std::string() : "\x1b[" + std::to_string(count) + direction;
}

namespace {
// Where the typed text began, and the row (counted from there) that the
// cursor stands on now.
struct Drawing {
  std::size_t startColumn = 0;
  std::size_t cursorRow = 0;
};
}  // namespace

// One write per key: back to where the text began, erase to the end of the
// screen, the whole text, then the cursor to the insertion point.
static std::string redraw(const LineEditor& editor, Drawing& drawing, std::size_t width) {
  std::string out = cursorMove(drawing.cursorRow, 'A');
  out += '\r' + cursorMove(drawing.startColumn, 'C') + "\x1b[J" + editor.line;
  const std::size_t end = drawing.startColumn + characterCount(editor, editor.line.size());
  // A terminal holds the cursor at the margin after a full row; move it on.
  if (end % width == 0 && end > drawing.startColumn) out += "\r\n";
  const std::size_t point = drawing.startColumn + characterCount(editor, editor.point);
  out += cursorMove(end / width - point / width, 'A');
  out += '\r' + cursorMove(point % width, 'C');
  drawing.cursorRow = point / width;
  return out;
}

std::string editConsoleLine() {
  const bool drawn = outputMode() == OutputMode::Window;
  LineEditor editor;
  editor.utf8 = consoleIsUtf8();
  Drawing drawing;
  drawing.startColumn = static_cast<std::size_t>(consoleCursorColumn());
  if (!enterRawMode()) return {};

  KeyBytes keys;
  keys.readByte = readTerminalByte;
  for (;;) {
    const auto width = static_cast<std::size_t>(consoleWidth());
    const EditKey key = decodeKey(keys, editor.utf8);
    if (key.action == KeyAction::Interrupt) interrupt();
    const EditOutcome outcome = applyKey(editor, key, width);
    if (outcome == EditOutcome::Finished) {
      editor.point = editor.line.size();
      if (drawn) writeTerminal(redraw(editor, drawing, width));
      break;
    }
    if (!drawn) continue;
    if (outcome == EditOutcome::Beep) writeTerminal("\a");
    writeTerminal(redraw(editor, drawing, width));
  }
  leaveRawMode();
  // Output that is no terminal gets the finished line, as a transcript.
  if (!drawn) consoleWrite(editor.line);
  return editor.line;
}
