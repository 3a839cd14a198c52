// SPDX-License-Identifier: GPL-3.0-or-later
// The options, the option a program's own name gives, the usage text and the
// version.

#include "run/command_line.h"

#include <algorithm>

#include "run/version.h"

// Takes one option word; false for a word that is no option.
static bool takeOption(CommandLine& line, const std::string& word, bool& help, bool& version) {
  if (word == "--dry-run") return line.dryRun = true;
  if (word == "--backup") return line.backup = true;
  if (word == "--help") return help = true;
  if (word == "--version") return version = true;
  if (word.starts_with("--")) return false;
  for (const char letter : std::string_view(word).substr(1)) {
    switch (letter) {
      case 'n': line.dryRun = true; break;
      case 'b': line.backup = true; break;
      case 'h': help = true; break;
      case 'V': version = true; break;
      default: return false;
    }
  }
  return true;
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments, bool slashOptions) {
  CommandLine line;
  bool help = false, version = false;
  std::size_t at = 0;
  for (; at < arguments.size(); ++at) {
    const std::string& word = arguments[at];
    if (word == "--") {
      ++at;
      break;
    }
    if (slashOptions && word == "/?") {
      help = true;
      continue;
    }
    if (word.size() < 2 || word.front() != '-') break;
    if (!takeOption(line, word, help, version)) {
      line.request = CommandLineRequest::UnknownOption;
      line.unknownOption = word;
      return line;
    }
  }
  line.nameWords.assign(arguments.begin() + static_cast<std::ptrdiff_t>(at), arguments.end());
  if (help)
    line.request = CommandLineRequest::Help;
  else if (version)
    line.request = CommandLineRequest::Version;
  return line;
}

// ASCII only: the names compared are ASCII, and a locale's case rules must
// not make another name match.
static char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

static bool sameWordInAnyCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}

std::string_view programNameOption(std::string_view program) {
  const std::size_t slash = program.find_last_of("/\\");
  if (slash != std::string_view::npos) program.remove_prefix(slash + 1);
  if (program.size() > 4 && sameWordInAnyCase(program.substr(program.size() - 4), ".exe"))
    program.remove_suffix(4);
  if (sameWordInAnyCase(program, "hamshift-preview")) return "--dry-run";
  if (sameWordInAnyCase(program, "hamshift-backup")) return "--backup";
  return {};
}

std::vector<std::string> withExpandedNames(const std::vector<std::string>& typed,
                                           const std::vector<std::string>& expanded,
                                           bool slashOptions) {
  const CommandLine line = parseCommandLine(typed, slashOptions);
  if (line.request != CommandLineRequest::Conversion) return typed;
  // No option word of a conversion holds a wildcard, so each expands to itself.
  const auto options = static_cast<std::ptrdiff_t>(typed.size() - line.nameWords.size());
  if (static_cast<std::ptrdiff_t>(expanded.size()) < options ||
      !std::equal(typed.begin(), typed.begin() + options, expanded.begin()))
    return typed;
  std::vector<std::string> arguments(expanded.begin(), expanded.begin() + options);
  if (options == 0 || arguments.back() != "--") arguments.emplace_back("--");
  arguments.insert(arguments.end(), expanded.begin() + options, expanded.end());
  return arguments;
}

static constexpr std::string_view kUsage[] = {
    "Usage: hamshift [OPTION]... [FILE.DAT]",
    "",
    "Edits FILE.DAT, a radio data file saved by KPG59D or KPG44D, in place: every",
    "channel and test frequency from 40.0 to 43.9 MHz moves up 10 MHz, into the",
    "6 m band, and every one from 30.0 to 30.9 MHz moves down 1 MHz, into the",
    "10 m band. The words after the options, joined by single blanks, are the",
    "file's name; with none, hamshift asks for it.",
    "",
    "  -n, --dry-run  list every frequency that would change, and write nothing",
    "  -b, --backup   copy the file to FILE.DAT.bak before changing it",
    "  -h, --help     print this text and exit",
    "  -V, --version  print the version and exit",
    "  --             end the options; a name that begins with - comes after it",
    "",
    "The manual: man hamshift; on Windows, README.txt beside hamshift.exe.",
};

std::string requestedText(CommandLineRequest request, std::string_view lineEnd) {
  std::string text;
  if (request == CommandLineRequest::Version) {
    text.append("hamshift ").append(kVersion).append(lineEnd);
    // Two lines, so that neither wraps on an 80-column console.
    text.append("Licence ").append(kLicence).append(": the GNU General Public License,");
    text.append(lineEnd);
    text.append("version 3 or any later version.").append(lineEnd);
  } else if (request == CommandLineRequest::Help) {
    for (const std::string_view line : kUsage) text.append(line).append(lineEnd);
  }
  return text;
}

std::string unknownOptionLine(std::string_view option) {
  return "hamshift: unknown option '" + std::string(option) +
         "'; hamshift --help lists the options";
}
