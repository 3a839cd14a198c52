// SPDX-License-Identifier: GPL-3.0-or-later
// Number formatting of the console output.

#include "console/console_output.h"
#include "console/write_failure.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

TEST(ConsoleOutputTest, FormatNumber) {
  struct Case {
    float value;
    const char* text;
  };
  const Case cases[] = {
      {0.0F, " 0"},
      {1.0F, " 1"},
      {2.0F, " 2"},
      {12.0F, " 12"},
      {352.0F, " 352"},
      {1.5F, " 1.5"},
      {-3.0F, "-3"},
      {1234567.0F, " 1234567"},
      {12345678.0F, " 1.234568e+07"},
      {0.0001F, " 0.0001"},
      {0.00001F, " 1e-05"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatNumber(c.value), c.text) << c.value;
}

TEST(ConsoleOutputTest, WindowModeForAConsoleOfTwoByTwoOrOfNoSize) {
  struct Case {
    int columns, rows;
    OutputMode mode;
  };
  const Case cases[] = {{80, 25, OutputMode::Window}, {2, 2, OutputMode::Window},
                        {1, 25, OutputMode::Stream},  {80, 1, OutputMode::Stream},
                        {0, 0, OutputMode::Window},   {0, 25, OutputMode::Stream}};
  for (const Case& c : cases)
    EXPECT_EQ(outputModeForSize(c.columns, c.rows), c.mode) << c.columns << "x" << c.rows;
}

// A reader that has gone is no failure; a write that took nothing is one,
// whatever error an earlier call left behind.
TEST(ConsoleOutputTest, ClassesOfAFailedWrite) {
  using F = WriteFailure;
  struct Case {
    long put;
    int error;
    F failure;
  };
  const Case posix[] = {
      {5, 0, F::None},         {1, EPIPE, F::None},        {0, EPIPE, F::Failed},
      {0, 0, F::Failed},       {-1, EPIPE, F::ReaderGone}, {-1, ECONNRESET, F::ReaderGone},
      {-1, ENOSPC, F::Failed}, {-1, EIO, F::Failed},       {-1, EBADF, F::Failed}};
  for (const Case& c : posix)
    EXPECT_EQ(posixWriteFailure(c.put, c.error), c.failure) << c.put << " " << c.error;
  struct WindowsCase {
    bool succeeded;
    std::uint32_t written, error;
    F failure;
  };
  const WindowsCase windows[] = {
      {true, 3, 0, F::None},
      {true, 0, 0, F::Failed},
      {true, 0, kErrorBrokenPipe, F::Failed},  // a stale error from an earlier call
      {false, 0, kErrorBrokenPipe, F::ReaderGone},
      {false, 0, kErrorNoData, F::ReaderGone},
      {false, 0, kErrorPipeNotConnected, F::ReaderGone},
      {false, 0, kErrorInvalidHandle, F::ReaderGone},
      {false, 0, 112, F::Failed},  // ERROR_DISK_FULL
      {false, 0, 0, F::Failed},
  };
  for (const WindowsCase& c : windows)
    EXPECT_EQ(windowsWriteFailure(c.succeeded, c.written, c.error), c.failure)
        << c.succeeded << " " << c.written << " " << c.error;
}

// Standard output left non-blocking on a full pipe: the write waits for room
// and drops nothing.
TEST(ConsoleOutputTest, NonBlockingOutputIsWaitedFor) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  fcntl(ends[1], F_SETFL, fcntl(ends[1], F_GETFL) | O_NONBLOCK);
  std::string sent;
  const std::string block(4096, 'x');
  while (write(ends[1], block.data(), block.size()) > 0) sent += block;
  std::string received;
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    char buffer[4096];
    for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;)
      received.append(buffer, static_cast<std::size_t>(got));
  });
  const int savedOutput = dup(STDOUT_FILENO);
  dup2(ends[1], STDOUT_FILENO);
  close(ends[1]);
  consoleWrite("XY");
  dup2(savedOutput, STDOUT_FILENO);
  close(savedOutput);
  reader.join();
  close(ends[0]);
  EXPECT_EQ(received, sent + "XY");
}
