// SPDX-License-Identifier: GPL-3.0-or-later
// hamshift: moves the low-band frequencies of a radio programming data file
// into the 6 m and 10 m amateur bands, in place.

#include <clocale>
#include <string>
#include <vector>

#include "console/console_output.h"
#include "run/closing_pause.h"
#include "run/command_line.h"
#include "run/run.h"
#include "run/startup.h"
#include "run/text.h"

// The run's own status, unless the tool's text could not be written: the
// user was then told nothing, which is a failure whatever the run did.
static int finalStatus(int status) {
  if (!outputFailed()) return status;
  printError("hamshift: the output could not be written");
  return 1;
}

int main(int argc, char** argv) {
  prepareProcess();
  std::setlocale(LC_CTYPE, "");
  const CommandLine line = parseCommandLine(commandLineArguments(argc, argv), kSlashOptions);
  switch (line.request) {
    case CommandLineRequest::UnknownOption:
      printError(unknownOptionLine(line.unknownOption));
      return 2;
    case CommandLineRequest::Help:
    case CommandLineRequest::Version:
      printText(requestedText(line.request, kPlatformLineEnd));
      // Started from Explorer, the window would close before the text is read.
      closingPause();
      return finalStatus(0);
    case CommandLineRequest::Conversion: break;
  }
  RunOptions options;
  options.dryRun = line.dryRun;
  options.backup = line.backup;
  const int status = runConversion(line.nameWords, options);
  closingPause();
  return finalStatus(status);
}
