// SPDX-License-Identifier: GPL-3.0-or-later
// Windows path rules the file calls follow: which names open a device rather
// than a file, the long form a path needs once it reaches MAX_PATH, and what
// a failed open's error code says of the name.
// Portable, over the UTF-16 names that the Windows file calls take, so that
// the rules are tested everywhere.

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "datafile/file_io.h"

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (the superscript
// digits one to three count too), in any case, as the last part of a path,
// after a drive (C:NUL), before a dot or a colon (NUL.DAT, COM1:DAT) and
// before trailing blanks (AUX .DAT). A path in the device namespace, one
// that begins \\.\ or \\?\ or \??\, names a device unless a drive (C:\...),
// a share (UNC\...) or a volume (Volume{...}\...) comes next. The \\?\ and
// \??\ forms go to the system as they stand, so no reserved name counts there.
bool namesDevice(std::u16string_view name);

// The longest full path the file calls take in its usual form, before the
// terminating null: MAX_PATH less one.
inline constexpr std::size_t kLongestShortPath = 259;

// The long form of a full path (as GetFullPathNameW gives it) longer than
// kLongestShortPath: C:\... becomes \\?\C:\... and \\server\share\... becomes
// \\?\UNC\server\share\.... Empty for a path that needs none or has none,
// such as one in the device namespace already.
std::u16string longPathForm(std::u16string_view fullPath);

// The Windows error codes (winerror.h) that name nothing to open: the name,
// a folder on its way, its drive or its share is not there, or the name is
// not one the system takes. file_io_win32.cc checks them against the headers.
inline constexpr std::uint32_t kNamesNothingErrors[] = {
    2,    // ERROR_FILE_NOT_FOUND
    3,    // ERROR_PATH_NOT_FOUND
    15,   // ERROR_INVALID_DRIVE
    21,   // ERROR_NOT_READY: an empty drive
    53,   // ERROR_BAD_NETPATH
    67,   // ERROR_BAD_NET_NAME
    123,  // ERROR_INVALID_NAME
    161,  // ERROR_BAD_PATHNAME
    206,  // ERROR_FILENAME_EXCED_RANGE
    267,  // ERROR_DIRECTORY: a file where a folder should be
};

// The error codes of a CreateFileW with CREATE_NEW that found something of
// that name there already: ERROR_FILE_EXISTS (80) for a file, and
// ERROR_ALREADY_EXISTS (183), which some file systems give for either.
// file_io_win32.cc checks them against the headers.
inline constexpr std::uint32_t kExistsErrors[] = {80, 183};

// Whether a failed CREATE_NEW's error code says the name is taken; any other
// (no access, a missing folder, a full disk) says the copy cannot be made.
bool errorMeansExists(std::uint32_t error);

// What a failed GetFileAttributesW or CreateFileW tells by its error code:
// NotFound for the codes above, CannotOpen for every other (no access,
// another program's sharing, a lock).
OpenFailure openFailureOfError(std::uint32_t error);
