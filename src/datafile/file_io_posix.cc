// SPDX-License-Identifier: GPL-3.0-or-later
// POSIX file calls for DataFile.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "datafile/file_io.h"

// The errors of a name under which there is nothing at all.
static bool namesNothing(int error) {
  return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == ELOOP;
}

// O_NONBLOCK keeps a FIFO swapped in after the stat from blocking the open;
// the fstat afterwards refuses it all the same. On failure `error` is the
// open's errno, or 0 for what is not a regular file.
static int openChecked(const char* path, int access, struct stat& status, int& error) {
  const int descriptor = open(path, access | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  error = errno;
  if (descriptor < 0) return -1;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    error = 0;
    return -1;
  }
  return descriptor;
}

bool namesRegularFile(const std::string& name) {
  struct stat status {};
  return stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

OpenedFile openRegularFile(const std::string& name, bool readOnly) {
  OpenedFile opened;
  // A device may act on being opened at all, so look before opening.
  struct stat status {};
  if (stat(name.c_str(), &status) != 0) {
    opened.failure = namesNothing(errno) ? OpenFailure::NotFound : OpenFailure::CannotOpen;
    return opened;
  }
  if (!S_ISREG(status.st_mode)) {
    opened.failure = OpenFailure::NotAFile;
    return opened;
  }

  int error = 0;
  int descriptor = readOnly ? -1 : openChecked(name.c_str(), O_RDWR, status, error);
  opened.state = DataFileState::ReadWrite;
  if (descriptor < 0) {
    descriptor = openChecked(name.c_str(), O_RDONLY, status, error);
    opened.state = DataFileState::ReadOnly;
  }
  if (descriptor < 0) {
    opened = OpenedFile{};
    opened.failure = error == 0            ? OpenFailure::NotAFile
                     : namesNothing(error) ? OpenFailure::NotFound
                                           : OpenFailure::CannotOpen;
    return opened;
  }
  opened.handle = descriptor;
  opened.size = status.st_size;
  return opened;
}

// A call retried while a signal interrupts it.
template <typename Call>
static std::int64_t uninterrupted(Call call) {
  ssize_t result;
  do result = call();
  while (result < 0 && errno == EINTR);
  return result;
}

std::int64_t readAt(FileHandle handle, std::uint8_t* buffer, std::int64_t length,
                    std::int64_t offset) {
  return readAll(length, [&](std::int64_t done) {
    return uninterrupted([&] {
      return pread(static_cast<int>(handle), buffer + done, static_cast<size_t>(length - done),
                   offset + done);
    });
  });
}

std::int64_t writeAt(FileHandle handle, const std::uint8_t* bytes, std::int64_t length,
                     std::int64_t offset) {
  return writeAll(length, [&](std::int64_t done) {
    return uninterrupted([&] {
      return pwrite(static_cast<int>(handle), bytes + done, static_cast<size_t>(length - done),
                    offset + done);
    });
  });
}

std::int64_t sizeOfOpenFile(FileHandle handle) {
  struct stat status {};
  return fstat(static_cast<int>(handle), &status) == 0 ? status.st_size : -1;
}

bool stillNamedBy(FileHandle handle, const std::string& name) {
  struct stat open {
  }, named{};
  if (fstat(static_cast<int>(handle), &open) != 0) return true;  // nothing to compare
  return stat(name.c_str(), &named) == 0 && named.st_dev == open.st_dev &&
         named.st_ino == open.st_ino;
}

bool closeHandle(FileHandle handle) {
  return close(static_cast<int>(handle)) == 0;
}

FileHandle createNewFile(const std::string& name, bool& exists) {
  const int descriptor =
      open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600);
  exists = descriptor < 0 && errno == EEXIST;
  return descriptor < 0 ? kNoFileHandle : descriptor;
}

// As cp -p does: the owner and group first, since a change of owner may clear
// mode bits; a user who may not give the file away keeps it, in the
// original's group where the user belongs to it.
bool copyAttributes(FileHandle copy, FileHandle original) {
  const int to = static_cast<int>(copy);
  struct stat status {};
  if (fstat(static_cast<int>(original), &status) != 0) return false;
  if (fchown(to, status.st_uid, status.st_gid) != 0) {
    if (errno != EPERM) return false;
    if (fchown(to, static_cast<uid_t>(-1), status.st_gid) != 0 && errno != EPERM) return false;
  }
  const timespec times[2] = {status.st_atim, status.st_mtim};
  return fchmod(to, status.st_mode & 0777) == 0 && futimens(to, times) == 0;
}

bool syncHandle(FileHandle handle) {
  return fsync(static_cast<int>(handle)) == 0;
}

bool syncFolderOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : name.substr(0, slash);
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return false;
  // A file system that cannot write out a folder by itself says EINVAL; its
  // entries reach the disk with the file's own data.
  const bool synced = fsync(descriptor) == 0 || errno == EINVAL;
  return close(descriptor) == 0 && synced;
}

bool removeFile(const std::string& name) {
  return unlink(name.c_str()) == 0;
}
