// SPDX-License-Identifier: GPL-3.0-or-later
// Input from memory for the tests and fuzz targets: a byte stream for the
// field parser, and key bytes for the key decoder.

#pragma once

#include <cstddef>
#include <string_view>

#include "console/console_input.h"
#include "console/key_decoder.h"

// Redirected input, for InputContext's stream.
struct MemoryStream {
  std::string_view bytes;
  std::size_t next = 0;
};

inline int readMemoryStream(void* source, int) {
  auto& stream = *static_cast<MemoryStream*>(source);
  if (stream.next >= stream.bytes.size()) return kEndOfInput;
  return static_cast<unsigned char>(stream.bytes[stream.next++]);
}

// Key bytes: each arrives at once, and after the last one a timed wait runs
// out while a blocking read meets the end of input.
struct MemoryKeys {
  std::string_view bytes;
  std::size_t at = 0;
};

inline int readMemoryKey(void* source, int waitMs) {
  auto& keys = *static_cast<MemoryKeys*>(source);
  if (keys.at < keys.bytes.size()) return static_cast<unsigned char>(keys.bytes[keys.at++]);
  return waitMs < 0 ? kEndOfInput : kNoByte;
}

inline KeyBytes keyBytesFrom(MemoryKeys& keys) {
  KeyBytes input;
  input.bytes = {readMemoryKey, &keys};
  return input;
}
