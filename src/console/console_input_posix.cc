// Console input on a POSIX terminal: raw key input through termios, fed to
// the key decoder, and the typed line drawn by line_drawing.
//
// Raw mode is entered before the prompt is shown, so that no key typed after
// it is taken by the terminal, and the saved settings are put back on every
// way out: Enter, Ctrl+C, a terminal that has gone, and every signal whose
// default action ends the process. A stop signal puts them back before the
// process stops; once continued in the foreground, raw mode comes back and
// the prompt and line are drawn anew. Signal keys are switched off, so Ctrl+Z
// and Ctrl+\ do nothing; Ctrl+C is turned into the interrupt it would have
// been. With TERM=dumb the terminal keeps its own line mode, echo and erase.

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/console_input.h"
#include "console/console_output.h"
#include "console/key_decoder.h"
#include "console/line_drawing.h"
#include "console/line_editor.h"

InputKind inputKind() {
  return isatty(STDIN_FILENO) ? InputKind::Interactive : InputKind::Redirected;
}

// For a descriptor that an earlier program left non-blocking.
static void waitForInput() {
  pollfd ready{STDIN_FILENO, POLLIN, 0};
  poll(&ready, 1, -1);
}

int readStandardInputByte(void*) {
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

void returnStandardInputBytes(int count) {
  if (count > 0) lseek(STDIN_FILENO, -count, SEEK_CUR);
}

static bool terminalIsDumb() {
  const char* type = std::getenv("TERM");
  return type && std::strcmp(type, "dumb") == 0;
}

// --- Terminal settings and signals -------------------------------------------

static termios savedSettings;
static termios rawSettings;
static bool promptActive = false;  // raw mode and its signal handling are set up
static volatile sig_atomic_t rawModeOn = 0;
static volatile sig_atomic_t continued = 0;  // a stop has ended since the last key

// Every catchable signal whose default action ends the process; the real-time
// signals are added at run time.
static constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGILL,   SIGTRAP,   SIGABRT,
                                         SIGBUS,  SIGFPE,  SIGUSR1, SIGSEGV,  SIGUSR2,   SIGPIPE,
                                         SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ,  SIGVTALRM, SIGPROF,
                                         SIGSYS,  SIGPOLL, SIGPWR,  SIGSTKFLT};
static constexpr int kStopSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

static struct sigaction previousActions[NSIG];
static bool handled[NSIG];
static sigset_t previousMask;
static sigset_t waitingMask;  // the mask while waiting for a key: stops and SIGCONT let in

// Only while the tool owns the terminal: a job put in the background must
// not overwrite the settings of the one in front. A terminal that is not the
// controlling one has no owner and is restored.
static bool ownsTerminal() {
  const pid_t owner = tcgetpgrp(STDIN_FILENO);
  return owner == -1 || owner == getpgrp();
}

static void restoreTerminal() {
  if (rawModeOn && ownsTerminal()) tcsetattr(STDIN_FILENO, TCSADRAIN, &savedSettings);
  rawModeOn = 0;
}

// Runs once (SA_RESETHAND): the signal raised again here is taken with its
// default action as soon as the handler returns.
static void restoreAndDie(int signal) {
  restoreTerminal();
  std::raise(signal);
}

static void restoreAndStop(int signal) {
  const int savedErrno = errno;
  restoreTerminal();
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  struct sigaction own {};
  sigaction(signal, &action, &own);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, signal);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  kill(getpid(), signal);  // the process stops here, and goes on at SIGCONT
  sigaction(signal, &own, nullptr);
  continued = 1;
  errno = savedErrno;
}

static void noteContinued(int) {
  continued = 1;
}

static void catchSignal(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  sigaction(signal, nullptr, &previous);
  // An ignored signal ends nothing, and a handler set by others stays.
  if (previous.sa_handler != SIG_DFL) return;
  sigaction(signal, &action, &previousActions[signal]);
  handled[signal] = true;
}

static bool enterRawMode() {
  if (tcgetattr(STDIN_FILENO, &savedSettings) != 0) return false;
  rawSettings = savedSettings;
  rawSettings.c_iflag &= ~(BRKINT | ICRNL | INLCR | IGNCR | INPCK | ISTRIP | IXON);
  rawSettings.c_lflag &= ~(ECHO | ICANON | ISIG | IEXTEN);
  rawSettings.c_cc[VMIN] = 1;
  rawSettings.c_cc[VTIME] = 0;

  for (const int signal : kEndingSignals) catchSignal(signal, restoreAndDie, SA_RESETHAND);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
    catchSignal(signal, restoreAndDie, SA_RESETHAND);
  for (const int signal : kStopSignals) catchSignal(signal, restoreAndStop, 0);
  catchSignal(SIGCONT, noteContinued, 0);
  // Stops and SIGCONT are taken only while waiting for a key, so that none is
  // missed between the look at `continued` and the wait. SIGTTIN stays open:
  // a read from the background would fail while it is blocked.
  sigset_t held;
  sigemptyset(&held);
  sigaddset(&held, SIGTSTP);
  sigaddset(&held, SIGTTOU);
  sigaddset(&held, SIGCONT);
  sigprocmask(SIG_BLOCK, &held, &previousMask);
  waitingMask = previousMask;
  sigdelset(&waitingMask, SIGTSTP);
  sigdelset(&waitingMask, SIGTTOU);
  sigdelset(&waitingMask, SIGCONT);

  // TCSADRAIN, not TCSAFLUSH: keys typed ahead of the prompt are kept.
  rawModeOn = 1;
  if (tcsetattr(STDIN_FILENO, TCSADRAIN, &rawSettings) != 0) rawModeOn = 0;
  promptActive = true;
  return true;
}

