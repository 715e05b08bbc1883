#!/usr/bin/env bash
# The manual pages: groff and man render them without a warning, mandb can
# read their NAME lines, and q6ipc(1) describes every command and option that
# q6ipc --help lists.
# usage: man_pages_test.sh SOURCE_DIR Q6IPC
set -euo pipefail
failed=0
fail() { echo "$*" >&2; failed=1; }

for page in "$1"/man/q6ipc.1 "$1"/man/q6time.3 "$1"/man/q6tsa.8 "$1"/man/q6tsa-anchor.8; do
  warnings=$(groff -ww -man -z "$page" 2>&1)
  [[ -z $warnings ]] || fail "groff on $page: $warnings"
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 > /dev/null)
  [[ -z $warnings ]] || fail "man -l $page: $warnings"
  lexgrog "$page" > /dev/null || fail "lexgrog cannot read the NAME line of $page"
done

manual=$(MANWIDTH=80 man -l "$1/man/q6ipc.1" 2> /dev/null)
commands=$("$2" --help | awk '/^  [a-z]/ {print $1}')
options=$("$2" --help | grep -oE -- '--[a-z]+' | sort -u)
for word in $commands; do
  grep -qE "^       $word( |$)" <<< "$manual" || fail "q6ipc(1) has no entry for the command $word"
done
for option in $options; do
  grep -qE -- "^       (-[a-zA-Z], )?$option( |$)" <<< "$manual" || fail "q6ipc(1) has no entry for the option $option"
done
[[ -n $commands && -n $options ]] || fail "q6ipc --help listed no commands or options"
[[ $failed -eq 0 ]] && echo "manual pages ok"
exit $failed
