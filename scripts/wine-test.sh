#!/usr/bin/env bash
# Runs one Windows test program under Wine for ctest (the cross tree's emulator).
# Under heavy load Wine now and then fails to start a process at all: it exits at once,
# before the program has printed a line. That is not a test result, so such a start is
# tried again (twice at most); a program that started and failed is reported as it is.
set -u
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for attempt in 1 2 3; do
  wine "$@" >"$log" 2>&1
  status=$?
  if [ "$status" -eq 0 ] || [ -s "$log" ] || [ "$attempt" -eq 3 ]; then
    cat "$log"
    exit "$status"
  fi
  echo "wine-test.sh: $1 did not start (status $status, no output); starting it again" >&2
  sleep 1
done
