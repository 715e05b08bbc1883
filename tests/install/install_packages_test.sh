#!/usr/bin/env bash
# scripts/install-packages.sh (make deps): every dpkg state that leaves a
# package's files in place counts as installed; with nothing missing it
# succeeds at once while another job holds the dpkg lock; with something
# missing it waits for that lock, a bounded time, before apt-get runs.
# usage: install_packages_test.sh SCRIPT PACKAGE...   (packages installed here)
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
# A copy that the other account can run wherever the tree lies.
script=$work/install-packages.sh
install -m 755 "$1" "$script"
shift
failed=0
fail() { echo "$*" >&2; failed=1; }

# An account that cannot install anything, so that a package counted as
# missing is only reported.
as_user() {
  if [[ $(id -u) -eq 0 ]]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
  else
    "$@"
  fi
}

# A dpkg-query that knows one package, q6-probe, in the states of FAKE_STATUS
# (one line each, for each architecture), and an apt-get that only says it ran.
mkdir "$work/fake"
cat > "$work/fake/dpkg-query" << 'EOF'
#!/usr/bin/env bash
format='${Package}\t${Status}\n'
for argument; do
  case $argument in -f=* | --showformat=*) format=${argument#*=} ;; esac
done
[[ -n $FAKE_STATUS ]] || exit 1
while IFS= read -r status; do
  line=${format//'${Package}'/q6-probe}
  printf '%b' "${line//'${Status}'/$status}"
done <<< "$FAKE_STATUS"
EOF
cat > "$work/fake/apt-get" << 'EOF'
#!/bin/sh
echo "apt-get ran: $*"
EOF
chmod 755 "$work/fake/dpkg-query" "$work/fake/apt-get"

# State lines of q6-probe, and whether the script must count it as there.
states=(
  "install ok installed|present"
  "install ok triggers-pending|present"
  "install ok triggers-awaited|present"
  "install ok half-configured|present"
  "install ok unpacked|present"
  "hold ok installed|present"
  "install ok installed
install ok not-installed|present"
  "install ok half-installed|missing"
  "install reinstreq half-installed|missing"
  "deinstall ok config-files|missing"
  "purge ok not-installed|missing"
  "unknown ok not-installed|missing"
  "|missing"
)
for row in "${states[@]}"; do
  status=${row%|*} expected=${row##*|}
  if output=$(FAKE_STATUS=$status PATH="$work/fake:$PATH" as_user "$script" q6-probe 2>&1); then
    actual=present
  else
    actual=missing
  fi
  [[ $actual == "$expected" ]] || fail "state '${status//$'\n'/ + }': counted $actual, expected $expected ($output)"
  if [[ $actual == missing && $output != *"missing packages: q6-probe"* ]]; then
    fail "state '$status': the missing package is not named: $output"
  fi
done

if [[ $(id -u) -ne 0 ]]; then
  echo "dpkg states ok; the lock cases need root (a private mount namespace)"
  [[ $failed -eq 0 ]] && exit 77
  exit 1
fi

# The rest runs in a mount namespace of its own in which dpkg's two lock
# files are private copies, so that holding them stops no one else's apt.
# A holder takes them the way dpkg does (fcntl write locks) and keeps them.
# shellcheck disable=SC2016 # the inner script expands its own words
with_dpkg_locked() {
  unshare -m --propagation private bash -c '
    set -euo pipefail
    work=$1
    shift
    for lock in lock-frontend lock; do
      : > "$work/$lock"
      mount --bind "$work/$lock" "/var/lib/dpkg/$lock"
    done
    exec {holder}< <(exec perl -MFcntl -e "
      for my \$path (@ARGV) {
        open(my \$file, q(+<), \$path) or die qq(\$path: \$!);
        my \$lock = pack(q(s s x4 q q i x4), F_WRLCK, 0, 0, 0, 0);
        fcntl(\$file, F_SETLK, \$lock) or die qq(\$path: \$!);
        push @held, \$file;
      }
      \$| = 1;
      print qq(held\n);
      sleep 600;" /var/lib/dpkg/lock-frontend /var/lib/dpkg/lock)
    holder_pid=$!
    read -r ready <&"$holder"
    [[ $ready == held ]]
    status=0
    env -u DPKG_FRONTEND_LOCKED "$@" || status=$?
    kill "$holder_pid"
    exit "$status"' with_dpkg_locked "$work" "$@"
}

# Nothing missing: done at once, lock or not.
if ! output=$(with_dpkg_locked timeout 120 "$script" "$@" 2>&1); then
  fail "with every package installed and the dpkg lock held, it failed: $output"
elif [[ -n $output ]]; then
  fail "with every package installed it printed: $output"
fi

# Something missing: it waits for the lock, says so, gives up after the
# bound, and never reaches apt-get. Its dpkg answers only after the whole
# bound, as on a busy machine: the wait is still announced.
mkdir "$work/slow"
printf '#!/bin/sh\nsleep 2\nexec /usr/bin/dpkg "$@"\n' > "$work/slow/dpkg"
chmod 755 "$work/slow/dpkg"
if output=$(with_dpkg_locked env FAKE_STATUS= PATH="$work/slow:$work/fake:$PATH" Q6_PACKAGE_LOCK_WAIT=1 \
  timeout 120 "$script" q6-probe 2>&1); then
  fail "with the dpkg lock held it installed: $output"
else
  [[ $output == *"waiting for another apt or dpkg job to end (at most 1 s)"* ]] ||
    fail "no word of the wait for the lock: $output"
  [[ $output == *"still holds the dpkg lock after 1 s"* ]] || fail "no word of giving up: $output"
  [[ $output != *"apt-get ran"* ]] || fail "apt-get ran while the dpkg lock was held: $output"
fi
[[ $failed -eq 0 ]] && echo "package installation ok"
exit $failed
