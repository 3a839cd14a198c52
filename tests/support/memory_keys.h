// Key bytes from memory for the key decoder: each byte arrives at once, and
// after the last one a timed wait runs out while a blocking read meets the
// end of input.

#pragma once

#include <cstddef>
#include <string_view>

#include "console/key_decoder.h"

struct MemoryKeys {
  std::string_view bytes;
  std::size_t at = 0;
};

inline int readMemoryKey(void* source, int waitMs) {
  auto& keys = *static_cast<MemoryKeys*>(source);
  if (keys.at < keys.bytes.size()) return static_cast<unsigned char>(keys.bytes[keys.at++]);
  return waitMs < 0 ? kEndOfInput : kNoKeyByte;
}

inline KeyBytes keyBytesFrom(MemoryKeys& keys) {
  KeyBytes input;
  input.readByte = readMemoryKey;
  input.source = &keys;
  return input;
}
