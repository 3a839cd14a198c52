// Windows file calls for DataFile. Names are taken as bytes of the ANSI code
// page, as the C runtime's own file calls take them.

#include <windows.h>

#include <cctype>
#include <string_view>

#include "datafile/file_io.h"

static HANDLE asHandle(FileHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// CON, PRN, AUX, NUL, COM0-9 and LPT0-9 name devices in every folder and
// with any extension ("NUL.DAT"), as do the \\.\ and \\?\ device paths and a
// name such as "COM1:DAT". Opening a port can act on it, so such names are
// refused before any open.
static bool namesDevice(std::string_view name) {
  if (name.starts_with("\\\\.\\") || name.starts_with("\\\\?\\") || name.starts_with("//./"))
    return true;
  const std::size_t slash = name.find_last_of("\\/");
  std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  if (base.size() >= 2 && base[1] == ':') base.remove_prefix(2);  // a drive, as in C:NUL
  base = base.substr(0, base.find_first_of(".:"));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper;
  for (const char c : base) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
      upper == "CONOUT$")
    return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         std::isdigit(static_cast<unsigned char>(upper[3]));
}

static HANDLE openFile(const std::string& name, DWORD access) {
  return CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

OpenedFile openRegularFile(const std::string& name) {
  OpenedFile opened;
  if (namesDevice(name)) return opened;
  const DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return opened;

  HANDLE handle = openFile(name, GENERIC_READ | GENERIC_WRITE);
  opened.state = DataFileState::ReadWrite;
  if (handle == INVALID_HANDLE_VALUE) {
    handle = openFile(name, GENERIC_READ);
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
