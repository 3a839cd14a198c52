#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one fuzz target for a bounded time from a copy of its seed corpus and
# prints how many inputs it ran. On a crash or a broken invariant it prints
# the end of the log, keeps the input in the artifacts folder, and prints it
# gzipped in base64 as well, so that a CI log alone is enough to reproduce it:
#   base64 -d <<< '...' | gunzip > crash; TARGET crash
#
#   fuzz-run.sh TARGET SEEDS ARTIFACTS SECONDS [LIBFUZZER FLAGS...]
set -uo pipefail
target=$1 seeds=$2 artifacts=$3 seconds=$4
shift 4
name=$(basename "$target")
work=$(dirname "$target")/$name.work
rm -rf "$work" && mkdir -p "$work/corpus" "$artifacts" || exit 1
cp "$seeds"/* "$work/corpus/" || exit 1

"$target" "$work/corpus" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$artifacts/$name-" "$@" >"$work/log" 2>&1
status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
echo "$name: ${runs:-no} inputs run in $seconds s, corpus of $(ls "$work/corpus" | wc -l) inputs"
if [ $status -ne 0 ]; then
  tail -n 60 "$work/log"
  for crash in "$artifacts/$name"-*; do
    [ -e "$crash" ] || continue
    echo "input kept in $crash; gzipped, in base64:"
    gzip -9c "$crash" | base64 -w 0
    echo
  done
  exit 1
fi
