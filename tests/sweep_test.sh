#!/usr/bin/env bash
# The sweep example as CI runs it: 2 genomes x 2 seeds x 20 frames with GNU
# parallel, then checks the runs, the combined summary and the contact sheet.
#   sweep_test.sh KELVARO_BATCH SWEEP_DIR WORK_DIR
set -euo pipefail
export KELVARO_BATCH=$1
sweep=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
unset DISPLAY
"$sweep/sweep.sh" -f 20 -j 2 -o runs "$sweep/genomes/bands.vdna" "$sweep/genomes/wide.vdna" ::: 1 2
fail() { echo "sweep_test: $*" >&2; exit 1; }
for run in bands-s1 bands-s2 wide-s1 wide-s2; do
    for f in final.txt stats.csv cells-000020.png; do
        [ -s "runs/$run/$f" ] || fail "runs/$run/$f missing"
    done
    # 21 rows: the loaded colony and 20 frames, plus the header.
    [ "$(wc -l < "runs/$run/stats.csv")" -eq 22 ] || fail "runs/$run/stats.csv is not 22 lines"
done
[ "$(head -1 runs/summary.csv | cut -d, -f1-4)" = "genome,seed,frames,cells" ] ||
    fail "summary.csv header: $(head -1 runs/summary.csv)"
[ "$(tail -n +2 runs/summary.csv | cut -d, -f1-3 | sort | tr '\n' ' ')" = \
  "bands,1,20 bands,2,20 wide,1,20 wide,2,20 " ] || fail "summary.csv rows"
# Each row's type counts add up to its cells, and match the run's own last row.
awk -F, 'NR > 1 { s = 0; for (i = 5; i <= NF; i++) s += $i; if (s != $4) exit 1 }' \
    runs/summary.csv || fail "summary.csv: type counts do not add up to the cells"
cells=$(tail -1 runs/wide-s2/stats.csv | cut -d, -f2)
grep -q "^wide,2,20,$cells," runs/summary.csv || fail "summary.csv: wide seed 2 is not $cells cells"
# The contact sheet holds four 400x300 pictures with their labels.
size=$(identify -format '%w %h' runs/contact.png)
set -- $size
[ "$1" -ge 800 ] && [ "$2" -ge 600 ] || fail "contact.png is only $size"
# A run without pictures still counts in the summary; the sheet shows the rest.
rm runs/wide-s2/cells-*.png
"$sweep/summarise.sh" runs > summarise.out || fail "summarise.sh failed on a run without pictures"
grep -q "4 runs" summarise.out || fail "summarise.sh: $(cat summarise.out)"
[ "$(tail -n +2 runs/summary.csv | wc -l)" -eq 4 ] || fail "summary.csv lost the run without pictures"
echo "sweep_test: 4 runs, summary and contact sheet"
