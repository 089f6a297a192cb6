#!/bin/sh
# Checks the man pages: each formats without a warning, and vorne-cli(1) describes every command
# the program's --help names (a new command needs its paragraph).
#   check-man-pages.sh VORNE_CLI vorne.1 vorne-cli.1    (the pages may be gzipped)
set -eu
cli=$1
shift
faults=0
for page in "$@"; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "man page $page: $warnings" >&2; faults=$((faults + 1)); }
  case $page in
    *vorne-cli.1*)
      text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
      for command in $("$cli" --help | sed -n 's/^  \([a-z][a-z0-9-]*\).*/\1/p'); do
        echo "$text" | grep -qE "^       $command( |,|$)" ||
          { echo "vorne-cli(1) does not describe $command ($page)" >&2; faults=$((faults + 1)); }
      done ;;
  esac
done
exit $((faults != 0))
