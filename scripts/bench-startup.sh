#!/usr/bin/env bash
# Start-up time under Wine: how long ZavoUpdate.exe takes from process start
# to its message box, against a program that shows the same box and does
# nothing else. Both are timed by tests/startup/startup_timer.cpp inside one
# Wine session, so that starting Wine itself is outside every figure.
# Usage: scripts/bench-startup.sh [RUNS]   (default 20 runs of each, alternating)
# Prints each run, both medians in milliseconds and their ratio.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

runs=${1:-20}
caption='Zavo USB Driver Update'
exe=$root/build/win64/ZavoUpdate.exe
bin=$root/build/startup-bin
prefix=$root/build/startup-prefix
target=1.10
cxx=x86_64-w64-mingw32-g++-win32

if [ ! -x "$exe" ]; then
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target ZavoUpdate >/dev/null
fi

# The reference gets the product's own compile and link options, so that the
# difference is the program's work and not its build.
mkdir -p "$bin"
reference_options=(-std=c++20 -Os -fno-exceptions -fno-rtti -Wall -Wextra -Werror -mwindows
  -static -s)
"$cxx" "${reference_options[@]}" -o "$bin/startup_reference.exe" \
  tests/startup/startup_reference.cpp
# The same box with setupapi.dll loaded: between it and ZavoUpdate.exe lies
# the update's own work.
"$cxx" "${reference_options[@]}" -DWITH_SETUPAPI -o "$bin/startup_reference_setupapi.exe" \
  tests/startup/startup_reference.cpp -lsetupapi
"$cxx" -std=c++20 -O2 -Wall -Wextra -Werror -static -s \
  -o "$bin/startup_timer.exe" tests/startup/startup_timer.cpp

cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
  fi
}
trap cleanup EXIT

"$root/scripts/wine-prefix.sh" "$prefix" winxp null
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh" "$prefix"
"$WINE" reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion' /v DevicePath \
  /t REG_EXPAND_SZ /d '%SystemRoot%\inf;C:\Drivers\ZavoUSB' /f >/dev/null

drivers=$prefix/drive_c/Drivers/ZavoUSB
mkdir -p "$drivers"
cp tests/e2e/fixtures/*.inf "$drivers/"

# Both programs start from the same drive, so neither pays for the other's
# path through Wine's mapping of Unix folders.
mkdir -p "$prefix/drive_c/bench"
cp "$exe" "$bin"/startup_*.exe "$prefix/drive_c/bench/"

out=$prefix/timings.txt
"$WINE" 'C:\bench\startup_timer.exe' "$runs" "$caption" \
  'C:\bench\ZavoUpdate.exe' 'C:\bench\startup_reference.exe' \
  'C:\bench\startup_reference_setupapi.exe' | tr -d '\r' | tee "$out"
"$WINESERVER" -w

awk -v target="$target" '
  $1 == "median" && $2 == "ZavoUpdate.exe" {zavo = $3}
  $1 == "median" && $2 == "startup_reference.exe" {ref = $3}
  $1 == "median" && $2 == "startup_reference_setupapi.exe" {setupapi = $3}
  END {
    if (zavo == "" || ref == "" || ref <= 0) {print "no medians"; exit 1}
    ratio = zavo / ref
    printf "ZavoUpdate.exe median %.2f ms, reference median %.2f ms, ratio %.3f (target <= %s): %s\n",
      zavo, ref, ratio, target, ratio <= target ? "within target" : "above target"
    if (setupapi != "")
      printf "of the difference, loading setupapi.dll %.2f ms, the update itself %.2f ms\n",
        setupapi - ref, zavo - setupapi
  }' "$out"
