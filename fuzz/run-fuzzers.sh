#!/usr/bin/env bash
# Runs every libFuzzer target of a build folder for a bounded time, each on a
# fresh working corpus copied from its committed seeds.
# Usage: fuzz/run-fuzzers.sh BUILD_FOLDER [TARGET...]   (FUZZ_SECONDS, default 60)
# Crashes are written to BUILD_FOLDER/fuzz-artifacts/; the status is 1 when any
# target found one.
set -euo pipefail

build=${1:?usage: $0 BUILD_FOLDER [TARGET...]}
shift
seconds=${FUZZ_SECONDS:-60}
source_dir=$(cd "$(dirname "$0")" && pwd)
work="$build/fuzz-work"
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for binary in "$build"/fuzz/fuzz_*; do
    [[ -x $binary && -f $binary ]] && targets+=("$(basename "$binary" | sed 's/^fuzz_//')")
  done
fi

failed=()
summary=()
for target in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$target"
  corpus="$work/$target"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  cp "$source_dir/corpus/$target"/* "$corpus/"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$artifacts/$target-")
  [[ -f "$source_dir/dict/$target.dict" ]] && options+=(-dict="$source_dir/dict/$target.dict")
  echo "== fuzz_$target for ${seconds} s"
  log="$work/$target.log"
  if "$binary" "${options[@]}" "$corpus" >"$log" 2>&1; then
    status=ok
  else
    status=FAILED
    failed+=("$target")
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
  # The last status line: "cov: <edges> ft: <features>".
  read -r edges features < <(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 |
                             sed 's/cov: //; s/ ft: / /') || true
  inputs=$(find "$corpus" -type f | wc -l)
  summary+=("$(printf '%-14s %-6s %5s %11s %6s %6s %7s' "$target" "$status" "${took:-?}" \
                "${runs:-?}" "${edges:-?}" "${features:-?}" "$inputs")")
  [[ $status == ok ]] || tail -40 "$log"
done

printf '%-14s %-6s %5s %11s %6s %6s %7s\n' target status s runs cov ft corpus
printf '%s\n' "${summary[@]}"
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs in $artifacts, logs in $work)" >&2
  exit 1
fi
