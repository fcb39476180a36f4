#!/bin/sh
# Runs the benchmarks: every bench/NAME.sh, or only the one named, each given the build folder.
# Usage: bench/run-all.sh BUILD_DIR [NAME]
# Each benchmark prints its own table and ends with lines of the form
#   bench NAME FIGURE: VALUE UNIT (goal GOAL)
# A benchmark that cannot run is reported and the others still run; the exit status is non-zero
# when any of them failed to run. A missed goal is a figure, not a failure.
set -u

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 BUILD_DIR [NAME]" >&2
    exit 2
fi

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" 2>/dev/null && pwd) || { echo "bench: no build folder $1" >&2; exit 2; }

if [ $# -eq 2 ]; then
    [ -f "$here/$2.sh" ] || { echo "bench: no benchmark named $2 (expected $here/$2.sh)" >&2; exit 2; }
    set -- "$here/$2.sh"
else
    set --
    for script in "$here"/*.sh; do
        [ "$(basename "$script")" = run-all.sh ] || set -- "$@" "$script"
    done
fi

failed=""
for script in "$@"; do
    name=$(basename "$script" .sh)
    echo "== bench $name"
    sh "$script" "$build" || failed="$failed $name"
done

if [ -n "$failed" ]; then
    echo "bench: failed to run:$failed" >&2
    exit 1
fi
