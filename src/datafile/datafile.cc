// SPDX-License-Identifier: GPL-3.0-or-later
// DataFile's read cache and its writes. One window of kWindowSize bytes serves
// the reads; each write goes to the file at once, and into the window so that
// later reads see it.

#include "datafile/datafile.h"

#include <algorithm>
#include <array>
#include <cassert>

static constexpr std::int16_t kNotSeen = -1;

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
  file.openedSize = opened.size;
  file.name = name;
  file.window.assign(kWindowSize, 0);
  return true;
}

bool openForUpdate(DataFile& file, const std::string& name) {
  return openFile(file, name, false);
}

bool openForReading(DataFile& file, const std::string& name) {
  return openFile(file, name, true);
}

std::string backupNameOf(const std::string& name, int number) {
  return number == 1 ? name + ".bak" : name + "." + std::to_string(number) + ".bak";
}

void backUpBeforeWriting(DataFile& file) {
  file.backup = BackupState::Pending;
}

// Whether `length` bytes at `offset`, as the file holds them now, agree with
// every byte the run read there; with `atEnd`, whether the run read nothing
// past them either.
static bool agreesWithSeen(const DataFile& file, const std::uint8_t* bytes, std::int64_t length,
                           std::int64_t offset, bool atEnd) {
  const auto seenCount = static_cast<std::int64_t>(file.seen.size());
  const std::int64_t end = atEnd ? seenCount : std::min(seenCount, offset + length);
  for (std::int64_t at = offset; at < end; ++at) {
    const std::int16_t byte = file.seen[at];
    if (byte >= 0 && (at >= offset + length || byte != bytes[at - offset])) return false;
  }
  return true;
}

enum class Pass { Whole, ReadFailed, Changed, Refused };

// Reads the file as it is now from its start to its end, chunk by chunk,
// holding each chunk to the bytes the run read, and gives it to `take`(bytes,
// length, offset), which gives false to stop. `length` is the file's.
template <typename Take>
static Pass passOver(DataFile& file, std::int64_t& length, Take take) {
  std::vector<std::uint8_t> chunk(kWindowSize);
  for (length = 0;;) {
    const std::int64_t got = readAt(file.handle, chunk.data(), kWindowSize, length);
    if (got < 0) return Pass::ReadFailed;
    const bool atEnd = got < kWindowSize;
    if (!agreesWithSeen(file, chunk.data(), got, length, atEnd)) return Pass::Changed;
    if (got > 0 && !take(chunk.data(), got, length)) return Pass::Refused;
    length += got;
    if (atEnd) return Pass::Whole;
  }
}

// Whether the named file holds the bytes of the data file as it is now, which
// must be those the run read. A copy that cannot be read serves nothing.
static Pass holdsTheFile(DataFile& file, const std::string& name, bool& same) {
  same = false;
  const OpenedFile copy = openRegularFile(name, true);
  if (copy.state == DataFileState::NotOpen) return Pass::Whole;
  std::vector<std::uint8_t> theirs(kWindowSize);
  bool readable = true;
  std::int64_t length = 0;
  const Pass pass = passOver(
      file, length, [&](const std::uint8_t* bytes, std::int64_t count, std::int64_t offset) {
        const std::int64_t got = readAt(copy.handle, theirs.data(), count, offset);
        readable = got >= 0;
        return got == count && std::equal(bytes, bytes + count, theirs.begin());
      });
  std::uint8_t past = 0;
  const std::int64_t more = pass == Pass::Whole ? readAt(copy.handle, &past, 1, length) : 0;
  readable = readable && more >= 0;
  const bool closed = closeHandle(copy.handle);
  if (!readable || !closed) return Pass::Refused;
  same = pass == Pass::Whole && more == 0;
  return pass == Pass::Refused ? Pass::Whole : pass;
}

// Copies the file as it is, to its end, to a new file of the given name, with
// the original's times (and owner, group and mode on POSIX), written out to
// the disk, then its folder entry. A copy cut short is removed, so that it is
// never taken for the original later.
static void copyTo(DataFile& file, FileHandle copy) {
  std::int64_t length = 0;
  const Pass pass = passOver(
      file, length, [&](const std::uint8_t* bytes, std::int64_t count, std::int64_t offset) {
        return writeAt(copy, bytes, count, offset) == count;
      });
  bool made = pass == Pass::Whole && copyAttributes(copy, file.handle) && syncHandle(copy);
  made = closeHandle(copy) && made;
  made = made && syncFolderOf(file.backupName);
  if (made) {
    file.backup = BackupState::Made;
    return;
  }
  file.backup = removeFile(file.backupName) ? BackupState::Failed : BackupState::Remains;
  if (pass == Pass::ReadFailed) file.readFailed = true;
  if (pass == Pass::Changed) file.changedMeanwhile = true;
}

