// SPDX-License-Identifier: GPL-3.0-or-later
// RunState: what one run of the tool knows, owned by the driver.

#pragma once

#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "radiofile/band_shift.h"
#include "radiofile/profiles.h"

struct RunState {
  std::string fileName;                // used unchanged as the path and printed back as held
  std::vector<std::string> nameWords;  // the command line's words that made the name
  DataFile dataFile;
  Signature signature{0, 0};
  Detection detection;    // what the profile that took the file found
  Conversion conversion;  // the ChangeCount, and a dry run's moves
};
