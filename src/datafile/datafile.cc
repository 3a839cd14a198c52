// SPDX-License-Identifier: GPL-3.0-or-later
// DataFile's read cache and its writes. One window of kWindowSize bytes serves
// the reads; each write goes to the file at once, and into the window so that
// later reads see it.

#include "datafile/datafile.h"

#include <algorithm>
#include <cassert>

static std::int64_t alignedStart(std::int64_t offset) {
  return offset - offset % kWindowSize;
}

// Makes the window hold the `length` bytes at `offset`. A window starts on a
// multiple of its size unless the range would cross a window's edge. Returns
// false when the file could not be read there.
static bool loadWindow(DataFile& file, std::int64_t offset, std::int64_t length) {
  if (file.windowStart >= 0 && offset >= file.windowStart &&
      offset + length <= file.windowStart + kWindowSize)
    return true;
  std::int64_t start = alignedStart(offset);
  if (offset + length > start + kWindowSize) start = offset;

  std::fill(file.window.begin(), file.window.end(), 0);
  const std::int64_t wanted = std::clamp<std::int64_t>(file.size - start, 0, kWindowSize);
  const std::int64_t got = wanted > 0 ? readAt(file.handle, file.window.data(), wanted, start) : 0;
  if (got < 0) {
    file.windowStart = -1;
    return false;
  }
  // A file that shrank under us ends where the read ended.
  if (got < wanted) file.size = start + got;
  file.windowStart = start;
  file.windowLength = got;
  return true;
}

static bool openFile(DataFile& file, const std::string& name, bool readOnly) {
  if (file.state != DataFileState::NotOpen) return false;
  const OpenedFile opened = openRegularFile(name, readOnly);
  file = DataFile{};
  file.openFailure = opened.failure;
  if (opened.state == DataFileState::NotOpen) return false;
  file.state = opened.state;
  file.handle = opened.handle;
  file.size = opened.size;
  file.window.assign(kWindowSize, 0);
  return true;
}

bool openForUpdate(DataFile& file, const std::string& name) {
  return openFile(file, name, false);
}

bool openForReading(DataFile& file, const std::string& name) {
  return openFile(file, name, true);
}

void backUpBeforeWriting(DataFile& file, const std::string& backupName) {
  file.backupName = backupName;
  file.backup = BackupState::Pending;
}

// Copies the file as it is, byte for byte, to a new file of the backup's
// name, and writes the copy out to the disk. A copy cut short is removed, so
// that it is never taken for the original later.
static void makeBackup(DataFile& file) {
  bool exists = false;
  const FileHandle copy = createNewFile(file.backupName, file.handle, exists);
  if (copy == kNoFileHandle) {
    file.backup = exists ? BackupState::Exists : BackupState::Failed;
    return;
  }
  std::vector<std::uint8_t> chunk(kWindowSize);
  bool copied = true;
  for (std::int64_t at = 0; copied && at < file.size; at += kWindowSize) {
    const std::int64_t length = std::min(kWindowSize, file.size - at);
    copied = readAt(file.handle, chunk.data(), length, at) == length &&
             writeAt(copy, chunk.data(), length, at) == length;
  }
  copied = copied && syncHandle(copy);
  copied = closeHandle(copy) && copied;
  if (!copied) removeFile(file.backupName);
  file.backup = copied ? BackupState::Made : BackupState::Failed;
}

std::uint8_t readByte(DataFile& file, std::int32_t position) {
  if (file.state == DataFileState::NotOpen || file.readFailed || position < 1) return 0;
  const std::int64_t offset = std::int64_t{position} - 1;
  if (offset >= file.size) return 0;
  if (!loadWindow(file, offset, 1)) {
    file.readFailed = true;
    return 0;
  }
  const std::int64_t at = offset - file.windowStart;
  return at < file.windowLength ? file.window[at] : 0;
}

bool writeBytes(DataFile& file, std::int32_t position, std::span<const std::uint8_t> bytes) {
  if (file.state == DataFileState::NotOpen || file.readFailed || position < 1) return false;
  if (file.state == DataFileState::ReadOnly) {
    file.writesRefused = true;
    return false;
  }
  if (file.backup == BackupState::Pending) makeBackup(file);
  if (file.backup == BackupState::Exists || file.backup == BackupState::Failed) return false;
  const auto length = static_cast<std::int64_t>(bytes.size());
  assert(length > 0 && length <= kWindowSize);
  const std::int64_t offset = std::int64_t{position} - 1;
  // The window holds the bytes as they are, to put back if the write is cut
  // short; the caller has mostly just read them, so this rarely reads.
  if (!loadWindow(file, offset, length)) {
    file.readFailed = true;
    return false;
  }
  const std::int64_t at = offset - file.windowStart;
  const std::int64_t written = writeAt(file.handle, bytes.data(), length, offset);
  if (written > 0) file.wroteAny = true;
  if (written < length) {
    file.writeFailed = true;
    // What the file took of a unit cut short is put back, so that no field
    // is left half-converted.
    if (written > 0) writeAt(file.handle, file.window.data() + at, written, offset);
    // Later reads see what the file really holds.
    file.windowStart = -1;
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), file.window.begin() + at);
  // A write past the end extends the file; the bytes skipped over read as 0.
  file.windowLength = std::max(file.windowLength, at + length);
  file.size = std::max(file.size, offset + length);
  return true;
}

bool writeByte(DataFile& file, std::int32_t position, std::uint8_t value) {
  return writeBytes(file, position, std::span(&value, 1));
}

CloseOutcome closeFile(DataFile& file) {
  if (file.state == DataFileState::NotOpen) return CloseOutcome::Failed;
  // Until they are on the disk, the changed bytes can still be lost, to a
  // stick pulled out or a write error met later; a run that wrote nothing
  // needs no flush.
  if (file.wroteAny && !syncHandle(file.handle)) file.writeFailed = true;
  if (!closeHandle(file.handle)) file.writeFailed = true;
  file.state = DataFileState::NotOpen;
  file.handle = kNoFileHandle;
  file.windowStart = -1;
  if (file.readFailed && !file.wroteAny) return CloseOutcome::Unread;
  if (file.backup == BackupState::Exists) return CloseOutcome::BackupExists;
  if (file.backup == BackupState::Failed) return CloseOutcome::BackupFailed;
  if (file.writesRefused) return CloseOutcome::Refused;
  return file.writeFailed || file.readFailed ? CloseOutcome::Failed : CloseOutcome::Written;
}
