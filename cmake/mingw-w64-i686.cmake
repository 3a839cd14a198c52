# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds hamshift.exe for 32-bit Windows (XP SP3 and later, and every
# 64-bit Windows through its 32-bit layer) with MinGW-w64 on Linux.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(HAMSHIFT_MINGW i686-w64-mingw32)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
