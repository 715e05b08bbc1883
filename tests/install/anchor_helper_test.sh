#!/usr/bin/env bash
# q6tsa-anchor writes the unit's anchor and restarts the unit, or refuses
# with a usage error and touches nothing. Runs with /run of its own and a
# systemctl that only records its arguments.
# usage: anchor_helper_test.sh SCRIPT Q6IPC
set -euo pipefail
if [[ $(id -u) -ne 0 ]]; then
  echo "a /run of its own is a mount, which needs root"
  exit 77
fi
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
chmod 755 "$folder"
mkdir "$folder/program" "$folder/stubs"
cp "$1" "$folder/program/q6tsa-anchor"
ln -s "$(readlink -f "$2")" "$folder/program/q6ipc"
for stub in systemctl start-stop-daemon setsid; do
  printf '#!/bin/sh\necho "%s $*" >> %s/calls\n' "$stub" "$folder" > "$folder/stubs/$stub"
  chmod 755 "$folder/stubs/$stub"
done

# One run: ARGS... -> "status" and, when written, the anchor's settings.
# systemd runs unless $without_systemd is set.
without_systemd=
run() {
  rm -f "$folder/calls"
  # shellcheck disable=SC2016 # expanded by the inner shell
  unshare --mount --fork -- sh -c '
    mount --make-rprivate / && mount -t tmpfs q6run /run || exit 99
    [ -n "$1" ] || mkdir -p /run/systemd/system
    shift
    PATH="$0/stubs:$PATH" "$0/program/q6tsa-anchor" "$@" > "$0/out" 2> "$0/err"
    echo "status $?"
    grep -v "^#" /run/q6tsa/anchor 2> /dev/null || true' "$folder" "$without_systemd" "$@"
}

failed=0
fail() { echo "$*" >&2; failed=1; }
expect() {
  local what=$1 expected=$2
  shift 2
  local actual
  actual=$(run "$@")
  [[ $actual == "$expected" ]] || fail "$what: got"$'\n'"$actual"$'\n'"expected"$'\n'"$expected"
}
called() {
  [[ $(cat "$folder/calls" 2> /dev/null) == "$2" ]] ||
    fail "$1: called"$'\n'"$(cat "$folder/calls" 2> /dev/null)"$'\n'"expected"$'\n'"$2"
}
restarted() { called "$1" "systemctl restart q6tsa.service"; }
untouched() {
  [[ ! -e $folder/calls ]] || fail "$1: called $(cat "$folder/calls")"
  grep -q "Try 'q6tsa-anchor --help'" "$folder/err" || fail "$1: no hint to --help"
}

time='2026-12-10 10:00:00'
anchor() { printf 'Q6TSA_MODE=%s\nQ6TSA_SERVER_TIME="%s"\nQ6TSA_TICK=%s' "$1" "$time" "$2"; }

expect "date-time and tick" "status 0"$'\n'"$(anchor NORMAL 12345)" "$time" 12345
restarted "date-time and tick"
expect "the Mini edition" "status 0"$'\n'"$(anchor MINI 7)" --mini "$time" 7
restarted "the Mini edition"

# Without a tick, the tick of the moment the helper ran.
before=$("$2" tick)
written=$(run "$time" | sed -n 's/^Q6TSA_TICK=//p')
after=$("$2" tick)
[[ $written =~ ^[0-9]+$ && $written -ge $before && $written -le $after ]] ||
  fail "a default tick of '$written', outside $before..$after"
restarted "the default tick"

# Without systemd it ends the agent that runs and starts one, detached.
without_systemd=yes
expect "without systemd" "status 0"$'\n'"$(anchor MINI 9)" --mini "$time" 9
called "without systemd" "start-stop-daemon --stop --quiet --oknodo --retry TERM/5/KILL/1 \
--exec $folder/program/q6tsa
setsid -f $folder/program/q6tsa MINI 5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38 $time 9"
without_systemd=

refusals=(
  "2026-12-10|not a date-time"
  "2026-12-10T10:00:00|not a date-time"
  "$time|12x|not a tick"
  "$time|1|2|too many arguments"
  "--bogus|$time|unknown option '--bogus'"
  "missing the server's date-time"
)
for refusal in "${refusals[@]}"; do
  IFS='|' read -r -a words <<< "$refusal"
  message=${words[-1]}
  unset 'words[-1]'
  expect "${words[*]}" "status 2" "${words[@]}"
  grep -qF "$message" "$folder/err" || fail "${words[*]}: said '$(cat "$folder/err")'"
  untouched "${words[*]}"
done

expect "--help" "status 0" --help
grep -q '^Usage: q6tsa-anchor' "$folder/out" || fail "--help printed '$(cat "$folder/out")'"

# Only root restarts the agent.
setpriv --reuid=65534 --regid=65534 --clear-groups "$folder/program/q6tsa-anchor" "$time" 1 \
  > /dev/null 2> "$folder/err" && fail "another account was let through"
grep -q 'only root' "$folder/err" || fail "another account was told '$(cat "$folder/err")'"
[[ $failed -eq 0 ]] && echo "anchor helper ok"
exit $failed
