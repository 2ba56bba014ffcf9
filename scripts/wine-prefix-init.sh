#!/usr/bin/env bash
# Creates (or refreshes) the WINEPREFIX the tests share. The first start in a
# new prefix takes several seconds; every later start is fast.
set -eu
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEDEBUG="${WINEDEBUG:--all}"
mkdir -p "$WINEPREFIX"
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
/usr/lib/wine/wine64 cmd.exe /c exit 0 >/dev/null 2>&1
# The server writes the registry files only when it ends; a test that copies
# the prefix right after this script needs them.
/usr/lib/wine/wineserver -w
[ -d "$WINEPREFIX/drive_c/windows" ] || { echo "wine prefix was not created in $WINEPREFIX" >&2; exit 1; }
echo "wine prefix ready: $WINEPREFIX"
