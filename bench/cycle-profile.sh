#!/usr/bin/env bash
# The cost of each step of a publishing cycle, counted by callgrind in
# instructions (repeatable, unlike times) while BM_PublishCycle runs, and the
# system calls of a cycle counted by strace. Instructions are per cycle of
# the benchmark's last run, so the very first cycle, which also loads the
# driver, is left out; system calls are per cycle over the whole run.
# Usage: bench/cycle-profile.sh [BUILD] [SECONDS]   (BUILD with bench/q6tsa_bench built)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
seconds=${2:-5}
bench="$build/bench/q6tsa_bench"
work=$(mktemp -d "${TMPDIR:-/tmp}/q6profile-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$root/scripts/install-packages.sh" valgrind strace

# The steps whose callees are listed, each as the start of its name.
steps=(
  "q6tsa::Send_Time_tick("
  "NIpcDrvLoader::LoadNwLib("
  "NJsonSerializer::SerializeW("
  "NJsonCompactWriter::Write"
  "NIpcDrvLoader::SetData("
  "fnSetData"
  "NIpcDrvLoader::~NIpcDrvLoader("
)

valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" \
  --toggle-collect='q6tsa::Send_Time_tick*' --zero-before='*BM_PublishCycle*' \
  "$bench" --benchmark_filter='^BM_PublishCycle$' --benchmark_min_time="$seconds" \
  > /dev/null 2> "$work/valgrind.log"
callgrind_annotate --auto=no --tree=both --inclusive=yes "$work/callgrind.out" > "$work/tree.txt"

# The calls of the cycle, from the line of its caller.
cycles=$(grep -E '< .*BM_PublishCycle' "$work/tree.txt" | grep -oE '\([0-9,]+x\)' | tr -d '(),x')
echo "instructions per cycle (callgrind, $cycles cycles)"
for step in "${steps[@]}"; do
  # The block of a function: its own line (marked *) and its callees (>).
  awk -v step="$step" -v cycles="$cycles" '
    function per_cycle(text) { gsub(",", "", text); return int(text / cycles + 0.5) }
    function short(line) {
      sub(/^[^:]*:/, "", line); sub(/ \[.*$/, "", line); sub(/ \([0-9,]+x\)$/, "", line)
      return line
    }
    /^[ 0-9,]+\([ 0-9.]+%\)  \* / {
      name = short(substr($0, index($0, "*  ") + 3))
      if (shown) exit
      inside = index(name, step) == 1
      header = sprintf("\n%9d  %s", per_cycle($1), name)
      next
    }
    # Only the block that lists callees: a function may have a second one.
    inside && /^[ 0-9,]+\([ 0-9.]+%\)  > / {
      if (!shown) print header
      shown = 1
      printf "%9d    %s\n", per_cycle($1), short(substr($0, index($0, ">   ") + 4))
    }
    /^$/ { inside = 0 }
  ' "$work/tree.txt" | head -n 14
done

# Every cycle loads the library once; the few loads of the checks are noise.
strace -o "$work/strace.txt" \
  "$bench" --benchmark_filter='^BM_PublishCycle$' --benchmark_min_time=0.5 > /dev/null 2>&1
calls=$(grep -c 'openat(.*qxipcdll.dll' "$work/strace.txt")
echo
echo "system calls per cycle (strace, $calls cycles)"
awk -v cycles="$calls" -F'(' '{ ++count[$1] }
  END { for (name in count) if (count[name] / cycles >= 0.5) printf "%6.1f  %s\n", count[name] / cycles, name }
' "$work/strace.txt" | sort -rn
