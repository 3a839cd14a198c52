// SPDX-License-Identifier: GPL-3.0-or-later
// The file calls of DataFile over files held in memory, for the web page,
// where the browser hands over a file's bytes and no file system exists.
// A handle is the index of an open slot; none of these calls can fail for
// want of a disk, so every failure here is a name or handle that is not there.

#include "datafile/file_io_memory.h"

#include <algorithm>
#include <map>

#include "datafile/file_io.h"

using Bytes = std::vector<std::uint8_t>;

// std::map keeps each file's bytes at one address while other files come
// and go, so an open slot can point at them.
static std::map<std::string, Bytes>& heldFiles() {
  static std::map<std::string, Bytes> files;
  return files;
}

static std::vector<Bytes*>& openSlots() {
  static std::vector<Bytes*> slots;
  return slots;
}

static FileHandle openSlot(Bytes& bytes) {
  std::vector<Bytes*>& slots = openSlots();
  const auto freeSlot = std::find(slots.begin(), slots.end(), nullptr);
  if (freeSlot != slots.end()) {
    *freeSlot = &bytes;
    return freeSlot - slots.begin();
  }
  slots.push_back(&bytes);
  return static_cast<FileHandle>(slots.size()) - 1;
}

static Bytes* slotBytes(FileHandle handle) {
  const std::vector<Bytes*>& slots = openSlots();
  if (handle < 0 || static_cast<std::size_t>(handle) >= slots.size()) return nullptr;
  return slots[static_cast<std::size_t>(handle)];
}

void putMemoryFile(const std::string& name, Bytes bytes) {
  heldFiles()[name] = std::move(bytes);
}

Bytes takeMemoryFile(const std::string& name) {
  const auto held = heldFiles().find(name);
  if (held == heldFiles().end()) return {};
  Bytes bytes = std::move(held->second);
  std::replace(openSlots().begin(), openSlots().end(), &held->second, static_cast<Bytes*>(nullptr));
  heldFiles().erase(held);
  return bytes;
}

OpenedFile openRegularFile(const std::string& name, bool readOnly) {
  OpenedFile opened;
  const auto held = heldFiles().find(name);
  if (held == heldFiles().end()) {
    opened.failure = OpenFailure::NotFound;
    return opened;
  }
  opened.state = readOnly ? DataFileState::ReadOnly : DataFileState::ReadWrite;
  opened.handle = openSlot(held->second);
  opened.size = static_cast<std::int64_t>(held->second.size());
  return opened;
}

bool namesRegularFile(const std::string& name) {
  return heldFiles().count(name) != 0;
}

FileHandle createNewFile(const std::string& name, bool& exists) {
  const auto [made, isNew] = heldFiles().try_emplace(name);
  exists = !isNew;
  return isNew ? openSlot(made->second) : kNoFileHandle;
}

// Bytes in memory have no times, owner or mode to carry over.
bool copyAttributes(FileHandle copy, FileHandle original) {
  return slotBytes(copy) != nullptr && slotBytes(original) != nullptr;
}

std::int64_t sizeOfOpenFile(FileHandle handle) {
  const Bytes* bytes = slotBytes(handle);
  return bytes == nullptr ? -1 : static_cast<std::int64_t>(bytes->size());
}

// Nothing but the page itself changes the bytes it handed in.
bool stillNamedBy(FileHandle, const std::string&) {
  return true;
}

bool syncHandle(FileHandle handle) {
  return slotBytes(handle) != nullptr;
}

bool syncFolderOf(const std::string&) {
  return true;
}

bool removeFile(const std::string& name) {
  if (heldFiles().count(name) == 0) return false;
  takeMemoryFile(name);
  return true;
}

std::int64_t readAt(FileHandle handle, std::uint8_t* buffer, std::int64_t length,
                    std::int64_t offset) {
  const Bytes* bytes = slotBytes(handle);
  if (bytes == nullptr || offset < 0 || length < 0) return -1;
  const auto size = static_cast<std::int64_t>(bytes->size());
  const std::int64_t count = std::clamp<std::int64_t>(size - offset, 0, length);
  if (count == 0) return 0;
  std::copy_n(bytes->begin() + offset, count, buffer);
  return count;
}

// A write past the end lengthens the file, the bytes skipped over 0, as on a disk.
std::int64_t writeAt(FileHandle handle, const std::uint8_t* bytes, std::int64_t length,
                     std::int64_t offset) {
  Bytes* file = slotBytes(handle);
  if (file == nullptr || offset < 0 || length <= 0) return 0;
  const auto end = static_cast<std::size_t>(offset + length);
  if (file->size() < end) file->resize(end, 0);
  std::copy_n(bytes, length, file->begin() + offset);
  return length;
}

bool closeHandle(FileHandle handle) {
  if (slotBytes(handle) == nullptr) return false;
  openSlots()[static_cast<std::size_t>(handle)] = nullptr;
  return true;
}
