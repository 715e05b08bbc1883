#!/usr/bin/env bash
# The Debian package's control data: its version and the changelog's, the
# dependencies dpkg-shlibdeps computed from the programs, a real
# description, the conffile and the maintainer scripts.
# usage: package_control_test.sh PACKAGE SOURCE_DIR VERSION
set -euo pipefail
package=$1
source=$2
control=$(mktemp -d)
trap 'rm -rf "$control"' EXIT
failed=0
fail() { echo "$*" >&2; failed=1; }
field() { dpkg-deb -f "$package" "$1"; }

changelog_version=$(dpkg-parsechangelog -l "$source/packaging/debian/changelog" -S Version)
[[ $(field Version) == "$3-1" && $changelog_version == "$3-1" ]] ||
  fail "package version '$(field Version)', changelog '$changelog_version', expected '$3-1'"
[[ $(field Section) == admin && $(field Priority) == optional ]] ||
  fail "section '$(field Section)', priority '$(field Priority)'"

# Every library the programs need, each with the version its symbols need.
depends=$(field Depends)
for library in libc6 libgcc-s1 libstdc++6 liblog4cpp5v5 libjsoncpp25; do
  [[ ", $depends" == *", $library (>= "* ]] || fail "Depends lacks $library (>= ...): $depends"
done
# A summary and at least one paragraph below it.
extended=$(field Description | tail -n +2 | grep -c '[a-z]' || true)
[[ $extended -ge 3 ]] || fail "the description has $extended lines below its summary"

dpkg-deb -e "$package" "$control"
[[ $(cat "$control/conffiles") == /etc/q6tsa/q6agent.properties ]] ||
  fail "conffiles: $(cat "$control/conffiles")"
for script in postinst prerm postrm; do
  cmp -s "$control/$script" "$source/packaging/debian/$script" ||
    fail "the package's $script differs from packaging/debian/$script"
  [[ $(stat -c %a "$control/$script") == 755 ]] || fail "$script is not executable"
done
[[ ! -e $control/preinst ]] || fail "the package has a preinst"
[[ $failed -eq 0 ]] && echo "package control ok"
exit $failed
