# Source with the prefix's path: points Wine at it, quietly.
export WINEPREFIX=$(realpath -m "$1") WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver
