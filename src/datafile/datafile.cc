// DataFile's window cache. One window of kWindowSize bytes serves reads and
// writes alike; it is written back, as a single write of its changed range,
// when the run moves to another window and at close.

#include "datafile/datafile.h"

#include <algorithm>

static std::int64_t alignedStart(std::int64_t offset) {
  return offset - offset % kWindowSize;
}

// A write cut short at `cut` may have split a unit of writeBytes; put that
// unit's written bytes back as they were, so no field is left half-converted.
static void undoTornUnit(DataFile& file, std::int64_t cut) {
  if (cut <= file.dirtyBegin || cut >= file.dirtyEnd || !file.joinsPrevious[cut]) return;
  std::int64_t unitStart = cut;
  while (unitStart > file.dirtyBegin && file.joinsPrevious[unitStart]) --unitStart;
  writeAt(file.handle, file.original.data() + unitStart, cut - unitStart,
          file.windowStart + unitStart);
}

// Writes the window's changed range back to the file. After a failure the
// window is dropped, so that later reads see what the file really holds.
static void flushWindow(DataFile& file) {
  const std::int64_t length = file.dirtyEnd - file.dirtyBegin;
  if (length > 0) {
    const std::int64_t written = writeAt(file.handle, file.window.data() + file.dirtyBegin, length,
                                         file.windowStart + file.dirtyBegin);
    if (written < length) {
      file.writeFailed = true;
      undoTornUnit(file, file.dirtyBegin + std::max<std::int64_t>(written, 0));
      file.windowStart = -1;
    } else {
      std::copy_n(file.window.begin() + file.dirtyBegin, length,
                  file.original.begin() + file.dirtyBegin);
    }
  }
  file.dirtyBegin = file.dirtyEnd = 0;
  std::fill(file.joinsPrevious.begin(), file.joinsPrevious.end(), false);
}

// Makes the window hold the `length` bytes at `offset`. A window starts on a
// multiple of its size unless the range would cross a window's edge. Returns
// false when the file could not be read there.
static bool loadWindow(DataFile& file, std::int64_t offset, std::int64_t length) {
  if (file.windowStart >= 0 && offset >= file.windowStart &&
      offset + length <= file.windowStart + kWindowSize)
    return true;
  flushWindow(file);
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
  std::copy(file.window.begin(), file.window.end(), file.original.begin());
  return true;
}

bool openForUpdate(DataFile& file, const std::string& name, NameSource source) {
  if (file.state != DataFileState::NotOpen || name.empty()) return false;
  const OpenedFile opened = openRegularFile(name, source);
  if (opened.state == DataFileState::NotOpen) return false;
  file = DataFile{};
  file.state = opened.state;
  file.handle = opened.handle;
  file.size = opened.size;
  file.window.assign(kWindowSize, 0);
  file.original.assign(kWindowSize, 0);
  file.joinsPrevious.assign(kWindowSize, false);
  return true;
}

std::uint8_t readByte(DataFile& file, std::int32_t position) {
  if (file.state == DataFileState::NotOpen || position < 1) return 0;
  const std::int64_t offset = std::int64_t{position} - 1;
  if (offset >= file.size || !loadWindow(file, offset, 1)) return 0;
  const std::int64_t at = offset - file.windowStart;
  return at < file.windowLength ? file.window[at] : 0;
}

bool writeBytes(DataFile& file, std::int32_t position, std::span<const std::uint8_t> bytes) {
  if (file.state == DataFileState::NotOpen || position < 1) return false;
  if (file.state == DataFileState::ReadOnly) {
    file.writesRefused = true;
    return false;
  }
  const auto length = static_cast<std::int64_t>(bytes.size());
  if (length == 0 || length > kWindowSize) return length == 0;
  const std::int64_t offset = std::int64_t{position} - 1;
  if (!loadWindow(file, offset, length)) {
    file.writeFailed = true;
    return false;
  }
  const std::int64_t at = offset - file.windowStart;
  std::copy(bytes.begin(), bytes.end(), file.window.begin() + at);
  for (std::int64_t i = 1; i < length; ++i) file.joinsPrevious[at + i] = true;
  if (file.dirtyBegin == file.dirtyEnd) {
    file.dirtyBegin = at;
    file.dirtyEnd = at + length;
  } else {
    file.dirtyBegin = std::min(file.dirtyBegin, at);
    file.dirtyEnd = std::max(file.dirtyEnd, at + length);
  }
  // A write past the end extends the file; the bytes skipped over read as 0.
  file.windowLength = std::max(file.windowLength, at + length);
  file.size = std::max(file.size, offset + length);
  return true;
}

bool writeByte(DataFile& file, std::int32_t position, std::uint8_t value) {
  return writeBytes(file, position, std::span(&value, 1));
}

bool closeFile(DataFile& file) {
  if (file.state == DataFileState::NotOpen) return false;
  flushWindow(file);
  if (!closeHandle(file.handle)) file.writeFailed = true;
  file.state = DataFileState::NotOpen;
  file.handle = kNoFileHandle;
  file.windowStart = -1;
  return !file.writeFailed && !file.writesRefused;
}
