// SPDX-License-Identifier: GPL-3.0-or-later
// The data files of the in-memory backing (file_io_memory.cc), by name: the
// web page hands a file's bytes in before a run and takes them out after it.
// Nothing here touches a disk.

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Holds `bytes` as the file `name`, in place of any held under that name.
void putMemoryFile(const std::string& name, std::vector<std::uint8_t> bytes);

// The bytes held as `name`, as the runs left them, and forgets the file.
// Empty when no file of that name is held.
std::vector<std::uint8_t> takeMemoryFile(const std::string& name);
