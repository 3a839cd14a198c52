#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Benchmark of one worst-case run: a KPG44D file whose 352 converted fields
# all hold 30.x MHz. Prints the system calls made on the data file and checks
# that they are at most 720 (each of the 352 writes follows a read of its
# field) and write no byte the run leaves as it was; then
# the median wall times of the tool, of the floor (tests/support/bench_floor.cc,
# which makes only the calls the conversion needs: open, two reads, the
# length, the 352 fields each read again and written, the length again, the
# flush to the disk, close, one write of the report) and of a
# trivial C++ program, the three run by turns, with the ratio of the tool to
# the floor (target: at most 1.2) and to the trivial program (no target); and
# the peak memory (target: under 4096 KiB). The floor's file and report must be the tool's, byte for
# byte. Fails when a target is missed.
#
#   bench.sh HAMSHIFT MAKE_SAMPLE FLOOR TRIVIAL [RUNS]
set -euo pipefail

# Absolute, for the runs made from another folder.
tool=$(realpath "$1") make_sample=$2 floor=$(realpath "$3") trivial=$4 runs=${5:-201}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_sample" "$work/WORST.DAT" worst
missed=0

fail() {
  echo "bench: $*" >&2
  exit 1
}

fresh() { cp "$work/WORST.DAT" "$work/RUN.DAT"; }

# The system calls that PROGRAM makes on a fresh RUN.DAT, into $work/calls:
# those that name the file or use its descriptor; not the execve that passes
# the name, nor the report that prints it.
trace_calls() {
  fresh
  strace -f -y -x -o "$work/trace" "$1" "$work/RUN.DAT" >/dev/null
  grep -F -e "(\"$work/RUN.DAT\"" -e "\"$work/RUN.DAT\", " -e "<$work/RUN.DAT>" "$work/trace" |
    grep -v -E '^[0-9]+ +(execve|write\(1<)' >"$work/calls" || true
}

echo "== system calls on the data file (one run) =="
if command -v strace >/dev/null; then
  trace_calls "$tool"
  sed -E 's/^[0-9]+ +//; s/\(.*//' "$work/calls" | sort | uniq -c
  total=$(wc -l <"$work/calls")
  echo "total: $total (target: at most 720)"
  [ "$total" -le 720 ] || missed=1
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
  trace_calls "$floor"
  echo "the floor: $(wc -l <"$work/calls") calls:" \
    "$(sed -E 's/^[0-9]+ +//; s/\(.*//' "$work/calls" | sort | uniq -c |
       awk '{ printf "%s%s %s", (NR > 1 ? ", " : ""), $1, $2 }')"
else
  echo "strace not installed: skipped"
fi

# The floor must do all the tool's work: the same file afterwards, and the
# tool's last line as its report. Each converts a file of the same name, in a
# folder of its own.
mkdir "$work/tool" "$work/floor"
cp "$work/WORST.DAT" "$work/tool/RUN.DAT"
cp "$work/WORST.DAT" "$work/floor/RUN.DAT"
(cd "$work/tool" && "$tool" RUN.DAT >../tool.out) || fail "hamshift exited with $?"
(cd "$work/floor" && "$floor" RUN.DAT >../floor.out) || fail "the floor exited with $?"
cmp -s "$work/tool/RUN.DAT" "$work/WORST.DAT" && fail "hamshift left the worst-case file as it was"
cmp "$work/tool/RUN.DAT" "$work/floor/RUN.DAT" ||
  fail "the floor converts the file otherwise than hamshift"
tail -n 1 "$work/tool.out" | cmp - "$work/floor.out" || fail "the floor reports otherwise than hamshift"
cp "$work/tool/RUN.DAT" "$work/CONVERTED.DAT"

# The three run by turns, so that all see the same load; each tool and floor
# run gets a copy of its own, made and synced beforehand: a write to a file
# that is still being written out waits for it, and a user's file has long
# been on disk. Afterwards every copy must hold the converted file.
echo "== median wall time over $runs runs of each, by turns =="
for ((i = 0; i < runs; i++)); do
  cp "$work/WORST.DAT" "$work/TOOL-$i.DAT"
  cp "$work/WORST.DAT" "$work/FLOOR-$i.DAT"
done
sync "$work"/TOOL-*.DAT "$work"/FLOOR-*.DAT
tool_times=() floor_times=() trivial_times=()
for ((i = 0; i < runs; i++)); do
  start=$EPOCHREALTIME
  "$tool" "$work/TOOL-$i.DAT" >/dev/null || fail "hamshift exited with $?"
  end=$EPOCHREALTIME
  tool_times+=($((${end/./} - ${start/./})))
  start=$EPOCHREALTIME
  "$floor" "$work/FLOOR-$i.DAT" >/dev/null || fail "the floor exited with $?"
  end=$EPOCHREALTIME
  floor_times+=($((${end/./} - ${start/./})))
  start=$EPOCHREALTIME
  "$trivial" >/dev/null || fail "the trivial program exited with $?"
  end=$EPOCHREALTIME
  trivial_times+=($((${end/./} - ${start/./})))
done
for ((i = 0; i < runs; i++)); do
  cmp -s "$work/TOOL-$i.DAT" "$work/CONVERTED.DAT" || fail "run $i of hamshift converted otherwise"
  cmp -s "$work/FLOOR-$i.DAT" "$work/CONVERTED.DAT" || fail "run $i of the floor converted otherwise"
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$(($# / 2 + 1))p"; }
tool_time=$(median "${tool_times[@]}")
floor_time=$(median "${floor_times[@]}")
trivial_time=$(median "${trivial_times[@]}")
to_floor=$(awk -v a="$tool_time" -v b="$floor_time" 'BEGIN { printf "%.2f", a / b }')
to_trivial=$(awk -v a="$tool_time" -v b="$trivial_time" 'BEGIN { printf "%.2f", a / b }')
echo "hamshift: $tool_time us; the floor: $floor_time us; trivial C++ program: $trivial_time us"
echo "hamshift to the floor: $to_floor (target: at most 1.2)"
echo "hamshift to the trivial program: $to_trivial (no target)"
awk -v r="$to_floor" 'BEGIN { exit !(r <= 1.2) }' || missed=1

echo "== peak memory =="
if [ -x /usr/bin/time ]; then
  fresh
  /usr/bin/time -o "$work/memory" -f '%M' "$tool" "$work/RUN.DAT" >/dev/null
  peak=$(cat "$work/memory")
  echo "$peak KiB maximum resident set (target: under 4096)"
  [ "$peak" -lt 4096 ] || missed=1
else
  echo "/usr/bin/time not installed: skipped"
fi

fresh
"$tool" "$work/RUN.DAT" | tail -n 1
if [ "$missed" -ne 0 ]; then
  echo "bench: a target was missed" >&2
  exit 1
fi
