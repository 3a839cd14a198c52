// SPDX-License-Identifier: GPL-3.0-or-later
// The usage text and the version.

#include "run/command_line.h"

#include "run/version.h"

CommandLineRequest commandLineRequest(const std::vector<std::string>& arguments,
                                      bool slashOptions) {
  if (arguments.size() != 1) return CommandLineRequest::Conversion;
  const std::string& word = arguments.front();
  if (word == "--help" || word == "-h" || (slashOptions && word == "/?"))
    return CommandLineRequest::Help;
  if (word == "--version" || word == "-V") return CommandLineRequest::Version;
  return CommandLineRequest::Conversion;
}

static constexpr std::string_view kUsage[] = {
    "Usage: hamshift [FILE.DAT]",
    "",
    "Edits FILE.DAT, a radio data file saved by KPG59D or KPG44D, in place: every",
    "channel and test frequency from 40.0 to 43.9 MHz moves up 10 MHz, into the",
    "6 m band, and every one from 30.0 to 30.9 MHz moves down 1 MHz, into the",
    "10 m band. Every argument, joined by single blanks, is the file's name; with",
    "none, hamshift asks for it.",
    "",
    "  -h, --help     print this text and exit",
    "  -V, --version  print the version and exit",
    "",
    "The manual: man hamshift; on Windows, README.txt beside hamshift.exe.",
};

std::string requestedText(CommandLineRequest request, std::string_view lineEnd) {
  std::string text;
  if (request == CommandLineRequest::Version) {
    text.append("hamshift ").append(kVersion).append(lineEnd);
    text.append("Licence ").append(kLicence);
    text.append(": the GNU General Public License, version 3 or any later version.");
    text.append(lineEnd);
  } else if (request == CommandLineRequest::Help) {
    for (const std::string_view line : kUsage) text.append(line).append(lineEnd);
  }
  return text;
}
