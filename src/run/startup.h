// SPDX-License-Identifier: GPL-3.0-or-later
// Process set-up done once, before the dialogue starts.

#pragma once

#include <string>
#include <string_view>
#include <vector>

// Opens the null device on any closed standard descriptor, so the data file
// can never land on one and receive the tool's messages, and keeps a broken
// output pipe or a file-size limit from killing the run half-way: those
// failures then show as failed writes. Does nothing that can fail visibly.
void prepareProcess();

// The process's arguments after the program name. POSIX takes them as the
// shell gave them. Windows splits its UTF-16 command line and expands the
// wildcards in it as msvcrt.dll's start-up does, and gives each argument in
// UTF-8, so that no letter is lost to a code page on the way.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// The path of the program file that runs: POSIX takes argv[0] as the shell
// or the system gave it (a link's own name, not its target's); Windows asks
// for the module's file name, in UTF-8. Empty when it cannot be had.
std::string programPath(int argc, char** argv);

// How this platform's own tools end a line: LF on POSIX, CR LF on Windows.
extern const std::string_view kPlatformLineEnd;

// Whether options may also be written with a slash (/?), as on Windows.
extern const bool kSlashOptions;
