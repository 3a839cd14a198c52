// SPDX-License-Identifier: GPL-3.0-or-later
// The two file profiles. Each acts only on a file whose signature is its own:
// "59" for KPG59D, "44" for KPG44D. A profile prints what it found and
// converts the file's tables; the run driver then closes the file and tells
// how the writes went.

#pragma once

#include "run/run_state.h"

void runKpg59dProfile(RunState& run);
void runKpg44dProfile(RunState& run);
