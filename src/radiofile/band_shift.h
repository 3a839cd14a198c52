// SPDX-License-Identifier: GPL-3.0-or-later
// The band-shift rules and the walk over one table of frequency fields.
//
// A frequency field is four bytes of packed BCD, least significant first. The
// rules look only at its top two bytes, the FrequencyPair: lo (units and
// tenths of MHz) at position p, hi (hundreds and tens) at p + 1.

#pragma once

#include <cstdint>

#include "datafile/datafile.h"

using ChangeCount = int;

struct FrequencyPair {
  std::uint8_t lo = 0;
  std::uint8_t hi = 0;
};

// 30.0-30.9 MHz becomes 29.0-29.9 MHz; 40.0-43.9 MHz becomes 50.0-53.9 MHz.
// Gives false, with the pair unchanged, when neither rule fires.
bool shiftedPair(FrequencyPair pair, FrequencyPair& shifted);

// Reads the pair at p, and where a rule fires writes its new bytes and counts
// one change. The count rises even when the write fails.
void applyBandShift(DataFile& file, std::int32_t p, ChangeCount& count);

// One table: records 0 to lastIndex, `stride` bytes apart, each with two
// fields whose lo bytes lie at base + stride * i and 4 bytes further on.
struct TableRegion {
  std::int32_t base = 0;
  std::int32_t stride = 0;
  std::int32_t lastIndex = 0;
};

// Applies the rules to both fields of every record, in file order. The walk
// always runs to its end.
void convertRegion(DataFile& file, const TableRegion& region, ChangeCount& count);
