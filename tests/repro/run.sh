#!/usr/bin/env bash
# Usage: tests/repro/run.sh [REVISION]
# Two clean builds of the product from one commit (default HEAD), each from
# its own copy of the source tree at a different path, must give the same
# bytes: then anyone can rebuild a release and compare it. The product must
# also stay small. Prints one PASS or FAIL line per check, then the totals.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
revision=${1:-HEAD}
limit=$((32 * 1024))
# shellcheck source-path=SCRIPTDIR source=../compat/report.sh
source "$root/tests/compat/report.sh"

# Paths of different lengths, so that an embedded path also moves the bytes
# after it.
trees=("$root/build/repro-a/src" "$root/build/repro-b/a/longer/path/src")
images=()
for tree in "${trees[@]}"; do
  rm -rf "${tree%/src}"
  mkdir -p "$tree"
  if ! git -C "$root" archive "$revision" | tar -x -C "$tree"; then
    report 1 "repro: $revision unpacks"
    continue
  fi
  if ! log=$(cd "$tree" && cmake --preset win32 2>&1 && cmake --build --preset win32 2>&1); then
    report 1 "repro: product builds in ${tree#"$root"/}" "$(grep -m1 -E 'error|Error' <<<"$log")"
    continue
  fi
  images+=("$tree/build/win32/ZavoUpdate.exe")
done

if [ "${#images[@]}" = 2 ]; then
  if difference=$(cmp "${images[@]}" 2>&1); then
    report 0 "repro: two builds from different paths are the same bytes"
  else
    report 1 "repro: two builds from different paths are the same bytes" \
      "$difference; $(cmp -l "${images[@]}" | wc -l) bytes differ"
  fi
  size=$(stat -c %s "${images[0]}")
  imports=$(i686-w64-mingw32-objdump -p "${images[0]}" |
    awk '/^\tDLL Name:/ { list = 1; next } list && NF == 0 { list = 0 } list && !/^\tvma:/ { n++ } END { print n + 0 }')
  [ "$size" -le "$limit" ]
  report $? "repro: product is at most $limit bytes ($size bytes, $imports imports)" \
    "$size bytes"
fi

finish
