#!/usr/bin/env bash
# lintian finds no error in the package but the /opt layout's, which the
# program folder keeps on purpose (README, Install).
# usage: package_lintian_test.sh PACKAGE
set -euo pipefail
report=$(lintian --no-cfg "$1" 2>&1 || true)
errors=$(grep '^E: ' <<< "$report" | grep -v ' dir-or-file-in-opt ' || true)
if [[ -n $errors ]]; then
  echo "$report" >&2
  exit 1
fi
grep -q '^E: q6tsa: dir-or-file-in-opt ' <<< "$report" ||
  { echo "lintian said nothing of the package: $report" >&2; exit 1; }
echo "lintian ok"
