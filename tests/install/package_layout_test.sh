#!/usr/bin/env bash
# The Debian package's files: the program folder in /opt/q6tsa, the commands
# on PATH, the settings as a file under /etc that the folder links to, the
# systemd unit, the documentation, the compressed manual pages, and the
# readers' library with a pkg-config file where pkg-config looks.
# usage: package_layout_test.sh PACKAGE SOURCE_DIR
set -euo pipefail
package=$1
source=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failed=0
fail() { echo "$*" >&2; failed=1; }

expected=(
  ./etc/q6tsa/q6agent.properties
  ./opt/q6tsa/include/q6time.h
  "./opt/q6tsa/lib/libq6time.so -> libq6time.so.1"
  "./opt/q6tsa/lib/libq6time.so.1 -> libq6time.so.1.0.0"
  ./opt/q6tsa/lib/libq6time.so.1.0.0 ./opt/q6tsa/lib/pkgconfig/q6time.pc
  "./opt/q6tsa/q6agent.properties -> /etc/q6tsa/q6agent.properties"
  ./opt/q6tsa/q6ipc ./opt/q6tsa/q6tsa ./opt/q6tsa/q6tsa-anchor ./opt/q6tsa/qxipcdll.dll
  ./opt/q6tsa/registry/time-zones.reg
  "./usr/bin/q6ipc -> /opt/q6tsa/q6ipc"
  ./usr/lib/systemd/system/q6tsa.service
  "./usr/sbin/q6tsa -> /opt/q6tsa/q6tsa"
  "./usr/sbin/q6tsa-anchor -> /opt/q6tsa/q6tsa-anchor"
  ./usr/share/doc/q6tsa/changelog.Debian.gz ./usr/share/doc/q6tsa/changelog.gz
  ./usr/share/doc/q6tsa/copyright
  ./usr/share/man/man1/q6ipc.1.gz ./usr/share/man/man3/q6time.3.gz
  ./usr/share/man/man8/q6tsa-anchor.8.gz ./usr/share/man/man8/q6tsa.8.gz
  ./usr/share/pkgconfig/q6time.pc
)
actual=$(dpkg-deb -c "$package" | awk '$1 !~ /^d/ { $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' | sort)
[[ $actual == "$(printf '%s\n' "${expected[@]}" | sort)" ]] ||
  fail "packaged files:"$'\n'"$actual"$'\n'"expected:"$'\n'"$(printf '%s\n' "${expected[@]}")"

# Each file is the project's own, whole.
dpkg-deb -x "$package" "$root"
same=(
  "etc/q6tsa/q6agent.properties packaging/q6agent.properties.example"
  "opt/q6tsa/q6tsa-anchor packaging/q6tsa-anchor"
  "usr/lib/systemd/system/q6tsa.service packaging/systemd/q6tsa.service"
  "usr/share/doc/q6tsa/copyright packaging/debian/copyright"
)
for pair in "${same[@]}"; do
  read -r packaged original <<< "$pair"
  cmp -s "$root/$packaged" "$source/$original" || fail "packaged $packaged differs from $original"
done
compressed=(
  "usr/share/doc/q6tsa/changelog.Debian.gz packaging/debian/changelog"
  "usr/share/doc/q6tsa/changelog.gz CHANGELOG.md"
  "usr/share/man/man1/q6ipc.1.gz man/q6ipc.1"
  "usr/share/man/man3/q6time.3.gz man/q6time.3"
  "usr/share/man/man8/q6tsa.8.gz man/q6tsa.8"
  "usr/share/man/man8/q6tsa-anchor.8.gz man/q6tsa-anchor.8"
)
for pair in "${compressed[@]}"; do
  read -r packaged original <<< "$pair"
  zcmp "$root/$packaged" "$source/$original" > /dev/null ||
    fail "packaged $packaged differs from $original"
done
# man finds every command's page by its name.
for page in q6ipc.1 q6time.3 q6tsa.8 q6tsa-anchor.8; do
  found=$(man -M "$root/usr/share/man" -w "${page%.*}" 2> /dev/null || true)
  [[ $found == "$root/usr/share/man/man${page##*.}/$page.gz" ]] ||
    fail "man -w ${page%.*} found '$found'"
done
# pkg-config finds the packaged library where the package puts it.
flags=$(PKG_CONFIG_LIBDIR="$root/usr/share/pkgconfig" pkg-config --cflags --libs q6time)
flags=${flags% }
[[ $flags == "-I/opt/q6tsa/include -L/opt/q6tsa/lib -Wl,-rpath,/opt/q6tsa/lib -lq6time" ]] ||
  fail "the packaged q6time.pc gives '$flags'"
[[ $failed -eq 0 ]] && echo "package layout ok"
exit $failed
