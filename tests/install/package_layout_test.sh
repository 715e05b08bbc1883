#!/usr/bin/env bash
# The Debian package: everything in /opt/q6tsa, the manual pages compressed in
# /usr/share/man, and the project's version.
# usage: package_layout_test.sh BUILD_DIR VERSION SOURCE_DIR
set -euo pipefail
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$1" && cpack -B "$out" > "$out/cpack.log") || { cat "$out/cpack.log" >&2; exit 1; }

package="$out/q6tsa_$2_amd64.deb"
[[ -f $package ]] || { echo "no $package; made: $(ls "$out")" >&2; exit 1; }
version=$(dpkg-deb -f "$package" Version)
[[ $version == "$2" ]] || { echo "package version '$version', expected '$2'" >&2; exit 1; }

expected="./opt/q6tsa/include/q6time.h ./opt/q6tsa/lib/libq6time.so ./opt/q6tsa/lib/libq6time.so.1"
expected+=" ./opt/q6tsa/lib/libq6time.so.1.0.0"
expected+=" ./opt/q6tsa/lib/pkgconfig/q6time.pc ./opt/q6tsa/q6agent.properties.example"
expected+=" ./opt/q6tsa/q6ipc ./opt/q6tsa/q6tsa ./opt/q6tsa/qxipcdll.dll"
expected+=" ./opt/q6tsa/registry/time-zones.reg ./usr/share/man/man1/q6ipc.1.gz"
expected+=" ./usr/share/man/man3/q6time.3.gz ./usr/share/man/man8/q6tsa.8.gz"
expected+=" ./usr/share/pkgconfig/q6time.pc"
actual=$(dpkg-deb -c "$package" | awk '$1 !~ /^d/ {print $6}' | sort | tr '\n' ' ' | sed 's/ $//')
if [[ $actual != "$expected" ]]; then
  echo "packaged files: $actual" >&2
  echo "expected:       $expected" >&2
  exit 1
fi
# The packaged pages are the project's, whole.
dpkg-deb -x "$package" "$out/root"
for page in man1/q6ipc.1 man3/q6time.3 man8/q6tsa.8; do
  zcmp "$out/root/usr/share/man/$page.gz" "$3/man/${page#*/}" ||
    { echo "packaged $page differs from man/${page#*/}" >&2; exit 1; }
done
# pkg-config finds the packaged library where the package puts it.
flags=$(PKG_CONFIG_LIBDIR="$out/root/usr/share/pkgconfig" pkg-config --cflags --libs q6time)
flags=${flags% }
[[ $flags == "-I/opt/q6tsa/include -L/opt/q6tsa/lib -Wl,-rpath,/opt/q6tsa/lib -lq6time" ]] ||
  { echo "the packaged q6time.pc gives '$flags'" >&2; exit 1; }
echo "package layout ok"
