// SPDX-License-Identifier: GPL-3.0-or-later
// make_fuzz_seeds: writes the fuzz targets' seed corpora, made with the
// sample-file maker, into FOLDER/conversion, FOLDER/field and FOLDER/keys
// (the folders must exist).

#include <cstdio>
#include <string>
#include <vector>

#include "sample_file.h"

namespace {

using sample::Bytes;

constexpr std::size_t kFieldLimitPlus = 4100;  // past the typed field's 4096 bytes

// A file of the kind with fields that convert, fields at the rules' edges,
// and one that stays.
Bytes withFields(Bytes file, const sample::Table& channels, const sample::Table& tests) {
  const auto channelFields = sample::fieldPositions(channels);
  const auto testFields = sample::fieldPositions(tests);
  sample::setField(file, channelFields.front(), 0x25, 0x04);  // 42.5 MHz
  sample::setField(file, channelFields[1], 0x09, 0x03);       // 30.9 MHz
  sample::setField(file, channelFields[2], 0x40, 0x04);       // 44.0 MHz stays
  sample::setField(file, channelFields.back(), 0x00, 0x04);   // 40.0 MHz
  sample::setField(file, testFields.back(), 0x39, 0x04);      // 43.9 MHz
  return file;
}

Bytes text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
    return 2;
  }
  using namespace sample;
  Kpg44dHeader v1Deck1;
  v1Deck1.versionMark[0] = kVersion1Mark[0];
  v1Deck1.versionMark[1] = kVersion1Mark[1];
  Kpg44dHeader v2Deck2;
  v2Deck2.deck1Mark = kFiller;
  v2Deck2.deck2Mark = '@';
  Bytes deck2 = withFields(kpg44dFile(v2Deck2), kV2Channels, kV2Deck2Tests);
  setByte(deck2, kV2Deck2BandByte, 0x03);
  // Cut off inside the channel table, between a field's lo and hi byte.
  Bytes cut = withFields(kpg59dFile(), kKpg59dChannels, kKpg59dTests);
  cut.resize(6211 + 16 * 5);
  Bytes worst = kpg44dFile({});
  fillTable(worst, kV2Channels, 0x05, 0x03);
  fillTable(worst, kV2Deck1Tests, 0x05, 0x03);

  const std::vector<std::pair<std::string, Bytes>> seeds = {
      {"conversion/kpg59d", withFields(kpg59dFile(), kKpg59dChannels, kKpg59dTests)},
      {"conversion/kpg59d-cut", cut},
      {"conversion/kpg44d-v1-deck1", withFields(kpg44dFile(v1Deck1), kV1Channels, kV1Deck1Tests)},
      {"conversion/kpg44d-v2-deck2", deck2},
      {"conversion/kpg44d-worst", worst},
      {"conversion/header-only", kpg44dFile({}, 24)},
      {"field/plain", text("RADIO.DAT\r\n")},
      {"field/quoted", text("  \"MY RADIO, 2.DAT\" , rest\r\nnext\x1a")},
      {"field/long", text(std::string(kFieldLimitPlus, 'A') + ".DAT")},
      {"field/nul", text(std::string("A") + '\0' + "B.DAT")},
      // Key seeds: a flags byte (1: UTF-8), a width byte, then the keys.
      {"keys/editing", text("\x01\x28RADIO\x1b[D\x1b[D\x7f\x1b[3~\x1b[H\tX\x1b[F.DAT\r")},
      {"keys/sequences", text(std::string{'\0', 'P'} +
                              "AB\x1bOA\x1b[1~\x1b[4~\x1b[7~\x1b[8~\x1b[A\x1b[B\x1b\x1b\x1bx\x03")},
      {"keys/utf8", text("\x01\x05\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\xbb\xe2\x82z\x1b[D\x1b[3~")},
      // Wide characters across the margin of 7 columns, and marks joined and deleted.
      {"keys/wide", text("\x0b\x07\xe6\x97\xa5\xe6\x9c\xac"
                         "ab\xe8\xaa\x9e\x1b[H\xef\xbc\xa1"
                         "e\xcc\x81\x1b[D\x7f\xcc\x81\x1b[F\x1b[A\x1b[3~")},
  };
  for (const auto& [name, bytes] : seeds) {
    const std::string path = std::string(argv[1]) + "/" + name;
    if (!writeFile(path, bytes)) {
      std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
