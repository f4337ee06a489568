#!/usr/bin/env bash
# The main job on the bundled sample: installs what is missing, builds, compiles
# the sample lexicons, indexes the sample catalogue and answers descriptions,
# ordinary and cable ones, then matches a whole bill of quantities.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh
echo "== Building into build/ (a few minutes the first time)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vefinder-cli vefinder-index vefinder-lex vefinder_lexicons_sample >/dev/null
bin=build/bin
index=build/demo-index

echo
echo "== Indexing data/catalogue.csv into $index"
"$bin/vefinder" index data/catalogue.csv "$index"

# Echoes a command as it would be typed (empty and spaced arguments quoted).
echo_command() {
    local line="\$ vefinder" a
    for a in "$@"; do
        case "$a" in
            "" | *" "*) line+=" \"$a\"" ;;
            *) line+=" $a" ;;
        esac
    done
    echo "$line"
}

show() {
    echo
    echo_command "$@" --index "$index"
    "$bin/vefinder" "$@" --index "$index" || true
}

echo
echo "== Code search"
show code "$(sed -n 2p data/catalogue.csv | cut -d, -f2)" --groups 3

echo
echo "== Ordinary descriptions (code, name, specification)"
show quota "" "镀锌钢管" "DN25" --groups 3
show quota "" "普通硅酸盐水泥" "P.O 42.5" --groups 3
show quota "" "闸阀" "DN100" --groups 3
show quota "" "施工用水" "" --groups 3
show segment "PPR给水管 dn20" --groups 3
show quota "" "螺纹钢" "HRB400 Φ12" --groups 3 --explain

echo
echo "== Cable descriptions, written the ways users write them"
show segment "zryjv3x2.5" --groups 3
show segment "ZR-YJV 3芯2.5mm²" --groups 3
show segment "电力电缆YJV 三芯 2.5" --groups 3
show segment "yjv22 3x95+1x50" --groups 3
show segment "BV2.5" --groups 3 --explain

echo
echo "== Matching a bill of quantities (data/bill.csv)"
"$bin/vefinder" batch data/bill.csv --index "$index" --output build/demo-bill-results.csv
echo "results written to build/demo-bill-results.csv; its first rows (id, found, best group):"
awk -F, 'NR > 1 && NR <= 16 { printf "  %-6s %5s  %s\n", $2, $4, $5 }' build/demo-bill-results.csv

echo
echo "== The same bill as a workbook (data/bill.xlsx, Chinese headers) into a workbook for review"
echo "\$ vefinder batch data/bill.xlsx --index $index -o build/demo-bill-results.xlsx"
"$bin/vefinder" batch data/bill.xlsx --index "$index" -o build/demo-bill-results.xlsx
echo "results written to build/demo-bill-results.xlsx (sheets \"results\" and \"groups\")"
