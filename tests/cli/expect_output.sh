#!/usr/bin/env bash
# expect_output.sh EXPECTED_STATUS EXPECTED_STDOUT INPUT_FILE -- COMMAND...
# EXPECTED_STDOUT "<nothing>" stands for no output. Runs COMMAND (stdin from INPUT_FILE, or /dev/null for "-") and checks its exit
# status and its exact standard output.
set -u
want_status=$1 want_out=$2 input=$3
[ "$want_out" = "<nothing>" ] && want_out=""
shift 4
[ "$input" = "-" ] && input=/dev/null
got_out=$("$@" < "$input"; echo "status=$?")
want="status=${want_status}"
[ -n "$want_out" ] && want="${want_out}
${want}"
if [ "$got_out" != "$want" ]; then
  printf 'expected:\n%s\n---\ngot:\n%s\n' "$want" "$got_out"
  exit 1
fi
