// SPDX-License-Identifier: GPL-3.0-or-later
// Unicode where the tool meets the system: UTF-8 sequences, UTF-16 units and
// the conversions between them. The bottom layer: it includes nothing of the
// tool's own, so every folder may use it.

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr char32_t kReplacementCharacter = 0xFFFD;
inline constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// The length a UTF-8 sequence led by `lead` has; 0 for a byte that leads none.
std::size_t sequenceLength(unsigned char lead);

// The length of the sequence whose lead is at `at`, when all its continuation
// bytes follow; 0 otherwise. Only the shape is checked, not the value.
std::size_t wholeSequenceAt(std::string_view bytes, std::size_t at);

// The character of the UTF-8 sequence at `at`, and its length; kNoCharacter
// and a length of 1 where no whole, shortest sequence of a character starts.
char32_t decodeUtf8(std::string_view bytes, std::size_t at, std::size_t& length);

bool isHighSurrogate(char32_t c);
bool isLowSurrogate(char32_t c);

// Whether the bytes are UTF-8 throughout: no stray or overlong sequence, no
// surrogate, nothing past U+10FFFF. ASCII is.
bool isUtf8(std::string_view bytes);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string utf8Of(std::u16string_view text);

// UTF-8 to UTF-16; each byte that is not part of a whole sequence becomes
// U+FFFD.
std::u16string utf16Of(std::string_view bytes);
