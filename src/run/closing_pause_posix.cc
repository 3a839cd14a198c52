// SPDX-License-Identifier: GPL-3.0-or-later
// The closing pause on POSIX systems: none.

#include "run/closing_pause.h"

// A terminal stays open after the tool ends; there is nothing to hold.
void closingPause() {}
