// SPDX-License-Identifier: GPL-3.0-or-later
// The text operations: the DAT gate's three, the command-line tail, and the
// UTF-8 and UTF-16 conversions of the Windows edges.

#include "run/text.h"

#include <cctype>

std::string lastChars(std::string_view text, int n) {
  if (n <= 0) return {};
  const auto count = static_cast<std::size_t>(n);
  return std::string(count >= text.size() ? text : text.substr(text.size() - count));
}

std::string upperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    const int code = static_cast<unsigned char>(c);
    if (std::islower(code)) c = static_cast<char>(std::toupper(code));
  }
  return upper;
}

bool textEquals(std::string_view a, std::string_view b) {
  return a == b;
}

std::string commandLineTail(const std::vector<std::string>& arguments) {
  std::string tail;
  for (const std::string& argument : arguments) {
    if (&argument != &arguments.front()) tail += ' ';
    tail += argument;
  }
  return tail;
}

static constexpr char32_t kReplacement = 0xFFFD;
static constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// The character of the UTF-8 sequence at `at`, and its length; kNoCharacter
// and a length of 1 where no whole, shortest sequence of a character starts.
static char32_t decodeAt(std::string_view bytes, std::size_t at, std::size_t& length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
  const unsigned char lead = byte(0);
  length = 1;
  if (lead < 0x80) return lead;
  if (lead < 0xC2 || lead > 0xF4) return kNoCharacter;
  const std::size_t count = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  char32_t c = lead & (0x7F >> count);
  if (at + count > bytes.size()) return kNoCharacter;
  for (std::size_t i = 1; i < count; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return kNoCharacter;
    c = c << 6 | (byte(i) & 0x3F);
  }
  const char32_t shortest = count == 2 ? 0x80 : count == 3 ? 0x800 : 0x10000;
  if (c < shortest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kNoCharacter;
  length = count;
  return c;
}

bool isUtf8(std::string_view bytes) {
  for (std::size_t at = 0, length = 0; at < bytes.size(); at += length)
    if (decodeAt(bytes, at, length) == kNoCharacter) return false;
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
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = kReplacement;
    appendUtf8(bytes, c);
  }
  return bytes;
}

std::u16string utf16Of(std::string_view bytes) {
  std::u16string text;
  for (std::size_t at = 0, length = 0; at < bytes.size(); at += length) {
    char32_t c = decodeAt(bytes, at, length);
    if (c == kNoCharacter) c = kReplacement;
    if (c >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(c);
    }
  }
  return text;
}
