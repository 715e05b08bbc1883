#!/bin/sh
# Runs a test program in mount and IPC namespaces of its own: a small tmpfs
# of its own on /dev/shm and a small semaphore table, so that the program
# may fill either without touching the machine's.
# Usage: in_private_namespaces.sh PROGRAM [ARGUMENT]...
exec unshare --mount --ipc --fork -- sh -c '
  mount --make-rprivate / &&
  mount -t tmpfs -o size=16m,mode=1777 q6shm /dev/shm &&
  echo "250 32000 32 64" > /proc/sys/kernel/sem &&
  exec "$@"' sh "$@"
