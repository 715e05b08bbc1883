#!/usr/bin/env bash
# The package's maintainer scripts, run as dpkg runs them, each case with
# /run, /dev/shm, /var/log and System V IPC of its own, and stand-ins for
# systemctl, deb-systemd-helper, deb-systemd-invoke and start-stop-daemon
# that record how they were called. A purge runs after a real agent.
# usage: maintainer_scripts_test.sh SCRIPTS_DIR BIN_DIR
set -euo pipefail
if [[ $(id -u) -ne 0 ]]; then
  echo "folders of its own are mounts, which need root"
  exit 77
fi
scripts=$(readlink -f "$1")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
chmod 755 "$folder"
mkdir "$folder/stubs" "$folder/agent"
for stub in systemctl deb-systemd-helper deb-systemd-invoke start-stop-daemon; do
  cat > "$folder/stubs/$stub" <<STUB
#!/bin/sh
echo "$stub \$*" >> "$folder/calls"
case "\$*" in
  *is-active*) [ -e "$folder/active" ] ;;
  --stop*) exit 1 ;;  # start-stop-daemon: no agent outside systemd
esac
STUB
  chmod 755 "$folder/stubs/$stub"
done
# shellcheck source-path=SCRIPTDIR source=agent_folder.sh
. "$(dirname "$0")/agent_folder.sh"
make_agent_folder "$2" "$folder/agent"

# Runs the shell commands of $1 with private folders and IPC, the scripts
# on PATH as "maint" and systemd present when $2 is "systemd".
in_private_system() {
  rm -f "$folder/calls"
  # shellcheck disable=SC2016 # expanded by the inner shell
  unshare --mount --ipc --fork -- bash -c '
    set -euo pipefail
    folder=$1 scripts=$2 systemd=$3
    . "$0"
    maint() { PATH="$folder/stubs:$PATH" "$scripts/$1" "${@:2}"; }
    unset ALLUSERSPROFILE
    mount --make-rprivate /
    mount -t tmpfs -o mode=1777 q6shm /dev/shm
    mount -t tmpfs q6log /var/log
    mount -t tmpfs q6run /run
    [[ $systemd != systemd ]] || mkdir -p /run/systemd/system
    eval "$4"' "$(dirname "$0")/agent_folder.sh" "$folder" "$scripts" "$2" "$1"
}

failed=0
fail() { echo "$*" >&2; failed=1; }

# CASE SYSTEMD ACTIVE COMMANDS, the calls expected on standard input.
check_calls() {
  local expected actual
  expected=$(cat)
  rm -f "$folder/active"
  [[ $3 != active ]] || touch "$folder/active"
  in_private_system "$4; [[ ! -e /run/q6tsa/restart-after-upgrade ]] || echo left a mark" "$2" \
    > "$folder/output"
  actual=$(cat "$folder/calls" "$folder/output" 2> /dev/null || true)
  [[ $actual == "$expected" ]] ||
    fail "$1: called"$'\n'"$actual"$'\n'"expected"$'\n'"$expected"
}

stop_outside="start-stop-daemon --stop --quiet --retry TERM/5/KILL/1 --exec /opt/q6tsa/q6tsa"
enable="deb-systemd-helper unmask q6tsa.service
deb-systemd-helper --quiet was-enabled q6tsa.service
deb-systemd-helper enable q6tsa.service"
configure="$enable
systemctl --system daemon-reload"
upgrade="maint prerm upgrade 1.0.0-1; maint postinst configure 1.0.0-1"
stop_for_upgrade="systemctl --quiet is-active q6tsa.service
deb-systemd-invoke stop q6tsa.service
$stop_outside"

check_calls "first installation" systemd inactive "maint postinst configure" <<< "$configure"
check_calls "upgrade of a running agent" systemd active "$upgrade" <<EOF_CALLS
$stop_for_upgrade
$configure
deb-systemd-invoke start q6tsa.service
EOF_CALLS
check_calls "upgrade of a stopped agent" systemd inactive "$upgrade" <<EOF_CALLS
$stop_for_upgrade
$configure
EOF_CALLS
check_calls "upgrade without systemd" none active "$upgrade" <<EOF_CALLS
$stop_outside
$enable
EOF_CALLS
check_calls "removal" systemd active "maint prerm remove; maint postrm remove" <<EOF_CALLS
deb-systemd-invoke stop q6tsa.service
$stop_outside
systemctl --system daemon-reload
deb-systemd-helper mask q6tsa.service
EOF_CALLS

# A purge after a real agent: its log files, objects and semaphores go;
# another program's log, another account's folder and a semaphore the
# agent did not make stay.
# shellcheck disable=SC2016 # expanded by the inner shell
purge='
  start_agent "$folder/agent"
  agent=$!
  wait_for_publication "$folder/agent"
  kill -TERM "$agent"
  wait "$agent" || true
  mkdir -p /run/q6tsa && touch /run/q6tsa/anchor
  other=$(ipcmk -S 1 | grep -oE "[0-9]+$")
  echo other > /var/log/Veltrix/Tessaro6/other.log
  echo "before: $(ls /var/log/Veltrix/Tessaro6 | tr "\n" " ")$(ls -d /dev/shm/q6tsa) $(ipcs -s | grep -c " root ") semaphores"
  maint postrm purge
  echo "after: logs [$(ls -A /var/log/Veltrix/Tessaro6)] shm [$(ls -A /dev/shm)] run [$(ls -A /run)]"
  echo "semaphores: $(ipcs -s | awk "\$2 ~ /^[0-9]+$/ { print \$2 }" | sed "s/^$other$/other/" | tr "\n" " ")"
  rm /var/log/Veltrix/Tessaro6/other.log
  mkdir /dev/shm/q6tsa && touch /dev/shm/q6tsa/x && chown -R 65534 /dev/shm/q6tsa
  maint postrm purge
  echo "again: logs [$(ls -A /var/log)] shm [$(ls -A /dev/shm/q6tsa)]"'
in_private_system "$purge" systemd > "$folder/output" || fail "the purge's run failed"
expected="before: other.log q6tsa.log /dev/shm/q6tsa 2 semaphores
after: logs [other.log] shm [] run [systemd]
semaphores: other 
again: logs [] shm [x]"
actual=$(cat "$folder/output")
[[ $actual == "$expected" ]] || fail "purge: saw"$'\n'"$actual"$'\n'"expected"$'\n'"$expected"
[[ $(cat "$folder/calls") == "deb-systemd-helper purge q6tsa.service
deb-systemd-helper unmask q6tsa.service
deb-systemd-helper purge q6tsa.service
deb-systemd-helper unmask q6tsa.service" ]] || fail "purge called: $(cat "$folder/calls")"
[[ $failed -eq 0 ]] && echo "maintainer scripts ok"
exit $failed
