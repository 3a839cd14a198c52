#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Benchmark of one worst-case run: a KPG44D file whose 352 converted fields
# all hold 30.x MHz. Prints the system calls made on the data file and checks
# that they are at most 360 and write no byte the run leaves as it was; then
# the median wall time beside a trivial C++ program's, the two run by turns,
# with their ratio (target: at most 1.3); and the peak memory. Fails when a
# target is missed.
#
#   bench.sh HAMSHIFT MAKE_SAMPLE TRIVIAL [RUNS]
set -euo pipefail

tool=$1 make_sample=$2 trivial=$3 runs=${4:-201}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_sample" "$work/WORST.DAT" worst
missed=0

fresh() { cp "$work/WORST.DAT" "$work/RUN.DAT"; }

echo "== system calls on the data file (one run) =="
if command -v strace >/dev/null; then
  fresh
  strace -f -y -x -o "$work/trace" "$tool" "$work/RUN.DAT" >/dev/null
  # Calls that name the file or use its descriptor; not the execve that passes
  # the name, nor the report that prints it.
  grep -F -e "(\"$work/RUN.DAT\"" -e "\"$work/RUN.DAT\", " -e "<$work/RUN.DAT>" "$work/trace" |
    grep -v -E '^[0-9]+ +(execve|write\(1<)' >"$work/calls" || true
  sed -E 's/^[0-9]+ +//; s/\(.*//' "$work/calls" | sort | uniq -c
  total=$(wc -l <"$work/calls")
  echo "total: $total (target: at most 360)"
  [ "$total" -le 360 ] || missed=1
  # Every byte a write covers must be one the run changed: the file's bytes
  # that differ afterwards (cmp counts from 1) against each pwrite's length
  # and offset, read from the end of its line.
  cmp -l "$work/WORST.DAT" "$work/RUN.DAT" | awk '{ print $1 }' >"$work/changed" || true
  grep -E '^[0-9]+ +pwrite64\(' "$work/calls" |
    sed -E 's/.*, ([0-9]+), ([0-9]+)\) = -?[0-9]+.*$/\1 \2/' >"$work/writes" || true
  if ! awk 'NR == FNR { changed[$1] = 1; next }
            { writes++; for (i = 1; i <= $1; i++) { bytes++; if (!(($2 + i) in changed)) stray++ } }
            END { printf "writes: %d, %d bytes; bytes changed: %d; bytes written but unchanged: %d\n",
                         writes, bytes, length(changed), stray
                  exit stray > 0 }' "$work/changed" "$work/writes"; then
    missed=1
  fi
else
  echo "strace not installed: skipped"
fi

# The tool and the trivial program run by turns, so that both see the same
# load; prints the two medians in microseconds. Each tool run gets a copy of
# its own, made and synced beforehand: a write to a file that is still being
# written out waits for it, and a user's file has long been on disk.
medians() {
  local tool_times=() trivial_times=() start end
  for ((i = 0; i < runs; i++)); do cp "$work/WORST.DAT" "$work/RUN-$i.DAT"; done
  sync "$work"/RUN-*.DAT
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    "$tool" "$work/RUN-$i.DAT" >/dev/null
    end=$EPOCHREALTIME
    tool_times+=($((${end/./} - ${start/./})))
    start=$EPOCHREALTIME
    "$trivial" >/dev/null
    end=$EPOCHREALTIME
    trivial_times+=($((${end/./} - ${start/./})))
  done
  printf '%s\n' "${tool_times[@]}" | sort -n | sed -n "$((runs / 2 + 1))p"
  printf '%s\n' "${trivial_times[@]}" | sort -n | sed -n "$((runs / 2 + 1))p"
}

echo "== median wall time over $runs runs of each, by turns =="
{ read -r tool_time; read -r trivial_time; } < <(medians)
ratio=$(awk -v a="$tool_time" -v b="$trivial_time" 'BEGIN { printf "%.2f", a / b }')
echo "hamshift: ${tool_time} us; trivial C++ program: ${trivial_time} us; ratio $ratio" \
  "(target: at most 1.3)"
awk -v r="$ratio" 'BEGIN { exit !(r <= 1.3) }' || missed=1

echo "== peak memory =="
if [ -x /usr/bin/time ]; then
  fresh
  /usr/bin/time -f '%M KiB maximum resident set (target: under 4096)' "$tool" "$work/RUN.DAT" >/dev/null
else
  echo "/usr/bin/time not installed: skipped"
fi

fresh
"$tool" "$work/RUN.DAT" | tail -n 1
if [ "$missed" -ne 0 ]; then
  echo "bench: a target was missed" >&2
  exit 1
fi
