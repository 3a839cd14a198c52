// SPDX-License-Identifier: GPL-3.0-or-later
// Loaded into the tool with LD_PRELOAD by end-to-end tests, to bring about
// what a user meets only rarely:
// - HAMSHIFT_SLOW_PROMPT set: a write to standard output that ends in "? ",
//   as the prompt does, returns a second late, so that a key can be typed in
//   the instant after the prompt shows;
// - HAMSHIFT_FAULT_CALL=KIND and HAMSHIFT_FAULT_AT=N: the Nth call of that
//   kind (open, read, write, sync, close, unlink, rename) on anything inside
//   the folder HAMSHIFT_FAULT_FOLDER (the working folder when unset), the
//   folder itself too, fails with EIO; a close closes all the same, as
//   Linux's does. The failure is noted in the file HAMSHIFT_FAULT_REPORT;
// - HAMSHIFT_MEANWHILE=ACTION and HAMSHIFT_MEANWHILE_AFTER=N: right after the
//   Nth write there, another program acts on the file written: "empty"
//   empties it, "replace" saves a new file, "new", under its name (by a
//   rename, as programs that save safely do), "OFFSET HEX..." sets its bytes
//   from that offset.
// <unistd.h>, <fcntl.h> and <cstdio> are left out, so that their own declarations of
// the calls replaced here are not seen.

#include <dlfcn.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern "C" int snprintf(char* buffer, size_t size, const char* format, ...);
extern "C" ssize_t readlink(const char* path, char* buffer, size_t size);
extern "C" char* getcwd(char* buffer, size_t size);
extern "C" int ftruncate(int descriptor, off_t length);

template <typename Call>
static Call next(const char* name) {
  return reinterpret_cast<Call>(dlsym(RTLD_NEXT, name));
}

// The folder whose files the faults reach, without a trailing '/'.
static const char* faultFolder() {
  static char folder[4096] = "";
  if (folder[0] == '\0') {
    const char* given = std::getenv("HAMSHIFT_FAULT_FOLDER");
    if (given != nullptr)
      snprintf(folder, sizeof folder, "%s", given);
    else if (getcwd(folder, sizeof folder) == nullptr)
      snprintf(folder, sizeof folder, "/nonexistent");
  }
  return folder;
}

static bool inFolder(const char* path) {
  if (path[0] != '/') return true;  // relative to the working folder, where the tool runs
  const char* folder = faultFolder();
  const size_t length = std::strlen(folder);
  return std::strncmp(path, folder, length) == 0 && (path[length] == '\0' || path[length] == '/');
}

static bool descriptorInFolder(int descriptor) {
  char link[64];
  char path[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
  const ssize_t length = readlink(link, path, sizeof path - 1);
  if (length <= 0) return false;
  path[length] = '\0';
  return path[0] == '/' && inFolder(path);
}

// Counts a call of `kind` on something in the folder; true when it is the
// one to fail, which is noted.
static long numberIn(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::atol(value) : 0;
}

static bool failsNow(const char* kind) {
  static const char* const call = std::getenv("HAMSHIFT_FAULT_CALL");
  static const long at = numberIn("HAMSHIFT_FAULT_AT");
  static long seen = 0;
  if (call == nullptr || std::strcmp(call, kind) != 0 || ++seen != at) return false;
  if (const char* report = std::getenv("HAMSHIFT_FAULT_REPORT")) {
    using Write = ssize_t (*)(int, const void*, size_t);
    using Close = int (*)(int);
    // O_WRONLY | O_CREAT | O_TRUNC
    const int descriptor =
        next<int (*)(const char*, int, ...)>("open")(report, 01 | 0100 | 01000, 0644);
    if (descriptor >= 0) {
      char line[64];
      const int length = snprintf(line, sizeof line, "%s %ld\n", kind, at);
      next<Write>("write")(descriptor, line, static_cast<size_t>(length));
      next<Close>("close")(descriptor);
    }
  }
  errno = EIO;
  return true;
}

static bool pathFails(const char* kind, const char* path) {
  return inFolder(path) && failsNow(kind);
}

static bool descriptorFails(const char* kind, int descriptor) {
  const char* call = std::getenv("HAMSHIFT_FAULT_CALL");
  return call != nullptr && std::strcmp(call, kind) == 0 && descriptorInFolder(descriptor) &&
         failsNow(kind);
}

// Another program's change to the file just written, after the Nth write.
static void meanwhile(int descriptor) {
  static const char* const action = std::getenv("HAMSHIFT_MEANWHILE");
  static const long after = numberIn("HAMSHIFT_MEANWHILE_AFTER");
  static long writes = 0;
  if (action == nullptr || !descriptorInFolder(descriptor) || ++writes != after) return;
  if (std::strcmp(action, "empty") == 0) {
    ftruncate(descriptor, 0);
    return;
  }
  if (std::strcmp(action, "replace") == 0) {
    char link[64], path[4096], saved[4200];
    snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length <= 0) return;
    path[length] = '\0';
    snprintf(saved, sizeof saved, "%s.new", path);
    using Open = int (*)(const char*, int, ...);
    using Write = ssize_t (*)(int, const void*, size_t);
    using Close = int (*)(int);
    using Rename = int (*)(const char*, const char*);
    const int made =
        next<Open>("open")(saved, 01 | 0100 | 01000, 0644);  // O_WRONLY|O_CREAT|O_TRUNC
    if (made < 0) return;
    next<Write>("write")(made, "new", 3);
    next<Close>("close")(made);
    next<Rename>("rename")(saved, path);
    return;
  }
  char* rest = nullptr;
  off_t offset = std::strtoll(action, &rest, 10);
  using PositionedWrite = ssize_t (*)(int, const void*, size_t, off_t);
  for (;;) {
    char* end = nullptr;
    const unsigned long byte = std::strtoul(rest, &end, 16);
    if (end == rest) break;
    const unsigned char value = static_cast<unsigned char>(byte);
    next<PositionedWrite>("pwrite64")(descriptor, &value, 1, offset++);
    rest = end;
  }
}

