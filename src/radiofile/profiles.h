// SPDX-License-Identifier: GPL-3.0-or-later
// The two file profiles. Each acts only on a file whose signature is its own:
// "59" for KPG59D, "44" for KPG44D. A profile prints the detection lines,
// converts the file's tables and tells what it found; the run driver then
// closes the file and prints the outcome.

#pragma once

#include <array>
#include <cstdint>

#include "datafile/datafile.h"
#include "radiofile/band_shift.h"

using Signature = std::array<std::uint8_t, 2>;  // the bytes at positions 4 and 5

enum class ProfileVerdict {
  NotMine,        // the signature is not the profile's: nothing printed or read
  Converted,      // the tables were walked
  NoLowBandDeck,  // a KPG44D file with no low-band deck: nothing to convert
  NotValid,       // a KPG44D file of no known version, yet with a low-band deck
};

ProfileVerdict runKpg59dProfile(DataFile& file, const Signature& signature, Conversion& conversion);
ProfileVerdict runKpg44dProfile(DataFile& file, const Signature& signature, Conversion& conversion);
