#!/usr/bin/env bash
# systemd-analyze verify finds nothing to say of the unit, run on the agent
# this build made.
# usage: service_unit_test.sh UNIT AGENT
set -euo pipefail
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
sed "s|^ExecStart=/opt/q6tsa/q6tsa |ExecStart=$2 |" "$1" > "$folder/q6tsa.service"
grep -q "^ExecStart=$2 " "$folder/q6tsa.service" || { echo "the unit starts no /opt/q6tsa/q6tsa" >&2; exit 1; }
report=$(systemd-analyze verify --man=no "$folder/q6tsa.service" 2>&1) ||
  { echo "$report" >&2; exit 1; }
[[ -z $report ]] || { echo "$report" >&2; exit 1; }
echo "service unit ok"
