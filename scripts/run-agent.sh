#!/usr/bin/env bash
# `make run`: starts the agent in the foreground from BUILD/bin with the
# current UTC date-time and tick, logging under BUILD/run, and a watcher that
# prints every publication from then on. Ctrl-C stops both.
#   Q6_MODE=MINI make run    runs the Mini edition.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
bin="$build/bin"
run_dir="$build/run"
launch_id="5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38"
mode="${Q6_MODE:-NORMAL}"
mkdir -p "$run_dir"

runs_in_vm() {
  grep -qw hypervisor /proc/cpuinfo 2>/dev/null || [[ -e /proc/xen ]] ||
    grep -qiE 'kvm|qemu|vmware|virtualbox|xen|microsoft corporation|bochs' \
      /sys/class/dmi/id/sys_vendor /sys/class/dmi/id/product_name 2>/dev/null
}

properties="$bin/q6agent.properties"
{
  echo "[log]"
  echo "path=$run_dir"
  if runs_in_vm; then
    echo "[agent]"
    echo "allowVirtualMachine=1"
  fi
} > "$properties"
echo "log:        $run_dir/q6tsa.log (settings in $properties)"
if runs_in_vm; then
  echo "this machine is a virtual machine: $properties allows it (allowVirtualMachine=1)"
fi

watch_args=()
[[ $mode == MINI ]] && watch_args=(--mini)
now=$(date -u '+%Y-%m-%d %H:%M:%S')
tick=$("$bin/q6ipc" tick)
echo "starting:   q6tsa $mode $launch_id \"$now\" $tick"

# The default log folder lives under ALLUSERSPROFILE; keep it inside the build.
export ALLUSERSPROFILE="$run_dir"
"$bin/q6ipc" watch "${watch_args[@]}" &
watcher=$!
# The watcher shows only what is published after it started: give it a
# moment to open the event before the agent's first publication.
sleep 0.2
"$bin/q6tsa" "$mode" "$launch_id" "$now" "$tick" &
agent=$!
trap 'kill "$agent" "$watcher" 2>/dev/null; exit 0' INT TERM
trap 'kill "$agent" "$watcher" 2>/dev/null' EXIT

# The agent only returns when it refused to start.
wait "$agent" || true
echo "the agent stopped; the log says why:"
grep 'q6tsa::Main' "$run_dir/q6tsa.log" | tail -n 3
