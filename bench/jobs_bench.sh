#!/bin/sh
# The speed of velbrix-convert --jobs 1 against --jobs 2: 8 recordings of 64 MiB on tmpfs
# (/dev/shm), converted to text (all 32 channels), EDF and BrainVision. Beside each format, its
# I/O floor: each recording read and as many bytes as its outputs written into as many new files
# in 256 KiB writes, with no formatting, by one process and by two taking every other recording;
# the floor's own speed-up is what the machine's memory and file system allow two jobs. Prints MB/s
# of input, the speed-ups and how many cores --jobs 1 already keeps busy (its reading and
# formatting thread beside its writing thread; needs /usr/bin/time); the medians of REPEAT runs
# (default 3). Not run by the tests.
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
# The floor's plan: a line per recording, its path and the sizes of its outputs in $work/out.
plan_floor() {
  for f in "$work"/in/*; do
    name=${f##*/}
    printf '%s' "$f"
    for out in "$work/out/$name"*; do printf ' %s' "$(wc -c <"$out")"; done
    echo
  done >"$work/plan"
}
# Runs the floor of the plan's lines whose number modulo $2 is $1, into $work/out.
floor_part() {
  /usr/bin/python3 - "$work/plan" "$work/out" "$1" "$2" <<'PY'
import os, sys
plan, out, part, parts = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
block = memoryview(bytes(256 * 1024))
buffer = bytearray(256 * 1024)
for n, line in enumerate(open(plan)):
    if n % parts != part:
        continue
    path, *sizes = line.split()
    with open(path, 'rb', buffering=0) as f:
        while f.readinto(buffer):
            pass
    for i, size in enumerate(map(int, sizes)):
        fd = os.open(os.path.join(out, '%s_floor%d' % (os.path.basename(path), i)),
                     os.O_WRONLY | os.O_CREAT | os.O_EXCL)
        while size > 0:
            size -= os.write(fd, block[:min(size, len(block))])
        os.close(fd)
PY
}
floor_one() { floor_part 0 1; }
floor_two() {
  floor_part 0 2 &
  floor_part 1 2
  wait
}
# How many cores a run of "$@" keeps busy: its CPU time over its wall-clock time.
busy() {
  rm -rf "$work/out" && mkdir "$work/out"
  /usr/bin/time -f '%e %U %S' -o "$work/time" "$@"
  awk '{ printf "%.2f", ($2 + $3) / $1 }' "$work/time"
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
  cores=$(busy "$convert" "$@" --jobs 1 "$work"/in/*)
  plan_floor
  floor1=$(for r in $(seq "$repeat"); do timed floor_one; done | median)
  floor2=$(for r in $(seq "$repeat"); do timed floor_two; done | median)
  printf '%-12s --jobs 1: %5s MB/s  --jobs 2: %5s MB/s  speed-up %.2fx  (%s MiB written)\n' \
    "$format" "$(speed "$one")" "$(speed "$two")" "$(awk "BEGIN { print $one / $two }")" "$written"
  printf '%-12s %s cores busy\n' "  --jobs 1" "$cores"
  printf '%-12s one stream: %5s MB/s  two: %5s MB/s  speed-up %.2fx\n' "  its floor" \
    "$(speed "$floor1")" "$(speed "$floor2")" "$(awk "BEGIN { print $floor1 / $floor2 }")"
done
