// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows console's decisions, apart from its calls.

#include "console/windows_console.h"

#include <algorithm>

#include "unicode/unicode.h"

std::size_t screenPieceLength(std::u16string_view text, std::size_t most) {
  if (text.size() <= most) return text.size();
  std::size_t length = most;
  if (isHighSurrogate(text[length - 1])) --length;
  return length > 0 ? length : std::min<std::size_t>(2, text.size());
}

std::size_t cellsOfCursorMove(long row, long column) {
  if (row > 0) return 2;
  return static_cast<std::size_t>(std::clamp(column, 0L, 2L));
}

std::string nameFromBytes(std::string field, AnsiDecoder fromAnsi) {
  if (isUtf8(field)) return field;
  const std::u16string wide = fromAnsi(field);
  return wide.empty() ? std::string() : utf8Of(wide);
}
