// SPDX-License-Identifier: GPL-3.0-or-later
// Key decoding for a terminal: the bytes that a key sends (a character, a
// control byte, or an escape sequence) turned into one EditKey. It reads
// through a function pointer and makes no terminal call of its own, so tests
// and the fuzzer feed it bytes from memory.

#pragma once

#include "console/console_input.h"
#include "console/line_editor.h"

// Waits for the rest of a sequence, in milliseconds: a lone Esc is a key of
// its own when nothing follows within this time.
inline constexpr int kEscapeWaitMs = 100;

struct KeyBytes {
  ByteSource bytes;
  int held = kNoByte;  // a byte read ahead that starts the next key
};

// The next key. The end of input is HangUp, never Enter: a terminal only
// ends when it has gone. Ctrl+C is Interrupt; an unknown sequence or control
// byte and an Alt chord are Nothing; the bytes of a broken UTF-8 sequence are
// typed as they are. Never reads more than one key's bytes beyond a held byte.
EditKey decodeKey(KeyBytes& input, bool utf8);
