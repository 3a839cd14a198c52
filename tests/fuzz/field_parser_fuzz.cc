// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the typed-name field parser over any bytes, read both as a
// typed line and as redirected input. The field never passes the limit or
// holds a NUL, and the two ways of reading agree on it: the stream's only
// differences are its CR LF pairs, which end the field either way, and the
// byte 0x1A, which ends the stream. They agree on what follows it, too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/console_input.h"
#include "memory_input.h"

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  InputContext typed;
  typed.line = std::string(bytes.substr(0, bytes.find('\x1a')));
  const std::string typedField = parseTextField(typed);

  MemoryStream stream{bytes};
  InputContext redirected;
  redirected.stream = {readMemoryStream, &stream};
  const std::string streamField = parseTextField(redirected);

  for (const std::string* field : {&typedField, &streamField}) {
    require(field->size() <= kFieldLimit);
    require(field->find('\0') == std::string::npos);
  }
  require(typedField == streamField);
  require(fieldFit(typed) == fieldFit(redirected));
  // What is handed back to standard input was read from it.
  const int unused = unusedStreamBytes(redirected);
  require(unused >= 0 && unused <= 2 && static_cast<std::size_t>(unused) <= stream.next);
  return 0;
}
