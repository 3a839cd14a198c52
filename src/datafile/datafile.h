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
  Made,
  Exists,  // something had the copy's name: nothing is written
  Failed,  // the copy could not be made whole: nothing is written
};

struct DataFile {
  DataFileState state = DataFileState::NotOpen;
  FileHandle handle = kNoFileHandle;
  std::int64_t size = 0;  // the file's length as this run sees it

  // The cached window: window[0] is the byte at offset windowStart. Bytes at
  // windowLength and past lie beyond the end of the file and read as 0.
  std::vector<std::uint8_t> window;
  std::int64_t windowStart = -1;  // -1: nothing cached
  std::int64_t windowLength = 0;

  OpenFailure openFailure = OpenFailure::None;  // why openForUpdate opened nothing

  // The copy made before the first write, when one is asked for.
  std::string backupName;
  BackupState backup = BackupState::NotAsked;
  bool readFailed = false;     // a read failed: every later read gives 0, no write is made
  bool wroteAny = false;       // some byte reached the file
  bool writeFailed = false;    // a write or the close failed
  bool writesRefused = false;  // a write was asked of a file open read-only
};

// How the run's writes went, as closeFile tells it.
enum class CloseOutcome {
  Written,  // every byte written reached the file (none may have been asked for)
  Refused,  // the file was open read-only and a write was asked of it
  Unread,   // a read failed before any byte was written, and none was after it
  Failed,   // a write or the close failed, or a read after bytes were written; or no file was open
  BackupExists,  // the copy's name was taken: nothing was written
  BackupFailed,  // the copy could not be made: nothing was written
};

// Opens the named file for update. A missing name, or one naming anything but
// a regular file (a folder, a FIFO, a device), is not opened and nothing is
// created; a file that cannot be written opens ReadOnly. Returns false and
// leaves the DataFile NotOpen when no file could be opened, with openFailure
// saying why; or when it was open already.
bool openForUpdate(DataFile& file, const std::string& name);

// The same, for reading alone: a dry run never writes.
bool openForReading(DataFile& file, const std::string& name);

// Asks for a copy of the whole file under `backupName`, made, written out to
// the disk and closed before the first byte is written. When the name is
// taken or the copy fails (and is removed), no byte is written at all.
void backUpBeforeWriting(DataFile& file, const std::string& backupName);

// The byte at a position, 0-255. Yields 0 at or past the end of the file, for
// a position below 1, when the file is not open, and when the read fails
// (noted in readFailed, after which the file is read no more).
std::uint8_t readByte(DataFile& file, std::int32_t position);

// Writes bytes at consecutive positions from `position`, at once and as one
// unit: if the file cannot take them all, the ones it took are put back as
// they were. A unit is a field's pair or less, far below kWindowSize bytes.
// Returns false when the write failed (noted in writeFailed), and writes
// nothing when the file is not open, is open read-only (noted in
// writesRefused), or has failed a read: what was read may then be wrong.
bool writeBytes(DataFile& file, std::int32_t position, std::span<const std::uint8_t> bytes);
bool writeByte(DataFile& file, std::int32_t position, std::uint8_t value);

// Closes the file, its changes written out to the disk first (a failure there
// is a failed write); the DataFile is NotOpen afterwards. A failed read
// outranks the rest, since what the run found may be wrong; then a copy not
// made and a refused write, since nothing was written then.
CloseOutcome closeFile(DataFile& file);
