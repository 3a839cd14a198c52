// The tool's one dialogue: banner, file name, the DAT gate, detection and
// conversion, report.

#pragma once

#include <string>
#include <string_view>

// Banner line 9: the credit line.
inline constexpr std::string_view kCreditLine =
    "Written by the hamshift authors in 2026, last updated 8 December 2026";

// The name ends in DAT, in any case; an empty name does not.
bool passesDatGate(const std::string& fileName);

// Runs the dialogue for the file named by the command-line tail (asking for a
// name when it is empty) and gives the process's exit status.
int runConversion(const std::string& commandLineTail);
