// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-8 decoding and the conversions between UTF-8 and UTF-16.

#include "unicode/unicode.h"

std::size_t sequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

std::size_t wholeSequenceAt(std::string_view bytes, std::size_t at) {
  const std::size_t length = sequenceLength(static_cast<unsigned char>(bytes[at]));
  if (length == 0 || at + length > bytes.size()) return 0;
  for (std::size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(bytes[at + i]) & 0xC0) != 0x80) return 0;
  return length;
}

char32_t decodeUtf8(std::string_view bytes, std::size_t at, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(bytes[at]);
  length = 1;
  if (lead < 0x80) return lead;
  const std::size_t count = wholeSequenceAt(bytes, at);
  if (count == 0) return kNoCharacter;
  char32_t c = lead & (0x7F >> count);
  for (std::size_t i = 1; i < count; ++i)
    c = c << 6 | (static_cast<unsigned char>(bytes[at + i]) & 0x3F);
  const char32_t shortest = count == 2 ? 0x80 : count == 3 ? 0x800 : 0x10000;
  if (c < shortest || c > 0x10FFFF || isHighSurrogate(c) || isLowSurrogate(c)) return kNoCharacter;
  length = count;
  return c;
}

bool isHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

bool isUtf8(std::string_view bytes) {
  for (std::size_t at = 0, length = 0; at < bytes.size(); at += length)
    if (decodeUtf8(bytes, at, length) == kNoCharacter) return false;
  return true;
}

static void appendUtf8(std::string& text, char32_t c) {
  if (c < 0x80) {
    text += static_cast<char>(c);
    return;
  }
  const int count = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  static constexpr char32_t kLeads[] = {0, 0, 0xC0, 0xE0, 0xF0};
  text += static_cast<char>(kLeads[count] | c >> (6 * (count - 1)));
  for (int shift = 6 * (count - 2); shift >= 0; shift -= 6)
    text += static_cast<char>(0x80 | (c >> shift & 0x3F));
}

std::string utf8Of(std::u16string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1]))
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (isHighSurrogate(c) || isLowSurrogate(c))
      c = kReplacementCharacter;
    appendUtf8(bytes, c);
  }
  return bytes;
}

std::u16string utf16Of(std::string_view bytes) {
  std::u16string text;
  for (std::size_t at = 0, length = 0; at < bytes.size(); at += length) {
    char32_t c = decodeUtf8(bytes, at, length);
    if (c == kNoCharacter) c = kReplacementCharacter;
    if (c >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(c);
    }
  }
  return text;
}
