// SPDX-License-Identifier: GPL-3.0-or-later
// make_sample: writes a sample data file, for the demo, the benchmark and the
// web page's tests.
//
//   make_sample FILE          a KPG44D version 2 file with a low-band radio in
//                             deck 1: a few fields of each kind, some convert
//   make_sample FILE worst    the same, every field of both converted tables at 30.x MHz
//   make_sample FILE KIND     a file of another kind, fields as the first:
//                             kpg59d, v1-deck1, v1-deck2, v2-deck2, no-deck,
//                             unknown-version, other, short

#include <cstdio>
#include <string_view>

#include "sample_file.h"

namespace {

struct Kind {
  std::string_view name;
  sample::Bytes (*make)();
  sample::Table channels, tests;  // where the mixed fields go
};

sample::Bytes version1(std::uint8_t deck1Mark, std::uint8_t deck2Mark, std::int32_t bandByte) {
  sample::Kpg44dHeader header;
  header.versionMark[0] = sample::kVersion1Mark[0];
  header.versionMark[1] = sample::kVersion1Mark[1];
  header.deck1Mark = deck1Mark;
  header.deck2Mark = deck2Mark;
  sample::Bytes file = sample::kpg44dFile(header);
  sample::setByte(file, bandByte, 0x03);
  return file;
}

sample::Bytes version2(std::uint8_t deck1Mark, std::uint8_t deck2Mark) {
  sample::Kpg44dHeader header;
  header.deck1Mark = deck1Mark;
  header.deck2Mark = deck2Mark;
  sample::Bytes file = sample::kpg44dFile(header);
  if (deck2Mark == '@') sample::setByte(file, sample::kV2Deck2BandByte, 0x03);
  return file;
}

const Kind kKinds[] = {
    {"v2-deck1", [] { return version2('6', sample::kFiller); }, sample::kV2Channels,
     sample::kV2Deck1Tests},
    {"kpg59d", [] { return sample::kpg59dFile(); }, sample::kKpg59dChannels, sample::kKpg59dTests},
    {"v1-deck1", [] { return version1('6', sample::kFiller, sample::kV1Deck2BandByte); },
     sample::kV1Channels, sample::kV1Deck1Tests},
    {"v1-deck2", [] { return version1(sample::kFiller, '@', sample::kV1Deck2BandByte); },
     sample::kV1Channels, sample::kV1Deck2Tests},
    {"v2-deck2", [] { return version2(sample::kFiller, '@'); }, sample::kV2Channels,
     sample::kV2Deck2Tests},
    {"no-deck", [] { return version2(sample::kFiller, sample::kFiller); }, sample::kV2Channels,
     sample::kV2Deck1Tests},
    {"unknown-version",
     [] {
       sample::Kpg44dHeader header;
       header.versionMark[0] = '3';
       return sample::kpg44dFile(header);
     },
     sample::kV2Channels, sample::kV2Deck1Tests},
    {"other", [] { return sample::Bytes(sample::kFullLength, sample::kFiller); },
     sample::kV2Channels, sample::kV2Deck1Tests},
    {"short", [] { return version2('6', sample::kFiller); }, sample::kV2Channels,
     sample::kV2Deck1Tests},
};

}  // namespace

int main(int argc, char** argv) {
  const std::string_view option = argc == 3 ? argv[2] : "v2-deck1";
  const Kind* kind = nullptr;
  for (const Kind& candidate : kKinds)
    if (candidate.name == option) kind = &candidate;
  const bool worst = option == "worst";
  if (argc < 2 || argc > 3 || (kind == nullptr && !worst)) {
    std::fprintf(stderr, "usage: make_sample FILE [worst|KIND]\n");
    return 2;
  }
  if (worst) kind = &kKinds[0];
  sample::Bytes file = kind->make();
  if (worst) {
    sample::fillTable(file, kind->channels, 0x05, 0x03);
    sample::fillTable(file, kind->tests, 0x05, 0x03);
  } else {
    const auto channels = sample::fieldPositions(kind->channels);
    const auto tests = sample::fieldPositions(kind->tests);
    sample::setField(file, channels[0], 0x25, 0x04);  // 42.5 MHz, becomes 52.5
    sample::setField(file, channels[1], 0x01, 0x03);  // 30.1 MHz, becomes 29.1
    sample::setField(file, channels[2], 0x40, 0x04);  // 44.0 MHz stays
    sample::setField(file, channels[3], 0x55, 0x14);  // 145.5 MHz stays
    sample::setField(file, tests[0], 0x39, 0x04);     // 43.9 MHz, becomes 53.9
  }
  // Cut after the lo byte of the second channel's 30.1 MHz: its hi byte lies
  // past the end.
  if (kind->name == "short")
    file.resize(static_cast<std::size_t>(sample::fieldPositions(kind->channels)[1]));
  if (!sample::writeFile(argv[1], file)) {
    std::fprintf(stderr, "make_sample: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
