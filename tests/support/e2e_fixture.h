// SPDX-License-Identifier: GPL-3.0-or-later
// What the end-to-end tests share: the tool's fixed texts, a fixture that
// runs the tool in a fresh folder, and a KPG59D sample with its converted form.

#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run/version.h"
#include "sample_file.h"
#include "tool_runner.h"

namespace e2e {

using sample::Bytes;

// Banner lines 1 to 8; line 9, the credit line, comes from the build's own
// version header.
inline const std::string kBannerTop =
    "               ************ For Ham Use Only  ************* \r\n"
    " This program will alter the file saved by KPG59D or KGP44D and converts \r\n"
    " any Freq.'s programmed in the 40-43mhz range to the 50-53mhz range or a \r\n"
    " freq. of 30.xxx Mhz to 29.xxx Mhz. This allows KW Low band models \r\n"
    " TK-190/TK6110/TK-690 to be programed into the 6M and 10M Ham bands. \r\n"
    " Test freq's are also changed. \r\n"
    " \r\n"
    "               ********* Not to Make Profit From **********  \r\n";
inline const std::string kBanner =
    kBannerTop + std::string(20, ' ') + std::string(kCreditLine) + "\r\n\r\n";
inline const std::string kInvalid = " This file is not a valid KPG59D/KPG44D file.\r\n";
inline const std::string kKpg59dDetected =
    "Detected saved file created with KPG59D for model TK-6110/TK190.\r\n";

inline const std::string kMoreThanOneName =
    "The line typed holds more than one name; a name with a comma goes in double quotes. No "
    "change was made.\r\n";
inline const std::string kSeveralFiles =
    "More than one file was given; hamshift converts one file a run. No change was made.\r\n";
inline const std::string kNameTooLong =
    "The name typed is longer than 4096 characters. No change was made.\r\n";

inline std::string report(const std::string& name, int changes) {
  return name + " has been updated. " + std::to_string(changes) + "Change(s) made.\r\n";
}
inline std::string notFound(const std::string& name) {
  return name + " was not found; no change was made.\r\n";
}
inline std::string notAFile(const std::string& name) {
  return name + " is not a file; no change was made.\r\n";
}

inline std::string kpg44dLines(int version, int deck) {
  std::string lines = "\r\n";
  lines += version ? "Detected saved file built with KPG44D Ver. " + std::to_string(version) +
                         "software.\r\n"
                   : "Not a supported Ver. of KPG44D software.\r\n";
  lines += deck ? "Low band radio detected in Radio Deck Number " + std::to_string(deck) + "\r\n"
                : "No Low band radio configured.\r\n";
  return lines + "\r\n";
}

// Root ignores file modes, so the cases that need them run as nobody; with no
// such user they cannot run as root at all.
inline bool unprivilegedRunsPossible() {
  return geteuid() != 0 || unprivilegedUserExists();
}
inline const char kNoUnprivilegedUser[] =
    "running as root, and there is no user nobody to run this case as";

class E2eTest : public testing::Test {
 protected:
  e2e::RunResult run(std::vector<std::string> arguments, e2e::RunOptions options = {}) {
    options.arguments = std::move(arguments);
    e2e::RunResult result = e2e::runTool(folder.path, options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, 0);
    return result;
  }
  std::string put(const std::string& name, const Bytes& bytes) {
    sample::writeFile(folder.file(name), bytes);
    return folder.file(name);
  }
  Bytes contents(const std::string& name) { return sample::readFile(folder.file(name)); }
  std::vector<std::string> entries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path))
      names.push_back(entry.path().filename().string());
    return names;
  }

  e2e::TempFolder folder;
};

// A KPG59D file with every channel at 42.5 MHz and every test frequency at
// 30.1 MHz, and the same file as the tool must leave it.
struct Kpg59dPair {
  Bytes before = sample::kpg59dFile();
  Bytes after = before;
  Kpg59dPair() {
    sample::fillTable(before, sample::kKpg59dChannels, 0x25, 0x04);
    sample::fillTable(before, sample::kKpg59dTests, 0x01, 0x03);
    after = before;
    sample::fillTable(after, sample::kKpg59dChannels, 0x25, 0x05);
    sample::fillTable(after, sample::kKpg59dTests, 0x91, 0x02);
  }
};

}  // namespace e2e
