#!/usr/bin/env bash
# Takes the README's pictures of the message box: the 64-bit build runs under
# Wine's X11 driver on a private Xvfb display, and each picture is the box's
# window cropped out of a screenshot of that display.
#   docs/message-box.png          the success report
#   docs/message-box-refusal.png  the refusal on an unsupported Windows version
# Usage: scripts/screenshot.sh
# Whatever is missing of Xvfb, xauth, ImageMagick, xdotool and Wine's fonts is
# installed with apt-get, which needs root.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

caption='Zavo USB Driver Update'
exe=$root/build/win64/ZavoUpdate.exe
work=$root/build/screenshot-prefix
margin=8

# Command, then the Debian package that brings it.
needed=(
  Xvfb xvfb
  xauth xauth
  xwininfo x11-utils
  import imagemagick
  xdotool xdotool
)
missing=()
for ((i = 0; i < ${#needed[@]}; i += 2)); do
  command -v "${needed[i]}" >/dev/null 2>&1 || missing+=("${needed[i + 1]}")
done
# Wine's own fonts: without them the caption buttons lose their glyphs and
# the text falls back to whatever fontconfig offers.
[ -e /usr/share/wine/fonts/tahoma.ttf ] || missing+=(fonts-wine)
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "screenshot.sh: missing ${missing[*]}; run as root or install them" >&2
    exit 1
  fi
  echo "Installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -x "$exe" ]; then
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target ZavoUpdate >/dev/null
fi

xvfb_pid=
box_pid=
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
  fi
  if [ -n "$box_pid" ]; then wait "$box_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work"

# A display of our own on the first free number, with a cookie written before
# the server starts so that no other local client gets in meanwhile.
export XAUTHORITY=$work/Xauthority
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
for n in $(seq 90 150); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  : >"$XAUTHORITY"
  xauth -q add ":$n" . "$cookie"
  Xvfb ":$n" -screen 0 800x600x24 -wr -nolisten tcp -auth "$XAUTHORITY" \
    2>"$work/xvfb.log" &
  xvfb_pid=$!
  export DISPLAY=:$n
  for _ in $(seq 100); do
    xwininfo -root >/dev/null 2>&1 && break 2
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  # Lost the number to another server that started at the same moment.
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
done
if [ -z "$xvfb_pid" ]; then
  cat "$work/xvfb.log" >&2
  exit 1
fi

# Without a window manager on the display, Wine draws the caption bar itself
# only for undecorated windows; the box would otherwise have no title.
make_prefix() {
  local prefix=$1 version=$2
  "$root/scripts/wine-prefix.sh" "$prefix" "$version" x11
  # shellcheck source=scripts/wine-env.sh
  source "$root/scripts/wine-env.sh" "$prefix"
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  "$WINE" reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion' /v DevicePath \
    /t REG_EXPAND_SZ /d '%SystemRoot%\inf;C:\Drivers\ZavoUSB' /f >/dev/null
  mkdir -p "$prefix/drive_c/Drivers/ZavoUSB"
  cp "$root"/tests/e2e/fixtures/*.inf "$prefix/drive_c/Drivers/ZavoUSB/"
  # Wine reads the fonts in the prefix's own folder; without Marlett the
  # caption's close button shows a letter instead of its glyph.
  cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
}

# Prints the box's window as "X Y W H" once it is mapped, or fails.
find_box() {
  local id state x y w h
  for _ in $(seq 300); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$caption\"" | awk 'NR == 1 {print $1}' || true)
    if [ -n "$id" ]; then
      state=$(xwininfo -id "$id" 2>/dev/null | awk '/Map State:/ {print $3}')
      if [ "$state" = IsViewable ]; then
        read -r x y w h < <(xwininfo -id "$id" | awk '
          /Absolute upper-left X:/ {x = $4} /Absolute upper-left Y:/ {y = $4}
          /Width:/ {w = $2} /Height:/ {h = $2} END {print x, y, w, h}')
        # Give Wine a moment to finish painting.
        sleep 1
        echo "$x $y $w $h"
        return 0
      fi
    fi
    sleep 0.1
  done
  return 1
}

# Runs the program in prefix $1 and saves the cropped box to $2.
shoot() {
  local prefix=$1 out=$2 x y w h id
  "$WINE" "$exe" >"$prefix/run.log" 2>&1 &
  box_pid=$!
  if ! read -r x y w h < <(find_box); then
    echo "screenshot.sh: no window titled \"$caption\" appeared" >&2
    exit 1
  fi
  x=$((x > margin ? x - margin : 0))
  y=$((y > margin ? y - margin : 0))
  import -window root -crop "$((w + 2 * margin))x$((h + 2 * margin))+$x+$y" +repage \
    "$out"
  id=$(xdotool search --name "^$caption\$" | head -n1 || true)
  if [ -n "$id" ]; then
    timeout 5 xdotool windowfocus --sync "$id" key Return 2>/dev/null || true
  fi
  for _ in $(seq 50); do
    kill -0 "$box_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$box_pid" 2>/dev/null; then
    echo "screenshot.sh: the box did not close on Return; ending Wine" >&2
    "$WINESERVER" -k
  fi
  wait "$box_pid" || true
  box_pid=
  "$WINESERVER" -w
  echo "Wrote ${out#"$root"/} (${w}x${h} box)"
}

mkdir -p "$root/docs"
make_prefix "$work/success" winxp
shoot "$work/success" "$root/docs/message-box.png"
make_prefix "$work/refusal" win7
shoot "$work/refusal" "$root/docs/message-box-refusal.png"
