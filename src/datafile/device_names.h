// Windows device names: names that open a device in every folder and with
// any extension, rather than a file. Portable, over the UTF-16 name that the
// Windows file calls take, so that the rule is tested everywhere.

#pragma once

#include <string_view>

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (the superscript
// digits one to three count too), in any case, as the last part of a path,
// after a drive (C:NUL), before a dot or a colon (NUL.DAT, COM1:DAT) and
// before trailing blanks (AUX .DAT); and the \\.\ and \\?\ paths.
bool namesDevice(std::u16string_view name);
