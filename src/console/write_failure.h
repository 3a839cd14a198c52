// SPDX-License-Identifier: GPL-3.0-or-later
// What a failed write of the tool's own text means, on either system: a
// reader that has gone (a closed pipe or socket, no output at all) wants
// nothing more and is no failure; anything else, a full disk or a device
// that takes nothing, is. Portable, so that the tests reach both rules; the
// platform files pass in what the write call gave.

#pragma once

#include <cstdint>

enum class WriteFailure { None, ReaderGone, Failed };

// A POSIX write of at least one byte that gave `put`, with `error` the errno
// where `put` is -1. A write that took nothing failed, whatever errno holds
// from an earlier call.
WriteFailure posixWriteFailure(long put, int error);

// A Windows write (WriteFile, WriteConsoleW) of at least one unit:
// `succeeded` its result, `written` the count it gave, `lastError`
// GetLastError() where it failed. A call that succeeded but wrote nothing
// failed, whatever GetLastError() still holds.
WriteFailure windowsWriteFailure(bool succeeded, std::uint32_t written, std::uint32_t lastError);

// The Windows error codes that windowsWriteFailure takes as a reader that
// has gone, with the system's values of ERROR_INVALID_HANDLE, ERROR_BROKEN_PIPE,
// ERROR_NO_DATA and ERROR_PIPE_NOT_CONNECTED (Wine gives the last).
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorBrokenPipe = 109;
inline constexpr std::uint32_t kErrorNoData = 232;
inline constexpr std::uint32_t kErrorPipeNotConnected = 233;
