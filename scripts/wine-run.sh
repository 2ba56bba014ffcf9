#!/usr/bin/env bash
# Runs one Windows program under wine64 (never the 32-bit loader, which this
# kernel cannot execute), with Wine's own chatter off unless WINEDEBUG says otherwise.
set -eu
export WINEDEBUG="${WINEDEBUG:--all}"
exec /usr/lib/wine/wine64 "$@"
