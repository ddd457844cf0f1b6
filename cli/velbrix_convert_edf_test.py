"""Reads the EDF files of velbrix-convert with MNE-Python, a reader of its own, and checks them
against the text conversion of the same recordings.

Usage: velbrix_convert_edf_test.py PATH_TO_VELBRIX_CONVERT
"""
import datetime
import pathlib
import subprocess
import sys
import tempfile

import mne
import numpy as np

CHANNELS = ("FP2 F8 T4 T6 F4 C4 P4 O2 A2 Fz Cz Pz FP1 F7 T3 T5 F3 C3 P3 O1 A1 BP3 EKG DC1 DC2 "
            "DC3 BP4 Oz BP2 PG1 PG2 BP1").split()


def make_recording(path, size, seed):
    rng = np.random.default_rng(seed)
    path.write_bytes(rng.integers(0, 256, size, dtype=np.uint8).tobytes())


def convert(program, *arguments):
    run = subprocess.run([program, *arguments], capture_output=True, text=True,
                         env={"LC_ALL": "C"})
    if run.returncode != 0:
        sys.exit(f"velbrix-convert {' '.join(arguments)} failed ({run.returncode}): {run.stderr}")
    return run.stderr


def text_values(path):
    """The values of a channel's text file, in microvolts."""
    lines = path.read_bytes().decode("ascii").split("\r\n")
    return np.array([float(line) for line in lines if line])


def check(program, work, name, size, rate, channels, duration, start=None):
    recording = work / name
    make_recording(recording, size, seed=len(name) + size)
    text_dir = work / f"{name}-text"
    edf_dir = work / f"{name}-edf"
    text_dir.mkdir()
    edf_dir.mkdir()
    chosen = [arg for channel in channels for arg in ("-c", channel)]
    convert(program, "-q", "-d", ".", "-o", str(text_dir), *chosen, str(recording))
    edf_arguments = ["--format", "edf", "--sample-rate", rate, "-o", str(edf_dir), *chosen]
    if start:
        edf_arguments += ["--start", start]
    warnings = convert(program, *edf_arguments, str(recording))

    edf = edf_dir / f"{name}.edf"
    assert edf.read_bytes()[244:252].decode().rstrip() == duration, (name, "record duration")
    raw = mne.io.read_raw_edf(edf, preload=True, verbose="error")
    names = list(channels) or CHANNELS
    assert raw.ch_names == names, (name, raw.ch_names)
    assert raw.info["sfreq"] == float(rate), (name, raw.info["sfreq"])
    data = raw.get_data()
    records = size // 32
    padded = raw.n_times - records
    assert 0 <= padded, (name, raw.n_times, records)
    if padded:
        assert f"completed with {padded} sample" in warnings, (name, warnings)
    for row, channel in enumerate(names):
        expected = text_values(text_dir / f"{name}_{channel}.eeg")
        assert expected.size == records, (name, channel, expected.size)
        np.testing.assert_array_equal(data[row, :records], expected * 1e-6,
                                   err_msg=f"{name} {channel}")
        assert not data[row, records:].any(), (name, channel, "padding is not 0 V")
    if start:
        expected_start = datetime.datetime.strptime(start, "%Y-%m-%d %H:%M:%S")
        assert raw.info["meas_date"] == expected_start.replace(tzinfo=datetime.timezone.utc), (
            name, raw.info["meas_date"])
    print(f"ok: {name}: {len(names)} channels at {rate} Hz, {raw.n_times} samples "
          f"({padded} added)")


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="velbrix-edf-") as folder:
        work = pathlib.Path(folder)
        # All channels in 1 s records; a trailing partial record and a padded last data record.
        check(program, work, "all_eeg", 700 * 32 + 5, "256", [], "1",
              start="2024-02-03 10:20:30")
        # A channel subset in the order given, at a rate that is not whole (records of 2 s).
        check(program, work, "subset_eeg", 1000 * 32, "250.5", ["Oz", "Fz", "EKG"], "2")
        # Whole rates whose 1 s record would pass 61,440 bytes: the longest shorter records.
        check(program, work, "fast_eeg", 3000 * 32, "1000", [], "0.96")
        check(program, work, "faster_eeg", 3000 * 32, "5000", [], "0.192")


if __name__ == "__main__":
    main()
