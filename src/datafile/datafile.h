// DataFile: the one radio data file of a run, edited in place byte by byte.
//
// Positions are 1-based: position p is the byte at offset p - 1. Reads and
// writes go through one 8192-byte window cached over the file, so a run costs
// a handful of system calls however many bytes it touches; a read always sees
// an earlier write of the same run.

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "datafile/file_io.h"

inline constexpr std::int64_t kWindowSize = 8192;

struct DataFile {
  DataFileState state = DataFileState::NotOpen;
  FileHandle handle = kNoFileHandle;
  std::int64_t size = 0;  // the file's length as this run sees it

  // The cached window: window[0] is the byte at offset windowStart. Bytes at
  // windowLength and past lie beyond the end of the file and read as 0.
  std::vector<std::uint8_t> window;
  std::vector<std::uint8_t> original;  // what the file holds under the window
  std::vector<bool> joinsPrevious;     // byte i was written in one call with i - 1
  std::int64_t windowStart = -1;       // -1: nothing cached
  std::int64_t windowLength = 0;
  std::int64_t dirtyBegin = 0;  // window-relative range still to be written
  std::int64_t dirtyEnd = 0;

  bool writeFailed = false;    // a write, the flush or the close failed
  bool writesRefused = false;  // a write was asked of a file open read-only
};

// Opens the named file for update. A missing name, or one naming anything but
// a regular file (a folder, a FIFO, a device), is not opened and nothing is
// created; a file that cannot be written opens ReadOnly. Returns false and
// leaves the DataFile NotOpen when no file could be opened, or when it was
// open already.
bool openForUpdate(DataFile& file, const std::string& name, NameSource source = NameSource::Given);

// The byte at a position, 0-255. Yields 0 at or past the end of the file, for
// a position below 1, when the read fails and when the file is not open.
std::uint8_t readByte(DataFile& file, std::int32_t position);

// Writes bytes at consecutive positions from `position` as one unit: if the
// file cannot take them all, none of this unit's bytes is left half-written.
// Returns false, and writes nothing, when the file is not open or is open
// read-only (noted in writesRefused); a failure of the buffered write shows
// later, in closeFile.
bool writeBytes(DataFile& file, std::int32_t position, std::span<const std::uint8_t> bytes);
bool writeByte(DataFile& file, std::int32_t position, std::uint8_t value);

// Writes out what is buffered and closes the file; the DataFile is NotOpen
// afterwards. Returns true only when the file was open and every byte written
// in the run reached it.
bool closeFile(DataFile& file);