// The copy, at the first name free or holding the file's bytes already.
static void makeBackup(DataFile& file) {
  for (int number = 1; number <= kBackupNames; ++number) {
    file.backupName = backupNameOf(file.name, number);
    bool exists = false;
    const FileHandle copy = createNewFile(file.backupName, exists);
    if (copy != kNoFileHandle) {
      copyTo(file, copy);
      return;
    }
    if (!exists) {
      file.backup = BackupState::Failed;
      return;
    }
    bool same = false;
    const Pass pass = holdsTheFile(file, file.backupName, same);
    if (pass != Pass::Whole) {
      file.backup = BackupState::Failed;
      if (pass == Pass::ReadFailed) file.readFailed = true;
      if (pass == Pass::Changed) file.changedMeanwhile = true;
      return;
    }
    if (same) {
      file.backup = BackupState::Made;
      return;
    }
  }
  file.backupName = backupNameOf(file.name, 1);
  file.backup = BackupState::Exists;
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
  if (at >= file.windowLength) return 0;
  // Only a copy still to be made is held to what the run read.
  if (file.backup == BackupState::Pending) {
    const auto index = static_cast<std::size_t>(offset);
    if (index >= file.seen.size()) file.seen.resize(index + 1, kNotSeen);
    file.seen[index] = file.window[at];
  }
  return file.window[at];
}

// Whether the file is the length it had at the open, and still the file its
// name holds; a failed look at the length is a failed read.
static bool stillItsLength(DataFile& file) {
  const std::int64_t size = sizeOfOpenFile(file.handle);
  if (size < 0) {
    file.readFailed = true;
    return false;
  }
  // A program that saves by renaming a new file over the old one leaves
  // this run writing a file that no name holds any more.
  if (size == file.openedSize && stillNamedBy(file.handle, file.name)) return true;
  file.changedMeanwhile = true;
  return false;
}

// Whether the field's bytes are still `was`, read right before a write. A
// file cut short before the field's end reads short, so no byte is ever
// written past the end; its length is asked before the first write and
// again before the close, which costs no call per field.
static bool stillAsRead(DataFile& file, std::int64_t offset, std::span<const std::uint8_t> was) {
  if (!file.wroteAny && !stillItsLength(file)) return false;
  std::array<std::uint8_t, 8> now{};
  const auto length = static_cast<std::int64_t>(was.size());
  const std::int64_t got = readAt(file.handle, now.data(), length, offset);
  if (got < 0) {
    file.readFailed = true;
    return false;
  }
  if (got == length && std::equal(was.begin(), was.end(), now.begin())) return true;
  file.changedMeanwhile = true;
  return false;
}

bool writeField(DataFile& file, std::int32_t position, std::span<const std::uint8_t> was,
                std::span<const std::uint8_t> now) {
  assert(was.size() == now.size() && now.size() <= 8);
  if (file.state == DataFileState::NotOpen || file.readFailed || file.changedMeanwhile ||
      position < 1)
    return false;
  const auto differs = [&](std::size_t i) { return was[i] != now[i]; };
  std::size_t first = 0, last = now.size();
  while (first < last && !differs(first)) ++first;
  while (last > first && !differs(last - 1)) --last;
  if (first == last) return true;
  if (file.state == DataFileState::ReadOnly) {
    file.writesRefused = true;
    return false;
  }
  if (file.backup == BackupState::Pending) makeBackup(file);
  if (file.backup != BackupState::NotAsked && file.backup != BackupState::Made) return false;
  const std::int64_t offset = std::int64_t{position} - 1;
  if (!stillAsRead(file, offset, was)) return false;

  const std::int64_t from = offset + static_cast<std::int64_t>(first);
  const auto length = static_cast<std::int64_t>(last - first);
  const std::int64_t written = writeAt(file.handle, now.data() + first, length, from);
  if (written > 0) file.wroteAny = true;
  if (written < length) {
    file.writeFailed = true;
    // What the file took of a unit cut short is put back, so that no field
    // is left half-converted.
    if (written > 0) writeAt(file.handle, was.data() + first, written, from);
    file.windowStart = -1;
    return false;
  }
  // Later reads, and the copy's check, see the bytes written.
  for (std::int64_t i = 0; i < length; ++i) {
    const std::int64_t at = from + i;
    const std::uint8_t byte = now[first + static_cast<std::size_t>(i)];
    if (file.windowStart >= 0 && at >= file.windowStart &&
        at < file.windowStart + file.windowLength)
      file.window[at - file.windowStart] = byte;
    if (at < static_cast<std::int64_t>(file.seen.size())) file.seen[at] = byte;
  }
  return true;
}

bool closeFile(DataFile& file) {
  if (file.state == DataFileState::NotOpen) {
    file.writeFailed = true;
    return false;
  }
  // A file that grew or shrank while it was written was saved by another
  // program meanwhile.
  if (file.wroteAny && !file.changedMeanwhile && !file.readFailed) stillItsLength(file);
  // Until they are on the disk, the changed bytes can still be lost, to a
  // stick pulled out or a write error met later; a run that wrote nothing
  // needs no flush.
  bool closed = !file.wroteAny || syncHandle(file.handle);
  closed = closeHandle(file.handle) && closed;
  if (!closed) file.writeFailed = true;
  file.state = DataFileState::NotOpen;
  file.handle = kNoFileHandle;
  file.windowStart = -1;
  return closed;
}
