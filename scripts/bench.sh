#!/usr/bin/env bash
# Benchmark of one worst-case run: a KPG44D file whose 352 converted fields
# all hold 30.x MHz. Prints the system calls made on the data file, the
# median wall time beside a trivial C++ program's, and the peak memory.
#
#   bench.sh HAMSHIFT MAKE_SAMPLE TRIVIAL [RUNS]
set -euo pipefail

tool=$1 make_sample=$2 trivial=$3 runs=${4:-201}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_sample" "$work/WORST.DAT" worst

fresh() { cp "$work/WORST.DAT" "$work/RUN.DAT"; }

echo "== system calls on the data file (one run) =="
if command -v strace >/dev/null; then
  fresh
  strace -f -y -o "$work/trace" "$tool" "$work/RUN.DAT" >/dev/null
  # Calls that name the file or use its descriptor; not the execve that passes
  # the name, nor the report that prints it.
  grep -F -e "(\"$work/RUN.DAT\"" -e "\"$work/RUN.DAT\", " -e "<$work/RUN.DAT>" "$work/trace" |
    grep -v -E '^[0-9]+ +(execve|write\(1<)' >"$work/calls" || true
  sed -E 's/^[0-9]+ +//; s/\(.*//' "$work/calls" | sort | uniq -c
  echo "total: $(wc -l <"$work/calls") (target: at most 16)"
else
  echo "strace not installed: skipped"
fi

# Median of `runs` wall times, in microseconds, for a command run on a fresh copy.
median() {
  local times=() start end
  for ((i = 0; i < runs; i++)); do
    fresh
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    times+=($(((${end/./} - ${start/./}))))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$((runs / 2 + 1))p"
}

echo "== median wall time over $runs runs =="
tool_time=$(median "$tool" "$work/RUN.DAT")
trivial_time=$(median "$trivial")
echo "hamshift: ${tool_time} us; trivial C++ program: ${trivial_time} us;" \
  "ratio $(awk -v a="$tool_time" -v b="$trivial_time" 'BEGIN { printf "%.2f", a / b }') (target: at most 1.2)"

echo "== peak memory =="
if [ -x /usr/bin/time ]; then
  fresh
  /usr/bin/time -f '%M KiB maximum resident set (target: under 4096)' "$tool" "$work/RUN.DAT" >/dev/null
else
  echo "/usr/bin/time not installed: skipped"
fi

fresh
"$tool" "$work/RUN.DAT" | tail -n 1
