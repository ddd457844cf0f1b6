"""Checks velbrix-convert's BrainVision files and BIDS datasets with the field's own tools:
MNE-Python reads the BrainVision files back against the text conversion, and the BIDS validator
checks the datasets, one of them grown over several calls.

Usage: velbrix_convert_bids_test.py PATH_TO_VELBRIX_CONVERT PATH_TO_BIDS_VALIDATOR [PATH_TO_PROBE]

With PATH_TO_PROBE (velbrix_window_export_probe, which exports through the window's controller as
a user of the window does), the window's BrainVision files and BIDS datasets are checked too: read
by MNE-Python and validated, and byte for byte those of the command line for the same entries.

An empty PATH_TO_BIDS_VALIDATOR (a build configured without VELBRIX_BIDS_VALIDATOR) skips the test:
it says so and exits with 77, which CTest reports as skipped.
"""
import datetime
import json
import pathlib
import re
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


def bids_eeg_fields(validator):
    """The fields that the validator's BIDS schema knows for an EEG recording's *_eeg.json: the
    keys of its sidecar rules selected by datatype eeg and suffix eeg (required, recommended and
    optional alike)."""
    bundle = pathlib.Path(validator).resolve().parents[1] / "dist" / "validator" / "main.js"
    text = bundle.read_text(encoding="utf-8")
    rule = re.compile(re.escape("""{ selectors: ['datatype == "eeg"', 'suffix == "eeg"'], """
                                """fields: {"""))
    # A key at the top level of a rule's fields: a name and a colon after "{" or ", ".
    token = re.compile(r"\"(?:[^\"\\]|\\.)*\"|'(?:[^'\\]|\\.)*'|`(?:[^`\\]|\\.)*`|"
                       r"(?<=[{,] )(\w+):|[{}\[\]]")
    fields = set()
    for match in rule.finditer(text):
        depth = 1
        for part in token.finditer(text, match.end()):
            if part.group(1) and depth == 1:
                fields.add(part.group(1))
            elif part.group(0) in "{[":
                depth += 1
            elif part.group(0) in "}]":
                depth -= 1
                if depth == 0:
                    break
    assert {"EEGReference", "TaskName", "MISCChannelCount"} <= fields, sorted(fields)
    return fields


def check_sidecars(root, fields):
    """Every *_eeg.json of the dataset at `root` holds BIDS EEG fields only, MISC spelled so."""
    sidecars = sorted(root.rglob("*_eeg.json"))
    assert sidecars, root
    for sidecar in sidecars:
        keys = set(json.loads(sidecar.read_text(encoding="utf-8")))
        assert keys <= fields, (sidecar.name, sorted(keys - fields))
        assert "MISCChannelCount" in keys and "SoftwareVersions" not in keys, sidecar.name
        assert {"EEGPlacementScheme", "EOGChannelCount", "HardwareFilters"} <= keys, sidecar.name
    print(f"ok: {root.name}: {len(sidecars)} sidecars hold BIDS EEG fields only")


def validator_issues(validator, root):
    """The BIDS validator's report ("errors" and "warnings") on a copy of `root`.

    The validator's own rules for *_eeg.json (those of bids-validator 1.15) predate the BIDS
    schema's spelling MISCChannelCount, and refuse it as a key they do not know; they spell it
    MiscChannelCount. The copy spells it so, and is otherwise the dataset as written."""
    with tempfile.TemporaryDirectory(prefix="velbrix-validate-") as folder:
        copy = pathlib.Path(folder) / root.name
        shutil.copytree(root, copy)
        for sidecar in copy.rglob("*_eeg.json"):
            text = sidecar.read_text(encoding="utf-8")
            sidecar.write_text(text.replace('"MISCChannelCount":', '"MiscChannelCount":'),
                               encoding="utf-8")
        run = subprocess.run([shutil.which("node") or "node", validator, str(copy), "--json"],
                             capture_output=True, text=True)
    try:
        issues = json.loads(run.stdout)["issues"]
    except (ValueError, KeyError):
        sys.exit(f"the BIDS validator gave no report ({run.returncode}): {run.stderr[-2000:]}")
    return issues


