// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows console's decisions, apart from its calls so that the Linux
// tests reach them: the pieces a text goes to a screen buffer in, the cells
// a character takes by the cursor's move, and how the bytes of a redirected
// name are read. The Windows console files make the calls.

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Older consoles refuse a write much over 26,000 characters, so a text goes
// to a screen buffer in pieces of at most this many UTF-16 units.
inline constexpr std::size_t kScreenPieceLength = 8192;

// The length of the next piece of `text`: at most `most` units, and one less
// where that would end between the two halves of a character; a lone pair
// longer than `most` goes whole.
std::size_t screenPieceLength(std::u16string_view text, std::size_t most);

// The cells a character took, written alone at the top left of a screen
// buffer, from where the cursor then stands: the column it moved to, or 2
// where it went on to the next row (a wide character at a margin); never
// more than 2.
std::size_t cellsOfCursorMove(long row, long column);

// An ANSI code page's bytes in UTF-16; empty when they cannot be read.
using AnsiDecoder = std::u16string (*)(std::string_view bytes);

// A name read from redirected input, as the tool holds it (UTF-8): the bytes
// as they are where they are UTF-8 throughout; otherwise they are taken in
// the ANSI code page, as older Windows programs write text. Empty when
// neither reads them.
std::string nameFromBytes(std::string field, AnsiDecoder fromAnsi);
