// The device-name rule of the Windows file calls.

#include "datafile/device_names.h"

#include <string>

static bool isPortDigit(char16_t c) {
  // Windows also takes the superscript digits one to three as port numbers.
  return (c >= u'0' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
}

bool namesDevice(std::u16string_view name) {
  if (name.starts_with(u"\\\\.\\") || name.starts_with(u"\\\\?\\") || name.starts_with(u"//./"))
    return true;
  const std::size_t slash = name.find_last_of(u"\\/");
  std::u16string_view base = slash == std::u16string_view::npos ? name : name.substr(slash + 1);
  if (base.size() >= 2 && base[1] == u':') base.remove_prefix(2);  // a drive, as in C:NUL
  base = base.substr(0, base.find_first_of(u".:"));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  std::u16string upper;
  for (const char16_t c : base) upper += c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  if (upper == u"CON" || upper == u"PRN" || upper == u"AUX" || upper == u"NUL" ||
      upper == u"CONIN$" || upper == u"CONOUT$")
    return true;
  return upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT")) &&
         isPortDigit(upper[3]);
}
