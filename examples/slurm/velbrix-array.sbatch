#!/bin/bash
# Converts an archive of recordings as a Slurm job array: each task converts its share of the
# list (--shard TASK/SHARDS), its recordings side by side on the task's CPUs (--jobs).
#
#   find /archive -name '*_eeg' > list.txt && mkdir -p out
#   sbatch velbrix-array.sbatch                  # tasks 1 to 8, each its eighth of list.txt
#   sbatch --array=3,7 velbrix-array.sbatch      # again only tasks 3 and 7 (see docs/cluster.md)
#
# Options after the script's name go to velbrix-convert (e.g. --start "2024-05-17 09:30:00").
# Set in the environment (sbatch passes it on), or edit the defaults below:
#   VELBRIX_LIST     the list of recordings, one path a line          (list.txt)
#   VELBRIX_OUT      the existing output folder                       (out)
#   VELBRIX_SHARDS   the number of shares: the array's last task id   (8)
#   VELBRIX_CONVERT  the program                                      (velbrix-convert)
# A task's exit status is velbrix-convert's: 0 all of its share converted, 1 some failed (the
# others are converted), 2 a usage error (nothing converted), 130 stopped (scancel, time limit).
#
#SBATCH --job-name=velbrix
#SBATCH --array=1-8
#SBATCH --cpus-per-task=4
#SBATCH --output=velbrix-%A_%a.out
set -euo pipefail

list=${VELBRIX_LIST:-list.txt}
out=${VELBRIX_OUT:-out}
shards=${VELBRIX_SHARDS:-8}
convert=${VELBRIX_CONVERT:-velbrix-convert}

exec "$convert" --recordings-from "$list" --shard "${SLURM_ARRAY_TASK_ID}/${shards}" \
  --jobs "${SLURM_CPUS_PER_TASK:-1}" -o "$out" --format edf --sample-rate 256 "$@"
