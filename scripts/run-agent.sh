#!/usr/bin/env bash
# `make run`: starts the agent in the foreground from BUILD/bin with the
# current UTC date-time and tick, and a watcher that prints every publication
# from then on with the time it arrived. Ctrl-C stops both.
#   Q6_MODE=MINI make run    runs the Mini edition.
# It writes BUILD/bin/q6agent.properties (log in BUILD/run; on a virtual
# machine the opt-in) unless that file is the user's own, which it keeps.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
bin="$build/bin"
run_dir="$build/run"
launch_id="5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38"
mode="${Q6_MODE:-NORMAL}"
properties="$bin/q6agent.properties"
written_here="; Written by make run, which writes it again at each run. Edit this line away to keep your own."
mkdir -p "$run_dir"
# The default log folder lives under ALLUSERSPROFILE; keep it inside the build.
export ALLUSERSPROFILE="$run_dir"

runs_in_vm() {
  grep -qw hypervisor /proc/cpuinfo 2> /dev/null || [[ -e /proc/xen ]] ||
    grep -qiE 'kvm|qemu|vmware|virtualbox|xen|microsoft corporation|bochs' \
      /sys/class/dmi/id/sys_vendor /sys/class/dmi/id/product_name 2> /dev/null
}

# The value of KEY in SECTION of the properties file, read as the agent reads
# it: names in any case, white space around them trimmed.
property() {
  awk -v section="$1" -v key="$2" '
    function trim(text) { gsub(/^[ \t]+|[ \t\r]+$/, "", text); return text }
    /^[ \t]*\[/ { gsub(/[][ \t\r]/, ""); current = tolower($0); next }
    current == section && index($0, "=") > 0 &&
      tolower(trim(substr($0, 1, index($0, "=") - 1))) == key {
      print trim(substr($0, index($0, "=") + 1)); exit
    }' "$properties"
}

write_properties() {
  {
    echo "$written_here"
    echo "[log]"
    echo "path=$run_dir"
    if runs_in_vm; then
      echo "[agent]"
      echo "allowVirtualMachine=1"
    fi
  } > "$properties"
}

if [[ ! -e $properties ]] || [[ $(head -n 1 "$properties") == "$written_here" ]]; then
  write_properties
  runs_in_vm && echo "this machine is a virtual machine: $properties allows it (allowVirtualMachine=1)"
else
  echo "settings:   $properties (your own: make run keeps it)"
  if runs_in_vm && [[ ! $(property agent allowvirtualmachine) =~ ^[1-9] ]]; then
    echo "warning:    this machine is a virtual machine and your settings do not allow it" \
      "(allowVirtualMachine=1 in [agent]): the agent will refuse"
  fi
fi
log_folder=$(property log path)
log_name=q6tsa.log
[[ ${bin,,} == *tessaro6_mini* ]] && log_name=Mini_q6tsa.log
log="${log_folder:-$ALLUSERSPROFILE/Veltrix/Tessaro6}/$log_name"
echo "log:        $log"
if [[ $(id -u) -ne 0 ]]; then
  echo "warning:    the agent runs only as root; as $(id -un) it will refuse (sudo make run)"
fi

# What the log holds before this run is not this run's.
log_start=$(stat -c %s "$log" 2> /dev/null || echo 0)
this_runs_log() {
  [[ -f $log ]] || return 0
  if (($(stat -c %s "$log") < log_start)); then
    cat "$log" # rolled over since the start
  else
    tail -c +$((log_start + 1)) "$log"
  fi
}

with_arrival_times() {
  local line
  while IFS= read -r line; do
    printf '%(%H:%M:%S)T  %s\n' -1 "$line"
  done
}

watch_args=()
[[ $mode == MINI ]] && watch_args=(--mini)
now=$(date -u '+%Y-%m-%d %H:%M:%S')
tick=$("$bin/q6ipc" tick)
echo "starting:   q6tsa $mode $launch_id \"$now\" $tick"

"$bin/q6ipc" watch "${watch_args[@]}" > >(TZ=UTC0 with_arrival_times) &
watcher=$!
# The watcher shows only what is published after it started: give it a
# moment to open the event before the agent's first publication.
sleep 0.2
"$bin/q6tsa" "$mode" "$launch_id" "$now" "$tick" &
agent=$!
echo "running:    agent pid $agent; Ctrl-C stops it and the watcher"
echo "publications (arrival UTC, then the record):"

stopped_by=""
stop() {
  stopped_by=$1
  kill -TERM "$agent" 2> /dev/null || true
}
trap 'stop Ctrl-C' INT
trap 'stop SIGTERM' TERM
trap 'kill "$agent" "$watcher" 2> /dev/null || true' EXIT

# A trapped signal ends the first wait early; the second one waits for the
# agent's end. The agent only returns by itself when it refused to start.
status=0
wait "$agent" || status=$?
if [[ -n $stopped_by ]]; then
  wait "$agent" 2> /dev/null || true
  echo "stopped ($stopped_by)"
elif ((status > 128)); then
  echo "the agent was stopped by signal $(kill -l "$status")"
else
  echo "the agent did not start (exit code $status); this run's log says why:"
  this_runs_log
  exit 1
fi
