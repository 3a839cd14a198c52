#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Line and branch coverage of src/ from the coverage build's test run: merges
# the raw profiles that the tool and the unit tests wrote, prints the report
# and every line that no test reached, and fails below the line target.
# The Windows files (*_win32.cc) are not built on POSIX, so they are not in it.
#
#   coverage-report.sh BUILD_FOLDER MINIMUM_LINE_PERCENT
set -euo pipefail
build=$1 minimum=$2
profiles=$build/profiles
shopt -s nullglob
raw=("$profiles"/*.profraw)
if [ ${#raw[@]} -eq 0 ]; then
  echo "no profiles in $profiles: run the coverage tests first" >&2
  exit 1
fi
# The runs under a file-size limit cannot write their profiles whole; such a
# profile is left out, since one broken input stops the whole merge.
whole=()
for profile in "${raw[@]}"; do
  if llvm-profdata show "$profile" >/dev/null 2>&1; then whole+=("$profile"); fi
done
echo "$((${#raw[@]} - ${#whole[@]})) of ${#raw[@]} profiles cut short and left out"
llvm-profdata merge -sparse "${whole[@]}" -o "$build/coverage.profdata"
objects=("$build/hamshift" -object "$build/tests/unit_tests")
filter=(-instr-profile="$build/coverage.profdata" -ignore-filename-regex='/tests/')

echo "Coverage of src/ (POSIX build; the *_win32.cc files are not built here)"
llvm-cov report "${objects[@]}" "${filter[@]}" -show-region-summary=false -show-branch-summary \
  | sed "s|$(cd "$(dirname "$0")/.." && pwd)/||"
echo
echo "Lines no test reached:"
llvm-cov show "${objects[@]}" "${filter[@]}" -show-line-counts -use-color=false \
  | awk '/^\/.*:$/ { file = $0; sub(/:$/, "", file); next }
         /^ *[0-9]+\| *0\|/ { split($0, f, "|"); line = f[1]; gsub(/ /, "", line);
                              print "  " file ":" line ":" f[3] }' \
  | sed "s|$(cd "$(dirname "$0")/.." && pwd)/||"

percent=$(llvm-cov export "${objects[@]}" "${filter[@]}" -summary-only \
  | python3 -c 'import json,sys; print(json.load(sys.stdin)["data"][0]["totals"]["lines"]["percent"])')
echo
printf 'Line coverage %.2f%%, target %s%%\n' "$percent" "$minimum"
awk -v p="$percent" -v m="$minimum" 'BEGIN { exit !(p >= m) }'
