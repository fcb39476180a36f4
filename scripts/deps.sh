#!/bin/sh
# Installs the Debian packages Korvane needs to build and test, when missing.
# Usage: scripts/deps.sh [build|bench]
set -eu

BUILD="build-essential cmake pkg-config qt6-base-dev libgl-dev libsqlite3-dev zlib1g-dev \
googletest libgtest-dev libgmock-dev clang libclang-rt-14-dev xauth xvfb"
BENCH="qpdf poppler-utils python3"

want=$BUILD
[ "${1:-build}" = bench ] && want="$BUILD $BENCH"

missing=""
for p in $want; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $missing
