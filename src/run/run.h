// The tool's one dialogue: banner, file name, the DAT gate, detection and
// conversion, report.

#pragma once

#include <string>
#include <string_view>

// Banner line 9: the credit line. With its 20 leading blanks it fits an
// 80-column console.
inline constexpr std::string_view kCreditLine =
    "Written by the hamshift authors, 2026; updated 8 Dec 2026";

// The name ends in DAT, in any case; an empty name does not.
bool passesDatGate(const std::string& fileName);

// Runs the dialogue for the file named by the command-line tail (asking for a
// name when it is empty) and gives the process's exit status.
int runConversion(const std::string& commandLineTail);
