// SPDX-License-Identifier: GPL-3.0-or-later
// DataFile: positions, reads past the end, writes seen by later reads, what
// reaches the disk, and what is never opened.

#include "datafile/datafile.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <array>
#include <filesystem>
#include <initializer_list>
#include <span>

#include "sample_file.h"

namespace {

struct Folder {
  // Open to every user, for the runs as nobody.
  Folder() {
    char name[] = "/tmp/hamshift-datafile-XXXXXX";
    path = mkdtemp(name);
    chmod(name, 0755);
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string file(const sample::Bytes& bytes, const char* name = "F.DAT") const {
    std::string at = path + "/" + name;
    sample::writeFile(at, bytes);
    return at;
  }
  std::string path;
};

sample::Bytes counting(std::size_t length) {
  sample::Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}

// Writes `bytes` over the field at `position` as the run reads it now, as the
// band shift does.
bool overwrite(DataFile& file, std::int32_t position, std::initializer_list<std::uint8_t> bytes) {
  std::array<std::uint8_t, 8> was{};
  for (std::size_t i = 0; i < bytes.size(); ++i)
    was[i] = readByte(file, position + static_cast<std::int32_t>(i));
  return writeField(file, position, std::span(was.data(), bytes.size()),
                    std::span(bytes.begin(), bytes.size()));
}

TEST(DataFileTest, ReadsArePositionedFromOneAndZeroPastTheEnd) {
  Folder folder;
  const std::string path = folder.file({0x11, 0x22, 0x33, 0x44});
  DataFile file;
  ASSERT_TRUE(openForUpdate(file, path));
  EXPECT_EQ(file.state, DataFileState::ReadWrite);
  EXPECT_EQ(readByte(file, 1), 0x11);
  EXPECT_EQ(readByte(file, 4), 0x44);
  EXPECT_EQ(readByte(file, 5), 0);
  EXPECT_EQ(readByte(file, 16320), 0);
  EXPECT_EQ(readByte(file, 0), 0);
  EXPECT_EQ(readByte(file, -5), 0);
  EXPECT_TRUE(closeFile(file));
  EXPECT_EQ(std::filesystem::file_size(path), 4U);
}

TEST(DataFileTest, NulByteAndMissingByteBothReadZero) {
  Folder folder;
  DataFile nul, shortFile;
  ASSERT_TRUE(openForUpdate(nul, folder.file({1, 2, 3, 0}, "A.DAT")));
  ASSERT_TRUE(openForUpdate(shortFile, folder.file({1, 2, 3}, "B.DAT")));
  EXPECT_EQ(readByte(nul, 4), 0);
  EXPECT_EQ(readByte(shortFile, 4), 0);
  closeFile(nul);
  closeFile(shortFile);
}

TEST(DataFileTest, WriteIsSeenByLaterReadAndReachesTheFile) {
  Folder folder;
  const sample::Bytes before = counting(20000);
  const std::string path = folder.file(before);
  DataFile file;
  ASSERT_TRUE(openForUpdate(file, path));
  // Positions in three windows, visited back and forth.
  const std::array<std::int32_t, 7> positions{3, 8192, 8193, 16385, 100, 16384, 20000};
  sample::Bytes expected = before;
  for (const std::int32_t p : positions) {
    EXPECT_TRUE(overwrite(file, p, {0x00}));
    expected[p - 1] = 0x00;
    EXPECT_EQ(readByte(file, p), 0x00);
    EXPECT_EQ(readByte(file, p == 1 ? 2 : p - 1), expected[p == 1 ? 1 : p - 2]);
  }
  for (const std::int32_t p : positions) EXPECT_EQ(readByte(file, p), 0x00) << p;
  EXPECT_TRUE(closeFile(file));
  EXPECT_EQ(sample::readFile(path), expected);
}

TEST(DataFileTest, UnitAcrossAWindowEdgeIsWrittenWhole) {
  Folder folder;
  const sample::Bytes before = counting(9000);
  const std::string path = folder.file(before);
  DataFile file;
  ASSERT_TRUE(openForUpdate(file, path));
  EXPECT_EQ(readByte(file, 8192), before[8191]);
  EXPECT_TRUE(overwrite(file, 8192, {0x91, 0x02}));
  EXPECT_EQ(readByte(file, 8192), 0x91);
  EXPECT_EQ(readByte(file, 8193), 0x02);
  EXPECT_EQ(readByte(file, 1), before[0]);
  EXPECT_TRUE(closeFile(file));
  sample::Bytes expected = before;
  expected[8191] = 0x91;
  expected[8192] = 0x02;
  EXPECT_EQ(sample::readFile(path), expected);
}

// A field is written only where the file holds it as the run read it, and
// while the file is its length at the open: another program's change in
// between stops this write and every later one, and no byte past the end is
// ever made.
TEST(DataFileTest, WriteOnlyOverTheFieldAsReadInAFileOfItsLength) {
  struct Case {
    const char* what;
    std::int32_t position;   // of the 2-byte field written to 0xA1 0xA2
    std::int64_t changedAt;  // -1: none; else this offset set to 0xEE meanwhile
    std::int64_t newLength;  // -1: kept; else cut or grown to it meanwhile
    bool written;
  };
  const Case cases[] = {
      {"untouched", 11, -1, -1, true},
      {"the field's lo byte changed", 11, 10, -1, false},
      {"the field's hi byte changed", 11, 11, -1, false},
      {"the byte after it changed", 11, 12, -1, true},
      {"the file emptied", 11, -1, 0, false},
      {"the file cut short past the field", 11, -1, 50, false},
      {"the file grown", 11, -1, 200, false},
      {"a field past the end", 101, -1, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder folder;
    const sample::Bytes before = counting(100);
    const std::string path = folder.file(before);
    DataFile file;
    ASSERT_TRUE(openForUpdate(file, path));
    const std::array<std::uint8_t, 2> was{readByte(file, c.position),
                                          readByte(file, c.position + 1)};
    sample::Bytes expected = before;
    if (c.changedAt >= 0) expected[c.changedAt] = 0xEE;
    if (c.newLength >= 0) expected.resize(c.newLength);
    const int other = open(path.c_str(), O_WRONLY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(pwrite(other, expected.data(), expected.size(), 0),
              static_cast<ssize_t>(expected.size()));
    ASSERT_EQ(ftruncate(other, static_cast<off_t>(expected.size())), 0);
    close(other);
    const std::array<std::uint8_t, 2> now{0xA1, 0xA2};
    EXPECT_EQ(writeField(file, c.position, was, now), c.written);
    EXPECT_EQ(file.changedMeanwhile, !c.written);
    // Once a change is seen, nothing more is written.
    const std::array<std::uint8_t, 2> second{before[30], before[31]};
    EXPECT_EQ(writeField(file, 31, second, now), c.written);
    EXPECT_TRUE(closeFile(file));
    if (c.written) {
      for (const std::int32_t p : {c.position, 31}) {
        expected[p - 1] = 0xA1;
        expected[p] = 0xA2;
      }
    }
    EXPECT_EQ(sample::readFile(path), expected);
  }
}

// A file-size limit makes a write fail part-way, as a full disk would. The
// limit is put back afterwards so that the rest of the test process can write.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved);
    previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  rlimit saved{};
  void (*previousHandler)(int) = SIG_DFL;
};

TEST(DataFileTest, WriteCutShortLeavesEachUnitWholeOrUntouched) {
  // Three 2-byte units, at offsets 40-41, 50-51 and 60-61, of a 100-byte file
  // that may only be written below `limit`.
  const std::array<std::int32_t, 3> units{41, 51, 61};
  for (const rlim_t limit : std::array<rlim_t, 6>{100, 62, 61, 55, 51, 40}) {
    SCOPED_TRACE(limit);
    Folder folder;
    const sample::Bytes before = counting(100);
    const std::string path = folder.file(before);
    bool closed = false;
    {
      FileSizeLimit limited(limit);
      DataFile file;
      ASSERT_TRUE(openForUpdate(file, path));
      for (const std::int32_t position : units) {
        const bool fits = static_cast<rlim_t>(position) + 1 <= limit;
        EXPECT_EQ(overwrite(file, position, {0xA1, 0xA2}), fits) << position;
        // A unit that failed reads back as the file holds it: as it was.
        EXPECT_EQ(readByte(file, position), fits ? 0xA1 : before[position - 1]) << position;
      }
      closed = closeFile(file) && !file.writeFailed;
    }
    sample::Bytes expected = before;
    bool allWritten = true;
    for (const std::int32_t position : units) {
      if (static_cast<rlim_t>(position) + 1 > limit) {  // its second byte lies past the limit
        allWritten = false;
        continue;
      }
      expected[position - 1] = 0xA1;
      expected[position] = 0xA2;
    }
    EXPECT_EQ(closed, allWritten);
    EXPECT_EQ(sample::readFile(path), expected);
  }
}

// Only the bytes written reach the file: a byte between two written fields,
// changed by another program after this one read it, keeps that change.
TEST(DataFileTest, BytesBetweenWritesAreNeverWrittenBack) {
  Folder folder;
  const sample::Bytes before = counting(16400);
  const std::string path = folder.file(before);
  DataFile file;
  ASSERT_TRUE(openForUpdate(file, path));
  for (std::int32_t p = 1; p <= 16400; ++p) ASSERT_EQ(readByte(file, p), before[p - 1]) << p;

  const int other = open(path.c_str(), O_WRONLY);
  ASSERT_GE(other, 0);
  sample::Bytes expected = before;
  const auto changeElsewhere = [&](std::initializer_list<std::int32_t> positions) {
    for (const std::int32_t p : positions) {
      const std::uint8_t byte = 0xEE;
      EXPECT_EQ(pwrite(other, &byte, 1, p - 1), 1);
      expected[p - 1] = byte;
    }
  };
  const auto write = [&](std::int32_t p, std::initializer_list<std::uint8_t> bytes) {
    EXPECT_TRUE(overwrite(file, p, bytes));
    std::copy(bytes.begin(), bytes.end(), expected.begin() + p - 1);
  };
  // Two fields of one record and two of a later one, a 30-to-29 pair and a
  // lone hi byte in each; the bytes between change before, between and after.
  changeElsewhere({6213, 16197});
  write(6211, {0x91, 0x02});
  changeElsewhere({6214, 8000});
  write(6216, {0x05});
  write(16196, {0x05});
  changeElsewhere({6215, 16198});
  write(16199, {0x92, 0x02});
  changeElsewhere({6210, 6217, 16201});
  close(other);
  EXPECT_TRUE(closeFile(file));
  const sample::Bytes after = sample::readFile(path);
  ASSERT_EQ(after.size(), expected.size());
  for (std::size_t i = 0; i < after.size(); ++i)
    EXPECT_EQ(after[i], expected[i]) << "position " << i + 1;
}

// What a run on a file of a given mode saw: opened, byte 2 read, perhaps
// written, read again, closed. Root ignores file modes, so as root the run is
// made in a child process as nobody.
struct ReadOnlyRun {
  DataFileState state = DataFileState::NotOpen;
  OpenFailure failure = OpenFailure::None;
  int before = -1, after = -1;
  bool wrote = false;
  bool refused = false;
  bool closed = false;
};

ReadOnlyRun runOnReadOnlyFile(const std::string& path, bool write) {
  const auto run = [&] {
    ReadOnlyRun seen;
    DataFile file;
    openForUpdate(file, path);
    seen.state = file.state;
    seen.failure = file.openFailure;
    seen.before = readByte(file, 2);
    if (write) seen.wrote = overwrite(file, 2, {9});
    seen.after = readByte(file, 2);
    seen.closed = closeFile(file);
    seen.refused = file.writesRefused;
    return seen;
  };
  if (geteuid() != 0) return run();
  const passwd* nobody = getpwnam("nobody");
  int ends[2];
  if (nobody == nullptr || pipe(ends) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    ReadOnlyRun seen;
    if (setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 && setuid(nobody->pw_uid) == 0)
      seen = run();
    _exit(::write(ends[1], &seen, sizeof seen) == sizeof seen ? 0 : 1);
  }
  close(ends[1]);
  ReadOnlyRun seen;
  if (child < 0 || read(ends[0], &seen, sizeof seen) != sizeof seen) seen = {};
  close(ends[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return seen;
}

// A file that can only be read opens ReadOnly; one that cannot be read at
// all is not opened, and is told apart from a name that names nothing.
TEST(DataFileTest, FileModesDecideHowTheFileOpens) {
  if (geteuid() == 0 && getpwnam("nobody") == nullptr)
    GTEST_SKIP() << "running as root, and there is no user nobody whom file modes bind";
  struct Case {
    const char* what;
    mode_t mode;
    bool write;
    DataFileState state;
    bool refused;
  };
  const Case cases[] = {
      {"read-only, a write asked", 0444, true, DataFileState::ReadOnly, true},
      {"read-only, only reads", 0444, false, DataFileState::ReadOnly, false},
      {"no permission at all", 0000, true, DataFileState::NotOpen, false},
      {"write-only", 0200, true, DataFileState::NotOpen, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder folder;
    const std::string path = folder.file({1, 2, 3, 4});
    chmod(path.c_str(), c.mode);
    const ReadOnlyRun seen = runOnReadOnlyFile(path, c.write);
    const bool opened = c.state != DataFileState::NotOpen;
    EXPECT_EQ(seen.state, c.state);
    EXPECT_EQ(seen.failure, opened ? OpenFailure::None : OpenFailure::CannotOpen);
    EXPECT_EQ(seen.before, opened ? 2 : 0);
    EXPECT_FALSE(seen.wrote);
    EXPECT_EQ(seen.after, opened ? 2 : 0);
    EXPECT_EQ(seen.refused, c.refused);
    EXPECT_EQ(seen.closed, opened);
    chmod(path.c_str(), 0644);
    EXPECT_EQ(sample::readFile(path), (sample::Bytes{1, 2, 3, 4}));
  }
}

TEST(DataFileTest, NothingButARegularFileIsOpened) {
  Folder folder;
  const std::string missing = folder.path + "/MISSING.DAT";
  const std::string fifo = folder.path + "/FIFO.DAT";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  struct Case {
    std::string name;
    const char* what;
    OpenFailure failure;
  };
  const OpenFailure notFound = OpenFailure::NotFound, notAFile = OpenFailure::NotAFile;
  const Case cases[] = {
      {missing, "missing", notFound},
      {folder.path + "/no/such/X.DAT", "path through a missing folder", notFound},
      {missing + ".keep/X.DAT", "path through a file", notFound},
      {folder.path + "/" + std::string(300, 'N') + ".DAT", "name too long", notFound},
      {"", "empty name", notFound},
      {folder.path, "folder", notAFile},
      {fifo, "FIFO", notAFile},
      {"/dev/null", "device", notAFile},
  };
  sample::writeFile(missing + ".keep", {});
  for (const Case& c : cases) {
    DataFile file;
    EXPECT_FALSE(openForUpdate(file, c.name)) << c.what;
    EXPECT_EQ(file.state, DataFileState::NotOpen) << c.what;
    EXPECT_EQ(file.openFailure, c.failure) << c.what;
    EXPECT_EQ(readByte(file, 1), 0) << c.what;
    EXPECT_FALSE(overwrite(file, 1, {1})) << c.what;
    EXPECT_FALSE(closeFile(file)) << c.what;
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(DataFileTest, OpensOnceAndClosesOnce) {
  Folder folder;
  const std::string path = folder.file({1, 2, 3, 4});
  DataFile file;
  ASSERT_TRUE(openForUpdate(file, path));
  EXPECT_FALSE(openForUpdate(file, path));
  EXPECT_EQ(readByte(file, 1), 1);
  EXPECT_TRUE(closeFile(file));
  EXPECT_FALSE(closeFile(file));
  EXPECT_EQ(file.state, DataFileState::NotOpen);
}

}  // namespace
