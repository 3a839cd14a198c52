// SPDX-License-Identifier: GPL-3.0-or-later
// The decision of the closing pause, apart from the console calls that give
// its facts.

#include "run/closing_pause.h"

bool needsClosingPause(const ConsoleFacts& facts) {
  return facts.onlyProcess && facts.inputIsConsole && facts.outputIsConsole;
}

bool closesWindow(const ConsoleKeyEvent& event) {
  ConsoleKeyState state;
  const KeyAction action = consoleKey(state, event).action;
  return action == KeyAction::Enter || action == KeyAction::Escape ||
         (event.keyDown && event.character == 3);
}
