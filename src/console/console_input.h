// Console line input: the typed file name.

#pragma once

#include <string>
#include <string_view>

// Shows the prompt and "? " and gives the first field of the line typed.
std::string promptAndReadField(std::string_view prompt);
