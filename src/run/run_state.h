// SPDX-License-Identifier: GPL-3.0-or-later
// RunState: what one run of the tool knows, owned by the driver and lent to
// the file profiles.

#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "datafile/datafile.h"
#include "radiofile/band_shift.h"

using Signature = std::array<std::uint8_t, 2>;  // the bytes at positions 4 and 5

struct RunState {
  std::string fileName;  // used unchanged as the path and printed back as held
  DataFile dataFile;
  Signature signature{0, 0};
  ChangeCount changeCount = 0;
  bool fileHandled = false;      // a profile dealt with the file: no invalid-file verdict
  bool tablesConverted = false;  // a profile walked its tables: the change report is due
};
