# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the core for the web page: clang's wasm32-wasi target, with Debian's
# wasi-libc, libc++ for wasm32 and lld; cmake/web.cmake says how the module
# is linked.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
