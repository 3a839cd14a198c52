// Process set-up on Windows.

#include <windows.h>

#include "run/startup.h"

// Asks the MinGW start-up code to expand wildcards in the arguments, as the
// C runtime's own argument splitting does when its wildcard flag is set.
extern "C" {
int _dowildcard = -1;
}

void prepareProcess() {
  // A name on an empty drive or a missing share must fail quietly, not stop
  // the run with a system dialog box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}
