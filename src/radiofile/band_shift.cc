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

void listMoves(DataFile& file, const TableRegion& region, std::vector<FieldMove>& moves) {
  for (std::int32_t i = 0; i <= region.lastIndex; ++i) {
    for (const int field : {1, 2}) {
      const std::int32_t p = region.stride * i + region.base + (field - 1) * 4;
      FieldMove move{region.name, i + 1, field, {}, {}};
      for (std::int32_t b = 0; b < 4; ++b) move.before[b] = readByte(file, p - 2 + b);
      FrequencyPair shifted;
      if (!shiftedPair({move.before[2], move.before[3]}, shifted)) continue;
      move.after = move.before;
      move.after[2] = shifted.lo;
      move.after[3] = shifted.hi;
      moves.push_back(move);
    }
  }
}

void walkRegion(DataFile& file, const TableRegion& region, Conversion& conversion) {
  if (!conversion.dryRun) {
    convertRegion(file, region, conversion.count);
    return;
  }
  const std::size_t listed = conversion.moves.size();
  listMoves(file, region, conversion.moves);
  conversion.count += static_cast<ChangeCount>(conversion.moves.size() - listed);
}

std::string frequencyText(const std::array<std::uint8_t, 4>& field) {
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
