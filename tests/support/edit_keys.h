// SPDX-License-Identifier: GPL-3.0-or-later
// Key sequences for the tests of the editing core and its drawing: a key of
// each kind, typed text as one key per byte, and sequences joined with +.

#pragma once

#include <string>
#include <vector>

#include "console/line_editor.h"

inline EditKey ch(const std::string& text) {
  return EditKey{KeyAction::Insert, text};
}

inline EditKey k(KeyAction action) {
  return EditKey{action, {}};
}

inline std::vector<EditKey> text(const std::string& s) {
  std::vector<EditKey> keys;
  for (const char c : s) keys.push_back(ch(std::string(1, c)));
  return keys;
}

inline std::vector<EditKey> operator+(std::vector<EditKey> a, const std::vector<EditKey>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
