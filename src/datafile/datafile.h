// SPDX-License-Identifier: GPL-3.0-or-later
// DataFile: the one radio data file of a run, edited in place byte by byte.
//
// Positions are 1-based: position p is the byte at offset p - 1. Reads go
// through one 8192-byte window cached over the file, so they cost a handful of
// system calls however many bytes a run reads. Writes go straight to the file,
// each one covering only the bytes asked for: a byte the run does not change
// is never written, so a change another program makes to it meanwhile stays.
// A read always sees an earlier write of the same run.

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "datafile/file_io.h"

inline constexpr std::int64_t kWindowSize = 8192;

enum class BackupState {
  NotAsked,
  Pending,  // asked for; made before the first write
  Made,     // a new copy, or a copy of the same bytes that was there
  Exists,   // every copy's name was taken by other bytes: nothing is written
  Failed,   // the copy could not be made whole and was removed: nothing is written
  Remains,  // the copy could not be made, nor removed: nothing is written
};

// The copies' names, tried in turn: NAME.bak, then NAME.2.bak to NAME.99.bak.
inline constexpr int kBackupNames = 99;
std::string backupNameOf(const std::string& name, int number);

struct DataFile {
  DataFileState state = DataFileState::NotOpen;
  FileHandle handle = kNoFileHandle;
  std::int64_t size = 0;        // the file's length as this run sees it
  std::int64_t openedSize = 0;  // its length at the open, which a write demands still

  // The cached window: window[0] is the byte at offset windowStart. Bytes at
  // windowLength and past lie beyond the end of the file and read as 0.
  std::vector<std::uint8_t> window;
  std::int64_t windowStart = -1;  // -1: nothing cached
  std::int64_t windowLength = 0;

  // Each byte the run read from the file, by offset, as it read it; -1 where
  // none was read. The copy is held to them.
  std::vector<std::int16_t> seen;

  OpenFailure openFailure = OpenFailure::None;  // why openForUpdate opened nothing

  // The copy made before the first write, when one is asked for.
  std::string name;
  std::string backupName;  // the copy's, once one is made or tried
  BackupState backup = BackupState::NotAsked;
  bool readFailed = false;        // a read failed: every later read gives 0, no write is made
  bool changedMeanwhile = false;  // another program changed what the run read: no write is made
  bool wroteAny = false;          // some byte reached the file
  bool writeFailed = false;       // a write, the flush or the close failed
  bool writesRefused = false;     // a write was asked of a file open read-only
};

// Opens the named file for update. A missing name, or one naming anything but
// a regular file (a folder, a FIFO, a device), is not opened and nothing is
// created; a file that cannot be written opens ReadOnly. Returns false and
// leaves the DataFile NotOpen when no file could be opened, with openFailure
// saying why; or when it was open already.
bool openForUpdate(DataFile& file, const std::string& name);

// Opens the named file ReadOnly whether or not it could be written, with the
// same refusals and failures as openForUpdate; a write asked of it is
// refused (writesRefused).
bool openForReading(DataFile& file, const std::string& name);

// Asks for a copy of the whole file, made before the first write to the
// first of the copies' names that is free or holds the file's bytes already.
// A copy is written out to the disk with its folder entry, and checked
// against what the run read. When every name holds other bytes, or the copy
// fails (and is removed, or cannot be), no byte is written at all.
void backUpBeforeWriting(DataFile& file);

// The byte at a position, 0-255. Yields 0 at or past the end of the file, for
// a position below 1, when the file is not open, and when the read fails
// (noted in readFailed, after which the file is read no more).
std::uint8_t readByte(DataFile& file, std::int32_t position);

// Writes the field at `position`, which the run read as `was`, to hold `now`
// (as long, at most 8 bytes): only the bytes from the first to the last that
// differ, at once and as one unit, so that if the file cannot take them all,
// the ones it took are put back as they were. Right before the write the
// field is read again, and before the first write the file's length asked:
// where the field no longer holds `was` (or lies past the end) or the file
// is not its length at the open, nothing is written, then or later (noted in
// changedMeanwhile). Returns false when nothing was
// written: also when the write failed (noted in writeFailed), the file is not
// open or is open read-only (noted in writesRefused), a read has failed, or
// the copy asked for is not made. A field that needs no change is true.
bool writeField(DataFile& file, std::int32_t position, std::span<const std::uint8_t> was,
                std::span<const std::uint8_t> now);

// Closes the file, its changes written out to the disk first; the DataFile is
// NotOpen afterwards. A file written to that is no longer its length at the
// open is noted in changedMeanwhile. Returns false, noted in writeFailed, when the flush or
// the close failed, or when no file was open.
bool closeFile(DataFile& file);
