// SPDX-License-Identifier: GPL-3.0-or-later
// The sample-file maker: builds KPG59D and KPG44D data files of any length,
// with chosen frequency fields, version marks and deck marks. Every file the
// tests and the demo use comes from here.
//
// The geometry below is written down afresh from the file formats, not taken
// from the tool, so a wrong table in the tool shows up as a failing test.

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sample {

using Bytes = std::vector<std::uint8_t>;

// Fills every byte that the maker does not set; matches no rule and no mark.
inline constexpr std::uint8_t kFiller = 0xEE;

// Long enough for every table of either kind (the last byte touched is 16320).
inline constexpr std::size_t kFullLength = 16384;

struct Table {
  std::int32_t firstLo;  // position of the lo byte of record 0's first field
  std::int32_t stride;
  std::int32_t records;
};

inline constexpr Table kKpg59dChannels{6211, 16, 32};
inline constexpr Table kKpg59dTests{16195, 8, 16};
inline constexpr Table kV1Channels{6197, 16, 160};
inline constexpr Table kV1Deck1Tests{16181, 8, 16};
inline constexpr Table kV1Deck2Tests{15925, 8, 16};
inline constexpr Table kV2Channels{6211, 16, 160};
inline constexpr Table kV2Deck1Tests{16195, 8, 16};
inline constexpr Table kV2Deck2Tests{15939, 8, 16};
inline constexpr std::int32_t kV1Deck2BandByte = 16155;
inline constexpr std::int32_t kV2Deck2BandByte = 16169;

// The header of a KPG44D file: version mark at 12-13, deck 1 mark at 18,
// deck 2 mark at 23. Marks left at the filler mean "not set".
struct Kpg44dHeader {
  std::uint8_t versionMark[2] = {'2', '.'};
  std::uint8_t deck1Mark = '6';
  std::uint8_t deck2Mark = kFiller;
};
inline constexpr std::uint8_t kVersion1Mark[2] = {'0', '1'};
inline constexpr std::uint8_t kVersion2Mark[2] = {'2', '.'};

// A file of `length` filler bytes with "59" at positions 4 and 5.
Bytes kpg59dFile(std::size_t length = kFullLength);
// A file of `length` filler bytes with "44" and the header's marks.
Bytes kpg44dFile(const Kpg44dHeader& header, std::size_t length = kFullLength);

// Sets the byte at a 1-based position, where the file reaches it.
void setByte(Bytes& file, std::int32_t position, std::uint8_t value);

// The lo byte positions of a table's fields, in file order.
std::vector<std::int32_t> fieldPositions(const Table& table);

// Sets the four bytes of the field whose lo byte is at loPosition: two lower
// digit bytes, then lo and hi.
void setField(Bytes& file, std::int32_t loPosition, std::uint8_t lo, std::uint8_t hi);
void fillTable(Bytes& file, const Table& table, std::uint8_t lo, std::uint8_t hi);

bool writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);

// A fresh folder where the files are written, named from `stem` under /tmp and
// open to every user, for the runs as nobody; removed, with what it holds,
// by the destructor. `path` is empty when no folder could be made.
struct TempFolder {
  explicit TempFolder(const std::string& stem = "hamshift-test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string path;
  std::string file(const std::string& name) const { return path + "/" + name; }
};

}  // namespace sample