extern "C" ssize_t write(int descriptor, const void* bytes, size_t count) {
  using Write = ssize_t (*)(int, const void*, size_t);
  static const auto real = next<Write>("write");
  static const bool slowPrompt = std::getenv("HAMSHIFT_SLOW_PROMPT") != nullptr;
  if (descriptor > 2 && descriptorFails("write", descriptor)) return -1;
  const ssize_t written = real(descriptor, bytes, count);
  if (slowPrompt && descriptor == 1 && count >= 2 &&
      std::memcmp(static_cast<const char*>(bytes) + count - 2, "? ", 2) == 0) {
    const timespec second{1, 0};
    nanosleep(&second, nullptr);
  }
  if (descriptor > 2 && written > 0) meanwhile(descriptor);
  return written;
}

using PositionedWrite = ssize_t (*)(int, const void*, size_t, off_t);

static ssize_t positionedWrite(const char* name, int descriptor, const void* bytes, size_t count,
                               off_t offset) {
  if (descriptorFails("write", descriptor)) return -1;
  const ssize_t written = next<PositionedWrite>(name)(descriptor, bytes, count, offset);
  if (written > 0) meanwhile(descriptor);
  return written;
}

extern "C" ssize_t pwrite(int descriptor, const void* bytes, size_t count, off_t offset) {
  return positionedWrite("pwrite", descriptor, bytes, count, offset);
}

extern "C" ssize_t pwrite64(int descriptor, const void* bytes, size_t count, off_t offset) {
  return positionedWrite("pwrite64", descriptor, bytes, count, offset);
}

extern "C" ssize_t read(int descriptor, void* buffer, size_t count) {
  using Read = ssize_t (*)(int, void*, size_t);
  if (descriptor > 2 && descriptorFails("read", descriptor)) return -1;
  return next<Read>("read")(descriptor, buffer, count);
}

using PositionedRead = ssize_t (*)(int, void*, size_t, off_t);

extern "C" ssize_t pread(int descriptor, void* buffer, size_t count, off_t offset) {
  if (descriptorFails("read", descriptor)) return -1;
  return next<PositionedRead>("pread")(descriptor, buffer, count, offset);
}

extern "C" ssize_t pread64(int descriptor, void* buffer, size_t count, off_t offset) {
  if (descriptorFails("read", descriptor)) return -1;
  return next<PositionedRead>("pread64")(descriptor, buffer, count, offset);
}

static int sync(const char* name, int descriptor) {
  if (descriptorFails("sync", descriptor)) return -1;
  return next<int (*)(int)>(name)(descriptor);
}

extern "C" int fsync(int descriptor) {
  return sync("fsync", descriptor);
}

extern "C" int fdatasync(int descriptor) {
  return sync("fdatasync", descriptor);
}

extern "C" int close(int descriptor) {
  const bool fails = descriptor > 2 && descriptorFails("close", descriptor);
  const int closed = next<int (*)(int)>("close")(descriptor);
  if (!fails) return closed;
  errno = EIO;
  return -1;
}

// The mode is read only where the flags may create a file (O_CREAT 0100,
// O_TMPFILE 020000000), as the C library does.
static unsigned modeOf(int flags, va_list rest) {
  return (flags & 0100) || (flags & 020000000) ? va_arg(rest, unsigned) : 0;
}

using Open = int (*)(const char*, int, ...);
using OpenAt = int (*)(int, const char*, int, ...);

static int openCall(const char* name, const char* path, int flags, unsigned mode) {
  if (pathFails("open", path)) return -1;
  return next<Open>(name)(path, flags, mode);
}

static int openAtCall(const char* name, int folder, const char* path, int flags, unsigned mode) {
  if (pathFails("open", path)) return -1;
  return next<OpenAt>(name)(folder, path, flags, mode);
}

extern "C" int open(const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const unsigned mode = modeOf(flags, rest);
  va_end(rest);
  return openCall("open", path, flags, mode);
}

extern "C" int open64(const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const unsigned mode = modeOf(flags, rest);
  va_end(rest);
  return openCall("open64", path, flags, mode);
}

extern "C" int openat(int folder, const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const unsigned mode = modeOf(flags, rest);
  va_end(rest);
  return openAtCall("openat", folder, path, flags, mode);
}

extern "C" int openat64(int folder, const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const unsigned mode = modeOf(flags, rest);
  va_end(rest);
  return openAtCall("openat64", folder, path, flags, mode);
}

extern "C" int unlink(const char* path) {
  if (pathFails("unlink", path)) return -1;
  return next<int (*)(const char*)>("unlink")(path);
}

extern "C" int unlinkat(int folder, const char* path, int flags) {
  if (pathFails("unlink", path)) return -1;
  return next<int (*)(int, const char*, int)>("unlinkat")(folder, path, flags);
}

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): stdio.h names them __old,
// __new
extern "C" int rename(const char* from, const char* to) {
  if (pathFails("rename", to)) return -1;
  return next<int (*)(const char*, const char*)>("rename")(from, to);
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
  if (pathFails("rename", to)) return -1;
  return next<int (*)(int, const char*, int, const char*)>("renameat")(fromFolder, from, toFolder,
                                                                       to);
}
