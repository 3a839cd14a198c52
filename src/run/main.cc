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

int main(int argc, char** argv) {
  prepareProcess();
  std::setlocale(LC_CTYPE, "");
  const std::vector<std::string> arguments = commandLineArguments(argc, argv);
  const CommandLineRequest request = commandLineRequest(arguments, kSlashOptions);
  if (request != CommandLineRequest::Conversion) {
    printText(requestedText(request, kPlatformLineEnd));
    return 0;
  }
  const int status = runConversion(commandLineTail(arguments));
  closingPause();
  return status;
}
