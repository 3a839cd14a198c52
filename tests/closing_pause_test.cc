// SPDX-License-Identifier: GPL-3.0-or-later
// The closing pause: only a console of the tool's own, with the user at both
// of its ends, keeps the window open after the run, until a closing key.

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

TEST(ClosingPauseTest, EnterEscOrCtrlCClosesTheWindow) {
  struct Case {
    const char* what;
    ConsoleKeyEvent event;
    bool closes;
  };
  const Case cases[] = {
      {"Enter", {0x0D, 13, true, false}, true},
      {"Ctrl+M", {'M', 13, true, false}, true},
      {"Esc", {0x1B, 27, true, false}, true},
      {"Esc with no character", {0x1B, 0, true, false}, true},
      {"Ctrl+C", {'C', 3, true, false}, true},
      {"Enter let go", {0x0D, 13, false, false}, false},
      {"a letter", {'A', u'a', true, false}, false},
      {"Down", {kVirtualKeyDown, 0, true, false}, false},
      {"an Alt code's character", {kVirtualKeyAlt, u'\u00e9', false, false}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(closesWindow(c.event), c.closes) << c.what;
}
