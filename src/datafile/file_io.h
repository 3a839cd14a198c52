// SPDX-License-Identifier: GPL-3.0-or-later
// The platform's file calls behind DataFile: open, positioned read and write,
// the file's size, the backup's creation and attributes, the writes out to the
// disk, close. file_io_posix.cc and file_io_win32.cc each define them; none of
// them prints anything or keeps state of its own.

#pragma once

#include <cstdint>
#include <string>

// On Windows a HANDLE, on POSIX a descriptor; both fit an intptr_t.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFileHandle = -1;

enum class DataFileState { NotOpen, ReadWrite, ReadOnly };

// Why nothing was opened.
enum class OpenFailure {
  None,
  NotFound,    // nothing is there: a missing file or folder on the way, a name too long
  NotAFile,    // a folder, a FIFO, a socket or a device is there
  CannotOpen,  // a file the user may not read, one another program holds with no
               // sharing, a folder on the way that may not be entered
};

struct OpenedFile {
  DataFileState state = DataFileState::NotOpen;
  FileHandle handle = kNoFileHandle;
  std::int64_t size = 0;
  OpenFailure failure = OpenFailure::None;  // set when state is NotOpen
};

// Opens an existing regular file for reading and writing, or for reading
// alone when it cannot be written or `readOnly` asks for that. Never creates a file and never opens
// anything but a regular file, so a FIFO or a device cannot block the run.
// The name is the system's bytes on POSIX and UTF-8 on Windows. Gives state
// NotOpen, and why, when nothing was opened.
OpenedFile openRegularFile(const std::string& name, bool readOnly = false);

// Whether a regular file is there under the name, found without opening it.
// False when nothing is there, or when it cannot be told.
bool namesRegularFile(const std::string& name);

// Makes `name` a new, empty file open for writing, readable by its owner
// alone until copyAttributes gives it the original's. Gives kNoFileHandle
// when it cannot, with `exists` set when something has that name already:
// nothing there is ever replaced.
FileHandle createNewFile(const std::string& name, bool& exists);

// Gives the copy the original's modification time (and its access time), and
// on POSIX its permissions and, where this process may set them, its owner
// and group; false when any of that failed but the owner and group.
bool copyAttributes(FileHandle copy, FileHandle original);

// The open file's length now, or -1 when the system cannot tell it.
std::int64_t sizeOfOpenFile(FileHandle handle);

// Whether `name` still names the open file: false once another file has
// been renamed over it, or it has been removed, as a program that saves by
// writing a new file and renaming it does. Windows lets no one do either
// while the tool holds the file, so there it is always true.
bool stillNamedBy(FileHandle handle, const std::string& name);

// Writes the file's data out to the disk; false when the system reports
// that it could not.
bool syncHandle(FileHandle handle);

// Writes out the entry of the folder that holds `name`, so that a file just
// made there keeps its name after a power cut; false when that failed. On
// Windows, which has no such call for a folder, it does nothing.
bool syncFolderOf(const std::string& name);

// Removes the named file; false when it could not.
bool removeFile(const std::string& name);

// Reads up to `length` bytes at `offset`; gives the count read (short only at
// the end of the file), or -1 when the read failed.
std::int64_t readAt(FileHandle handle, std::uint8_t* buffer, std::int64_t length,
                    std::int64_t offset);

// Writes `length` bytes at `offset`; gives how many were written before a
// failure stopped it (all of them on success).
std::int64_t writeAt(FileHandle handle, const std::uint8_t* bytes, std::int64_t length,
                     std::int64_t offset);

// The loops of readAt and writeAt: `step`(done) moves what it can of the
// rest and gives how many bytes it moved, 0 at the end of the file, or below
// 0 on a failure. readAll gives the bytes read, -1 on a failure, since what
// a failed read left in the buffer is no data; writeAll gives the bytes
// written before a failure, which the caller puts back.
template <typename Step>
std::int64_t readAll(std::int64_t length, Step step) {
  std::int64_t done = 0;
  while (done < length) {
    const std::int64_t moved = step(done);
    if (moved < 0) return -1;
    if (moved == 0) break;
    done += moved;
  }
  return done;
}

template <typename Step>
std::int64_t writeAll(std::int64_t length, Step step) {
  std::int64_t done = 0;
  while (done < length) {
    const std::int64_t moved = step(done);
    if (moved <= 0) break;
    done += moved;
  }
  return done;
}

// Closes the handle; false when the system reports that the close failed.
bool closeHandle(FileHandle handle);
