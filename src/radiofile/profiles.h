// SPDX-License-Identifier: GPL-3.0-or-later
// The two file profiles. Each acts only on a file whose signature is its own:
// "59" for KPG59D, "44" for KPG44D. A profile converts the file's tables and
// tells what it found; each face (the console tool, the page) shows that in
// its own way, and the run driver closes the file.

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

enum class FileKind { Unknown, Kpg59d, Kpg44d };

// What a profile found in the header: for KPG44D the version (0 for one not
// known) and the low-band deck (0 for none).
struct Detection {
  FileKind kind = FileKind::Unknown;
  int version = 0;
  int deck = 0;
};

ProfileVerdict runKpg59dProfile(DataFile& file, const Signature& signature, Conversion& conversion,
                                Detection& detection);
ProfileVerdict runKpg44dProfile(DataFile& file, const Signature& signature, Conversion& conversion,
                                Detection& detection);
