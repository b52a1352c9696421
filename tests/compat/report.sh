# shellcheck shell=bash
# Sourced by the release checks: one PASS or FAIL line per check, and the
# totals at the end in the form test runners read.
passed=0
failed=0

report() {  # report STATUS NAME [WHY]
  if [ "$1" = 0 ]; then
    echo "PASS $2"
    passed=$((passed + 1))
  else
    echo "FAIL $2${3:+: $3}"
    failed=$((failed + 1))
  fi
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" = 0 ]
}
