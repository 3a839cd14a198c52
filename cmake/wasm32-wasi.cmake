# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the core for the web page: clang's wasm32-wasi target, with Debian's
# wasi-libc, libc++ for wasm32 and lld. The module is a reactor (no main): the
# page calls its exported functions.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-mexec-model=reactor -Wl,--gc-sections -Wl,--strip-all")
