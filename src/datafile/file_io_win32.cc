// SPDX-License-Identifier: GPL-3.0-or-later
// Windows file calls for DataFile. The name comes in UTF-8 and is opened by
// its UTF-16 form with the wide-character calls, so every letter of it counts;
// a path too long for the usual form is opened by its long form.

#include <windows.h>

#include <string>

#include "datafile/file_io.h"
#include "datafile/windows_paths.h"
#include "unicode/unicode.h"

static HANDLE asHandle(FileHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

static std::wstring asWide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

// The path the file calls are given: the long form of the full path where
// that reaches MAX_PATH, which every Windows takes whatever its own limit,
// and otherwise the name as it stands.
static std::wstring systemPath(const std::u16string& name) {
  const std::wstring wide = asWide(name);
  const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return wide;
  std::wstring full(length, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
  if (got == 0 || got >= length) return wide;
  full.resize(got);
  const std::u16string longForm = longPathForm(std::u16string(full.begin(), full.end()));
  return longForm.empty() ? wide : asWide(longForm);
}

static_assert(kNamesNothingErrors[0] == ERROR_FILE_NOT_FOUND &&
              kNamesNothingErrors[1] == ERROR_PATH_NOT_FOUND &&
              kNamesNothingErrors[2] == ERROR_INVALID_DRIVE &&
              kNamesNothingErrors[3] == ERROR_NOT_READY &&
              kNamesNothingErrors[4] == ERROR_BAD_NETPATH &&
              kNamesNothingErrors[5] == ERROR_BAD_NET_NAME &&
              kNamesNothingErrors[6] == ERROR_INVALID_NAME &&
              kNamesNothingErrors[7] == ERROR_BAD_PATHNAME &&
              kNamesNothingErrors[8] == ERROR_FILENAME_EXCED_RANGE &&
              kNamesNothingErrors[9] == ERROR_DIRECTORY);

// Open for writing, the file is shared for reading alone, so that no other
// program writes it during the run; open for reading, writers are let be.
static HANDLE openFile(const std::wstring& path, DWORD access) {
  const DWORD sharing =
      (access & GENERIC_WRITE) != 0 ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  return CreateFileW(path.c_str(), access, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

bool namesRegularFile(const std::string& name) {
  const std::u16string wide = utf16Of(name);
  if (wide.empty() || namesDevice(wide)) return false;
  const DWORD attributes = GetFileAttributesW(systemPath(wide).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

OpenedFile openRegularFile(const std::string& name, bool readOnly) {
  OpenedFile opened;
  const std::u16string wide = utf16Of(name);
  // Opening a port can act on it, so a device name is refused before any open.
  if (wide.empty()) {
    opened.failure = OpenFailure::NotFound;
    return opened;
  }
  if (namesDevice(wide)) {
    opened.failure = OpenFailure::NotAFile;
    return opened;
  }
  const std::wstring path = systemPath(wide);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    opened.failure = openFailureOfError(GetLastError());
    return opened;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    opened.failure = OpenFailure::NotAFile;
    return opened;
  }

  HANDLE handle = readOnly ? INVALID_HANDLE_VALUE : openFile(path, GENERIC_READ | GENERIC_WRITE);
  opened.state = DataFileState::ReadWrite;
  if (handle == INVALID_HANDLE_VALUE) {
    handle = openFile(path, GENERIC_READ);
    opened.state = DataFileState::ReadOnly;
  }
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    opened = OpenedFile{};
    opened.failure = openFailureOfError(error);
    return opened;
  }
  LARGE_INTEGER size{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    opened = OpenedFile{};
    opened.failure = OpenFailure::NotAFile;
    return opened;
  }
  opened.handle = reinterpret_cast<FileHandle>(handle);
  opened.size = size.QuadPart;
  return opened;
}

static OVERLAPPED at(std::int64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  position.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return position;
}

std::int64_t readAt(FileHandle handle, std::uint8_t* buffer, std::int64_t length,
                    std::int64_t offset) {
  return readAll(length, [&](std::int64_t done) -> std::int64_t {
    OVERLAPPED position = at(offset + done);
    DWORD got = 0;
    if (ReadFile(asHandle(handle), buffer + done, static_cast<DWORD>(length - done), &got,
                 &position))
      return got;
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  });
}

std::int64_t writeAt(FileHandle handle, const std::uint8_t* bytes, std::int64_t length,
                     std::int64_t offset) {
  return writeAll(length, [&](std::int64_t done) -> std::int64_t {
    OVERLAPPED position = at(offset + done);
    DWORD put = 0;
    if (WriteFile(asHandle(handle), bytes + done, static_cast<DWORD>(length - done), &put,
                  &position))
      return put;
    return -1;
  });
}

bool closeHandle(FileHandle handle) {
  return CloseHandle(asHandle(handle)) != 0;
}

static_assert(kExistsErrors[0] == ERROR_FILE_EXISTS && kExistsErrors[1] == ERROR_ALREADY_EXISTS);

FileHandle createNewFile(const std::string& name, bool& exists) {
  const std::wstring path = systemPath(utf16Of(name));
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  exists = handle == INVALID_HANDLE_VALUE && errorMeansExists(GetLastError());
  return handle == INVALID_HANDLE_VALUE ? kNoFileHandle : reinterpret_cast<FileHandle>(handle);
}

// Windows keeps no owner or mode bits a copy could take; the times it does.
bool copyAttributes(FileHandle copy, FileHandle original) {
  FILETIME accessed{}, modified{};
  return GetFileTime(asHandle(original), nullptr, &accessed, &modified) &&
         SetFileTime(asHandle(copy), nullptr, &accessed, &modified);
}

std::int64_t sizeOfOpenFile(FileHandle handle) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(asHandle(handle), &size) ? size.QuadPart : -1;
}

bool stillNamedBy(FileHandle, const std::string&) {
  return true;
}

bool syncHandle(FileHandle handle) {
  return FlushFileBuffers(asHandle(handle)) != 0;
}

bool syncFolderOf(const std::string&) {
  return true;
}

bool removeFile(const std::string& name) {
  return DeleteFileW(systemPath(utf16Of(name)).c_str()) != 0;
}
