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
  EXPECT_EQ(closeFile(file), CloseOutcome::Written);
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
    EXPECT_TRUE(writeByte(file, p, 0x00));
    expected[p - 1] = 0x00;
    EXPECT_EQ(readByte(file, p), 0x00);
    EXPECT_EQ(readByte(file, p == 1 ? 2 : p - 1), expected[p == 1 ? 1 : p - 2]);
  }
  for (const std::int32_t p : positions) EXPECT_EQ(readByte(file, p), 0x00) << p;
  EXPECT_EQ(closeFile(file), CloseOutcome::Written);
  EXPECT_EQ(sample::readFile(path), expected);
}

TEST(DataFileTest, UnitAcrossAWindowEdgeIsWrittenWhole) {
  Folder folder;
  const sample::Bytes before = counting(9000);
  const std::string path = folder.file(before);
  DataFile file;
  ASSERT_TRUE(openForUpdate(file, path));
  EXPECT_EQ(readByte(file, 8192), before[8191]);
  const std::array<std::uint8_t, 2> pair{0x91, 0x02};
  EXPECT_TRUE(writeBytes(file, 8192, pair));
  EXPECT_EQ(readByte(file, 8192), 0x91);
  EXPECT_EQ(readByte(file, 8193), 0x02);
  EXPECT_EQ(readByte(file, 1), before[0]);
  EXPECT_EQ(closeFile(file), CloseOutcome::Written);
  sample::Bytes expected = before;
  expected[8191] = 0x91;
  expected[8192] = 0x02;
  EXPECT_EQ(sample::readFile(path), expected);
}

TEST(DataFileTest, WritePastTheEndExtendsWithZeros) {
  Folder folder;
  const std::string path = folder.file({1, 2, 3});
  DataFile file;
  ASSERT_TRUE(openForUpdate(file, path));
  EXPECT_TRUE(writeByte(file, 6, 0x66));
  EXPECT_EQ(readByte(file, 4), 0);
  EXPECT_EQ(readByte(file, 6), 0x66);
  EXPECT_EQ(readByte(file, 7), 0);
  EXPECT_EQ(closeFile(file), CloseOutcome::Written);
  EXPECT_EQ(sample::readFile(path), (sample::Bytes{1, 2, 3, 0, 0, 0x66}));
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
      const std::array<std::uint8_t, 2> pair{0xA1, 0xA2};
      for (const std::int32_t position : units) {
        const bool fits = static_cast<rlim_t>(position) + 1 <= limit;
        EXPECT_EQ(writeBytes(file, position, pair), fits) << position;
        // A unit that failed reads back as the file holds it: as it was.
        EXPECT_EQ(readByte(file, position), fits ? 0xA1 : before[position - 1]) << position;
      }
      closed = closeFile(file) == CloseOutcome::Written;
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
    EXPECT_TRUE(writeBytes(file, p, std::span(bytes.begin(), bytes.size())));
    std::copy(bytes.begin(), bytes.end(), expected.begin() + p - 1);
  };
  // Two fields of one record and two of a later one, a 30-to-29 pair and a
  // lone hi byte in each; the bytes between change before, between and after.
  changeElsewhere({6213, 16197});
  write(6211, {0x91, 0x02});
  changeElsewhere({6214, 8000});
  write(6216, {0x05});
  write(16196, {0x05});
  changeElsewhere({6215, 16200});
  write(16199, {0x92, 0x02});
  changeElsewhere({6210, 6217, 16198, 16201});
  close(other);
  EXPECT_EQ(closeFile(file), CloseOutcome::Written);
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
  CloseOutcome outcome = CloseOutcome::Failed;
};

ReadOnlyRun runOnReadOnlyFile(const std::string& path, bool write) {
  const auto run = [&] {
    ReadOnlyRun seen;
    DataFile file;
    openForUpdate(file, path);
    seen.state = file.state;
    seen.failure = file.openFailure;
    seen.before = readByte(file, 2);
    if (write) seen.wrote = writeByte(file, 2, 9);
    seen.after = readByte(file, 2);
    seen.outcome = closeFile(file);
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
    CloseOutcome outcome;
  };
  const Case cases[] = {
      {"read-only, a write asked", 0444, true, DataFileState::ReadOnly, CloseOutcome::Refused},
      {"read-only, only reads", 0444, false, DataFileState::ReadOnly, CloseOutcome::Written},
      {"no permission at all", 0000, true, DataFileState::NotOpen, CloseOutcome::Failed},
      {"write-only", 0200, true, DataFileState::NotOpen, CloseOutcome::Failed},
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
    EXPECT_EQ(seen.outcome, c.outcome);
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
    EXPECT_FALSE(writeByte(file, 1, 1)) << c.what;
    EXPECT_EQ(closeFile(file), CloseOutcome::Failed) << c.what;
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
  EXPECT_EQ(closeFile(file), CloseOutcome::Written);
  EXPECT_EQ(closeFile(file), CloseOutcome::Failed);
  EXPECT_EQ(file.state, DataFileState::NotOpen);
}

}  // namespace
