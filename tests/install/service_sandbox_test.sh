#!/usr/bin/env bash
# The unit's sandbox lets the agent work: started as systemd would start it
# (the whole file system read-only but /dev/shm and the log folder, no
# network, the unit's capability bounding set, no new privileges), the
# agent publishes, logs no failure, calls nothing outside the unit's system
# call filter, and SIGTERM ends it.
# usage: service_sandbox_test.sh UNIT BIN_DIR
set -euo pipefail
if [[ $(id -u) -ne 0 ]]; then
  echo "the sandbox is built with mounts, which need root"
  exit 77
fi
unit=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
# shellcheck source-path=SCRIPTDIR source=agent_folder.sh
. "$(dirname "$0")/agent_folder.sh"
make_agent_folder "$2" "$folder"
# What the test keeps stays writable; the agent's folder does not.
out="$folder/out"
mkdir "$out"

setting() { sed -n "s/^$1=//p" "$unit"; }
# CAP_FOWNER CAP_DAC_OVERRIDE -> -all,+fowner,+dac_override
capabilities=-all
for capability in $(setting CapabilityBoundingSet); do
  capability=${capability#CAP_}
  capabilities+=",+${capability,,}"
done
# The filter's groups, expanded to the calls they allow.
expand_calls() {
  systemd-analyze syscall-filter "$1" | tail -n +2 | awk '$1 !~ /^#/ && NF { print $1 }' |
    while read -r call; do
      if [[ $call == @* ]]; then expand_calls "$call"; else echo "$call"; fi
    done
}
for group in $(setting SystemCallFilter); do expand_calls "$group"; done | sort -u > "$folder/allowed"
[[ -s $folder/allowed ]] || { echo "no system call filter in $unit" >&2; exit 1; }
[[ $(setting ProtectSystem) == strict && $(setting LogsDirectory) == Veltrix/Tessaro6 ]] ||
  { echo "the unit no longer makes the file system read-only as this test does" >&2; exit 1; }

export folder out capabilities
# The agent runs traced; strace ends as the agent does, by the same signal.
# shellcheck disable=SC2016 # expanded by the inner shell
unshare --mount --ipc --net --fork -- bash -c '
  set -uo pipefail
  . "$0"
  unset ALLUSERSPROFILE
  mount --make-rprivate / &&
    mount -t tmpfs -o mode=1777 q6shm /dev/shm &&
    mount -t tmpfs q6log /var/log &&
    mkdir -p /var/log/Veltrix/Tessaro6 &&
    mount --bind /var/log/Veltrix/Tessaro6 /var/log/Veltrix/Tessaro6 &&
    mount -o bind,remount,ro /var/log &&
    mount --bind "$out" "$out" &&
    mount -o bind,remount,ro / || exit 1
  strace -f -qq -o "$out/calls" setpriv --no-new-privs --inh-caps=-all \
    --bounding-set="$capabilities" "$folder/q6tsa" NORMAL 5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38 \
    "$(date -u "+%Y-%m-%d %H:%M:%S")" "$("$folder/q6ipc" tick)" &
  tracer=$!
  published=0
  wait_for_publication "$folder" && published=1
  cp /var/log/Veltrix/Tessaro6/q6tsa.log "$out/log"
  kill -TERM "$(pgrep -P "$tracer")"
  wait "$tracer"
  echo "$? $published" > "$out/outcome"
' "$(dirname "$0")/agent_folder.sh"

failed=0
fail() { echo "$*" >&2; failed=1; }
read -r status published < "$out/outcome"
[[ $published -eq 1 ]] || fail "the agent did not publish in the sandbox"
[[ $status -eq 143 ]] || fail "the agent ended with status $status, not by SIGTERM (143)"
grep -q 'q6tsa::Main: START\.' "$out/log" || fail "the agent logged no start"
if grep -E '\[(ERROR|CRIT|ALERT|FATAL|EMERG)\]' "$out/log" >&2; then
  fail "the agent logged the failures above in the sandbox"
fi
calls=$(sed -nE 's/^[0-9]+ +([a-z0-9_]+)\(.*/\1/p' "$out/calls" | sort -u)
[[ -n $calls ]] || fail "strace recorded no calls"
outside=$(comm -23 <(echo "$calls") "$folder/allowed")
[[ -z $outside ]] || fail "calls outside the unit's filter: $outside"
[[ $failed -eq 0 ]] && echo "service sandbox ok"
exit $failed
