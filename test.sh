#!/usr/bin/env bash
# Builds the program three ways and runs every test: host unit tests under
# ASan and UBSan, lint, end-to-end tests of the Windows build under Wine,
# static checks of the 32-bit product (loadability, resources, reproducible
# bytes, size), and a short fuzzing pass. Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh || exit 1

total_passed=0
total_failed=0
failed_steps=()
log_dir=build/test-logs
mkdir -p "$log_dir"

# Runs one step, shows its output, and adds its counts to the totals: the
# counts of the step's last CTest or "N passed, N failed" line, or one
# pass or failure by its exit status when it prints neither.
step() {
  local name=$1
  shift
  local log="$log_dir/${name// /-}.log"
  echo
  echo "=== $name"
  "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local passed failed counts
  counts=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$counts" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$counts")
    passed=$(( $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$counts") - failed ))
  else
    counts=$(grep -E '^([A-Za-z-]+: )?[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
    if [ -n "$counts" ]; then
      passed=$(sed -E 's/^([A-Za-z-]+: )?([0-9]+) passed.*/\2/' <<<"$counts")
      failed=$(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$counts")
    elif [ "$status" -eq 0 ]; then
      passed=1 failed=0
    else
      passed=0 failed=1
    fi
  fi
  if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
    failed=1
  fi
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  if [ "$status" -ne 0 ]; then
    failed_steps+=("$name")
  fi
}

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}

lint() {
  clang-format --dry-run --Werror $(git ls-files '*.cpp' '*.h') || return 1
  clang-tidy --quiet -p build/host update/*.cpp driverstore/*.cpp 2>&1 | grep -v 'warnings generated'
  return "${PIPESTATUS[0]}"
}

step "host build" build host
step "format and lint" lint
step "host tests" ctest --preset host
step "win32 build" build win32
step "win64 build" build win64
step "end-to-end tests" ctest --preset win64
step "image checks" tests/compat/run.sh
step "reproducible build" tests/repro/run.sh
step "fuzzing, short pass" scripts/fuzz.sh --check

echo
echo "=== summary"
if [ ${#failed_steps[@]} -gt 0 ]; then
  echo "failed: ${failed_steps[*]}"
fi
echo "tests: $total_passed passed, $total_failed failed"
[ ${#failed_steps[@]} -eq 0 ]
