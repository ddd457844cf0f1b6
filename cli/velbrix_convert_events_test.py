"""Checks that a recording's events reach every export as its sidecar says, read by the field's
own tools: MNE-Python reads the EDF+ annotations and the BrainVision markers, the BIDS events
table is read as a table, and the BIDS validator checks a task dataset with events.

Usage: velbrix_convert_events_test.py VELBRIX_CONVERT [BIDS_VALIDATOR [PROBE]]

Without a validator the dataset is not validated (it says so); with PATH_TO_PROBE
(velbrix_window_export_probe) the window's BIDS export is checked to carry the sidecar's events
as the command line's does.
"""
import csv
import json
import pathlib
import subprocess
import sys
import tempfile

import mne

from velbrix_convert_bids_test import validator_issues
from velbrix_convert_edf_test import convert, make_recording

RATE = 250.5
RECORDS = 3006  # six whole EDF data records of 2 s: no padding to tell


def make_events():
    """(start, length, label) in records: instants, spans, UTF-8 labels, commas, the last record."""
    events = [(0, 0, "start"), (RECORDS - 1, 0, "last record")]
    for i in range(1, 400):
        start = i * 7
        events.append((start, 0 if i % 3 else 25, ["stim", "M\u00fcller \u00e4", "photic, 10 Hz",
                                                   "\u03b1 blocked"][i % 4]))
    return sorted(events, key=lambda e: e[0])


def write_sidecar(path, events):
    lines = ["start_record\tlength_records\tlabel"]
    lines += [f"{start}\t{length}\t{label}" for start, length, label in events]
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")


def expect_annotations(annotations, events, prefix="", instant=0.0):
    """MNE's annotations (in start order) are `events`: onset within one sample at the rate,
    duration (`instant` for an instant) and description."""
    got = sorted(zip(annotations.onset, annotations.duration, annotations.description),
                 key=lambda a: a[0])
    assert len(got) == len(events), (len(got), len(events))
    for (onset, duration, description), (start, length, label) in zip(got, events):
        assert abs(onset - start / RATE) < 1 / RATE, (onset, start, label)
        expected = length / RATE if length else instant
        assert abs(duration - expected) < 1 / RATE, (duration, length, label)
        assert description == prefix + label, (description, label)


def check_edf(program, work, recording, events):
    out = work / "edf"
    out.mkdir()
    convert(program, "-q", "--format", "edf", "--sample-rate", str(RATE), "-o", str(out),
            str(recording))
    edf = out / f"{recording.name}.edf"
    assert edf.read_bytes()[192:197] == b"EDF+C"
    raw = mne.io.read_raw_edf(edf, verbose="error")
    assert raw.info["sfreq"] == RATE and "EDF Annotations" not in raw.ch_names, raw
    expect_annotations(raw.annotations, events)
    print(f"ok: {edf.name}: MNE reads {len(events)} annotations as the sidecar says")


def check_brainvision(program, work, recording, events):
    out = work / "bv"
    out.mkdir()
    convert(program, "-q", "--format", "brainvision", "--sample-rate", str(RATE), "-o", str(out),
            str(recording))
    raw = mne.io.read_raw_brainvision(out / f"{recording.name}.vhdr", verbose="error")
    annotations = raw.annotations[raw.annotations.description != "New Segment/"]
    # A marker lasts at least one data point, so an instant is one sample long.
    expect_annotations(annotations, events, prefix="Comment/", instant=1 / RATE)
    print(f"ok: {recording.name}.vmrk: MNE reads {len(events)} markers as the sidecar says")


def validator_report(validator, root):
    """The validator's errors and warnings (keys) for a copy of `root` (validator_issues)."""
    issues = validator_issues(validator, root)
    for error in issues["errors"]:
        print(f"BIDS error {error['key']}: {error['reason']}")
    return ([e["key"] for e in issues["errors"]], sorted({w["key"] for w in issues["warnings"]}))


