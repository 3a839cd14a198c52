// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows console's key events turned into the editor's keys. A key is
// taken by the character it carries first, as the key table acts on a code
// whatever key gave it (Ctrl+H is Backspace, Ctrl+M Enter), and by its
// virtual-key code only when it carries none: the arrows, Home, End and
// Delete, and the editing keys where a console gives them no character, as
// Wine's console on a terminal does for Esc. Also the input modes the
// console is given. Portable: the Windows console files pass the events and
// modes in, and make the calls.

#pragma once

#include <cstdint>
#include <string>

#include "console/line_editor.h"

// One key event, as the console's KEY_EVENT_RECORD holds it.
struct ConsoleKeyEvent {
  std::uint16_t virtualKey = 0;
  char16_t character = 0;  // a UTF-16 code unit; 0 for a key that types none
  bool keyDown = true;
  bool altHeld = false;  // Alt without Ctrl (Ctrl+Alt is AltGr, which types characters)
};

// The virtual-key codes of the keys that are taken by their code.
inline constexpr std::uint16_t kVirtualKeyBackspace = 0x08;
inline constexpr std::uint16_t kVirtualKeyTab = 0x09;
inline constexpr std::uint16_t kVirtualKeyEnter = 0x0D;
inline constexpr std::uint16_t kVirtualKeyAlt = 0x12;  // VK_MENU
inline constexpr std::uint16_t kVirtualKeyEscape = 0x1B;
inline constexpr std::uint16_t kVirtualKeyEnd = 0x23;
inline constexpr std::uint16_t kVirtualKeyHome = 0x24;
inline constexpr std::uint16_t kVirtualKeyLeft = 0x25;
inline constexpr std::uint16_t kVirtualKeyUp = 0x26;
inline constexpr std::uint16_t kVirtualKeyRight = 0x27;
inline constexpr std::uint16_t kVirtualKeyDown = 0x28;
inline constexpr std::uint16_t kVirtualKeyDelete = 0x2E;

struct ConsoleKey {
  KeyAction action = KeyAction::Nothing;
  std::u16string text;  // for Insert: the character, in UTF-16
};

// Between events: the first half of a character outside the Basic
// Multilingual Plane, which comes as two events.
struct ConsoleKeyState {
  char16_t highSurrogate = 0;
};

// The console's input modes that the tool changes, with the values of the
// system's ENABLE_PROCESSED_INPUT, ENABLE_LINE_INPUT and ENABLE_ECHO_INPUT.
inline constexpr std::uint32_t kProcessedInput = 0x0001;
inline constexpr std::uint32_t kLineInput = 0x0002;
inline constexpr std::uint32_t kEchoInput = 0x0004;

// The input mode of the whole run, taken on when the output is first looked
// at: Ctrl+C ends the process through the system's own handling, whatever
// mode the program that started it left. Every other bit stays.
std::uint32_t runInputMode(std::uint32_t mode);

// While the name is typed: key by key, with no echo of the console's own,
// and Ctrl+C still the system's. Every other bit stays.
std::uint32_t typingInputMode(std::uint32_t mode);

// The key an event makes. A character typed as Alt and a number on the
// numeric keypad comes with the release of Alt; the keys pressed meanwhile
// make none, even those that move the cursor with Num Lock off.
ConsoleKey consoleKey(ConsoleKeyState& state, const ConsoleKeyEvent& event);
