#!/usr/bin/env bash
# make run (scripts/run-agent.sh) on a copy of BIN_DIR: it keeps the user's
# own properties, shows each publication with its time of arrival, reports a
# stop by a signal or Ctrl-C as a stop, and a refusal with this run's log
# lines only.
# usage: run_agent_test.sh SCRIPT BIN_DIR   (as root)
set -euo pipefail
[[ $(id -u) -eq 0 ]] || { echo "needs root: the agent runs only as root"; exit 77; }
script=$1
work=$(mktemp -d)
export Q6_SHM_NAMESPACE="run-agent-$$"
run=""
# Whatever a run left running goes with its process group.
end_run() { [[ -z $run ]] || kill -KILL -- "-$run" 2> /dev/null || true; }
trap 'end_run; rm -rf "$work" "/dev/shm/q6tsa/ns-$Q6_SHM_NAMESPACE"' EXIT
failed=0
fail() { echo "$*" >&2; failed=1; }

chmod 755 "$work"
# A copy that the other account can run wherever the tree lies.
install -m 755 "$script" "$work/run-agent.sh"
script=$work/run-agent.sh
mkdir "$work/build"
cp -a "$2" "$work/build/bin"
rm -f "$work/build/bin/q6agent.properties"
output="$work/output"

# Starts make run's script in the background, in a process group of its own
# and with Ctrl-C (SIGINT) working in it as in a terminal.
start_run() {
  setsid env --default-signal=INT "$@" "$script" "$work/build" > "$output" 2>&1 &
  run=$!
}

# Waits until the output has a line matching PATTERN (bounded, so that a
# fault fails the test instead of hanging it).
await_line() {
  for _ in $(seq 300); do
    grep -qE "$1" "$output" && return 0
    kill -0 "$run" 2> /dev/null || break
    sleep 0.1
  done
  fail "no line '$1' in: $(cat "$output")"
  end_run
  return 1
}

# The user's own settings, with the log elsewhere.
own="[log]
path=$work/own-log
[agent]
allowVirtualMachine=1"
echo "$own" > "$work/build/bin/q6agent.properties"

# Starts make run, waits for a line matching PATTERN, then sends SIGNAL to
# the agent or to make run itself (WHOM); sets agent and status.
run_and_stop() {
  local pattern=$1 signal=$2 whom=$3
  agent=""
  start_run
  if await_line "$pattern"; then
    agent=$(grep -oE 'agent pid [0-9]+' "$output" | grep -oE '[0-9]+' || true)
    local target=$run
    if [[ $whom == agent ]]; then
      target=$agent
    fi
    kill "-$signal" "$target" 2> /dev/null ||
      fail "no $whom (pid '$target') to send $signal to: $(cat "$output")"
  fi
  status=0
  wait "$run" || status=$?
}

# A publication, then a SIGTERM to the agent from outside.
run_and_stop '^[0-9]{2}:[0-9]{2}:[0-9]{2}  \{"AtGetTickCount":"[0-9]+","ServerTime":"' TERM agent
grep -q '^the agent was stopped by signal TERM$' "$output" ||
  fail "a SIGTERM to the agent is not reported as a stop: $(cat "$output")"
[[ $status -eq 0 ]] || fail "after a stop by SIGTERM it exited with $status"
grep -q 'Ctrl-C stops it' "$output" || fail "it does not say how to stop: $(cat "$output")"
[[ $(cat "$work/build/bin/q6agent.properties") == "$own" ]] ||
  fail "the user's own properties were changed: $(cat "$work/build/bin/q6agent.properties")"
grep -q "^log: *$work/own-log/q6tsa.log$" "$output" || fail "not the user's log: $(cat "$output")"

# Ctrl-C stops the agent and the watcher.
run_and_stop 'agent pid' INT run
grep -q '^stopped (Ctrl-C)$' "$output" || fail "Ctrl-C is not reported as a stop: $(cat "$output")"
[[ $status -eq 0 ]] || fail "after Ctrl-C it exited with $status"
if [[ -z $agent ]] || kill -0 "$agent" 2> /dev/null; then
  fail "the agent still runs after Ctrl-C"
fi

# A refusal (an account that is not root) shows this run's lines, not an
# earlier run's that the log still holds.
rm "$work/build/bin/q6agent.properties"
mkdir -p "$work/build/run"
echo "2026-01-01 00:00:00,000 [ERROR] q6tsa an earlier run's line" > "$work/build/run/q6tsa.log"
chown -R nobody:nogroup "$work/build"
start_run setpriv --reuid=nobody --regid=nogroup --clear-groups
status=0
wait "$run" || status=$?
grep -q 'must be run by Local System' "$output" || fail "the refusal is not shown: $(cat "$output")"
! grep -q "an earlier run's line" "$output" || fail "an earlier run's log line is shown: $(cat "$output")"
[[ $status -ne 0 ]] || fail "a refusal exited with 0"
grep -q "^; Written by make run" "$work/build/bin/q6agent.properties" ||
  fail "without the user's own file it wrote none: $(cat "$work/build/bin/q6agent.properties")"
[[ $failed -eq 0 ]] && echo "make run ok"
exit $failed
