#!/bin/sh
# PDF text extraction benchmark: pagelift-convert against poppler's pdftotext -raw on a corpus of
# real PDF files taken from Debian documentation packages. See pdf_bench.py for the details.
# Usage: bench/pdf.sh BUILD_DIR
# Environment:
#   BENCH_PDF_TOOL     command run in place of BUILD_DIR's pagelift-convert, given IN OUT
#                      (for instance "pdftotext -raw" to check the harness against itself)
#   BENCH_PDF_REPEAT   timed runs per file and tool, the best one counts (default 3)
#   BENCH_PDF_TIMEOUT  seconds one run may take before it counts as failed (default 120)
#   XDG_CACHE_HOME     the corpus is kept in ${XDG_CACHE_HOME:-$HOME/.cache}/korvane-bench/pdf
set -eu

for tool in python3 qpdf pdftotext dpkg-deb apt-get; do
    command -v "$tool" >/dev/null 2>&1 || {
        echo "bench pdf: $tool is missing (scripts/deps.sh bench installs what the benchmarks need)" >&2
        exit 1
    }
done

exec python3 "$(dirname "$0")/pdf_bench.py" "$@"
