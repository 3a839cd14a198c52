// SPDX-License-Identifier: GPL-3.0-or-later
// Band-shift rules and region walk. The rules test the bytes as read; they
// demand different hi values, so at most one fires for a pair.

#include "radiofile/band_shift.h"

#include <array>

bool shiftedPair(FrequencyPair pair, FrequencyPair& shifted) {
  if (pair.hi == 3 && pair.lo < 10) {
    shifted = {static_cast<std::uint8_t>(pair.lo + 0x90), 2};
    return true;
  }
  if (pair.hi == 4 && pair.lo < 64) {
    shifted = {pair.lo, 5};
    return true;
  }
  return false;
}

void applyBandShift(DataFile& file, std::int32_t p, ChangeCount& count) {
  const FrequencyPair pair{readByte(file, p), readByte(file, p + 1)};
  FrequencyPair shifted;
  if (!shiftedPair(pair, shifted)) return;
  ++count;
  // Only the bytes that change are written, a pair as one unit so that a
  // failing write never leaves a field half-converted.
  if (shifted.lo == pair.lo) {
    writeByte(file, p + 1, shifted.hi);
  } else {
    const std::array<std::uint8_t, 2> bytes{shifted.lo, shifted.hi};
    writeBytes(file, p, bytes);
  }
}

void convertRegion(DataFile& file, const TableRegion& region, ChangeCount& count) {
  for (std::int32_t i = 0; i <= region.lastIndex; ++i) {
    for (const std::int32_t fieldOffset : {0, 4}) {
      applyBandShift(file, region.stride * i + region.base + fieldOffset, count);
    }
  }
}
