// Number formatting of the console output.

#include "console/console_output.h"

#include <gtest/gtest.h>

TEST(ConsoleOutputTest, FormatNumber) {
  struct Case {
    float value;
    const char* text;
  };
  const Case cases[] = {
      {0.0F, " 0"},
      {1.0F, " 1"},
      {2.0F, " 2"},
      {12.0F, " 12"},
      {352.0F, " 352"},
      {1.5F, " 1.5"},
      {-3.0F, "-3"},
      {1234567.0F, " 1234567"},
      {12345678.0F, " 1.234568e+07"},
      {0.0001F, " 0.0001"},
      {0.00001F, " 1e-05"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatNumber(c.value), c.text) << c.value;
}
