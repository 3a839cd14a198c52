// The closing pause: only a console of the tool's own, with the user at both
// of its ends, keeps the window open after the run.

#include "run/closing_pause.h"

#include <gtest/gtest.h>

TEST(ClosingPauseTest, OnlyALoneConsoleAtBothEndsPauses) {
  struct Case {
    const char* what;
    ConsoleFacts facts;
    bool pauses;
  };
  const Case cases[] = {
      {"started from Explorer", {true, true, true}, true},
      {"a command prompt shares the console", {false, true, true}, false},
      {"input redirected", {true, false, true}, false},
      {"output redirected", {true, true, false}, false},
      {"both redirected", {true, false, false}, false},
      {"a command prompt, input redirected", {false, false, true}, false},
      {"a command prompt, output redirected", {false, true, false}, false},
      {"no console at all", {false, false, false}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(needsClosingPause(c.facts), c.pauses) << c.what;
}
