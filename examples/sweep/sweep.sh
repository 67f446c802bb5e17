#!/usr/bin/env bash
# A sweep of genomes x seeds with GNU parallel, one kelvaro-batch per job slot,
# then the combined summary and the contact sheet (summarise.sh).
#
#   sweep.sh [-f FRAMES] [-j JOBS] [-o OUTDIR] [-c CELLS] [-S SSHLOGINFILE] GENOME... ::: SEED...
#
# Defaults: 500 frames, one job per core, runs/ in the current folder, the
# example colony. -S spreads the jobs over the machines listed in the file (GNU
# parallel's --sshloginfile; see README.md). Other parallel options go in the
# PARALLEL environment variable, as parallel itself reads them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
frames=500 jobs=100% outdir=runs cells=$here/../list.txt ssh=()
while getopts f:j:o:c:S: opt; do
    case $opt in
        f) frames=$OPTARG ;;
        j) jobs=$OPTARG ;;
        o) outdir=$OPTARG ;;
        c) cells=$OPTARG ;;
        S) ssh=(--sshloginfile "$OPTARG") ;;
        *) sed -n '4,10p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
genomes=()
while [ $# -gt 0 ] && [ "$1" != ":::" ]; do genomes+=("$1"); shift; done
[ $# -gt 0 ] && shift
seeds=("$@")
if [ ${#genomes[@]} -eq 0 ] || [ ${#seeds[@]} -eq 0 ]; then
    echo "usage: sweep.sh [options] GENOME... ::: SEED..." >&2
    exit 2
fi
mkdir -p "$outdir"
# Absolute paths, so that the jobs find them from any folder (or machine with
# the same file system).
abs() { (cd "$(dirname "$1")" && echo "$(pwd)/$(basename "$1")"); }
outdir=$(abs "$outdir") cells=$(abs "$cells")
for k in "${!genomes[@]}"; do genomes[$k]=$(abs "${genomes[$k]}"); done

# A failed run stops the sweep: its exit status says why (see kelvaro-batch).
parallel --will-cite --halt now,fail=1 -j "$jobs" "${ssh[@]}" \
    "$here/run_one.sh" {1} {2} "$outdir" "$frames" "$cells" \
    ::: "${genomes[@]}" ::: "${seeds[@]}"
"$here/summarise.sh" "$outdir"
