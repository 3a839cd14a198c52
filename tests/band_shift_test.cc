// SPDX-License-Identifier: GPL-3.0-or-later
// The band-shift rules' bounds and the region walk, on real files.

#include "radiofile/band_shift.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "sample_file.h"

namespace {

// A data file in /tmp holding `bytes`, open for update for the test's length.
struct OpenSample {
  explicit OpenSample(const sample::Bytes& bytes) {
    char name[] = "/tmp/hamshift-band-XXXXXX";
    close(mkstemp(name));
    path = name;
    sample::writeFile(path, bytes);
    openForUpdate(file, path);
  }
  ~OpenSample() { unlink(path.c_str()); }
  sample::Bytes closeAndRead() {
    closeFile(file);
    return sample::readFile(path);
  }
  std::string path;
  DataFile file;
};

TEST(BandShiftTest, RuleBounds) {
  struct Case {
    std::uint8_t lo, hi;
    bool fires;
    std::uint8_t newLo, newHi;
  };
  const Case cases[] = {
      {0x25, 0x04, true, 0x25, 0x05},   // 42.5 -> 52.5
      {0x01, 0x03, true, 0x91, 0x02},   // 30.1 -> 29.1
      {0x40, 0x04, false, 0x40, 0x04},  // 44.0 stays
      {0x10, 0x03, false, 0x10, 0x03},  // 31.0 stays
      {0x00, 0x00, false, 0x00, 0x00},
      {0x00, 0x03, true, 0x90, 0x02},   // 30.0
      {0x09, 0x03, true, 0x99, 0x02},   // 30.9
      {0x0A, 0x03, false, 0x0A, 0x03},  // bound is below 10
      {0x00, 0x04, true, 0x00, 0x05},   // 40.0
      {0x3F, 0x04, true, 0x3F, 0x05},
      {0x3A, 0x04, true, 0x3A, 0x05},  // no special case for nibbles above 9
      {0x39, 0x04, true, 0x39, 0x05},  // 43.9
      {0xFF, 0x04, false, 0xFF, 0x04},
      {0x25, 0x05, false, 0x25, 0x05},  // already converted
      {0x91, 0x02, false, 0x91, 0x02},
      {0x05, 0x13, false, 0x05, 0x13},  // 130.5: hi is a whole byte, not a nibble
      {0x05, 0x43, false, 0x05, 0x43},
  };
  for (const Case& c : cases) {
    FrequencyPair shifted{0xAA, 0xAA};
    EXPECT_EQ(shiftedPair({c.lo, c.hi}, shifted), c.fires) << int(c.lo) << " " << int(c.hi);

    sample::Bytes bytes(8, sample::kFiller);
    sample::setField(bytes, 5, c.lo, c.hi);
    sample::Bytes expected = bytes;
    sample::setField(expected, 5, c.newLo, c.newHi);
    OpenSample open(bytes);
    ChangeCount count = 7;
    applyBandShift(open.file, 5, count);
    EXPECT_EQ(count, c.fires ? 8 : 7);
    EXPECT_EQ(open.closeAndRead(), expected) << int(c.lo) << " " << int(c.hi);
  }
}

TEST(BandShiftTest, PairPastTheEndIsNeverWritten) {
  sample::Bytes bytes(5, sample::kFiller);
  bytes[4] = 0x05;  // a lo byte at position 5 whose hi byte does not exist
  OpenSample open(bytes);
  ChangeCount count = 0;
  applyBandShift(open.file, 5, count);
  applyBandShift(open.file, 9, count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(open.closeAndRead(), bytes);
}

TEST(BandShiftTest, ReadOnlyFileStillCounts) {
  OpenSample open(sample::Bytes{0, 0, 0x01, 0x03});
  DataFile readOnly = std::move(open.file);
  readOnly.state = DataFileState::ReadOnly;
  ChangeCount count = 0;
  applyBandShift(readOnly, 3, count);
  EXPECT_EQ(count, 1);
  closeFile(readOnly);
  EXPECT_TRUE(readOnly.writesRefused);
  EXPECT_EQ(sample::readFile(open.path), (sample::Bytes{0, 0, 0x01, 0x03}));
}

TEST(ConvertRegionTest, WalksEveryRecordAndStopsAtLastIndex) {
  struct Case {
    TableRegion region;
    int records;
  };
  const Case cases[] = {{{11, 16, 0}, 1}, {{11, 16, 3}, 4}, {{13, 8, 5}, 6}};
  for (const Case& c : cases) {
    const sample::Table all{c.region.base, c.region.stride, c.records + 1};
    const sample::Table walked{c.region.base, c.region.stride, c.records};
    sample::Bytes bytes(200, sample::kFiller);
    sample::fillTable(bytes, all, 0x05, 0x03);
    sample::Bytes expected = bytes;
    sample::fillTable(expected, walked, 0x95, 0x02);

    OpenSample open(bytes);
    ChangeCount count = 0;
    convertRegion(open.file, c.region, count);
    EXPECT_EQ(count, 2 * c.records);
    EXPECT_EQ(open.closeAndRead(), expected) << "records " << c.records;
  }
}

// A region with nothing to change leaves the file and the count as they were;
// a record with one field of each band counts two.
TEST(ConvertRegionTest, CountsWhatItChanges) {
  sample::Bytes untouched(100, sample::kFiller);
  sample::fillTable(untouched, {11, 16, 4}, 0x40, 0x04);  // 44.0: no rule
  sample::Bytes both(40, sample::kFiller);
  sample::setField(both, 11, 0x20, 0x04);  // 42.0
  sample::setField(both, 15, 0x05, 0x03);  // 30.5
  sample::Bytes bothAfter = both;
  sample::setField(bothAfter, 11, 0x20, 0x05);
  sample::setField(bothAfter, 15, 0x95, 0x02);
  struct Case {
    const char* what;
    sample::Bytes before;
    TableRegion region;
    ChangeCount countBefore, countAfter;
    sample::Bytes after;
  };
  const Case cases[] = {
      {"nothing to change", untouched, {11, 16, 3}, 3, 3, untouched},
      {"one field of each band", both, {11, 16, 0}, 0, 2, bothAfter},
  };
  for (const Case& c : cases) {
    OpenSample open(c.before);
    ChangeCount count = c.countBefore;
    convertRegion(open.file, c.region, count);
    EXPECT_EQ(count, c.countAfter) << c.what;
    EXPECT_EQ(open.closeAndRead(), c.after) << c.what;
  }
}

// Fields that overlap make the order visible: a pair whose hi byte is the
// next visited pair's lo byte converts only if it is visited first.
//   pair B at q-1 = (0x10, 0x04) fires 40s-to-50s while q still holds 0x04;
//   pair A at q   = (0x04, 0x03) fires 30-to-29 and turns q into 0x94.
TEST(ConvertRegionTest, VisitsFieldsInFileOrder) {
  struct Case {
    const char* order;
    TableRegion region;
    std::int32_t first, second;  // the lo positions of the first and second visited pair
    bool secondIsA;
  };
  const Case cases[] = {
      // stride 1: record 0 field 0 (100) comes before record 1 field 0 (101)
      {"record 0 before record 1", {100, 1, 1}, 100, 101, true},
      // stride 3: record 0 field 4 (104) comes before record 1 field 0 (103)
      {"field 4 before the next record", {100, 3, 1}, 104, 103, false},
  };
  for (const Case& c : cases) {
    sample::Bytes bytes(120, sample::kFiller);
    const std::int32_t q = c.secondIsA ? c.second : c.first;
    bytes[q - 2] = 0x10;  // B's lo
    bytes[q - 1] = 0x04;  // B's hi, A's lo
    bytes[q] = 0x03;      // A's hi
    OpenSample open(bytes);
    ChangeCount count = 0;
    convertRegion(open.file, c.region, count);
    const sample::Bytes after = open.closeAndRead();
    if (c.secondIsA) {
      // B first: both fire; B's write makes A's lo 0x05.
      EXPECT_EQ(count, 2) << c.order;
      EXPECT_EQ(after[q - 1], 0x95) << c.order;
      EXPECT_EQ(after[q], 0x02) << c.order;
    } else {
      // A first: A fires and B no longer matches.
      EXPECT_EQ(count, 1) << c.order;
      EXPECT_EQ(after[q - 2], 0x10) << c.order;
      EXPECT_EQ(after[q - 1], 0x94) << c.order;
    }
  }
}

}  // namespace
