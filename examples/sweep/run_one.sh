#!/usr/bin/env bash
# One run of a sweep: run_one.sh GENOME SEED OUTDIR FRAMES [CELLS]
# Writes OUTDIR/NAME-sSEED/{final.txt,stats.csv,cells-NNNNNN.png}, NAME the
# genome's file name without .vdna. KELVARO_BATCH names the program (default:
# kelvaro-batch on PATH). The same command serves GNU parallel and Slurm.
set -euo pipefail
genome=$1 seed=$2 outdir=$3 frames=$4
here=$(cd "$(dirname "$0")" && pwd)
# The installed examples lie one folder up; in the source tree as well.
cells=${5:-$here/../list.txt}
batch=${KELVARO_BATCH:-kelvaro-batch}
name=$(basename "$genome" .vdna)
run="$outdir/$name-s$seed"
mkdir -p "$run"
"$batch" --genome "$genome" --cells "$cells" --seed "$seed" --frames "$frames" --division \
         --quiet --out "$run/final.txt" --stats "$run/stats.csv" \
         --render-every "$frames" --render-dir "$run" --render-size 400x300 \
         --camera auto --stamp
