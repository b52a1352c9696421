#!/usr/bin/env bash
# Builds ZavoUpdate.exe (dist/ZavoUpdate.exe, 32-bit) and shows what one run
# does: the 64-bit build of the same sources runs under Wine on a throwaway
# Windows XP prefix with a sample driver folder and DevicePath.
set -euo pipefail
cd "$(dirname "$0")"

prefix=build/demo-prefix
log=build/demo-build.log
sample='%SystemRoot%\inf;C:\Drivers\ZavoUSB;D:\Other'

step() { printf '\n== %s\n' "$*"; }
# Quiet unless it fails; then the end of its output tells why.
quietly() {
  if ! "$@" >>"$log" 2>&1; then
    echo "failed: $*" >&2
    tail -n 30 "$log" >&2
    exit 1
  fi
}

step "Dependencies"
scripts/install-deps.sh
echo "ok"

step "Build"
mkdir -p build dist
: >"$log"
for preset in win32 win64; do
  quietly cmake --preset "$preset"
  quietly cmake --build --preset "$preset"
done
cp build/win32/ZavoUpdate.exe dist/ZavoUpdate.exe
echo "dist/ZavoUpdate.exe: $(stat -c %s dist/ZavoUpdate.exe) bytes (32-bit, the product)"
echo "build/win64/ZavoUpdate.exe: the same sources for 64-bit Wine"

step "One run on Windows XP (Wine, fresh prefix $prefix)"
quietly scripts/wine-prefix.sh "$prefix" winxp
source scripts/wine-env.sh "$prefix"
status=0
# The demo tool sets up the machine, answers the message box and reports.
"$WINE" build/win64/tests/e2e/zavo_demo.exe build/win64/ZavoUpdate.exe tests/e2e/fixtures \
  "$sample" | tr -d '\r' || status=$?
"$WINESERVER" -k 2>/dev/null || true
exit "$status"
