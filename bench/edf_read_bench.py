#!/usr/bin/python3
"""Times how long MNE-Python takes to load velbrix-convert's EDF files of one recording written
at different sample rates: the same samples in data records of different lengths.

Prints, for each rate, the data record duration and size, and the median wall-clock and CPU time
of mne.io.read_raw_edf(preload=True) over several loads (the rates taking turns, page cache warm),
each with its ratio to the first rate's. On a shared machine the CPU time varies less. A benchmark
that prints figures; it checks nothing.

Usage: edf_read_bench.py VELBRIX_CONVERT [--mib 64] [--repeat 5] [--dir DIR] [RATE ...]
       (rates default to 256 1000; run with the python3 that has MNE, /usr/bin/python3 on Debian)
"""
import argparse
import pathlib
import statistics
import subprocess
import tempfile
import time

import mne
import numpy as np


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("rates", nargs="*", default=["256", "1000"])
    parser.add_argument("--mib", type=int, default=64)
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--dir", default=None)
    args = parser.parse_intermixed_args()
    with tempfile.TemporaryDirectory(prefix="velbrix-edf-read-", dir=args.dir) as folder:
        work = pathlib.Path(folder)
        recording = work / "bench_eeg"
        rng = np.random.default_rng(1)
        recording.write_bytes(rng.integers(0, 256, args.mib << 20, dtype=np.uint8).tobytes())
        print(f"recording: {args.mib} MiB, {(args.mib << 20) // 32} samples of 32 channels; "
              f"MNE {mne.__version__}, median of {args.repeat} loads each, the rates taking "
              f"turns, page cache warm")
        files = {}
        for rate in args.rates:
            out = work / rate
            out.mkdir()
            subprocess.run([args.program, "-q", "--format", "edf", "--sample-rate", rate, "-o",
                            str(out), str(recording)], check=True)
            files[rate] = out / "bench_eeg.edf"
        times = {rate: [] for rate in args.rates}
        cpu_times = {rate: [] for rate in args.rates}
        for turn in range(args.repeat + 1):  # the first turn warms up and is not counted
            for rate, edf in files.items():
                start, cpu_start = time.perf_counter(), time.process_time()
                raw = mne.io.read_raw_edf(edf, preload=True, verbose="error")
                if turn > 0:
                    times[rate].append(time.perf_counter() - start)
                    cpu_times[rate].append(time.process_time() - cpu_start)
                del raw
        print(f"{'rate (Hz)':>10} {'record (s)':>11} {'record (B)':>11} {'load (s)':>9} "
              f"{'ratio':>6} {'CPU (s)':>8} {'ratio':>6}")
        first = statistics.median(times[args.rates[0]])
        first_cpu = statistics.median(cpu_times[args.rates[0]])
        for rate, edf in files.items():
            header = edf.read_bytes()[:256 + 32 * 256]
            duration = header[244:252].decode().strip()
            samples = int(header[256 + 216 * 32:256 + 216 * 32 + 8].decode())
            median = statistics.median(times[rate])
            cpu = statistics.median(cpu_times[rate])
            print(f"{rate:>10} {duration:>11} {2 * 32 * samples:>11} {median:>9.3f} "
                  f"{median / first:>6.2f} {cpu:>8.3f} {cpu / first_cpu:>6.2f}")

if __name__ == "__main__":
    main()
