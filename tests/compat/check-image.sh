#!/usr/bin/env bash
# Usage: check-image.sh [--exact] IMAGE [BASELINE]
# Fails, naming every fault, unless IMAGE is an image that Windows 95 and
# Windows NT 4.0 would load: a 32-bit i386 GUI program that asks for no newer
# system than 4.0 and binds only to functions those systems export, as listed
# in BASELINE (default: baseline-imports.txt beside this script). The program
# must load on them to show its refusal; a missing import or a newer version
# in the header stops the loader before the program runs.
# --exact also fails when BASELINE lists a function that IMAGE does not
# import, so that the list never claims more than the program has needed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
exact=0
if [ "${1:-}" = --exact ]; then
  exact=1
  shift
fi
image=${1:?usage: check-image.sh [--exact] IMAGE [BASELINE]}
baseline=${2:-$here/baseline-imports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

[ -f "$image" ] || { echo "check-image: $image: no such file" >&2; exit 2; }
[ -f "$baseline" ] || { echo "check-image: $baseline: no such file" >&2; exit 2; }

# The format first, from the headers' bytes, since an objdump for i386 does
# not read images for other machines.
field() {  # field OFFSET SIZE: an unsigned little-endian number from IMAGE
  od -An -t "u$2" -j "$1" -N "$2" "$image" | tr -d ' '
}
pe=$(field 60 4)
if [ "$(head -c 2 "$image")" != MZ ] || [ -z "$pe" ] ||
  [ "$(od -An -c -j "$pe" -N 4 "$image" | tr -d ' ')" != 'PE\0\0' ]; then
  echo "check-image: $image: not a PE image" >&2
  exit 1
fi
machine=$(field $((pe + 4)) 2)
magic=$(field $((pe + 24)) 2)
if [ "$machine" != 332 ] || [ "$magic" != 267 ]; then
  printf 'check-image: %s: is machine 0x%x with optional header magic 0x%x, not PE32 for i386 (0x14c, 0x10b)\n' \
    "$image" "$machine" "$magic" >&2
  exit 1
fi

headers=$("$objdump" -p "$image" 2>&1) || {
  echo "check-image: $image: not a PE image ($objdump could not read it)" >&2
  exit 1
}

# One awk pass over the headers and import tables; the baseline is read first.
# Names are compared without case for DLLs (the loader ignores it) and with
# case for functions (GetProcAddress does not).
awk -v image="$image" -v exact="$exact" '
  function fault(text) { faults[++nfaults] = text }
  function version_above_4_0(major, minor) {
    return major + 0 > 4 || (major + 0 == 4 && minor + 0 > 0)
  }
  FNR == NR {
    sub(/#.*/, ""); gsub(/[ \t\r]/, "")
    if ($0 == "") next
    if ($0 ~ /^\[.*\]$/) { dll = tolower(substr($0, 2, length($0) - 2)); dlls[dll] = 1; next }
    allowed[dll, $0] = 1
    listed[++nlisted] = dll SUBSEP $0
    next
  }
  /file format / { format = $NF }
  $1 == "Magic" { magic = $2 }
  $1 == "MajorOSystemVersion" { osmajor = $2 }
  $1 == "MinorOSystemVersion" { osminor = $2 }
  $1 == "MajorSubsystemVersion" { submajor = $2 }
  $1 == "MinorSubsystemVersion" { subminor = $2 }
  $1 == "Subsystem" { subsystem = $2; subname = $0; sub(/^[^(]*/, "", subname) }
  $1 == "Entry" && $2 == "d" && $3 != "00000000" { fault("has delay-loaded imports, which this check cannot vouch for") }
  /^\tDLL Name: / { current = tolower($3); ndlls++; inlist = 1
    if (!(current in dlls)) fault("imports DLL " $3 ", not one of the allowed DLLs")
    next }
  inlist && /^\tvma:/ { next }
  inlist && NF == 0 { inlist = 0; next }
  inlist {
    nimports++
    name = $3
    if (name == "<none>") { fault("imports ordinal " $2 " of " current ", not a named function on the baseline"); next }
    imported[current, name] = 1
    if ((current in dlls) && !((current, name) in allowed))
      fault("imports " name " from " current ", not on the baseline list")
  }
  END {
    if (format != "pei-i386" || magic != "010b")
      fault("is " format " (magic " magic "), not PE32 for i386")
    if (subsystem != "00000002")
      fault("has subsystem " subsystem " " subname ", not the Windows GUI subsystem (2)")
    if (version_above_4_0(submajor, subminor))
      fault("asks for subsystem version " submajor + 0 "." subminor + 0 ", above 4.0")
    if (version_above_4_0(osmajor, osminor))
      fault("asks for OS version " osmajor + 0 "." osminor + 0 ", above 4.0")
    for (i = 1; exact && i <= nlisted; i++) {
      if (!(listed[i] in imported)) {
        split(listed[i], entry, SUBSEP)
        fault("does not import " entry[2] " from " entry[1] ", which the baseline lists")
      }
    }
    for (i = 1; i <= nfaults; i++) print "check-image: " image ": " faults[i] > "/dev/stderr"
    if (nfaults) exit 1
    printf "check-image: %s: ok, %d imports from %d DLLs\n", image, nimports, ndlls
  }
' "$baseline" - <<<"$headers"
