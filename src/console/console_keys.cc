// SPDX-License-Identifier: GPL-3.0-or-later
// Console key events to editor keys: the character code first, the virtual
// key for the keys that have none.

#include "console/console_keys.h"

#include "unicode/unicode.h"

static ConsoleKey characterKey(ConsoleKeyState& state, char16_t c) {
  const char16_t high = state.highSurrogate;
  state.highSurrogate = 0;
  switch (c) {
    case 8: return {KeyAction::Backspace, {}};
    case 9: return {KeyAction::Tab, {}};
    case 10:
    case 13: return {KeyAction::Enter, {}};
    case 27: return {KeyAction::Escape, {}};
    default: break;
  }
  if (c < 32) return {};
  if (isHighSurrogate(c)) {
    state.highSurrogate = c;
    return {};
  }
  if (isLowSurrogate(c)) {
    if (high == 0) return {};
    return {KeyAction::Insert, {high, c}};
  }
  return {KeyAction::Insert, std::u16string(1, c)};
}

ConsoleKey consoleKey(ConsoleKeyState& state, const ConsoleKeyEvent& event) {
  if (!event.keyDown) {
    if (event.virtualKey == kVirtualKeyAlt && event.character != 0)
      return characterKey(state, event.character);
    return {};
  }
  if (event.altHeld) return {};
  if (event.character != 0) return characterKey(state, event.character);
  switch (event.virtualKey) {
    case kVirtualKeyBackspace: return {KeyAction::Backspace, {}};
    case kVirtualKeyTab: return {KeyAction::Tab, {}};
    case kVirtualKeyEnter: return {KeyAction::Enter, {}};
    case kVirtualKeyEscape: return {KeyAction::Escape, {}};
    case kVirtualKeyLeft: return {KeyAction::Left, {}};
    case kVirtualKeyRight: return {KeyAction::Right, {}};
    case kVirtualKeyUp: return {KeyAction::Up, {}};
    case kVirtualKeyDown: return {KeyAction::Down, {}};
    case kVirtualKeyHome: return {KeyAction::Home, {}};
    case kVirtualKeyEnd: return {KeyAction::End, {}};
    case kVirtualKeyDelete: return {KeyAction::Delete, {}};
    default: return {};
  }
}

std::uint32_t runInputMode(std::uint32_t mode) {
  return mode | kProcessedInput;
}

std::uint32_t typingInputMode(std::uint32_t mode) {
  return runInputMode(mode) & ~(kLineInput | kEchoInput);
}
