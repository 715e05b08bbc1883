#!/usr/bin/env bash
# What qxipcdll.dll costs a publishing cycle against an earlier commit's
# library. Builds BASE (default fa1989f) in a temporary git worktree and the
# current tree in BUILD, as `make bench` builds, then runs, interleaved and
# pinned to one core: each tree's BM_PublishCycle; the current tree's
# BM_PublishCycle with each tree's library beside it; and a bare load and
# release of each tree's library (BM_LibraryLoadRelease of the current tree).
# Prints the medians and the ratios current/base.
# Usage: bench/library-cost.sh [BUILD] [BASE]
#   LIBRARY_COST_ROUNDS=N   rounds of the six runs (default 7)
#   LIBRARY_COST_SECONDS=S  minimum time of each run (default 1)
#   LIBRARY_COST_CPU=N      the core to run on (default the last one)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
base=${2:-fa1989f}
rounds=${LIBRARY_COST_ROUNDS:-7}
seconds=${LIBRARY_COST_SECONDS:-1}
cpu=${LIBRARY_COST_CPU:-$(($(nproc) - 1))}
"$root/scripts/install-packages.sh" jq

# Inside BUILD: the library is loaded only from a trusted path.
work=$(mktemp -d "$build/library-cost-XXXXXX")
cleanup() {
  git -C "$root" worktree remove --force "$work/source" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

git -C "$root" worktree add --quiet --detach "$work/source" "$base"
cmake -S "$work/source" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$work/build" --target q6tsa_bench qxipcdll > /dev/null
cmake --build "$build" --target q6tsa_bench qxipcdll > /dev/null

base_bench="$work/build/bench/q6tsa_bench"
base_library="$work/build/bin/qxipcdll.dll"
current_bench="$build/bench/q6tsa_bench"
# The current benchmarks with the base library beside them.
mkdir "$work/mixed"
cp "$current_bench" "$base_library" "$work/mixed/"
mixed_bench="$work/mixed/q6tsa_bench"

# run NAME BENCHMARK EXECUTABLE [LIBRARY]: one timed run, its real time in µs
# appended to the results as "NAME time".
run() {
  local name=$1 benchmark=$2 executable=$3 library=${4:-}
  local json
  json=$(Q6_BENCH_LIBRARY=${library:-$(dirname "$executable")/qxipcdll.dll} \
    taskset -c "$cpu" "$executable" --benchmark_filter="^$benchmark\$" \
    --benchmark_min_time="$seconds" --benchmark_format=json 2> /dev/null)
  jq -r --arg name "$name" '.benchmarks[] | select(.error_occurred | not) |
    "\($name) \(.real_time)"' <<< "$json" >> "$work/results"
}

echo "$rounds rounds on core $cpu, $base against the current tree ($build)"
for ((round = 1; round <= rounds; round++)); do
  run "tree-base" BM_PublishCycle "$base_bench"
  run "tree-current" BM_PublishCycle "$current_bench"
  run "library-base" BM_PublishCycle "$mixed_bench"
  run "library-current" BM_PublishCycle "$current_bench"
  run "load-base" BM_LibraryLoadRelease "$current_bench" "$base_library"
  run "load-current" BM_LibraryLoadRelease "$current_bench" "$build/bin/qxipcdll.dll"
done

# Medians of each name, then each benchmark's ratio current/base.
sort -k1,1 -k2,2g "$work/results" | awk -v rounds="$rounds" '
  { times[$1] = times[$1] " " $2 }
  END {
    for (name in times) {
      n = split(substr(times[name], 2), t, " ")
      if (n != rounds) { printf "%s: %d of %d runs succeeded\n", name, n, rounds; failed = 1; continue }
      median[name] = n % 2 ? t[(n + 1) / 2] : (t[n / 2] + t[n / 2 + 1]) / 2
    }
    if (failed) exit 1
    printf "%-42s %10s %10s %7s\n", "median real time, µs", "base", "current", "ratio"
    split("tree library load", kinds, " ")
    labels[1] = "BM_PublishCycle, each tree"
    labels[2] = "BM_PublishCycle, each library"
    labels[3] = "BM_LibraryLoadRelease, each library"
    for (i = 1; i <= 3; i++) {
      b = median[kinds[i] "-base"]; c = median[kinds[i] "-current"]
      printf "%-42s %10.1f %10.1f %7.3f\n", labels[i], b, c, c / b
    }
  }'
