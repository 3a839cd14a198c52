// SPDX-License-Identifier: GPL-3.0-or-later
// The text operations of the run. lastChars, upperCase and textEquals make
// the DAT gate; commandLineTail makes the file name of the command line.
// Texts are bytes: on POSIX as the terminal and the system give them, on
// Windows always UTF-8 (unicode/unicode.h turns them from and to the UTF-16
// of the Windows calls).

#pragma once

#include <string>
#include <string_view>
#include <vector>

// The last n bytes (all of a shorter text); empty for n <= 0.
std::string lastChars(std::string_view text, int n);

// Each byte, taken as unsigned, upper-cased by the C library in the current
// character-type locale; the length never changes.
std::string upperCase(std::string_view text);

// Same length and the same bytes: no case folding, no locale.
bool textEquals(std::string_view a, std::string_view b);

// The arguments after the program name, joined by single blanks; empty when
// there is none.
std::string commandLineTail(const std::vector<std::string>& arguments);
