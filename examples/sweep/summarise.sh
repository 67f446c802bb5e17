#!/usr/bin/env bash
# The results of a sweep in one place: summarise.sh OUTDIR
#   OUTDIR/summary.csv   genome,seed,frames,cells,type_N... : the last row of
#                        each run's stats (the final count of each type); a
#                        type that a run never had reads 0
#   OUTDIR/contact.png   the final pictures side by side, labelled genome and seed
set -euo pipefail
outdir=$1
runs=()
for d in "$outdir"/*-s*/; do [ -f "$d/stats.csv" ] && runs+=("${d%/}"); done
[ ${#runs[@]} -gt 0 ] || { echo "summarise.sh: no runs in $outdir" >&2; exit 1; }

# Long form first (genome seed column value), then one row per run.
for d in "${runs[@]}"; do
    base=$(basename "$d")
    genome=${base%-s*} seed=${base##*-s}
    paste -d, <(head -1 "$d/stats.csv" | tr , '\n') <(tail -1 "$d/stats.csv" | tr , '\n') |
        sed "s/^/$genome,$seed,/"
done | awk -F, '
    $3 == "elapsed_ms" { next }
    $3 ~ /^type_/ { types[$3] = 1 }
    { key = $1 "," $2; if (!(key in seen)) { seen[key] = 1; order[++n] = key } value[key, $3] = $4 }
    END {
        m = 0
        for (t in types) cols[++m] = t
        # Type columns in increasing type, type_other last.
        for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) {
            a = cols[i]; b = cols[j]; sub("type_", "", a); sub("type_", "", b)
            if ((a == "other") || (b != "other" && a + 0 > b + 0)) { t = cols[i]; cols[i] = cols[j]; cols[j] = t }
        }
        printf "genome,seed,frames,cells"
        for (i = 1; i <= m; i++) printf ",%s", cols[i]
        printf "\n"
        for (k = 1; k <= n; k++) {
            key = order[k]
            printf "%s,%s,%s", key, value[key, "frame"], value[key, "cells"]
            for (i = 1; i <= m; i++) printf ",%d", value[key, cols[i]]
            printf "\n"
        }
    }' > "$outdir/summary.csv"

# The last picture of each run, labelled.
args=()
for d in "${runs[@]}"; do
    base=$(basename "$d")
    # A run without pictures (no --picture-every) has none to show.
    pictures=("$d"/cells-*.png)
    [ -f "${pictures[-1]}" ] || continue
    args+=(-label "${base%-s*} seed ${base##*-s}" "${pictures[-1]}")
done
written="$outdir/summary.csv"
if [ ${#args[@]} -gt 0 ]; then
    # KELVARO_FONT: a font ImageMagick knows (convert -list font) for the labels.
    montage -font "${KELVARO_FONT:-DejaVu-Sans}" "${args[@]}" -geometry +4+4 \
            -background white "$outdir/contact.png"
    written+=", $outdir/contact.png"
fi
echo "summarise.sh: ${#runs[@]} runs -> $written"
