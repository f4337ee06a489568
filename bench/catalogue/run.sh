#!/usr/bin/env bash
# Times quotaSearch on a generated 100,000-entry catalogue:
#   bench/catalogue/run.sh BUILD_DIR [WORK_DIR]
# Generates the catalogue (14% cables) and 3,000 queries with fixed seeds,
# indexes them with BUILD_DIR's vefinder-index (kept in WORK_DIR, default
# /tmp/vefinder-bench-catalogue, and reused while the generators are unchanged),
# then runs bench_catalogue.
set -euo pipefail
build=$(cd "${1:?usage: run.sh BUILD_DIR [WORK_DIR]}" && pwd)
work=${2:-/tmp/vefinder-bench-catalogue}
here=$(cd "$(dirname "$0")" && pwd)
gen=$here/../index
mkdir -p "$work"
stamp=$(cat "$gen/make-catalogue.py" "$gen/make-queries.py" | md5sum | cut -c1-12)
if [ ! -f "$work/index-$stamp/segments.gen" ]; then
    python3 "$gen/make-catalogue.py" --rows 100000 --cable-share 0.14 --out "$work/catalogue.csv"
    python3 "$gen/make-queries.py" --catalogue "$work/catalogue.csv" --out "$work/queries.csv"
    rm -rf "$work"/index-*
    "$build/bin/vefinder-index" --quiet "$work/catalogue.csv" "$work/index-$stamp"
fi
"$build/benchbin/bench_catalogue/bench_catalogue" --index "$work/index-$stamp" --queries "$work/queries.csv"
