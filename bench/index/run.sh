#!/usr/bin/env bash
# Times vefinder-index on a generated catalogue: bench/index/run.sh BUILD_DIR [ROWS]
# Prints the indexer's own summary, the wall time and the size of the index.
set -euo pipefail
build=${1:?usage: run.sh BUILD_DIR [ROWS]}
rows=${2:-100000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make-catalogue.py" --rows "$rows" --out "$work/catalogue.csv"
echo "catalogue: $rows rows, $(du -h "$work/catalogue.csv" | cut -f1)"
start=$(date +%s.%N)
"$build/bin/vefinder-index" "$work/catalogue.csv" "$work/index"
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" 'BEGIN { printf "wall time: %.1f s\n", e - s }'
echo "index size: $(du -sh "$work/index" | cut -f1) ($(du -sb "$work/index" | cut -f1) bytes)"
