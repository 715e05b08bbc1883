#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet.
# Does nothing, and takes no lock, when every one is there. Otherwise, as
# root, waits for another apt or dpkg job to end (at most
# Q6_PACKAGE_LOCK_WAIT seconds, 600 by default), then runs `apt-get update`
# once and installs exactly what is missing.
set -euo pipefail

lock_wait=${Q6_PACKAGE_LOCK_WAIT:-600}

# A package counts as there when its files are: unpacked, configured or not,
# and with triggers still to run (a job in progress leaves packages so). Not
# when half-installed, only its configuration files left, or needing a
# reinstall.
files_present() {
  local want=$1 flag=$2 state=$3
  [[ $want != purge && $flag == ok ]] || return 1
  case $state in
    installed | triggers-pending | triggers-awaited | half-configured | unpacked) return 0 ;;
    *) return 1 ;;
  esac
}

missing_packages() {
  local -A present=()
  local package want flag state
  while read -r package want flag state; do
    files_present "$want" "$flag" "$state" && present[$package]=1
  done < <(dpkg-query -W -f='${Package} ${Status}\n' "$@" 2>/dev/null || true)
  for package in "$@"; do
    [[ -n ${present[$package]:-} ]] || echo "$package"
  done
}

# Runs dpkg with its arguments, waiting while another job holds its lock.
dpkg_when_free() {
  local deadline=$((SECONDS + lock_wait)) said=0 output
  until output=$(dpkg "$@" 2>&1); do
    if ! grep -q 'locked by another process' <<< "$output"; then
      echo "$output" >&2
      return 1
    fi
    # The wait is announced even when dpkg's own first try used it up.
    if ((!said)); then
      echo "waiting for another apt or dpkg job to end (at most ${lock_wait} s)..."
      said=1
    fi
    if ((SECONDS >= deadline)); then
      echo "another apt or dpkg job still holds the dpkg lock after ${lock_wait} s; try again when it has ended" >&2
      return 1
    fi
    sleep 1
  done
  [[ -z $output ]] || echo "$output"
}

mapfile -t missing < <(missing_packages "$@")
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "missing packages: ${missing[*]}" >&2
  echo "run 'make deps' as root, or install them with apt-get" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# An install cut short on this machine before stops every apt-get until it
# is finished.
dpkg_when_free --configure -a
apt-get update -qq -o DPkg::Lock::Timeout="$lock_wait"
apt-get install -y -qq -o DPkg::Lock::Timeout="$lock_wait" --no-install-recommends "${missing[@]}"
