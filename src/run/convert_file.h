// SPDX-License-Identifier: GPL-3.0-or-later
// The part of a run that every face of the tool shares: from a name to the
// file's outcome. It prints nothing and asks nothing; the console driver and
// the page each show what it found.

#pragma once

#include <string>
#include <vector>

#include "run/outcome.h"
#include "run/run_state.h"

struct RunOptions {
  bool dryRun = false;  // no screen clearing, no banner, and no byte written: the moves listed
  bool backup = false;  // the file copied to NAME.bak before its first byte is written
};

// The name ends in DAT, in any case; an empty name does not.
bool passesDatGate(const std::string& fileName);

// Whether the name seems to hold an option written after it: a blank
// followed by '-'.
bool holdsOptionAfterName(const std::string& fileName);

// Whether a name that names nothing is rather several files given at once:
// two or more words, each of them a file there on its own. Opens nothing.
bool namesSeveralFiles(const std::vector<std::string>& nameWords);

// The gate, the open, the profiles and the close, for run.fileName. Fills in
// run.detection and run.conversion and gives how the run ends.
RunOutcome convertFile(RunState& run, const RunOptions& options);