def validate(validator, root):
    """Runs the BIDS validator on a copy of `root` (validator_issues); fails on any error."""
    issues = validator_issues(validator, root)
    for error in issues["errors"]:
        files = [f["file"]["relativePath"] for f in error["files"][:5] if f.get("file")]
        print(f"BIDS error {error['key']}: {error['reason']} {files}")
    assert not issues["errors"], root
    warnings = sorted({w["key"] for w in issues["warnings"]})
    print(f"ok: {root.name}: the BIDS validator reports no error (warnings: {', '.join(warnings)})")


def grow_dataset(program, validator, fields, work):
    """Two subjects, a session, runs, both formats, a replaced run with a lab-written scans.tsv
    and a failed call."""
    root = work / "study"
    rec = {}
    for i, size in enumerate((600 * 32, 500 * 32 + 7, 256 * 32), start=1):
        rec[i] = work / f"rec{i}_eeg"
        make_recording(rec[i], size, seed=i)
    common = ["-q", "--bids", str(root), "--task", "rest", "--sample-rate", "256"]
    convert(program, *common, "--subject", "01", "--session", "1", "--line-freq", "50",
            "--reference", "Cz", "--authors", "A. Smith; B. Jones", "--license", "CC0",
            str(rec[1]), str(rec[2]))
    convert(program, *common, "--subject", "02", "--format", "brainvision", "--run", "1",
            str(rec[3]))
    # The lab's own column in the scans table, and its own notes.
    scans = root / "sub-01" / "ses-1" / "sub-01_ses-1_scans.tsv"
    assert scans.read_text() == ("filename\tacq_time\n"
                                 "eeg/sub-01_ses-1_task-rest_run-1_eeg.edf\tn/a\n"
                                 "eeg/sub-01_ses-1_task-rest_run-2_eeg.edf\tn/a\n"), scans
    scans.write_text("filename\tacq_time\toperator\r\n"
                     "eeg/sub-01_ses-1_task-rest_run-1_eeg.edf\tn/a\tAS\r\n"
                     "eeg/sub-01_ses-1_task-rest_run-2_eeg.edf\tn/a\tBJ\r\n")
    # Run 2 of sub-01 again, now as BrainVision with a start: its EDF file and its row go.
    convert(program, *common, "--subject", "01", "--session", "1", "--run", "2",
            "--format", "brainvision", "--start", "2024-02-03 10:20:30", str(rec[2]))
    assert scans.read_text() == ("filename\tacq_time\toperator\n"
                                 "eeg/sub-01_ses-1_task-rest_run-1_eeg.edf\tn/a\tAS\n"
                                 "eeg/sub-01_ses-1_task-rest_run-2_eeg.vhdr\t"
                                 "2024-02-03T10:20:30\tn/a\n"), scans.read_text()
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
    assert sidecar["RecordingDuration"] == 2.34375, sidecar  # 600 records, not 3 data records
    assert sidecar["EEGReference"] == "Cz" and sidecar["MISCChannelCount"] == 9, sidecar
    description = json.loads((root / "dataset_description.json").read_text())
    assert description["Authors"] == ["A. Smith", "B. Jones"], description
    assert description["License"] == "CC0", description
    raw = mne.io.read_raw_edf(eeg / "sub-01_ses-1_task-rest_run-1_eeg.edf", verbose="error")
    assert raw.info["sfreq"] == 256 and raw.n_times == 768, raw  # padded to 3 records
    text_dir = work / "rec2-text"
    text_dir.mkdir()
    convert(program, "-q", "-d", ".", "-o", str(text_dir), str(rec[2]))
    raw = mne.io.read_raw_brainvision(eeg / "sub-01_ses-1_task-rest_run-2_eeg.vhdr",
                                      preload=True, verbose="error")
    expect_values(raw, text_dir, "rec2_eeg", CHANNELS, "256", 500)
    check_sidecars(root, fields)
    validate(validator, root)


def tree(root):
    """Every file below `root` with its bytes, by its path relative to `root`."""
    return {p.relative_to(root).as_posix(): p.read_bytes() for p in root.rglob("*") if p.is_file()}


