// Windows file calls for DataFile. A name is turned into UTF-16 from the code
// page its bytes came in and opened with the wide-character calls, so a name
// typed at the console names the file whose characters the user saw there.

#include <windows.h>

#include <string>
#include <string_view>

#include "datafile/device_names.h"
#include "datafile/file_io.h"

static HANDLE asHandle(FileHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// Typed keys come in the console's input code page (an OEM one such as 437
// or 850); the command line and redirected input in the ANSI code page, as
// the C runtime's own file calls would take them.
static std::wstring wideName(const std::string& name, NameSource source) {
  const UINT codePage = source == NameSource::Typed ? GetConsoleCP() : CP_ACP;
  const int size = static_cast<int>(name.size());
  const int length = MultiByteToWideChar(codePage, 0, name.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, name.data(), size, wide.data(), length);
  return wide;
}

static HANDLE openFile(const std::wstring& name, DWORD access) {
  return CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

OpenedFile openRegularFile(const std::string& name, NameSource source) {
  OpenedFile opened;
  const std::wstring wide = wideName(name, source);
  // Opening a port can act on it, so a device name is refused before any open.
  if (wide.empty() || namesDevice(std::u16string(wide.begin(), wide.end()))) return opened;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return opened;

  HANDLE handle = openFile(wide, GENERIC_READ | GENERIC_WRITE);
  opened.state = DataFileState::ReadWrite;
  if (handle == INVALID_HANDLE_VALUE) {
    handle = openFile(wide, GENERIC_READ);
    opened.state = DataFileState::ReadOnly;
  }
  if (handle == INVALID_HANDLE_VALUE) return OpenedFile{};
  LARGE_INTEGER size{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    return OpenedFile{};
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
  std::int64_t done = 0;
  while (done < length) {
    OVERLAPPED position = at(offset + done);
    DWORD got = 0;
    if (!ReadFile(asHandle(handle), buffer + done, static_cast<DWORD>(length - done), &got,
                  &position))
      return GetLastError() == ERROR_HANDLE_EOF ? done : -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

std::int64_t writeAt(FileHandle handle, const std::uint8_t* bytes, std::int64_t length,
                     std::int64_t offset) {
  std::int64_t done = 0;
  while (done < length) {
    OVERLAPPED position = at(offset + done);
    DWORD put = 0;
    if (!WriteFile(asHandle(handle), bytes + done, static_cast<DWORD>(length - done), &put,
                   &position) ||
        put == 0)
      break;
    done += put;
  }
  return done;
}

bool closeHandle(FileHandle handle) {
  return CloseHandle(asHandle(handle)) != 0;
}
