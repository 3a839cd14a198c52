// hamshift: moves the low-band frequencies of a radio programming data file
// into the 6 m and 10 m amateur bands, in place.

#include <clocale>

#include "run/closing_pause.h"
#include "run/run.h"
#include "run/startup.h"
#include "run/text.h"

int main(int argc, char** argv) {
  prepareProcess();
  std::setlocale(LC_CTYPE, "");
  const int status = runConversion(commandLineTail(commandLineArguments(argc, argv)));
  closingPause();
  return status;
}
