// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's floor: the least that converting the worst-case sample
// takes, with none of the tool's banner, checks or read cache. It opens the
// file, reads its two 8192-byte halves, asks its length, reads each changed
// field's two top bytes again right before writing them in one pwrite (as the
// tool does, so that another program's change meanwhile is never written
// over), asks the length once more, writes the file out to the disk (fsync,
// as the tool does before its report), closes it and prints the report in
// one write.
// bench.sh holds its file and its report to the tool's, byte for byte, so it
// cannot do less than the tool does.
//
//   bench_floor FILE

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "sample_file.h"

// The sample maker's own geometry of a version 2 file with a low-band deck 1:
// the two tables the tool converts there.
static constexpr sample::Table kTables[] = {sample::kV2Channels, sample::kV2Deck1Tests};
static constexpr int kHalf = 8192;

// Writes the new top bytes of every field of `table` that a band rule moves;
// gives how many it changed, or -1 when a write failed.
static int convertTable(int descriptor, const std::uint8_t* bytes, const sample::Table& table) {
  int changes = 0;
  for (std::int32_t record = 0; record < table.records; ++record) {
    for (const std::int32_t field : {0, 4}) {
      const std::int32_t offset = table.firstLo - 1 + table.stride * record + field;
      const std::uint8_t lo = bytes[offset];
      const std::uint8_t hi = bytes[offset + 1];
      const bool moves = (hi == 3 && lo < 10) || (hi == 4 && lo < 64);
      std::uint8_t now[2];
      if (moves && (pread(descriptor, now, 2, offset) != 2 || now[0] != lo || now[1] != hi))
        return -1;
      if (hi == 3 && lo < 10) {
        const std::uint8_t pair[2] = {static_cast<std::uint8_t>(lo + 0x90), 2};
        if (pwrite(descriptor, pair, 2, offset) != 2) return -1;
      } else if (hi == 4 && lo < 64) {
        const std::uint8_t top = 5;
        if (pwrite(descriptor, &top, 1, offset + 1) != 1) return -1;
      } else {
        continue;
      }
      ++changes;
    }
  }
  return changes;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_floor FILE\n");
    return 2;
  }
  static std::uint8_t bytes[2 * kHalf];
  const int descriptor = open(argv[1], O_RDWR | O_CLOEXEC);
  if (descriptor < 0 || pread(descriptor, bytes, kHalf, 0) != kHalf ||
      pread(descriptor, bytes + kHalf, kHalf, kHalf) != kHalf) {
    std::fprintf(stderr, "bench_floor: cannot read 16384 bytes of %s\n", argv[1]);
    return 1;
  }
  struct stat status {};
  if (fstat(descriptor, &status) != 0) return 1;
  const off_t fileLength = status.st_size;
  int changes = 0;
  for (const sample::Table& table : kTables) {
    const int changed = convertTable(descriptor, bytes, table);
    if (changed < 0) {
      std::fprintf(stderr, "bench_floor: cannot write %s\n", argv[1]);
      return 1;
    }
    changes += changed;
  }
  if (fstat(descriptor, &status) != 0 || status.st_size != fileLength) return 1;
  if ((changes > 0 && fsync(descriptor) != 0) || close(descriptor) != 0) return 1;
  char report[4200];
  const int length = std::snprintf(report, sizeof report,
                                   "%s has been updated. %dChange(s) made.\r\n", argv[1], changes);
  if (length < 0 || length >= static_cast<int>(sizeof report)) return 1;
  return write(1, report, static_cast<size_t>(length)) == length ? 0 : 1;
}
