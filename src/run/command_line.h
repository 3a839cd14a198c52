// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: options first, then the words of the file name. Words
// that begin with '-' before the first other word are options (short ones may
// be joined, -nb); "--" ends them, and a lone "-" is a word of the name. A
// copy of the tool named hamshift-preview or hamshift-backup takes an option
// from its own name, so that a file can be dropped on it.

#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class CommandLineRequest { Conversion, Help, Version, UnknownOption };

struct CommandLine {
  CommandLineRequest request = CommandLineRequest::Conversion;
  bool dryRun = false;                 // -n, --dry-run
  bool backup = false;                 // -b, --backup
  std::vector<std::string> nameWords;  // the words after the options
  std::string unknownOption;           // the word that made an UnknownOption request
};

// The options and the name's words. The first unknown option stops the
// parse; otherwise Help (--help, -h, and /? where `slashOptions`, as on
// Windows) outranks Version (--version, -V), which outranks a conversion.
CommandLine parseCommandLine(const std::vector<std::string>& arguments, bool slashOptions);

// The option word that the program's own file name puts before the
// arguments: "--dry-run" for hamshift-preview, "--backup" for
// hamshift-backup, in any case, with or without ".exe"; empty for any other
// name. `program` may be a path, whose folder (up to the last '/' or '\')
// is left off.
std::string_view programNameOption(std::string_view program);

// For a system whose start-up code expands wildcards: the arguments with
// the option words as typed, then "--" unless they end with it, then the
// name's words from `expanded`, the same command line with its wildcards
// expanded; so that a word an expansion gives (a file named -b) is never
// taken as an option. `typed` itself where it asks for no conversion, or
// where `expanded` does not begin with its option words.
std::vector<std::string> withExpandedNames(const std::vector<std::string>& typed,
                                           const std::vector<std::string>& expanded,
                                           bool slashOptions);

// The text a Help or Version request prints, its lines ended by `lineEnd`.
std::string requestedText(CommandLineRequest request, std::string_view lineEnd);

// The line an unknown option gets on standard error, without its line end.
std::string unknownOptionLine(std::string_view option);
