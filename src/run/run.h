// SPDX-License-Identifier: GPL-3.0-or-later
// The tool's one dialogue on the console: banner, file name, the DAT gate,
// detection and conversion, report.

#pragma once

#include <string>
#include <vector>

#include "run/convert_file.h"

// Runs the dialogue for the file named by the command line's name words,
// joined by single blanks (asking for a name when there are none), and gives
// the process's exit status.
int runConversion(const std::vector<std::string>& nameWords, const RunOptions& options = {});
