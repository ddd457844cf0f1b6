"""Checks velbrix-convert's BrainVision files and BIDS datasets with the field's own tools:
MNE-Python reads the BrainVision files back against the text conversion, and the BIDS validator
checks the datasets, one of them grown over several calls.

Usage: velbrix_convert_bids_test.py PATH_TO_VELBRIX_CONVERT PATH_TO_BIDS_VALIDATOR

An empty PATH_TO_BIDS_VALIDATOR (a build configured without VELBRIX_BIDS_VALIDATOR) skips the test:
it says so and exits with 77, which CTest reports as skipped.
"""
import datetime
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile

import mne
import numpy as np

from velbrix_convert_edf_test import CHANNELS, convert, make_recording, text_values

SKIPPED = 77  # the exit status that CTest reports as skipped (SKIP_RETURN_CODE)


def check_brainvision(program, work, name, size, rate, channels, start=None):
    recording = work / name
    make_recording(recording, size, seed=len(name) + size)
    text_dir, bv_dir = work / f"{name}-text", work / f"{name}-bv"
    text_dir.mkdir()
    bv_dir.mkdir()
    chosen = [arg for channel in channels for arg in ("-c", channel)]
    convert(program, "-q", "-d", ".", "-o", str(text_dir), *chosen, str(recording))
    arguments = ["--format", "brainvision", "--sample-rate", rate, "-o", str(bv_dir), *chosen]
    convert(program, *arguments, *(["--start", start] if start else []), str(recording))
    assert sorted(p.name for p in bv_dir.iterdir()) == [f"{name}.eeg", f"{name}.vhdr",
                                                        f"{name}.vmrk"], list(bv_dir.iterdir())
    raw = mne.io.read_raw_brainvision(bv_dir / f"{name}.vhdr", preload=True, verbose="error")
    names = list(channels) or CHANNELS
    expect_values(raw, text_dir, name, names, rate, size // 32)
    if start:
        expected_start = datetime.datetime.strptime(start, "%Y-%m-%d %H:%M:%S")
        assert raw.info["meas_date"] == expected_start.replace(tzinfo=datetime.timezone.utc)
    print(f"ok: {name}.vhdr: {len(names)} channels at {rate} Hz, {raw.n_times} samples")


def expect_values(raw, text_dir, name, names, rate, records):
    """MNE's channels, rate and samples are those of the text files of `name` in `text_dir`."""
    assert raw.ch_names == names, (name, raw.ch_names)
    assert raw.info["sfreq"] == float(rate), (name, raw.info["sfreq"])
    assert raw.n_times == records, (name, raw.n_times, records)
    data = raw.get_data()
    for row, channel in enumerate(names):
        microvolts = text_values(text_dir / f"{name}_{channel}.eeg")
        # Exact: each stored integer is the text value / 3.75, and MNE scales it by the header's
        # resolution, 3.75, times 1e-6 for its unit, uV.
        np.testing.assert_array_equal(data[row], (microvolts / 3.75) * (3.75 * 1e-6),
                                      err_msg=f"{name} {channel}")
        np.testing.assert_allclose(data[row], microvolts * 1e-6, rtol=1e-15, atol=0)


def validate(validator, root):
    """Runs the BIDS validator on `root`; fails on any error it reports."""
    run = subprocess.run([shutil.which("node") or "node", validator, str(root), "--json"],
                         capture_output=True, text=True)
    try:
        issues = json.loads(run.stdout)["issues"]
    except (ValueError, KeyError):
        sys.exit(f"the BIDS validator gave no report ({run.returncode}): {run.stderr[-2000:]}")
    for error in issues["errors"]:
        files = [f["file"]["relativePath"] for f in error["files"][:5] if f.get("file")]
        print(f"BIDS error {error['key']}: {error['reason']} {files}")
    assert not issues["errors"], root
    warnings = sorted({w["key"] for w in issues["warnings"]})
    print(f"ok: {root.name}: the BIDS validator reports no error (warnings: {', '.join(warnings)})")


def grow_dataset(program, validator, work):
    """Two subjects, a session, runs, both formats, a replaced run and a failed call."""
    root = work / "study"
    rec = {}
    for i, size in enumerate((600 * 32, 500 * 32 + 7, 256 * 32), start=1):
        rec[i] = work / f"rec{i}_eeg"
        make_recording(rec[i], size, seed=i)
    common = ["-q", "--bids", str(root), "--task", "rest", "--sample-rate", "256"]
    convert(program, *common, "--subject", "01", "--session", "1", "--line-freq", "50",
            str(rec[1]), str(rec[2]))
    convert(program, *common, "--subject", "02", "--format", "brainvision", "--run", "1",
            str(rec[3]))
    # Run 2 of sub-01 again, now as BrainVision: its EDF file goes.
    convert(program, *common, "--subject", "01", "--session", "1", "--run", "2",
            "--format", "brainvision", str(rec[2]))
    participants = (root / "participants.tsv").read_bytes()
    failed = subprocess.run([program, *common, "--subject", "03", str(work / "missing_eeg")],
                            capture_output=True)
    assert failed.returncode == 1, failed
    assert (root / "participants.tsv").read_bytes() == participants
    assert not (root / "sub-03").exists()
    rows = participants.decode().splitlines()
    assert [row.split("\t")[0] for row in rows] == ["participant_id", "sub-01", "sub-02"], rows

    eeg = root / "sub-01" / "ses-1" / "eeg"
    assert sorted(p.name for p in eeg.iterdir()) == sorted(
        [f"sub-01_ses-1_task-rest_run-1_{suffix}" for suffix in
         ("eeg.edf", "eeg.json", "channels.tsv")] +
        [f"sub-01_ses-1_task-rest_run-2_{suffix}" for suffix in
         ("eeg.vhdr", "eeg.vmrk", "eeg.eeg", "eeg.json", "channels.tsv")])
    sidecar = json.loads((eeg / "sub-01_ses-1_task-rest_run-1_eeg.json").read_text())
    assert sidecar["PowerLineFrequency"] == 50 and sidecar["SamplingFrequency"] == 256, sidecar
    assert sidecar["RecordingDuration"] == 3, sidecar  # 600 samples in 3 data records of 1 s
    text_dir = work / "rec2-text"
    text_dir.mkdir()
    convert(program, "-q", "-d", ".", "-o", str(text_dir), str(rec[2]))
    raw = mne.io.read_raw_brainvision(eeg / "sub-01_ses-1_task-rest_run-2_eeg.vhdr",
                                      preload=True, verbose="error")
    expect_values(raw, text_dir, "rec2_eeg", CHANNELS, "256", 500)
    validate(validator, root)


def main():
    program, validator = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ""
    if not validator:
        print("Skipped: no BIDS validator. Run scripts/install-node-tools and configure with "
              "-DVELBRIX_BIDS_VALIDATOR=build/node/node_modules/bids-validator/bin/bids-validator "
              "(scripts/test does both)")
        sys.exit(SKIPPED)
    if not pathlib.Path(validator).is_file():
        sys.exit(f"{validator} is missing: scripts/install-node-tools installs it")
    with tempfile.TemporaryDirectory(prefix="velbrix-bids-") as folder:
        work = pathlib.Path(folder)
        check_brainvision(program, work, "all_eeg", 700 * 32 + 5, "256", [],
                          start="2024-02-03 10:20:30")
        check_brainvision(program, work, "subset_eeg", 1000 * 32, "250.5", ["Oz", "Fz", "EKG"])
        grow_dataset(program, validator, work)
        # The plainest dataset: one EDF recording, no session, no run, a channel subset.
        make_recording(work / "one_eeg", 300 * 32, seed=9)
        convert(program, "-q", "--bids", str(work / "plain"), "--subject", "A1", "--task",
                "eyesclosed", "--sample-rate", "250.5", "-c", "Cz", "-c", "EKG", "-c", "PG1",
                str(work / "one_eeg"))
        validate(validator, work / "plain")


if __name__ == "__main__":
    main()
