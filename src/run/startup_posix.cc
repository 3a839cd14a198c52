// SPDX-License-Identifier: GPL-3.0-or-later
// Process set-up on POSIX systems: the standard descriptors, the signals that
// would end a run half-way, and the arguments.

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include "run/startup.h"

const std::string_view kPlatformLineEnd = "\n";
const bool kSlashOptions = false;

void prepareProcess() {
  // open gives the lowest free descriptor, so each closed one is filled in
  // turn and the data file can never become standard input or output.
  for (int descriptor = 0; descriptor <= 2; ++descriptor)
    if (fcntl(descriptor, F_GETFD) == -1 && open("/dev/null", O_RDWR) < 0) break;
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

std::string programPath(int argc, char** argv) {
  return argc > 0 && argv[0] != nullptr ? std::string(argv[0]) : std::string();
}
