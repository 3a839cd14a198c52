// SPDX-License-Identifier: GPL-3.0-or-later
// Console input on POSIX systems: the redirected stream, and the typed line
// read key by key in the terminal session of terminal_posix.h, fed to the key
// decoder and drawn by line_drawing. With TERM=dumb the terminal keeps its
// own line mode, echo and erase, and the line it gives goes through the key
// table afterwards.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

#include "console/console_input.h"
#include "console/console_output.h"
#include "console/key_decoder.h"
#include "console/line_drawing.h"
#include "console/line_editor.h"
#include "console/terminal_posix.h"

InputKind inputKind() {
  return isatty(STDIN_FILENO) ? InputKind::Interactive : InputKind::Redirected;
}

// For a descriptor that an earlier program left non-blocking.
static void waitForInput() {
  pollfd ready{STDIN_FILENO, POLLIN, 0};
  poll(&ready, 1, -1);
}

int readStandardInputByte(void*, int) {
  unsigned char byte = 0;
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got == 1) return byte;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      waitForInput();
      continue;
    }
    return kEndOfInput;
  }
}

std::string nameFromStream(std::string field) {
  return field;
}

void returnStandardInputBytes(int count) {
  if (count > 0) lseek(STDIN_FILENO, -count, SEEK_CUR);
}

static std::string promptText;

// The typed line is drawn on a terminal other than the output: standard
// output is redirected, and the terminal itself shows the prompt and line.
static bool echoedApart() {
  return outputMode() == OutputMode::Stream && echoDescriptor() >= 0 &&
         echoDescriptor() != STDOUT_FILENO;
}

void showPrompt(std::string_view prompt) {
  promptText = prompt;
  if (!terminalIsDumb()) beginRawMode();
  printText(prompt);
  if (echoedApart()) writeEcho(prompt);
}

namespace {
// What the byte source needs to bring the line back after a stop.
struct Typing {
  LineEditor editor;
  LineDrawing drawing;
  std::size_t width = 0;  // the terminal's width when the drawing began
  bool drawn = false;
};
}  // namespace

// Where the typed text begins: just after the prompt, which begins a row
// (the terminal holds its cursor at the margin after a full row).
static void startDrawing(Typing& typing, std::size_t width) {
  typing.drawing = LineDrawing{};
  typing.drawing.shown.utf8 = typing.editor.utf8;
  typing.drawing.cellWidth = consoleCellWidth;
  typing.drawing.startColumn = columnAfter(0, promptText, typing.editor.utf8) % width;
  typing.width = width;
}

// The prompt and the whole line, drawn anew from the start of a new row;
// `erase` clears what lies below first, where anything may be.
static std::string drawnAnew(Typing& typing, std::size_t width, bool erase) {
  startDrawing(typing, width);
  return (erase ? "\r\n\x1b[J" : "\r\n") + promptText +
         drawLine(typing.drawing, typing.editor, width);
}

// Continued in front after a stop: drawn anew, since the shell has written
// to the screen in between.
static void drawAgain(Typing& typing) {
  if (typing.drawn) writeEcho(drawnAnew(typing, static_cast<std::size_t>(consoleWidth()), false));
}

// The decoder's byte source. The wait is where stops and SIGCONT are taken;
// the end of file or EIO means that the terminal has gone.
static int readTerminalByte(void* source, int waitMs) {
  for (;;) {
    if (takeResumed()) drawAgain(*static_cast<Typing*>(source));
    const int ready = waitForTerminalInput(waitMs);
    if (ready < 0) continue;
    if (ready == 0) return kNoByte;
    unsigned char byte = 0;
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got == 1) return byte;
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    return kEndOfInput;
  }
}

// TERM=dumb: the terminal's own line mode echoes and erases, and gives the
// line once Enter is pressed. Its end of file (Ctrl+D) is no Enter and is
// passed over, unless the terminal has gone.
static std::string readLineInLineMode() {
  std::string line;
  for (;;) {
    char byte = 0;
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got == 1 && byte == '\n') return line;
    if (got == 1) line += byte;
    pollfd ready{STDIN_FILENO, POLLIN, 0};
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) poll(&ready, 1, -1);
    const bool failed = got < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK;
    if (failed || (got == 0 && poll(&ready, 1, 0) > 0 && (ready.revents & (POLLHUP | POLLERR))))
      endBySignal(SIGHUP, kHangUpStatus);
  }
}

// Once the terminal's width has changed (SIGWINCH), it may or may not have
// wrapped the old rows anew, so where they went is not known: the line is
// drawn anew, with what was below it erased. The width is looked at with every key rather than at
// the signal: a window dragged through many sizes draws once, and a change of height alone moves no
// row's text.
static void readKeys(Typing& typing) {
  KeyBytes keys;
  keys.bytes = {readTerminalByte, &typing};
  for (;;) {
    const auto width = static_cast<std::size_t>(consoleWidth());
    const EditKey key = decodeKey(keys, typing.editor.utf8);
    if (key.action == KeyAction::Interrupt) endBySignal(SIGINT, 130);
    // Only Enter ends the line: a terminal that has gone ends the run, as
    // its hang-up would, and no half-typed name is taken.
    if (key.action == KeyAction::HangUp) endBySignal(SIGHUP, kHangUpStatus);
    const EditOutcome outcome = applyKey(typing.editor, key, width);
    // One write per key.
    if (typing.drawn) {
      std::string out(outcome == EditOutcome::Beep ? 1 : 0, '\a');
      out += width != typing.width ? drawnAnew(typing, width, true)
                                   : drawLine(typing.drawing, typing.editor, width);
      writeEcho(out);
    }
    if (outcome == EditOutcome::Finished) return;
  }
}

EditedLine editConsoleLine() {
  Typing typing;
  bool echoDiffers = false;
  typing.drawn = outputMode() == OutputMode::Window || echoedApart();
  typing.editor.utf8 = consoleIsUtf8();
  if (terminalIsDumb()) {
    const std::string echoed = readLineInLineMode();
    takeEditedLine(typing.editor, echoed);
    echoDiffers = typing.editor.line != echoed;
  } else {
    if (!beginRawMode()) return {};
    startDrawing(typing, static_cast<std::size_t>(consoleWidth()));
    readKeys(typing);
    endRawMode();
  }
  // Output that is no terminal gets the finished line, as a transcript.
  if (outputMode() == OutputMode::Stream) consoleWrite(typing.editor.line);
  if (echoedApart()) writeEcho("\r\n");
  return {typing.editor.line, echoDiffers};
}
