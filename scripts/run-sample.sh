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

sample="$build/sample"
mkdir -p "$sample"
printf 'This file travelled inside the setup file.\n' > "$sample/readme.txt"
# Settings: 107 kind (errors on standard error), 2001 installer flavour, 122
# the application's main class, 124 its arguments, 126 the minimum Java
# version, 128 where to look for Java (the JDK fixture), 155 no progress dialog.
jdk_win="Z:${jdk//\//\\\\}"
cat > "$sample/setup.toml" <<TOML
[settings]
107 = "0"
2001 = "i"
122 = "sample.SampleInstaller"
124 = "\"first argument\" second"
126 = "1.8"
128 = "A$jdk_win;"
155 = "1"
[messages]
1000 = "Error"
1005 = "The JVM could not be started."
1009 = "An internal error occurred (error code: {0})"
1010 = "The main class could not be found."
1011 = "The main method could not be found."
20013 = "tolvanrix Wizard"
20016 = "The installation file is corrupted. If it is a download please try it again."
[[file]]
source = "$build/java/tlxruntime.jar"
name = "tlxruntime.jar"
[[file]]
source = "$build/java/sample.jar"
name = "sample.jar"
[[file]]
source = "readme.txt"
name = "readme.txt"
TOML
"$build/builder/tlx-builder" build --stub "$build/x64/launcher.exe" \
    --project "$sample/setup.toml" --output "$sample/setup.exe"
"$build/builder/tlx-builder" inspect "$sample/setup.exe"
echo "running $sample/setup.exe under wine64"
set +e
/usr/lib/wine/wine64 "$sample/setup.exe" from-the-command-line
echo "exit code: $?"