def window_exports(program, probe, validator, fields, work):
    """The window's exports (through its controller) against the command line's."""
    rec = {}
    for i, size in enumerate((768 * 32, 500 * 32), start=1):
        rec[i] = work / f"win{i}_eeg"
        make_recording(rec[i], size, seed=10 + i)
    start = "2024-02-03 10:20:30"
    for folder in ("cli-bv", "window-bv"):
        (work / folder).mkdir()
    convert(program, "-q", "--format", "brainvision", "--sample-rate", "500", "--start", start,
            "-o", str(work / "cli-bv"), str(rec[1]))
    subprocess.run([probe, str(rec[1]), "format=brainvision", "sample_rate=500", f"start={start}"],
                   cwd=work / "window-bv", check=True)
    assert tree(work / "window-bv") == tree(work / "cli-bv"), sorted(tree(work / "window-bv"))

    lab = {"reference": "Cz", "ground": "AFz", "authors": "A. Smith; B. Jones", "license": "CC0"}
    convert(program, "-q", "--bids", str(work / "cli" / "study"), "--subject", "01", "--session", "1",
            "--task", "rest", "--run", "1", "--sample-rate", "256", "--start", start,
            "--line-freq", "50", *[a for k, v in lab.items() for a in (f"--{k}", v)], str(rec[1]))
    convert(program, "-q", "--bids", str(work / "cli" / "study"), "--subject", "02", "--task", "rest",
            "--format", "brainvision", "--sample-rate", "256", str(rec[2]))
    root = work / "window" / "study"
    subprocess.run([probe, str(rec[1]), "format=bids-edf", "sample_rate=256", f"start={start}",
                    f"bids_root={root}", "subject=01", "session=1", "task=rest", "run=1",
                    "line_frequency=50", *[f"{k}={v}" for k, v in lab.items()]], check=True)
    subprocess.run([probe, str(rec[2]), "format=bids-brainvision", "sample_rate=256",
                    f"bids_root={root}", "subject=02", "task=rest"], check=True)
    assert tree(root) == tree(work / "cli" / "study"), sorted(tree(root))

    text_dir = work / "win-text"
    text_dir.mkdir()
    convert(program, "-q", "-d", ".", "-o", str(text_dir), str(rec[1]), str(rec[2]))
    raw = mne.io.read_raw_edf(root / "sub-01" / "ses-1" / "eeg" /
                              "sub-01_ses-1_task-rest_run-1_eeg.edf", preload=True,
                              verbose="error")
    assert raw.ch_names == CHANNELS and raw.n_times == 768, raw
    for row, channel in enumerate(CHANNELS):  # EDF's scaling leaves rounding in the last bit
        np.testing.assert_allclose(raw.get_data()[row] * 1e6,
                                   text_values(text_dir / f"win1_eeg_{channel}.eeg"),
                                   rtol=1e-12, atol=1e-12, err_msg=channel)
    raw = mne.io.read_raw_brainvision(root / "sub-02" / "eeg" / "sub-02_task-rest_eeg.vhdr",
                                      preload=True, verbose="error")
    expect_values(raw, text_dir, "win2_eeg", CHANNELS, "256", 500)
    sidecar = json.loads((root / "sub-01" / "ses-1" / "eeg" /
                          "sub-01_ses-1_task-rest_run-1_eeg.json").read_text())
    assert sidecar["EEGReference"] == "Cz" and sidecar["EEGGround"] == "AFz", sidecar
    assert sidecar["PowerLineFrequency"] == 50, sidecar
    check_sidecars(root, fields)
    validate(validator, root)
    print("ok: the window's BrainVision files and BIDS dataset are the command line's")


def main():
    program, validator = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ""
    probe = sys.argv[3] if len(sys.argv) > 3 else ""
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
        fields = bids_eeg_fields(validator)
        grow_dataset(program, validator, fields, work)
        # The plainest dataset: one EDF recording, no session, no run, a channel subset.
        make_recording(work / "one_eeg", 300 * 32, seed=9)
        convert(program, "-q", "--bids", str(work / "plain"), "--subject", "A1", "--task",
                "eyesclosed", "--sample-rate", "250.5", "-c", "Cz", "-c", "EKG", "-c", "PG1",
                str(work / "one_eeg"))
        check_sidecars(work / "plain", fields)
        validate(validator, work / "plain")
        if probe:
            window_exports(program, probe, validator, fields, work)


if __name__ == "__main__":
    main()
