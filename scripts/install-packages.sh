#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet.
# Runs `apt-get update` once, and only when something is missing.
set -euo pipefail

missing=()
for package in "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "missing packages: ${missing[*]}" >&2
  echo "run 'make deps' as root, or install them with apt-get" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# An install cut short on this machine before would stop every apt-get
# until it is finished; another apt-get at work is waited for.
dpkg --configure -a
apt-get update -qq -o DPkg::Lock::Timeout=600
apt-get install -y -qq -o DPkg::Lock::Timeout=600 --no-install-recommends "${missing[@]}"
