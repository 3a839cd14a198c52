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
  // The pair is what the rule was decided on, so the write is held to both
  // its bytes, though only the hi byte may change.
  const std::array<std::uint8_t, 2> was{pair.lo, pair.hi};
  const std::array<std::uint8_t, 2> now{shifted.lo, shifted.hi};
  writeField(file, p, was, now);
}

void convertRegion(DataFile& file, const TableRegion& region, ChangeCount& count) {
  for (std::int32_t i = 0; i <= region.lastIndex; ++i) {
    for (const std::int32_t fieldOffset : {0, 4}) {
      applyBandShift(file, region.stride * i + region.base + fieldOffset, count);
    }
  }
}

int listMoves(DataFile& file, const TableRegion& region, std::vector<RecordMove>& moves) {
  int fields = 0;
  for (std::int32_t i = 0; i <= region.lastIndex; ++i) {
    RecordMove move{region.name, i + 1, {}, {}, {}};
    for (int f = 0; f < 2; ++f) {
      const std::int32_t p = region.stride * i + region.base + f * 4;
      for (std::int32_t b = 0; b < 4; ++b) move.before[f][b] = readByte(file, p - 2 + b);
      move.after[f] = move.before[f];
      FrequencyPair shifted;
      if (!shiftedPair({move.before[f][2], move.before[f][3]}, shifted)) continue;
      move.after[f][2] = shifted.lo;
      move.after[f][3] = shifted.hi;
      move.moved[f] = true;
      ++fields;
    }
    if (move.moved[0] || move.moved[1]) moves.push_back(move);
  }
  return fields;
}

void walkRegion(DataFile& file, const TableRegion& region, Conversion& conversion) {
  if (conversion.dryRun)
    conversion.count += listMoves(file, region, conversion.moves);
  else
    convertRegion(file, region, conversion.count);
}

std::string frequencyText(const FieldBytes& field) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  // Most significant byte first: hundreds and tens, units and tenths, then
  // the four digits below; the point stands after the units.
  for (int b = 3; b >= 0; --b) {
    text += kDigits[field[b] >> 4];
    text += kDigits[field[b] & 0x0F];
  }
  text.insert(3, 1, '.');
  return text.front() == '0' ? text.substr(1) : text;
}