static void leaveRawMode() {
  if (!promptActive) return;
  restoreTerminal();
  for (int signal = 1; signal < NSIG; ++signal) {
    if (handled[signal]) sigaction(signal, &previousActions[signal], nullptr);
    handled[signal] = false;
  }
  sigprocmask(SIG_SETMASK, &previousMask, nullptr);
  promptActive = false;
}

[[noreturn]] static void endBySignal(int signal, int status) {
  leaveRawMode();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  // Reached when the signal is blocked, as a parent may leave it.
  // cppcheck-suppress unreachableCode
  _exit(status);
}

// --- Prompt ------------------------------------------------------------------

static std::string promptText;

void showPrompt(std::string_view prompt) {
  promptText = prompt;
  if (!terminalIsDumb()) enterRawMode();
  printText(prompt);
  printText("? ");
}

// --- Key input ---------------------------------------------------------------

namespace {
// What the byte source needs to bring the line back after a stop.
struct Typing {
  LineEditor editor;
  LineDrawing drawing;
  bool drawn = false;
};
}  // namespace

// Continued after a stop: raw mode again, and the prompt and the line drawn
// on a fresh row, since the shell has written to the screen in between. In
// the background nothing is done; the next read stops the process again.
static void resume(Typing& typing) {
  continued = 0;
  if (!ownsTerminal()) return;
  rawModeOn = 1;
  if (tcsetattr(STDIN_FILENO, TCSADRAIN, &rawSettings) != 0) rawModeOn = 0;
  if (!typing.drawn) return;
  printBlankLine();
  printText(promptText);
  printText("? ");
  typing.drawing = LineDrawing{};
  typing.drawing.shown.utf8 = typing.editor.utf8;
  typing.drawing.startColumn = static_cast<std::size_t>(consoleCursorColumn());
  writeUnwrapped(drawLine(typing.drawing, typing.editor, static_cast<std::size_t>(consoleWidth())));
}

// The decoder's byte source. The wait is where stops and SIGCONT are taken;
// the end of file or EIO means that the terminal has gone.
static int readTerminalByte(void* source, int waitMs) {
  for (;;) {
    if (continued) resume(*static_cast<Typing*>(source));
    pollfd ready{STDIN_FILENO, POLLIN, 0};
    const timespec limit{waitMs / 1000, (waitMs % 1000) * 1000000L};
    const int polled = ppoll(&ready, 1, waitMs < 0 ? nullptr : &limit, &waitingMask);
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) return kNoKeyByte;
    unsigned char byte = 0;
    const ssize_t got = read(STDIN_FILENO, &byte, 1);
    if (got == 1) return byte;
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    return kEndOfInput;
  }
}

// TERM=dumb: the terminal's own line mode echoes and erases; the line is
// taken as it gives it. Its end of file (Ctrl+D) is no Enter and is passed
// over, unless the terminal has gone.
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
      endBySignal(SIGHUP, 129);
  }
}

std::string editConsoleLine() {
  Typing typing;
  typing.drawn = outputMode() == OutputMode::Window;
  if (terminalIsDumb()) {
    typing.editor.line = readLineInLineMode();
  } else {
    typing.editor.utf8 = consoleIsUtf8();
    typing.drawing.shown.utf8 = typing.editor.utf8;
    typing.drawing.startColumn = static_cast<std::size_t>(consoleCursorColumn());
    if (!promptActive && !enterRawMode()) return {};
    KeyBytes keys;
    keys.readByte = readTerminalByte;
    keys.source = &typing;
    for (;;) {
      const auto width = static_cast<std::size_t>(consoleWidth());
      const EditKey key = decodeKey(keys, typing.editor.utf8);
      if (key.action == KeyAction::Interrupt) endBySignal(SIGINT, 130);
      // Only Enter ends the line: a terminal that has gone ends the run, as
      // its hang-up would, and no half-typed name is taken.
      if (key.action == KeyAction::HangUp) endBySignal(SIGHUP, 129);
      const EditOutcome outcome = applyKey(typing.editor, key, width);
      if (outcome == EditOutcome::Finished) typing.editor.point = typing.editor.line.size();
      // One write per key.
      if (typing.drawn) {
        std::string out(outcome == EditOutcome::Beep ? 1 : 0, '\a');
        out += drawLine(typing.drawing, typing.editor, width);
        writeUnwrapped(out);
      }
      if (outcome == EditOutcome::Finished) break;
    }
    leaveRawMode();
  }
  // Output that is no terminal gets the finished line, as a transcript.
  if (!typing.drawn) consoleWrite(typing.editor.line);
  return typing.editor.line;
}
