// SPDX-License-Identifier: GPL-3.0-or-later
// The band-shift rules and the walk over one table of frequency fields.
//
// A frequency field is four bytes of packed BCD, least significant first. The
// rules look only at its top two bytes, the FrequencyPair: lo (units and
// tenths of MHz) at position p, hi (hundreds and tens) at p + 1.

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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
  const char* name = "";  // as a listing names the table
};

// Applies the rules to both fields of every record, in file order. The walk
// always runs to its end.
void convertRegion(DataFile& file, const TableRegion& region, ChangeCount& count);

// A record with a field that a rule moves: its table, record (from 1), and
// the four bytes of each of its two fields before and after, in file order
// (lowest digits first). A field no rule moves is the same after.
using FieldBytes = std::array<std::uint8_t, 4>;
struct RecordMove {
  const char* table = "";
  std::int32_t record = 0;
  std::array<FieldBytes, 2> before{}, after{};
  std::array<bool, 2> moved{};
};

// The records of the region with a field that a rule would move, in file
// order; nothing is written. Each field is read whole, its two lower bytes
// too. Gives the number of fields that would move.
int listMoves(DataFile& file, const TableRegion& region, std::vector<RecordMove>& moves);

// What the profiles do to their tables: convert them, or in a dry run list
// the moves and count them without writing.
struct Conversion {
  ChangeCount count = 0;
  bool dryRun = false;
  std::vector<RecordMove> moves;  // a dry run's
};

void walkRegion(DataFile& file, const TableRegion& region, Conversion& conversion);

// A field's frequency in MHz with every digit it holds: "42.50625", the
// hundreds digit only where it is not 0. A nibble above 9 shows as its hex
// digit, as the rules take such fields too.
std::string frequencyText(const FieldBytes& field);
