# SPDX-License-Identifier: GPL-3.0-or-later
# What the two MinGW-w64 toolchain files share, for the triplet and Wine
# loader each sets first. The tool has one thread, so it takes the -win32
# compiler variant, whose runtime needs no POSIX threads library and so
# imports no call newer than Windows XP. Everything is linked statically: the
# .exe needs only the DLLs that come with Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_CXX_COMPILER ${HAMSHIFT_MINGW}-g++-win32)
set(CMAKE_RC_COMPILER ${HAMSHIFT_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${HAMSHIFT_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
