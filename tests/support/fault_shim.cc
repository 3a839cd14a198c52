// SPDX-License-Identifier: GPL-3.0-or-later
// Loaded into the tool with LD_PRELOAD by end-to-end tests, to bring about
// what a user meets only rarely:
// - HAMSHIFT_SLOW_PROMPT set: a write to standard output that ends in "? ",
//   as the prompt does, returns a second late, so that a key can be typed in
//   the instant after the prompt shows;
// - HAMSHIFT_FAIL_READS_FROM=OFFSET: a read of a file whose name ends in .DAT
//   that reaches OFFSET fails with EIO, as a bad sector would;
// - HAMSHIFT_FAIL_SYNC set: writing a .DAT file out to the disk (fsync,
//   fdatasync) fails with EIO, as a stick pulled too early would.
// <unistd.h> is left out, so that its own declarations are not seen.

#include <dlfcn.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern "C" ssize_t readlink(const char* path, char* buffer, size_t size);

extern "C" ssize_t write(int descriptor, const void* bytes, size_t count) {
  using Write = ssize_t (*)(int, const void*, size_t);
  static const auto next = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
  static const bool slowPrompt = std::getenv("HAMSHIFT_SLOW_PROMPT") != nullptr;
  const ssize_t written = next(descriptor, bytes, count);
  if (slowPrompt && descriptor == 1 && count >= 2 &&
      std::memcmp(static_cast<const char*>(bytes) + count - 2, "? ", 2) == 0) {
    const timespec second{1, 0};
    nanosleep(&second, nullptr);
  }
  return written;
}

static bool isDataFile(int descriptor) {
  char link[64];
  char path[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
  const ssize_t length = readlink(link, path, sizeof path);
  return length >= 4 && std::memcmp(path + length - 4, ".DAT", 4) == 0;
}

static bool readFails(int descriptor, size_t count, off_t offset) {
  static const char* const from = std::getenv("HAMSHIFT_FAIL_READS_FROM");
  if (from == nullptr || offset + static_cast<off_t>(count) <= std::atoll(from)) return false;
  return isDataFile(descriptor);
}

using PositionedRead = ssize_t (*)(int, void*, size_t, off_t);

static ssize_t positionedRead(const char* name, int descriptor, void* buffer, size_t count,
                              off_t offset) {
  if (readFails(descriptor, count, offset)) {
    errno = EIO;
    return -1;
  }
  const auto next = reinterpret_cast<PositionedRead>(dlsym(RTLD_NEXT, name));
  return next(descriptor, buffer, count, offset);
}

extern "C" ssize_t pread(int descriptor, void* buffer, size_t count, off_t offset) {
  return positionedRead("pread", descriptor, buffer, count, offset);
}

extern "C" ssize_t pread64(int descriptor, void* buffer, size_t count, off_t offset) {
  return positionedRead("pread64", descriptor, buffer, count, offset);
}

static int sync(const char* name, int descriptor) {
  static const bool fails = std::getenv("HAMSHIFT_FAIL_SYNC") != nullptr;
  if (fails && isDataFile(descriptor)) {
    errno = EIO;
    return -1;
  }
  const auto next = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, name));
  return next(descriptor);
}

extern "C" int fsync(int descriptor) {
  return sync("fsync", descriptor);
}

extern "C" int fdatasync(int descriptor) {
  return sync("fdatasync", descriptor);
}
