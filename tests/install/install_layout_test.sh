#!/usr/bin/env bash
# cmake --install lays out one working folder, manual pages included.
# usage: install_layout_test.sh BUILD_DIR VERSION
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" > /dev/null

expected="./include/q6time.h ./lib/libq6time.so.1.0.0 ./lib/pkgconfig/q6time.pc"
expected+=" ./q6agent.properties.example ./q6ipc ./q6tsa ./qxipcdll.dll ./registry/time-zones.reg"
expected+=" ./share/man/man1/q6ipc.1 ./share/man/man3/q6time.3 ./share/man/man8/q6tsa.8"
actual=$(cd "$prefix" && find . -type f | sort | tr '\n' ' ' | sed 's/ $//')
if [[ $actual != "$expected" ]]; then
  echo "installed files: $actual" >&2
  echo "expected:        $expected" >&2
  exit 1
fi
# The reader works from the installed folder, through the library beside it.
tick=$("$prefix/q6ipc" tick)
[[ $tick =~ ^[0-9]+$ ]] || { echo "q6ipc tick printed '$tick'" >&2; exit 1; }
version=$("$prefix/q6ipc" --version)
[[ $version == "q6ipc $2" ]] || { echo "q6ipc --version printed '$version'" >&2; exit 1; }
# man finds each page by its name in the folder's manual.
for page in q6ipc.1 q6time.3 q6tsa.8; do
  found=$(man -M "$prefix/share/man" -w "${page%.*}")
  [[ $found == "$prefix/share/man/man${page##*.}/$page" ]] ||
    { echo "man -w ${page%.*} found '$found'" >&2; exit 1; }
done
# The library answers to its SONAME, and pkg-config finds it in the folder.
[[ $(readlink "$prefix/lib/libq6time.so.1") == libq6time.so.1.0.0 ]] ||
  { echo "lib/libq6time.so.1 is not the library's SONAME link" >&2; exit 1; }
flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs q6time)
[[ $flags == *"-I$prefix/lib/pkgconfig/../../include"*"-lq6time"* ]] ||
  { echo "pkg-config q6time gave '$flags'" >&2; exit 1; }
echo "install layout ok"