def check_bids(program, validator, work, recording, events):
    root = work / "study"
    convert(program, "-q", "--bids", str(root), "--subject", "01", "--task", "oddball",
            "--sample-rate", str(RATE), str(recording))
    eeg = root / "sub-01" / "eeg"
    with open(eeg / "sub-01_task-oddball_events.tsv", encoding="utf-8", newline="") as table:
        rows = list(csv.DictReader(table, delimiter="\t"))
    assert len(rows) == len(events), len(rows)
    for row, (start, length, label) in zip(rows, events):
        assert abs(float(row["onset"]) - start / RATE) < 1e-9, (row, start)
        assert abs(float(row["duration"]) - length / RATE) < 1e-9, (row, length)
        assert row["trial_type"] == label and int(row["sample"]) == start, (row, label)
    described = json.loads((eeg / "sub-01_task-oddball_events.json").read_text(encoding="utf-8"))
    assert described["onset"]["Units"] == "s", described
    raw = mne.io.read_raw_edf(eeg / "sub-01_task-oddball_eeg.edf", verbose="error")
    expect_annotations(raw.annotations, events)
    sidecar = json.loads((eeg / "sub-01_task-oddball_eeg.json").read_text(encoding="utf-8"))
    assert sidecar["RecordingDuration"] == RECORDS / RATE, sidecar
    print(f"ok: {root.name}: events.tsv holds the sidecar's {len(events)} events")

    # The same task without events: no events files, not even an earlier export's.
    plain = work / "plain"
    convert(program, "-q", "--bids", str(plain), "--subject", "01", "--task", "oddball",
            "--sample-rate", str(RATE), "--no-events", str(recording))
    assert not list(plain.rglob("*_events.*")), list(plain.rglob("*_events.*"))
    if not validator:
        print("not validated: no BIDS validator (see velbrix_convert_bids_test.py)")
        return root
    errors, warnings = validator_report(validator, root)
    assert not errors and "EVENTS_TSV_MISSING" not in warnings, (errors, warnings)
    print(f"ok: {root.name}: the BIDS validator reports no error and no EVENTS_TSV_MISSING")
    return root


def check_options(program, work, recording):
    """Another table, a detection, and the refusals."""
    lab = work / "lab.tsv"
    lab.write_text("onset\tduration\ttrial_type\n2\t0.5\tcue\n", encoding="utf-8")
    out = work / "options"
    out.mkdir()
    convert(program, "-q", "--format", "brainvision", "--sample-rate", str(RATE), "-o", str(out),
            "--events", str(lab), "--detect-events", "Fz,0,rising,1,Fz up", str(recording))
    raw = mne.io.read_raw_brainvision(out / f"{recording.name}.vhdr", verbose="error")
    descriptions = list(raw.annotations.description)
    assert descriptions.count("Comment/cue") == 1 and "Comment/stim" not in descriptions
    assert descriptions.count("Comment/Fz up") > 0, descriptions
    for arguments in (["--events", str(lab), "--no-events"], ["--no-events"]):
        run = subprocess.run([program, *arguments, str(recording)], capture_output=True,
                             text=True)
        assert run.returncode == 2, (arguments, run)
    late = work / "late.tsv"
    late.write_text(f"start_record\tlength_records\tlabel\n{RECORDS}\t0\tafter\n")
    run = subprocess.run([program, "--format", "edf", "--sample-rate", str(RATE), "-o", str(out),
                          "--events", str(late), str(recording)], capture_output=True, text=True)
    assert run.returncode == 1 and str(late) in run.stderr and "line 2" in run.stderr, run
    print("ok: --events, --detect-events and the refusals")


def main():
    program = sys.argv[1]
    validator = sys.argv[2] if len(sys.argv) > 2 else ""
    probe = sys.argv[3] if len(sys.argv) > 3 else ""
    with tempfile.TemporaryDirectory(prefix="velbrix-events-") as folder:
        work = pathlib.Path(folder)
        recording = work / "rec01_eeg"
        make_recording(recording, RECORDS * 32, seed=5)
        events = make_events()
        write_sidecar(work / "rec01_events.tsv", events)
        check_edf(program, work, recording, events)
        check_brainvision(program, work, recording, events)
        root = check_bids(program, validator, work, recording, events)
        check_options(program, work, recording)
        if probe:
            window = work / "window"
            subprocess.run([probe, str(recording), "format=bids-edf", f"sample_rate={RATE}",
                            f"bids_root={window}", "subject=01", "task=oddball"], check=True)
            name = "sub-01/eeg/sub-01_task-oddball_events.tsv"
            assert (window / name).read_bytes() == (root / name).read_bytes()
            print("ok: the window's export carries the sidecar's events as the command line's")


if __name__ == "__main__":
    main()
