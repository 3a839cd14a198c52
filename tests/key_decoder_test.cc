// SPDX-License-Identifier: GPL-3.0-or-later
// Terminal key decoding: which bytes make which key, and where one key ends
// and the next begins.

#include "console/key_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "memory_input.h"

namespace {

// The keys that `bytes` make, as letters: I(text) for Insert, else the first
// letters of the action. With no bytes at all, the one key of the input's end.
std::string decodeAll(std::string_view bytes, bool utf8) {
  static const char* const kNames[] = {"I", "Tab", "Bs", "Del", "Esc", "Home", "End", "L",
                                       "R", "U",   "D",  "Ent", "Int", "Hup",  "-"};
  MemoryKeys memory{bytes};
  KeyBytes input = keyBytesFrom(memory);
  std::string out;
  do {
    const EditKey key = decodeKey(input, utf8);
    if (!out.empty()) out += ' ';
    out += kNames[static_cast<int>(key.action)];
    if (key.action == KeyAction::Insert) out += "(" + key.text + ")";
  } while (memory.at < bytes.size() || input.held != kNoByte);
  return out;
}

TEST(KeyDecoderTest, BytesToKeys) {
  struct Case {
    const char* bytes;
    bool utf8;
    const char* keys;
  };
  const Case cases[] = {
      // The end of input is a terminal that has gone, never Enter.
      {"", false, "Hup"},
      {"a\t\b\x7f\r\n", false, "I(a) Tab Bs Bs Ent Ent"},
      {"\x03", false, "Int"},
      {"\x01\x1f", false, "- -"},
      {"\x1b[A\x1b[B\x1b[C\x1b[D\x1b[H\x1b[F", false, "U D R L Home End"},
      {"\x1bOA\x1bOH\x1bOF", false, "U Home End"},
      {"\x1b[1~\x1b[7~\x1b[4~\x1b[8~\x1b[3~", false, "Home Home End End Del"},
      {"\x1b[2~\x1b[1;5C\x1b[Z", false, "- - -"},
      // A lone Esc, a doubled one, and an Alt chord, which eats its letter.
      {"\x1b", false, "Esc"},
      {"\x1b\x1b", false, "Esc Esc"},
      {"\x1bxy", false, "- I(y)"},
      // A runaway sequence ends at its 17th parameter byte; the rest are typed.
      {"\x1b[11111111111111111111~", false, "- I(1) I(1) I(1) I(~)"},
      {"\xc3\xa9\xe2\x82\xac", true, "I(\xc3\xa9) I(\xe2\x82\xac)"},
      {"\xc3\xa9", false, "I(\xc3) I(\xa9)"},
      // Bytes that make no character are typed as they are; the byte that
      // broke the sequence is a key of its own.
      {"R\xe4"
       "dio",
       true, "I(R) I(\xe4) I(d) I(i) I(o)"},
      {"\xe2\x82z", true, "I(\xe2\x82) I(z)"},
      {"\xe2\x82", true, "I(\xe2\x82)"},
      {"\xe2\x82\r", true, "I(\xe2\x82) Ent"},
      {"\xe2\x1b[D", true, "I(\xe2) L"},
      {"\xa9\xff\xc0", true, "I(\xa9) I(\xff) I(\xc0)"},
  };
  for (const Case& c : cases) EXPECT_EQ(decodeAll(c.bytes, c.utf8), c.keys) << "bytes: " << c.bytes;
}

}  // namespace
