#!/usr/bin/env bash
# `make bench`: runs the benchmarks into BUILD/bench.json and the agent's
# start-up footprint into BUILD/footprint.json, then prints their medians.
#   BENCH_REPETITIONS=N   repetitions of each benchmark (default 5)
#   FOOTPRINT_RUNS=N      agent starts for the footprint (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
repetitions=${BENCH_REPETITIONS:-5}
"$root/scripts/install-packages.sh" jq

cmake --build "$build" --target q6tsa_bench
echo "benchmarks: $repetitions repetitions each, into $build/bench.json"
"$build/bench/q6tsa_bench" --benchmark_format=json \
  --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
  > "$build/bench.json"

reports=("$build/bench.json")
if [[ $(id -u) -eq 0 ]]; then
  echo "agent footprint: into $build/footprint.json"
  "$root/bench/agent-footprint.sh" "$build" > "$build/footprint.json"
  reports+=("$build/footprint.json")
else
  echo "agent footprint: skipped, the agent runs only as root" >&2
fi

echo "medians:"
jq -rs '
  def figure: if . == null then "-" else (. * 100 | round / 100 | tostring) end;
  (["benchmark", "real", "cpu", "unit", "VmRSS kB", "VmHWM kB"] | @tsv),
  (map(.benchmarks[]) | .[] | select(.aggregate_name == "median") |
    [.run_name, (.real_time | figure), (.cpu_time | figure), .time_unit,
     (.VmRSS_kB | figure), (.VmHWM_kB | figure)] | @tsv)
' "${reports[@]}" | awk -F'\t' '{ printf "%-20s %10s %10s %-5s %9s %9s\n", $1, $2, $3, $4, $5, $6 }'
