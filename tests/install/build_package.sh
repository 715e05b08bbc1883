#!/usr/bin/env bash
# Builds the Debian package once for the package tests: OUT_DIR/q6tsa.deb.
# usage: build_package.sh BUILD_DIR OUT_DIR
set -euo pipefail
rm -rf "$2"
mkdir -p "$2"
(cd "$1" && cpack -B "$2" > "$2/cpack.log" 2>&1) || { cat "$2/cpack.log" >&2; exit 1; }
made=("$2"/q6tsa_*.deb)
[[ ${#made[@]} -eq 1 && -f ${made[0]} ]] || { echo "cpack made: ${made[*]}" >&2; exit 1; }
mv "${made[0]}" "$2/q6tsa.deb"
