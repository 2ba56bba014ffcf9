#!/usr/bin/env bash
# The main job: builds the launcher, the build tool, the Java runtime
# (tlxruntime.jar) and the sample application, turns the launcher stub and the
# sample project into a setup file, and runs it under wine64: the setup file
# extracts its payload, finds the Windows JDK fixture, starts the JVM in its own
# process and runs the sample, whose output appears here.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="${TLX_BUILD:-$root/build}"

scripts/install-deps.sh
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)"
jdk=$(scripts/fetch-jdk.sh)

export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
[ -d "$WINEPREFIX/drive_c" ] || scripts/wine-prefix-init.sh

# The sample project (runtime/sample/setup.toml) names its settings and its own
# files and leaves every message to the built-in texts and the runtime jar to
# tlx-builder; its sources lie beside it.
sample="$build/sample"
mkdir -p "$sample"
cp runtime/sample/setup.toml "$build/java/sample.jar" "$sample/"
printf 'This file travelled inside the setup file.\n' > "$sample/readme.txt"
# The setup file looks for Java where JAVA_HOME points: the JDK fixture.
export JAVA_HOME="Z:${jdk//\//\\}"
"$build/builder/tlx-builder" build --stub "$build/x64/launcher.exe" \
    --project "$sample/setup.toml" --output "$sample/setup.exe"
"$build/builder/tlx-builder" inspect "$sample/setup.exe"
echo "running $sample/setup.exe under wine64"
set +e
/usr/lib/wine/wine64 "$sample/setup.exe" from-the-command-line
echo "exit code: $?"
