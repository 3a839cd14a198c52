// SPDX-License-Identifier: GPL-3.0-or-later
// Terminal key decoding: CSI and SS3 sequences for the cursor keys, the
// control bytes of the editing keys, and UTF-8 characters taken whole.

#include "console/key_decoder.h"

#include "unicode/unicode.h"

#include <string>

static int nextByte(KeyBytes& input, int waitMs) {
  if (input.held != kNoByte) {
    const int held = input.held;
    input.held = kNoByte;
    return held;
  }
  return input.bytes.read(input.bytes.state, waitMs);
}

static EditKey key(KeyAction action) {
  return EditKey{action, {}};
}

// After ESC [ or ESC O. Parameters are kept only for ESC [, and at most 16 of
// them, so that a runaway sequence cannot grow without end.
static EditKey decodeSequence(KeyBytes& input, int introducer) {
  std::string parameters;
  int final = nextByte(input, kEscapeWaitMs);
  while (introducer == '[' && final >= 0x20 && final <= 0x3F && parameters.size() < 16) {
    parameters += static_cast<char>(final);
    final = nextByte(input, kEscapeWaitMs);
  }
  if (final == '~') {
    if (parameters == "1" || parameters == "7") return key(KeyAction::Home);
    if (parameters == "4" || parameters == "8") return key(KeyAction::End);
    if (parameters == "3") return key(KeyAction::Delete);
    return key(KeyAction::Nothing);
  }
  if (!parameters.empty()) return key(KeyAction::Nothing);
  switch (final) {
    case 'A': return key(KeyAction::Up);
    case 'B': return key(KeyAction::Down);
    case 'C': return key(KeyAction::Right);
    case 'D': return key(KeyAction::Left);
    case 'H': return key(KeyAction::Home);
    case 'F': return key(KeyAction::End);
    default: return key(KeyAction::Nothing);
  }
}

static EditKey decodeEscape(KeyBytes& input) {
  const int next = nextByte(input, kEscapeWaitMs);
  if (next == '[' || next == 'O') return decodeSequence(input, next);
  // A second Esc starts a key of its own; Esc with a character is an Alt
  // chord, which does nothing.
  if (next == 27 || next == kEndOfInput) input.held = next;
  if (next == kNoByte || next == 27 || next == kEndOfInput) return key(KeyAction::Escape);
  return key(KeyAction::Nothing);
}

// A UTF-8 character's continuation bytes. When a byte breaks the sequence,
// the bytes before it are typed as they are, each a character of one byte,
// and the byte that broke it starts the next key.
static EditKey decodeCharacter(KeyBytes& input, int lead, bool utf8) {
  std::string text(1, static_cast<char>(lead));
  const std::size_t length = utf8 ? sequenceLength(static_cast<unsigned char>(lead)) : 0;
  while (text.size() < length) {
    const int next = nextByte(input, kEscapeWaitMs);
    if (next < 0 || (next & 0xC0) != 0x80) {
      if (next != kNoByte) input.held = next;
      break;
    }
    text += static_cast<char>(next);
  }
  return EditKey{KeyAction::Insert, text};
}

EditKey decodeKey(KeyBytes& input, bool utf8) {
  const int byte = nextByte(input, -1);
  switch (byte) {
    case kEndOfInput: return key(KeyAction::HangUp);
    case 3: return key(KeyAction::Interrupt);
    case 8:
    case 127: return key(KeyAction::Backspace);
    case 9: return key(KeyAction::Tab);
    case 10:
    case 13: return key(KeyAction::Enter);
    case 27: return decodeEscape(input);
    default: return byte < 32 ? key(KeyAction::Nothing) : decodeCharacter(input, byte, utf8);
  }
}
