// SPDX-License-Identifier: GPL-3.0-or-later
// The device-name rule and the long path form of the Windows file calls.

#include "datafile/windows_paths.h"

static bool isPortDigit(char16_t c) {
  // Windows also takes the superscript digits one to three as port numbers.
  return (c >= u'0' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
}

static bool isSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

static std::u16string upperAscii(std::u16string_view text) {
  std::u16string upper;
  for (const char16_t c : text) upper += c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  return upper;
}

// A drive and a separator: C:\ or C:/.
static bool startsWithDrive(std::u16string_view path) {
  if (path.size() < 3 || path[1] != u':' || !isSeparator(path[2])) return false;
  const auto letter = static_cast<char16_t>(path[0] | 0x20);
  return letter >= u'a' && letter <= u'z';
}

// The reserved names, which Windows takes as devices in any folder.
static bool namesReservedDevice(std::u16string_view name) {
  const std::size_t slash = name.find_last_of(u"\\/");
  std::u16string_view base = slash == std::u16string_view::npos ? name : name.substr(slash + 1);
  if (base.size() >= 2 && base[1] == u':') base.remove_prefix(2);  // a drive, as in C:NUL
  base = base.substr(0, base.find_first_of(u".:"));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  const std::u16string upper = upperAscii(base);
  if (upper == u"CON" || upper == u"PRN" || upper == u"AUX" || upper == u"NUL" ||
      upper == u"CONIN$" || upper == u"CONOUT$")
    return true;
  return upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT")) &&
         isPortDigit(upper[3]);
}

bool namesDevice(std::u16string_view name) {
  // \\?\ and \??\ paths go to the system as they stand; \\.\ ones (and their
  // forms with forward slashes) are still put in order first.
  const std::u16string prefix = upperAscii(name.substr(0, 4));
  const bool literal = prefix == u"\\\\?\\" || prefix == u"\\??\\";
  const bool local = prefix == u"\\\\.\\" || prefix == u"//./" || prefix == u"//?/";
  if (!literal && !local) return namesReservedDevice(name);
  const std::u16string_view rest = name.substr(4);
  if (startsWithDrive(rest)) return !literal && namesReservedDevice(rest);
  if (!literal) return true;
  const std::u16string upper = upperAscii(rest);
  const bool share = upper.starts_with(u"UNC\\");
  const bool volume = upper.starts_with(u"VOLUME{") && upper.find(u"}\\") != std::u16string::npos;
  return !share && !volume;
}

std::u16string longPathForm(std::u16string_view fullPath) {
  if (fullPath.size() <= kLongestShortPath) return {};
  if (startsWithDrive(fullPath)) return u"\\\\?\\" + std::u16string(fullPath);
  if (fullPath.starts_with(u"\\\\") && fullPath.size() > 2 && fullPath[2] != u'?' &&
      fullPath[2] != u'.')
    return u"\\\\?\\UNC\\" + std::u16string(fullPath.substr(2));
  return {};
}

OpenFailure openFailureOfError(std::uint32_t error) {
  for (const std::uint32_t nothing : kNamesNothingErrors)
    if (error == nothing) return OpenFailure::NotFound;
  return OpenFailure::CannotOpen;
}

bool errorMeansExists(std::uint32_t error) {
  for (const std::uint32_t exists : kExistsErrors)
    if (error == exists) return true;
  return false;
}
