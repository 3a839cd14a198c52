// SPDX-License-Identifier: GPL-3.0-or-later
// Sample data files for the tests and the demo.

#include "sample_file.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace sample {

static Bytes withSignature(std::uint8_t first, std::uint8_t second, std::size_t length) {
  Bytes file(length, kFiller);
  setByte(file, 4, first);
  setByte(file, 5, second);
  return file;
}

Bytes kpg59dFile(std::size_t length) {
  return withSignature('5', '9', length);
}

Bytes kpg44dFile(const Kpg44dHeader& header, std::size_t length) {
  Bytes file = withSignature('4', '4', length);
  setByte(file, 12, header.versionMark[0]);
  setByte(file, 13, header.versionMark[1]);
  setByte(file, 18, header.deck1Mark);
  setByte(file, 23, header.deck2Mark);
  return file;
}

void setByte(Bytes& file, std::int32_t position, std::uint8_t value) {
  if (position >= 1 && static_cast<std::size_t>(position) <= file.size())
    file[position - 1] = value;
}

std::vector<std::int32_t> fieldPositions(const Table& table) {
  std::vector<std::int32_t> positions;
  for (std::int32_t record = 0; record < table.records; ++record) {
    positions.push_back(table.firstLo + record * table.stride);
    positions.push_back(table.firstLo + record * table.stride + 4);
  }
  return positions;
}

void setField(Bytes& file, std::int32_t loPosition, std::uint8_t lo, std::uint8_t hi) {
  setByte(file, loPosition - 2, 0x50);  // lower digits: .x5 and 00 kHz
  setByte(file, loPosition - 1, 0x12);
  setByte(file, loPosition, lo);
  setByte(file, loPosition + 1, hi);
}

void fillTable(Bytes& file, const Table& table, std::uint8_t lo, std::uint8_t hi) {
  for (const std::int32_t position : fieldPositions(table)) setField(file, position, lo, hi);
}

bool writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TempFolder::TempFolder(const std::string& stem) {
  std::string name = "/tmp/" + stem + "-XXXXXX";
  if (mkdtemp(name.data()) == nullptr) return;
  path = name;
  chmod(name.c_str(), 0755);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

}  // namespace sample
