#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The static checks: the house format (.clang-format), cppcheck, and
# clang-tidy (.clang-tidy) over src/ and tests/. Any finding fails.
#
# cppcheck leaves out one check of taste: useStlAlgorithm, which would turn
# plain loops over a few items into std::transform calls; and the web tests'
# npm packages.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.cc' '*.h')

echo "clang-format: ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"

echo "cppcheck"
cppcheck --enable=warning,style,performance,portability --std=c++20 --language=c++ \
  --library=googletest --inline-suppr --error-exitcode=1 --quiet \
  --suppress=missingIncludeSystem --suppress=useStlAlgorithm -I src -I tests/support \
  -i tests/web/node_modules src tests

# The Windows files need the Windows headers, which this build does not see;
# cppcheck above reads them without.
mapfile -t units < <(printf '%s\n' "${sources[@]}" | grep '\.cc$' | grep -v '_win32\.cc$')
echo "clang-tidy: ${#units[@]} files"
cmake --preset lint >/dev/null
printf '%s\n' "${units[@]}" |
  xargs -P 2 -n 4 clang-tidy -p build/lint --quiet 2> >(grep -v '^[0-9]* warnings generated' >&2)
