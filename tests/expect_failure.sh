#!/usr/bin/env bash
# Runs a command that must fail: passes when it exits non-zero and its
# output matches the extended regular expression.
# Usage: expect_failure.sh REGEX COMMAND [ARG...]
set -uo pipefail
regex=$1
shift
output=$("$@" 2>&1)
status=$?
printf '%s\n' "$output"
if [ "$status" -eq 0 ]; then
  echo "expected a failure, but the command exited with 0"
  exit 1
fi
if ! printf '%s\n' "$output" | grep -Eq -- "$regex"; then
  echo "the output does not match: $regex"
  exit 1
fi
echo "failed as expected (status $status)"
