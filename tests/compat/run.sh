#!/usr/bin/env bash
# Usage: tests/compat/run.sh [IMAGE]
# Whether the product loads on every Windows it must reach, so that it can
# show its refusal there: the image check and the resources of IMAGE (by
# default the win32 preset's build, made first), and proof on probe images,
# built with the product's cross compiler, that the image check rejects each
# fault. Prints one PASS or FAIL line per check, then the totals.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/tests/compat
work=$root/build/compat-probes
# shellcheck source-path=SCRIPTDIR source=report.sh
source "$here/report.sh"

# The version record and the manifest that Vista and later read before they
# decide whether to elevate.
check_resources() {
  local text line
  text=$(i686-w64-mingw32-windres -i "$1" -O rc 2>&1) || { echo "windres cannot read it"; return 1; }
  local required=(
    'VALUE "ProductName", "Zavo USB Driver Update"'
    'VALUE "OriginalFilename", "ZavoUpdate.exe"'
    'VALUE "InternalName", '
    'VALUE "FileDescription", '
    'VALUE "FileVersion", '
    'VALUE "ProductVersion", '
    '1 24 /* RT_MANIFEST */'
    'urn:schemas-microsoft-com:asm.v2'
    'level=""asInvoker"" uiAccess=""false""'
  )
  for line in "${required[@]}"; do
    grep -qF -- "$line" <<<"$text" || { echo "no $line"; return 1; }
  done
  if grep -qF 'Common-Controls' <<<"$text"; then
    echo "the manifest depends on comctl32"
    return 1
  fi
}

image=${1:-}
if [ -z "$image" ]; then
  image=$root/build/win32/ZavoUpdate.exe
  if ! log=$(cd "$root" && cmake --preset win32 2>&1 && cmake --build --preset win32 2>&1); then
    report 1 "compat: product builds" "$(grep -m1 -E 'error|Error' <<<"$log")"
    image=
  fi
fi
if [ -n "$image" ]; then
  why=$("$here/check-image.sh" --exact "$image" 2>&1)
  report $? "compat: product image loads on Windows 95 and NT 4.0" "$why"
  why=$(check_resources "$image")
  report $? "compat: product carries its version record and asInvoker manifest" "$why"
fi

# The probes. A probe's own import library for msvcrt.dll makes it import
# ___lc_codepage_func from the DLL, whatever mingw-w64's libmsvcrt.a does.
rm -rf "$work"
mkdir -p "$work"
printf 'LIBRARY msvcrt.dll\nEXPORTS\n___lc_codepage_func\n' >"$work/probe_msvcrt.def"
i686-w64-mingw32-dlltool -d "$work/probe_msvcrt.def" -l "$work/libprobe_msvcrt.a"
# shellcheck disable=SC2054 # the commas belong to the linker options
base=(-Os -s -static -mwindows -Wl,--no-insert-timestamp
  -Wl,--major-os-version,4,--minor-os-version,0
  -Wl,--major-subsystem-version,4,--minor-subsystem-version,0)

# name | compiler prefix | extra flags | what the check must say ("" = must pass)
probes=(
  "clean||| "
  "GetTickCount64||-DPROBE_TICK_COUNT_64 -D_WIN32_WINNT=0x0600|imports GetTickCount64 from kernel32.dll"
  "___lc_codepage_func||-DPROBE_LC_CODEPAGE -L$work -lprobe_msvcrt|imports ___lc_codepage_func from msvcrt.dll"
  "extra DLL||-DPROBE_EXTRA_DLL -lshell32|imports DLL shell32.dll, not one of the allowed DLLs"
  "subsystem version 5.1||-Wl,--major-subsystem-version,5,--minor-subsystem-version,1|asks for subsystem version 5.1"
  "OS version 5.1||-Wl,--major-os-version,5,--minor-os-version,1|asks for OS version 5.1"
  "console subsystem||-Wl,--subsystem,console|(Windows CUI), not the Windows GUI subsystem"
  "x86-64 image|x86_64||not PE32 for i386"
)
for row in "${probes[@]}"; do
  IFS='|' read -r name arch flags expected <<<"$row"
  expected=${expected# }
  exe=$work/probe-${name//[^A-Za-z0-9]/_}.exe
  # shellcheck disable=SC2086 # flags are words on purpose
  if ! log=$("${arch:-i686}-w64-mingw32-gcc-win32" "${base[@]}" "$here/probe.c" $flags -o "$exe" 2>&1); then
    report 1 "compat: probe '$name' builds" "$log"
    continue
  fi
  said=$("$here/check-image.sh" "$exe" 2>&1)
  status=$?
  if [ -z "$expected" ]; then
    report "$status" "compat: probe '$name' passes the image check" "$said"
  elif [ "$status" = 1 ] && grep -qiF -- "$expected" <<<"$said"; then
    report 0 "compat: probe '$name' is rejected"
  else
    report 1 "compat: probe '$name' is rejected" "exit $status, expected \"$expected\", got: $said"
  fi
done

finish
