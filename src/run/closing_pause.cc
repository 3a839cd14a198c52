// The decision of the closing pause, apart from the console calls that give
// its facts.

#include "run/closing_pause.h"

bool needsClosingPause(const ConsoleFacts& facts) {
  return facts.onlyProcess && facts.inputIsConsole && facts.outputIsConsole;
}
