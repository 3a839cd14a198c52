// SPDX-License-Identifier: GPL-3.0-or-later
// The KPG59D and KPG44D file profiles: where each kind of file keeps its
// tables, and how a KPG44D header tells its version and low-band deck.

#include "radiofile/profiles.h"

static constexpr Signature kKpg59dSignature{'5', '9'};
static constexpr Signature kKpg44dSignature{'4', '4'};

static constexpr char kChannels[] = "channels";
static constexpr char kTests[] = "test frequencies";
static constexpr char kDeck1Tests[] = "test frequencies, deck 1";
static constexpr char kDeck2Tests[] = "test frequencies, deck 2";

static constexpr TableRegion kKpg59dChannels{6211, 16, 31, kChannels};
static constexpr TableRegion kKpg59dTests{16195, 8, 15, kTests};

// Indexed by version - 1; a version 1 file keeps the same layout 14 bytes
// earlier.
struct Kpg44dLayout {
  TableRegion channels;
  TableRegion deckTests[2];
  std::int32_t deck2BandByte;
};
static constexpr Kpg44dLayout kKpg44dLayouts[2] = {
    {{6197, 16, 159, kChannels}, {{16181, 8, 15, kDeck1Tests}, {15925, 8, 15, kDeck2Tests}}, 16155},
    {{6211, 16, 159, kChannels}, {{16195, 8, 15, kDeck1Tests}, {15939, 8, 15, kDeck2Tests}}, 16169},
};

ProfileVerdict runKpg59dProfile(DataFile& file, const Signature& signature, Conversion& conversion,
                                Detection& detection) {
  if (signature != kKpg59dSignature) return ProfileVerdict::NotMine;
  detection.kind = FileKind::Kpg59d;
  walkRegion(file, kKpg59dChannels, conversion);
  walkRegion(file, kKpg59dTests, conversion);
  return ProfileVerdict::Converted;
}

// 1 for the mark "01", 2 for "2.", 0 for any other.
static int formatVersion(std::uint8_t first, std::uint8_t second) {
  if (first == '0' && second == '1') return 1;
  if (first == '2' && second == '.') return 2;
  return 0;
}

// Deck 1 is low band when its mark is "6"; deck 2, when marked "@", is low
// band when its band byte's low nibble is below 4, and then it wins. With no
// known version the band byte is taken from the version mark's place.
static int radioDeck(DataFile& file, int version) {
  int deck = readByte(file, 18) == '6' ? 1 : 0;
  if (readByte(file, 23) == '@') {
    const std::int32_t probePosition =
        version == 0 ? 12 : kKpg44dLayouts[version - 1].deck2BandByte;
    if ((readByte(file, probePosition) & 0x0F) < 4) deck = 2;
  }
  return deck;
}

ProfileVerdict runKpg44dProfile(DataFile& file, const Signature& signature, Conversion& conversion,
                                Detection& detection) {
  if (signature != kKpg44dSignature) return ProfileVerdict::NotMine;
  const std::uint8_t versionMark = readByte(file, 12);
  const int version = formatVersion(versionMark, readByte(file, 13));
  const int deck = radioDeck(file, version);
  detection = {FileKind::Kpg44d, version, deck};
  if (deck == 0) return ProfileVerdict::NoLowBandDeck;
  if (version == 0) return ProfileVerdict::NotValid;
  const Kpg44dLayout& layout = kKpg44dLayouts[version - 1];
  walkRegion(file, layout.channels, conversion);
  walkRegion(file, layout.deckTests[deck - 1], conversion);
  return ProfileVerdict::Converted;
}
