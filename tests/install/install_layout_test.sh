#!/usr/bin/env bash
# cmake --install lays out one working folder.
# usage: install_layout_test.sh BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" > /dev/null

expected="./q6agent.properties.example ./q6ipc ./q6tsa ./qxipcdll.dll ./registry/time-zones.reg"
actual=$(cd "$prefix" && find . -type f | sort | tr '\n' ' ' | sed 's/ $//')
if [[ $actual != "$expected" ]]; then
  echo "installed files: $actual" >&2
  echo "expected:        $expected" >&2
  exit 1
fi
# The reader works from the installed folder, through the library beside it.
tick=$("$prefix/q6ipc" tick)
[[ $tick =~ ^[0-9]+$ ]] || { echo "q6ipc tick printed '$tick'" >&2; exit 1; }
echo "install layout ok"
