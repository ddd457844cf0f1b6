#!/bin/sh
# The speed of velbrix-convert --jobs 1 against --jobs 2: 8 recordings of 64 MiB on tmpfs
# (/dev/shm), converted to text (all 32 channels), EDF and BrainVision, beside the I/O floor (the
# same inputs copied with cat: their bytes read and written once). Prints MB/s of input and the
# speed-up; the medians of REPEAT runs (default 3). Not run by the tests.
#
#   bench/jobs_bench.sh build/linux/cli/velbrix-convert [REPEAT]
set -eu
convert=${1:?usage: jobs_bench.sh VELBRIX_CONVERT [REPEAT]}
repeat=${2:-3}
count=8
mib=64
base=${VELBRIX_BENCH_DIR:-/dev/shm}
work=$(mktemp -d "$base/velbrix-jobs-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
mkdir "$work/in" "$work/out"

i=1
while [ "$i" -le "$count" ]; do
  head -c $((mib * 1024 * 1024)) /dev/urandom >"$work/in/rec0${i}_eeg"
  i=$((i + 1))
done
megabytes=$(awk "BEGIN { print $count * $mib * 1.048576 }")

now() { date +%s.%N; }
# The median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Seconds of one run of "$@", with the output folder emptied before.
timed() {
  rm -rf "$work/out" && mkdir "$work/out" && sync
  start=$(now)
  "$@"
  end=$(now)
  awk "BEGIN { print $end - $start }"
}
copy_inputs() {
  for f in "$work"/in/*; do cat "$f" >"$work/out/${f##*/}"; done
}
speed() { awk "BEGIN { printf \"%.0f\", $megabytes / $1 }"; }

floor=$(for r in $(seq "$repeat"); do timed copy_inputs; done | median)
echo "$count recordings of $mib MiB on $base, $(nproc) cores, medians of $repeat"
echo "I/O floor (cat: read + write of the inputs): $(speed "$floor") MB/s"
for format in text edf brainvision; do
  set -- -q -o "$work/out"
  [ "$format" = text ] && set -- "$@" -d . || set -- "$@" --format "$format" --sample-rate 256
  one=$(for r in $(seq "$repeat"); do timed "$convert" "$@" --jobs 1 "$work"/in/*; done | median)
  two=$(for r in $(seq "$repeat"); do timed "$convert" "$@" --jobs 2 "$work"/in/*; done | median)
  written=$(du -sm "$work/out" | cut -f1)
  printf '%-12s --jobs 1: %5s MB/s  --jobs 2: %5s MB/s  speed-up %.2fx  (%s MiB written)\n' \
    "$format" "$(speed "$one")" "$(speed "$two")" "$(awk "BEGIN { print $one / $two }")" "$written"
done
