// SPDX-License-Identifier: GPL-3.0-or-later
// The classes of a failed write.

#include "console/write_failure.h"

#include <cerrno>

WriteFailure posixWriteFailure(long put, int error) {
  if (put > 0) return WriteFailure::None;
  if (put == 0) return WriteFailure::Failed;
  // A socket whose reader closed with bytes unread gives ECONNRESET once,
  // then EPIPE.
  return error == EPIPE || error == ECONNRESET ? WriteFailure::ReaderGone : WriteFailure::Failed;
}

WriteFailure windowsWriteFailure(bool succeeded, std::uint32_t written, std::uint32_t lastError) {
  if (succeeded) return written > 0 ? WriteFailure::None : WriteFailure::Failed;
  switch (lastError) {
    case kErrorInvalidHandle:
    case kErrorBrokenPipe:
    case kErrorNoData:
    case kErrorPipeNotConnected: return WriteFailure::ReaderGone;
    default: return WriteFailure::Failed;
  }
}
