// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built tool as a separate process, the way a user would, and
// collects what it printed and how it ended.
//
// The tool's path comes from the environment (HAMSHIFT_TOOL) or from the test
// program's --tool=PATH argument; an optional launcher command, such as an
// emulator, from HAMSHIFT_LAUNCHER or --launcher="CMD ARGS", goes in front.

#pragma once

#include <sys/types.h>
#include <functional>
#include <string>
#include <vector>

#include "sample_file.h"

namespace e2e {

// Takes --tool= and --launcher= out of the test program's arguments.
void configureFromArguments(int argc, char** argv);

// Whether the tool under test is a Windows build (its name ends in .exe).
bool targetIsWindows();

// The path of the tool under test.
const std::string& toolUnderTest();

// The launcher's last word: the program that runs the tool (an emulator),
// without the commands that wrap it, such as timeout. Empty with no launcher.
std::string emulator();

struct RunOptions {
  std::vector<std::string> arguments;
  std::string program;  // started in place of the tool under test (a link to it); empty: the tool
  // A program, with its options, that starts the tool (after the launcher).
  std::vector<std::string> startedBy;
  std::string input;  // standard input; a pipe holding these bytes
  bool closeStandardInput = false;
  bool closeStandardOutput = false;  // descriptor 1 closed before the tool starts
  bool closeStandardError = false;
  bool brokenOutputPipe = false;         // output is a pipe whose reader has gone
  bool resetOutputSocket = false;        // output is a socket whose reader closed it, reset
  bool outputToFullDevice = false;       // output is /dev/full, where every write fails
  bool unprivileged = false;             // run as the unprivileged user when root
  long fileSizeLimit = -1;               // RLIMIT_FSIZE in bytes, when >= 0
  std::vector<std::string> environment;  // NAME=VALUE, added to the tool's
  int timeoutSeconds = 30;
};

struct RunResult {
  std::string output;   // every byte of standard output
  std::string errors;   // every byte of standard error
  int exitStatus = -1;  // -1 when the tool did not exit normally
  int signal = 0;       // the signal that ended it, if any
  bool timedOut = false;
};

// Runs the tool in `folder` (the working directory).
RunResult runTool(const std::string& folder, const RunOptions& options);

// A run in a pseudo-terminal, standard input and output both on it.
struct TerminalOptions {
  std::vector<std::string> arguments;
  std::vector<std::string> keys;  // written one after another, `pauseMs` apart
  int pauseMs = 150;
  bool typeAhead = false;  // the first keys go in before the tool starts
  unsigned short columns = 80, rows = 24;
  std::vector<std::string> environment;  // NAME=VALUE, added to the tool's
  int signalAfterKeys = 0;               // sent to the tool after the last keys
  int timeoutSeconds = 30;
  std::string waitFor;                 // the first keys wait until the output holds this text
  bool hangUpAfterKeys = false;        // the terminal is closed after the last keys, as a window is
  std::vector<int> blockedSignals;     // blocked when the tool starts
  std::string outputFile;              // standard output goes to this file, not the terminal
  bool noControllingTerminal = false;  // started as setsid starts it: the terminal is not its own
  bool unprivileged = false;           // run as the unprivileged user when root
  bool nonBlocking = false;            // the terminal left in non-blocking mode
  // Started as a shell starts a job: in a process group of its own, in front
  // on the terminal, so that a stop signal stops it.
  bool asJob = false;
  // As a job started with & and brought back with fg: behind the shell until
  // it stops at its first read, then put in front and continued. Should the
  // terminal's modes differ from those before the start while it is stopped
  // there, the job's parent writes kModesChangedInBackground to the terminal.
  bool startInBackground = false;
  // The window made `resizeColumns` wide, as a user drags it, just before
  // the element `resizeBeforeKey` of `keys` is written; never when 0.
  unsigned short resizeColumns = 0;
  std::size_t resizeBeforeKey = 0;
  // Called after each element of `keys` is written, with its index and the
  // terminal's own side.
  std::function<void(std::size_t key, int terminal)> afterKey;
};

inline constexpr char kModesChangedInBackground[] = "[modes changed by a job in the background]";

struct TerminalResult : RunResult {
  bool settingsRestored = false;       // the terminal's modes after the run equal those before
  bool echoAfter = false;              // echo and line mode on after the run
  std::size_t outputBeforeResize = 0;  // bytes of `output` read before the resize
};

TerminalResult runInTerminal(const std::string& folder, const TerminalOptions& options);

using TempFolder = sample::TempFolder;

// The user an unprivileged run uses when the tests run as root: nobody.
bool unprivilegedUserExists();
uid_t unprivilegedUser();
gid_t unprivilegedGroup();

}  // namespace e2e
