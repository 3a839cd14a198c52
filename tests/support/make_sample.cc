// SPDX-License-Identifier: GPL-3.0-or-later
// make_sample: writes a KPG44D version 2 sample file with a low-band radio in
// deck 1, for the demo and the benchmark.
//
//   make_sample FILE          a few fields of each kind: some convert, some stay
//   make_sample FILE worst    every field of both converted tables holds 30.x MHz

#include <cstdio>
#include <string_view>

#include "sample_file.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::string_view(argv[2]) != "worst")) {
    std::fprintf(stderr, "usage: make_sample FILE [worst]\n");
    return 2;
  }
  sample::Bytes file = sample::kpg44dFile({});
  if (argc == 3) {
    sample::fillTable(file, sample::kV2Channels, 0x05, 0x03);
    sample::fillTable(file, sample::kV2Deck1Tests, 0x05, 0x03);
  } else {
    const auto channels = sample::fieldPositions(sample::kV2Channels);
    const auto tests = sample::fieldPositions(sample::kV2Deck1Tests);
    sample::setField(file, channels[0], 0x25, 0x04);  // 42.5 MHz, becomes 52.5
    sample::setField(file, channels[1], 0x01, 0x03);  // 30.1 MHz, becomes 29.1
    sample::setField(file, channels[2], 0x40, 0x04);  // 44.0 MHz stays
    sample::setField(file, channels[3], 0x55, 0x14);  // 145.5 MHz stays
    sample::setField(file, tests[0], 0x39, 0x04);     // 43.9 MHz, becomes 53.9
  }
  if (!sample::writeFile(argv[1], file)) {
    std::fprintf(stderr, "make_sample: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
