// SPDX-License-Identifier: GPL-3.0-or-later
// The few argument lists that ask for something other than a conversion:
// the usage text and the version. Each one is a single word that cannot pass
// the DAT gate, so no file name is ever taken for one.

#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class CommandLineRequest { Conversion, Help, Version };

// Help for a lone --help or -h (or /?, where `slashOptions`, as on Windows),
// Version for a lone --version or -V; Conversion for every other list.
CommandLineRequest commandLineRequest(const std::vector<std::string>& arguments, bool slashOptions);

// The text a Help or Version request prints, its lines ended by `lineEnd`.
std::string requestedText(CommandLineRequest request, std::string_view lineEnd);
