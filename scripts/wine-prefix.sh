#!/usr/bin/env bash
# Makes a fresh 64-bit Wine prefix at $1 for running the Windows builds:
# the reported Windows version $2 (default winxp), message boxes without a
# display unless $3 is "x11", and no Wine debug output.
# Source scripts/wine-env.sh afterwards to point wine64 at it.
set -euo pipefail

prefix=$(realpath -m "$1")
version=${2:-winxp}
graphics=${3:-null}

rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
reg=(/usr/lib/wine/wine64 reg)
"${reg[@]}" add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null
if [ "$graphics" = null ]; then
  "${reg[@]}" add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
fi
/usr/lib/wine/wineserver -w
