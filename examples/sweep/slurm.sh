#!/usr/bin/env bash
# The sweep as a Slurm job array: one array task per genome x seed, each the
# very command GNU parallel runs (run_one.sh). Submit from the folder that
# should hold runs/, on a file system every node sees:
#
#   sbatch --array=0-7 examples/sweep/slurm.sh      # 2 genomes x 4 seeds = 8 tasks
#   # when every task has ended:
#   examples/sweep/summarise.sh runs
#
# Task k runs genome k / (number of seeds) with seed k % (number of seeds).
# Edit GENOMES, SEEDS and FRAMES below (or set them in the environment; sbatch
# passes it on). Each task is one single-threaded process: one CPU, and memory
# for the colony's part of the lattice.
#SBATCH --job-name=kelvaro-sweep
#SBATCH --cpus-per-task=1
#SBATCH --mem=2G
#SBATCH --time=02:00:00
#SBATCH --output=runs/slurm-%A_%a.log
set -euo pipefail
here=${KELVARO_SWEEP:-$(cd "$(dirname "$0")" && pwd)}
# Under sbatch the script runs from a spool copy: KELVARO_SWEEP names the real
# folder of run_one.sh when $0 does not.
read -r -a genomes <<< "${GENOMES:-$here/genomes/bands.vdna $here/genomes/wide.vdna}"
read -r -a seeds <<< "${SEEDS:-1 2 3 4}"
frames=${FRAMES:-500}
task=${SLURM_ARRAY_TASK_ID:?run this under sbatch --array}
tasks=$(( ${#genomes[@]} * ${#seeds[@]} ))
if [ "$task" -ge "$tasks" ]; then
    echo "slurm.sh: task $task, but only $tasks genome x seed pairs" >&2
    exit 2
fi
genome=${genomes[$(( task / ${#seeds[@]} ))]}
seed=${seeds[$(( task % ${#seeds[@]} ))]}
exec "$here/run_one.sh" "$genome" "$seed" runs "$frames"
