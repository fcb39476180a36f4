#!/bin/sh
# Installs the built programs into a base folder (default ~/Korvane): the
# programs, the help files and the tutorial, and the empty tables where they
# are missing. A base folder that exists keeps its tables and ini files.
set -eu
BUILD=$1
PREFIX=$2
SRC=$(cd "$(dirname "$0")/.." && pwd)

mkdir -p "$PREFIX"
for prog in app/Korvane utilities/kvdeleteall/KVDeleteAll utilities/kvrepairs/KVRepairs \
            pagelift/libpagelift.so; do
    if [ -f "$BUILD/$prog" ]; then
        install -m 755 "$BUILD/$prog" "$PREFIX/"
    fi
done
for f in "$SRC"/app/basefiles/*; do
    install -m 644 "$f" "$PREFIX/"
done
"$BUILD/app/korvane-setup" "$PREFIX"
echo "Korvane installed in $PREFIX"
