// SPDX-License-Identifier: GPL-3.0-or-later
// The tool's one dialogue: banner, file name, the DAT gate, detection and
// conversion, report.

#pragma once

#include <string>

// The name ends in DAT, in any case; an empty name does not.
bool passesDatGate(const std::string& fileName);

struct RunOptions {
  bool dryRun = false;  // no screen clearing, no banner, and no byte written: the moves listed
  bool backup = false;  // the file copied to NAME.bak before its first byte is written
};

// Runs the dialogue for the file named by the command-line tail (asking for a
// name when it is empty) and gives the process's exit status.
int runConversion(const std::string& commandLineTail, const RunOptions& options = {});
