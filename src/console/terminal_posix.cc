// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal of the typed line on POSIX systems: the writes, the terminal
// the line is drawn on, and the session in which it is typed.
//
// Raw mode is entered before the prompt is shown, so that no key typed after
// it is taken by the terminal, and the saved settings are put back on every
// way out: Enter, Ctrl+C, a terminal that has gone, and every signal whose
// default action ends the process. A stop signal puts them back before the
// process stops; once continued in front of the terminal, raw mode comes
// back. Signal keys are switched off, so Ctrl+Z and Ctrl+\ do nothing.
//
// Written for every POSIX system, though only Linux is tested: signals that
// only some systems have are caught where they exist, the signals caught are
// kept in a list rather than a table indexed up to NSIG (FreeBSD's real-time
// signals lie beyond it), and the wait is pselect, which every POSIX system
// has.

#include <fcntl.h>
#include <poll.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "console/terminal_posix.h"

bool terminalIsDumb() {
  const char* type = std::getenv("TERM");
  return type && std::strcmp(type, "dumb") == 0;
}

WriteFailure writeAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(descriptor, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Left non-blocking by an earlier program: wait for room.
      pollfd ready{descriptor, POLLOUT, 0};
      poll(&ready, 1, -1);
      continue;
    }
    const WriteFailure failure = posixWriteFailure(put, put < 0 ? errno : 0);
    if (failure != WriteFailure::None) return failure;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return WriteFailure::None;
}

static int openEcho() {
  if (isatty(STDOUT_FILENO)) return STDOUT_FILENO;
  const char* name = ttyname(STDIN_FILENO);
  return name ? open(name, O_WRONLY | O_NOCTTY | O_CLOEXEC) : -1;
}

int echoDescriptor() {
  static const int descriptor = openEcho();
  return descriptor;
}

void writeEcho(std::string_view bytes) {
  if (echoDescriptor() >= 0) writeAll(echoDescriptor(), bytes);
}

static termios savedSettings;
static termios rawSettings;
static bool begun = false;
static volatile sig_atomic_t rawModeOn = 0;
static volatile sig_atomic_t continued = 0;       // a stop has ended since the last look
static volatile sig_atomic_t continueCaught = 0;  // SIGCONT's handler is ours

namespace {
struct CaughtSignal {
  int signal;
  struct sigaction previous;
};
}  // namespace

static std::vector<CaughtSignal> caught;
static sigset_t previousMask;
static sigset_t waitingMask;  // the mask while waiting for a key: stops and SIGCONT let in

// Every catchable signal whose default action ends the process, where the
// system has it; the real-time signals are added at run time.
static const int kEndingSignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV,
    SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGPOLL
    SIGPOLL,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
};
static const int kStopSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

// Only while the tool owns the terminal: a job in the background must not
// overwrite the settings of the one in front. A terminal that is not the
// controlling one has no owner and is set.
static bool ownsTerminal() {
  const pid_t owner = tcgetpgrp(STDIN_FILENO);
  return owner == -1 || owner == getpgrp();
}

static void restoreTerminal() {
  if (rawModeOn && ownsTerminal()) tcsetattr(STDIN_FILENO, TCSADRAIN, &savedSettings);
  rawModeOn = 0;
}

// In front of the terminal only; from the background a continue brings it.
static void enterRawModeInFront() {
  if (!ownsTerminal()) return;
  rawModeOn = 1;
  if (tcsetattr(STDIN_FILENO, TCSADRAIN, &rawSettings) != 0) rawModeOn = 0;
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

// Whether the handler was set.
static bool catchSignal(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  sigaction(signal, nullptr, &previous);
  // An ignored signal ends nothing, and a handler set by others stays.
  if (previous.sa_handler != SIG_DFL || sigaction(signal, &action, &previous) != 0) return false;
  caught.push_back({signal, previous});
  return true;
}

bool beginRawMode() {
  if (begun) return true;
  if (tcgetattr(STDIN_FILENO, &savedSettings) != 0) return false;
  rawSettings = savedSettings;
  rawSettings.c_iflag &= ~(BRKINT | ICRNL | INLCR | IGNCR | INPCK | ISTRIP | IXON);
  rawSettings.c_lflag &= ~(ECHO | ICANON | ISIG | IEXTEN);
  rawSettings.c_cc[VMIN] = 1;
  rawSettings.c_cc[VTIME] = 0;

  for (const int signal : kEndingSignals) catchSignal(signal, restoreAndDie, SA_RESETHAND);
#ifdef SIGRTMIN
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
    catchSignal(signal, restoreAndDie, SA_RESETHAND);
#endif
  for (const int signal : kStopSignals) catchSignal(signal, restoreAndStop, 0);
  continueCaught = catchSignal(SIGCONT, noteContinued, 0);
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
  enterRawModeInFront();
  begun = true;
  return true;
}

void endRawMode() {
  if (!begun) return;
  restoreTerminal();
  for (const CaughtSignal& entry : caught) sigaction(entry.signal, &entry.previous, nullptr);
  caught.clear();
  continueCaught = 0;
  sigprocmask(SIG_SETMASK, &previousMask, nullptr);
  begun = false;
}

void endBySignal(int signal, int status) {
  endRawMode();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  // Reached when the signal is blocked, as a parent may leave it.
  // cppcheck-suppress unreachableCode
  _exit(status);
}

int waitForTerminalInput(int waitMs) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(STDIN_FILENO, &ready);
  const timespec limit{waitMs / 1000, (waitMs % 1000) * 1000000L};
  const int got = pselect(STDIN_FILENO + 1, &ready, nullptr, nullptr, waitMs < 0 ? nullptr : &limit,
                          begun ? &waitingMask : nullptr);
  if (got < 0) return -1;
  return got > 0 ? 1 : 0;
}

bool takeResumed() {
  if (!continued) return false;
  continued = 0;
  // A stop taken inside a read leaves its SIGCONT pending, to be let in at
  // the next wait for a key; taken now, it draws nothing a second time.
  sigset_t pending;
  if (continueCaught && sigpending(&pending) == 0 && sigismember(&pending, SIGCONT)) {
    sigset_t resume;
    sigemptyset(&resume);
    sigaddset(&resume, SIGCONT);
    int taken = 0;
    sigwait(&resume, &taken);
  }
  // Still in the background: the next read stops the process again.
  if (!ownsTerminal()) return false;
  enterRawModeInFront();
  return true;
}
