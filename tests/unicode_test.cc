// SPDX-License-Identifier: GPL-3.0-or-later
// The UTF-8 and UTF-16 conversions at the Windows edges.

#include "unicode/unicode.h"

#include <gtest/gtest.h>

namespace {

// Names cross between UTF-8 and the UTF-16 of the Windows calls; a letter
// must come back as it went, and what is not UTF-8 must show as U+FFFD.
TEST(UnicodeTest, Utf8AndUtf16) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
    bool valid;
  };
  const Case cases[] = {
      {"RADIO.DAT", u"RADIO.DAT", true},
      {"\xC5\x81ukasz", u"\u0141ukasz", true},                // two bytes
      {"\xE6\x97\xA5.DAT", u"\u65E5.DAT", true},              // three
      {"\xF0\x9F\x93\xBB", u"\U0001F4FB", true},              // four: a surrogate pair
      {"\x7F\xC2\x80\xDF\xBF", u"\u007F\u0080\u07FF", true},  // the edges of two bytes
      {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\uFFFF\U0010FFFF", true},
      {"Jos\xE9", u"Jos\uFFFD", false},                          // a lone Latin-1 byte
      {"\xC0\xAF", u"\uFFFD\uFFFD", false},                      // overlong
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", false},            // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},            // a surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},  // past U+10FFFF
      {"\xE6\x97", u"\uFFFD\uFFFD", false},                      // cut short
      {"", u"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(isUtf8(c.utf8), c.valid);
    EXPECT_EQ(utf16Of(c.utf8), c.utf16);
    if (c.valid) {
      EXPECT_EQ(utf8Of(c.utf16), c.utf8);
    }
  }
  // A lone half of a pair becomes U+FFFD too, in either order.
  const std::u16string halves{u'A', 0xD800, u'B', 0xDC00};
  EXPECT_EQ(utf8Of(halves),
            "A\xEF\xBF\xBD"
            "B\xEF\xBF\xBD");
}

}  // namespace
