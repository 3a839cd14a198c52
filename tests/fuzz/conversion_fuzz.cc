// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the whole run, from the name on the command line to the
// report, over a data file holding any bytes. The fuzzer's bytes become
// F.DAT; the tool's output is caught in a file and its verdict read back,
// and the exit status fails the run exactly when the file is not valid.
//
// Whatever the bytes: the file keeps its length; a byte changes only inside
// a frequency field of a table that the reported verdict names; every such
// field that a rule fits is converted, and to that rule's result; the count
// in the report is the number of fields changed; a second run changes
// nothing and counts 0. The tables come from the sample-file maker, which
// states them independently of the tool.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "run/run.h"
#include "sample_file.h"

namespace {

std::string dataPath;
int outputFile = -1;

void require(bool holds) {
  if (!holds) std::abort();
}

// What the tool printed in one run: its verdict and its count.
struct Verdict {
  std::vector<sample::Table> tables;  // the tables that may change
  bool updated = false;               // the report "has been updated" was given
  long changes = 0;
};

bool mentions(const std::string& output, const char* text) {
  return output.find(text) != std::string::npos;
}

Verdict readVerdict(const std::string& output, const sample::Bytes& file) {
  using namespace sample;
  Verdict verdict;
  const bool v1 = mentions(output, "built with KPG44D Ver. 1software.");
  const bool v2 = mentions(output, "built with KPG44D Ver. 2software.");
  const bool deck1 = mentions(output, "Radio Deck Number 1\r\n");
  const bool deck2 = mentions(output, "Radio Deck Number 2\r\n");
  if (mentions(output, "created with KPG59D")) {
    require(file.size() >= 5 && file[3] == '5' && file[4] == '9');
    verdict.tables = {kKpg59dChannels, kKpg59dTests};
  } else if ((v1 || v2) && (deck1 || deck2)) {
    require(file.size() >= 5 && file[3] == '4' && file[4] == '4');
    verdict.tables = {v1 ? kV1Channels : kV2Channels, v1 ? (deck1 ? kV1Deck1Tests : kV1Deck2Tests)
                                                         : (deck1 ? kV2Deck1Tests : kV2Deck2Tests)};
  }
  const std::size_t updated = output.find(" has been updated.");
  if (updated != std::string::npos) {
    verdict.updated = true;
    verdict.changes = std::strtol(output.c_str() + updated + 18, nullptr, 10);
  }
  return verdict;
}

// The rules as frequencies: the hi byte holds the hundreds and tens of MHz,
// the lo byte the units and tenths. 30.0-30.9 goes to 29.0-29.9 and
// 40.0-43.9 (any lo byte below 0x40) goes up by 10 MHz.
bool ruleResult(std::uint8_t lo, std::uint8_t hi, std::uint8_t& newLo, std::uint8_t& newHi) {
  if (hi == 0x03 && lo <= 0x09) {
    newLo = static_cast<std::uint8_t>(0x90 | lo);
    newHi = 0x02;
    return true;
  }
  if (hi == 0x04 && lo < 0x40) {
    newLo = lo;
    newHi = 0x05;
    return true;
  }
  return false;
}

std::string runTool() {
  require(ftruncate(outputFile, 0) == 0 && lseek(outputFile, 0, SEEK_SET) == 0);
  const int status = runConversion({dataPath});
  std::string output;
  char buffer[4096];
  ssize_t got;
  require(lseek(outputFile, 0, SEEK_SET) == 0);
  while ((got = read(outputFile, buffer, sizeof buffer)) > 0)
    output.append(buffer, static_cast<std::size_t>(got));
  // The file can always be read and written here: only the verdict fails.
  require(status == (mentions(output, " This file is not a valid KPG59D/KPG44D file.") ? 1 : 0));
  return output;
}

// Checks one run that turned `before` into `after`.
void checkRun(const sample::Bytes& before, const sample::Bytes& after, const std::string& output) {
  require(after.size() == before.size());
  const Verdict verdict = readVerdict(output, before);
  // 0-based indices of the bytes a run may change: each field's lo and hi.
  std::vector<bool> mayChange(before.size(), false);
  long changedFields = 0;
  for (const sample::Table& table : verdict.tables) {
    for (const std::int32_t lo : sample::fieldPositions(table)) {
      const auto at = static_cast<std::size_t>(lo - 1);
      if (at + 1 >= before.size()) continue;  // a pair the file does not hold whole
      mayChange[at] = mayChange[at + 1] = true;
      std::uint8_t newLo = 0, newHi = 0;
      if (ruleResult(before[at], before[at + 1], newLo, newHi)) {
        require(after[at] == newLo && after[at + 1] == newHi);
        ++changedFields;
      } else {
        require(after[at] == before[at] && after[at + 1] == before[at + 1]);
      }
    }
  }
  for (std::size_t i = 0; i < before.size(); ++i) require(mayChange[i] || after[i] == before[i]);
  if (verdict.updated)
    require(verdict.changes == changedFields);
  else
    require(changedFields == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static const sample::TempFolder folder("hamshift-fuzz");
  require(!folder.path.empty());
  dataPath = folder.file("F.DAT");
  // The tool writes its dialogue to standard output; libFuzzer speaks on
  // standard error, so output can go to a file of its own for the whole run.
  outputFile = open(folder.file("output").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  require(outputFile >= 0 && dup2(outputFile, STDOUT_FILENO) >= 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const sample::Bytes before(data, data + size);
  require(sample::writeFile(dataPath, before));
  const std::string firstOutput = runTool();
  const sample::Bytes after = sample::readFile(dataPath);
  checkRun(before, after, firstOutput);

  const std::string secondOutput = runTool();
  require(sample::readFile(dataPath) == after);
  require(readVerdict(secondOutput, after).changes == 0);
  return 0;
}
