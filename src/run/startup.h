// Process set-up done once, before the dialogue starts.

#pragma once

#include <string>
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
