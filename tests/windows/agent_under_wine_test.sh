#!/usr/bin/env bash
# q6tsa.exe under Wine, whose token user is not Local System: with its
# arguments or without, it logs its start, its SID and the refusal, and ends
# with 0.
#   agent_under_wine_test.sh RUN_SH WINE_PREFIX Q6TSA_EXE
set -euo pipefail
run=$1 prefix=$2 agent=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A starter's command line, and none at all.
arguments_normal=(NORMAL "2021-06-01 23:30:00" 1687194 5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38)
arguments_none=()

check_run() {
    local name=$1
    shift
    local folder=$work/$name
    mkdir -p "$folder/profile"
    cp "$agent" "$folder/q6tsa.exe"
    local status=0
    ALLUSERSPROFILE=$folder/profile "$run" --prefix "$prefix" "$folder/q6tsa.exe" "$@" \
        >"$folder/out" 2>&1 || status=$?
    [[ $status -eq 0 ]] || fail "$name: exit status $status"
    [[ ! -s $folder/out ]] || fail "$name: the agent printed: $(cat "$folder/out")"

    # Windows names the log and the category after the file, extension and all.
    local log=$folder/profile/Veltrix/Tessaro6/q6tsa.exe.log
    [[ -f $log ]] || fail "$name: no log at $log"
    local stamp='[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2},[0-9]{3}'
    local expected=(
        "^$stamp \[INFO\] q6tsa\.exe q6tsa::Main: START\.\$"
        "^$stamp \[INFO\] q6tsa\.exe isRunByLoaclSystem\(\) Process Token User SID : S-1-5-21-0-0-0-1000\$"
        "^$stamp \[ERROR\] q6tsa\.exe q6tsa::Main: q6tsa\.exe must be run by Local System\$"
    )
    mapfile -t lines <"$log"
    [[ ${#lines[@]} -eq 3 ]] || fail "$name: ${#lines[@]} log lines: $(cat "$log")"
    for i in 0 1 2; do
        [[ ${lines[$i]} =~ ${expected[$i]} ]] || fail "$name: line $((i + 1)) is '${lines[$i]}'"
    done
}

check_run normal "${arguments_normal[@]}"
check_run none "${arguments_none[@]}"
echo "agent under Wine: refused twice as expected"
