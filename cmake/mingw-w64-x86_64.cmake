# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds hamshift.exe for 64-bit Windows (XP x64 and later) with
# MinGW-w64 on Linux.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HAMSHIFT_MINGW x86_64-w64-mingw32)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
