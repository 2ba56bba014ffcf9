#!/usr/bin/env bash
# The main job: builds the launcher and the build tool, turns the launcher stub
# and a sample project into a setup executable, and runs it under wine64.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="${TLX_BUILD:-$root/build}"

scripts/install-deps.sh
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)"

export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
[ -d "$WINEPREFIX/drive_c" ] || scripts/wine-prefix-init.sh

sample="$build/sample"
mkdir -p "$sample"
printf 'sample runtime file\n' > "$sample/readme.txt"
cat > "$sample/setup.toml" <<TOML
[settings]
107 = "0"
2001 = "i"
[messages]
1000 = "Error"
1009 = "An internal error occurred (error code: {0})"
20013 = "tolvanrix Wizard"
20016 = "The installation file is corrupted. If it is a download please try it again."
[[file]]
source = "readme.txt"
name = "readme.txt"
TOML
"$build/builder/tlx-builder" build --stub "$build/x64/launcher.exe" \
    --project "$sample/setup.toml" --output "$sample/setup.exe"
"$build/builder/tlx-builder" inspect "$sample/setup.exe"
echo "running $sample/setup.exe -q under wine64"
set +e
/usr/lib/wine/wine64 "$sample/setup.exe" -q
echo "exit code: $?"
