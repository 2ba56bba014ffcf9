#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian 12
# machine (run as root), then fetches the Windows JDK fixture.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake make g++ zlib1g-dev libtomlplusplus-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
    wine64 wine
    googletest
    python3 python3-pytest python3-pefile osslsigncode
    xvfb imagemagick x11-utils
    unzip ca-certificates locales clang-format
)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# These may come from outside Debian's packages (a machine image's own Node.js
# or JDK); only a missing command calls for the package.
command -v npm >/dev/null 2>&1 || missing+=(npm)
command -v javac >/dev/null 2>&1 || missing+=(openjdk-17-jdk-headless)
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    # With recommends: Wine draws its dialogs with the fonts and X libraries
    # that its packages only recommend.
    apt-get install -y -q "${missing[@]}"
fi

# wine32 must not be present: /usr/bin/wine would then pick the 32-bit loader,
# which this kernel cannot run.
if dpkg -s wine32 >/dev/null 2>&1; then
    echo "install-deps: wine32 is installed; remove it (apt-get remove wine32)" >&2
    exit 1
fi

# Wine takes the Windows user and UI language from LANG only when the C
# library knows that locale; the language tests run in these.
test_locales=(de_AT.UTF-8 de_DE.UTF-8 de_CH.UTF-8 fr_FR.UTF-8)
generate=0
for l in "${test_locales[@]}"; do
    locale -a 2>/dev/null | grep -qix "${l%.UTF-8}.utf8" && continue
    if grep -q "^# *$l UTF-8" /etc/locale.gen; then
        sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$l UTF-8" /etc/locale.gen; then
        echo "$l UTF-8" >> /etc/locale.gen
    fi
    generate=1
done
if [ $generate -eq 1 ]; then locale-gen >/dev/null; fi

scripts/fetch-jdk.sh >/dev/null
# The JDK 9 pair: unpack200.exe (and AWT) on Windows, pack200 on this machine.
scripts/fetch-jdk.sh win64-9 >/dev/null
scripts/fetch-jdk.sh linux64-9 >/dev/null
echo "install-deps: ready"
