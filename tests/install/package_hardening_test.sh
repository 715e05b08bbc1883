#!/usr/bin/env bash
# The packaged programs and libraries are hardened: read-only relocations
# bound at load (full RELRO), position-independent executables, the stack
# protector and fortified C library calls.
# usage: package_hardening_test.sh PACKAGE
set -euo pipefail
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$1" "$root"
failed=0
fail() { echo "$*" >&2; failed=1; }

for file in q6tsa q6ipc qxipcdll.dll lib/libq6time.so.1.0.0; do
  elf="$root/opt/q6tsa/$file"
  readelf -lW "$elf" | grep -q GNU_RELRO || fail "$file: no RELRO segment"
  readelf -dW "$elf" | grep -qE 'FLAGS.*BIND_NOW' || fail "$file: not bound at load (-z now)"
  imports=$(readelf -W --dyn-syms "$elf")
  grep -q __stack_chk_fail <<< "$imports" || fail "$file: no stack protector"
  grep -qE '__[a-z]+_chk' <<< "$imports" || fail "$file: no fortified calls"
done
for program in q6tsa q6ipc; do
  readelf -dW "$root/opt/q6tsa/$program" | grep -qE 'FLAGS_1.*PIE' ||
    fail "$program: not a position-independent executable"
done
[[ $failed -eq 0 ]] && echo "package hardening ok"
exit $failed
