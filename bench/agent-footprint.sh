#!/usr/bin/env bash
# Starts the real agent from a temporary copy of BUILD/bin and reports, as
# JSON in the style of Google Benchmark's output on standard output:
#   real_time  milliseconds from starting the agent to its first publication
#              (the publish event, seen by `q6ipc watch`)
#   VmRSS_kB   resident memory once that publication is done
#   VmHWM_kB   the peak resident memory up to then
# Each of FOOTPRINT_RUNS runs (default 5) starts a fresh agent in a
# shared-memory namespace of its own; the median follows the runs.
# Usage: bench/agent-footprint.sh [BUILD]   (as root: the agent refuses others)
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
runs=${FOOTPRINT_RUNS:-5}
launch_id="5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38"
publication_timeout_s=10
# The publication is signalled before the cycle releases the library: let the
# cycle finish before memory is read.
settle_s=0.2

if [[ $(id -u) -ne 0 ]]; then
  echo "agent-footprint.sh: the agent runs only as root" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/q6footprint-XXXXXX")
agent=""
watcher=""
namespace=""

# The namespace's objects live in /dev/shm/q6tsa/ns-NAME; an event's record names
# its System V semaphore (id at byte 24), which goes with it.
remove_namespace() {
  if [[ -n $namespace ]]; then
    local folder=/dev/shm/q6tsa/ns-$namespace record
    for record in "$folder"/Global.*; do
      [[ -f $record ]] && ipcrm -s "$(od -An -t d4 -j 24 -N 4 "$record")" 2>/dev/null || true
    done
    rm -rf "$folder"
  fi
  namespace=""
}

stop_processes() {
  for pid in $agent $watcher; do
    { kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; } || true
  done
  agent=""
  watcher=""
}

cleanup() {
  stop_processes
  remove_namespace
  rm -rf "$work"
}
trap cleanup EXIT

bin="$work/bin"
mkdir -p "$bin" "$work/log"
cp -r "$build/bin/." "$bin/"
cat > "$bin/q6agent.properties" <<EOF
[log]
path=$work/log
[agent]
allowVirtualMachine=1
EOF
export ALLUSERSPROFILE="$work"

# Appends one run's JSON object to the file runs.
measure_once() {
  local index=$1
  namespace="fp$$-$index"
  export Q6_SHM_NAMESPACE=$namespace

  # The watcher creates the publish event and waits on it.
  exec {watch_out}< <(exec "$bin/q6ipc" watch)
  watcher=$!
  local event="/dev/shm/q6tsa/ns-$namespace/Global.q6pt_event01"
  for _ in $(seq 200); do
    [[ -e $event ]] && break
    sleep 0.01
  done
  [[ -e $event ]] || { echo "agent-footprint.sh: the watcher did not start" >&2; return 1; }

  local now tick start end line
  now=$(date -u '+%Y-%m-%d %H:%M:%S')
  tick=$("$bin/q6ipc" tick)
  start=$EPOCHREALTIME
  "$bin/q6tsa" NORMAL "$launch_id" "$now" "$tick" &
  agent=$!
  if ! read -r -t "$publication_timeout_s" line <&"$watch_out"; then
    echo "agent-footprint.sh: no publication within ${publication_timeout_s}s; the log says:" >&2
    tail -n 5 "$work/log/q6tsa.log" >&2 || true
    return 1
  fi
  end=$EPOCHREALTIME
  sleep "$settle_s"

  local rss hwm
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$agent/status")
  hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$agent/status")
  stop_processes
  exec {watch_out}<&-
  remove_namespace

  jq -n --argjson index "$index" --argjson runs "$runs" \
    --arg began "$start" --arg ended "$end" --argjson rss "$rss" --argjson hwm "$hwm" \
    --arg record "$line" '{
      name: "AgentFootprint", run_name: "AgentFootprint", run_type: "iteration",
      repetitions: $runs, repetition_index: $index, threads: 1, iterations: 1,
      real_time: ((($ended | tonumber) - ($began | tonumber)) * 1000),
      time_unit: "ms", VmRSS_kB: $rss, VmHWM_kB: $hwm, first_record: $record }' >> "$work/runs"
}

for ((index = 0; index < runs; ++index)); do
  measure_once "$index"
done

jq -s \
  --arg date "$(date -Iseconds)" --arg host "$(hostname)" --arg executable "$bin/q6tsa" \
  --argjson cpus "$(nproc)" '
  def median: sort | if length % 2 == 1 then .[length / 2 | floor]
                     else (.[length / 2 - 1] + .[length / 2]) / 2 end;
  {
    context: { date: $date, host_name: $host, executable: $executable, num_cpus: $cpus },
    benchmarks: (. + [{
      name: "AgentFootprint_median", run_name: "AgentFootprint", run_type: "aggregate",
      repetitions: length, threads: 1, aggregate_name: "median", iterations: length,
      real_time: (map(.real_time) | median), time_unit: "ms",
      VmRSS_kB: (map(.VmRSS_kB) | median), VmHWM_kB: (map(.VmHWM_kB) | median) }])
  }' "$work/runs"
