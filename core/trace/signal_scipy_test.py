"""Holds the trace window's filtered pages and spectra, as velbrix_signal_probe prints them,
against scipy.signal: the filters run over the whole recording by sosfiltfilt (away from the
recording's ends by the margin the probe states), and welch.

Usage: signal_scipy_test.py PATH_TO_VELBRIX_SIGNAL_PROBE
"""
import pathlib
import subprocess
import sys
import tempfile

import numpy as np
from scipy import signal

# Record order, as in the channel table.
POSITIONS = ("FP2 F8 T4 T6 F4 C4 P4 O2 A2 Fz Cz Pz FP1 F7 T3 T5 F3 C3 P3 O1 A1 BP3 EKG DC1 DC2 "
             "DC3 BP4 Oz BP2 PG1 PG2 BP1").split()
# The window's channel list: the EEG electrodes, then the other inputs.
LIST = ("FP2 F8 T4 T6 F4 C4 P4 O2 A2 Fz Cz Pz Oz FP1 F7 T3 T5 F3 C3 P3 O1 A1 EKG BP1 BP2 BP3 BP4 "
        "DC1 DC2 DC3 PG1 PG2").split()
EEG = LIST[:22]
OTHERS = LIST[22:]
BANANA = ("FP1-F7 F7-T3 T3-T5 T5-O1 FP2-F8 F8-T4 T4-T6 T6-O2 FP1-F3 F3-C3 C3-P3 P3-O1 "
          "FP2-F4 F4-C4 C4-P4 P4-O2 Fz-Cz Cz-Pz").split()
MONTAGES = ("as recorded", "average reference", "linked ears", "bipolar longitudinal")
# A montage of one's own, as its file says it and as numpy computes it.
OWN = ("name: Own\nFP1-(A1+A2)/2\n(F3+F4)/2-Cz; factor 2\nC4-avg\n0.5*T3-T5*0.5; label T3-T5 half\n"
       "EKG; hidden\nCz-EKG\n")


def own_montage(ch):
    avg = np.mean([ch[n] for n in EEG], axis=0)
    return [ch["FP1"] - (ch["A1"] + ch["A2"]) / 2, (ch["F3"] + ch["F4"]) / 2 - ch["Cz"],
            ch["C4"] - avg, 0.5 * ch["T3"] - 0.5 * ch["T5"], ch["Cz"] - ch["EKG"]]


def montage(raw, which):
    """The rows of a montage, samples by rows, from the bytes as records by positions."""
    uv = (raw.astype(float) - 127) * 3.75
    ch = {name: uv[:, i] for i, name in enumerate(POSITIONS)}
    if isinstance(which, str):
        return np.stack(own_montage(ch), axis=1)
    if which == 3:
        rows = [ch[a] - ch[b] for a, b in (pair.split("-") for pair in BANANA)]
    else:
        reference = {0: 0.0, 1: np.mean([ch[n] for n in EEG], axis=0),
                     2: (ch["A1"] + ch["A2"]) / 2}[which]
        # Under linked ears the ears are the reference and have no rows of their own.
        rows = [ch[n] - reference for n in EEG if which != 2 or n not in ("A1", "A2")]
    return np.stack(rows + [ch[n] for n in OTHERS], axis=1)


def sections(rate, high, low, notch):
    parts = []
    if high:
        parts.append(signal.butter(2, high, "highpass", fs=rate, output="sos"))
    if low:
        parts.append(signal.butter(4, low, "lowpass", fs=rate, output="sos"))
    if notch:
        parts.append(signal.tf2sos(*signal.iirnotch(notch, 30, fs=rate)))
    return np.concatenate(parts)


def make_recording(path, records, rate, seed):
    """Noise on every channel, with a 10 Hz rhythm, 50 Hz hum and a slow drift mixed in."""
    rng = np.random.default_rng(seed)
    t = np.arange(records)[:, None] / rate
    phases = rng.uniform(0, 2 * np.pi, (3, 32))
    values = (rng.normal(0, 12, (records, 32)) + 20 * np.sin(2 * np.pi * 10 * t + phases[0])
              + 25 * np.sin(2 * np.pi * 50 * t + phases[1])
              + 60 * np.sin(2 * np.pi * 0.05 * t + phases[2]))
    raw = np.clip(np.round(127 + values / 3.75), 0, 255).astype(np.uint8)
    raw[:, 23] = rng.integers(0, 256, records)  # DC1: bytes at random
    path.write_bytes(raw.tobytes())
    return raw


def probe(program, what, path, rate, high, low, notch, which, first, count):
    run = subprocess.run([program, what, str(path), str(rate), str(high), str(low), str(notch),
                          str(which), str(first), str(count)], capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"velbrix_signal_probe {what} failed ({run.returncode}): {run.stderr}")
    lines = run.stdout.splitlines()
    return int(lines[0].split()[1]), np.array([[float(v) for v in line.split()]
                                               for line in lines[1:]])


def check_page(program, path, raw, rate, high, low, notch, which, first, count):
    name = f"{MONTAGES[which] if isinstance(which, int) else 'own'}, {high}/{low}/{notch} Hz at {rate} Hz, records {first}+{count}"
    margin, page = probe(program, "page", path, rate, high, low, notch, which, first, count)
    whole = montage(raw, which)
    if high or low or notch:
        whole = signal.sosfiltfilt(sections(rate, high, low, notch), whole, axis=0)
    records = np.arange(first, first + count)
    away = (records >= margin) & (records < len(raw) - margin)
    assert away.sum() > count // 2, f"{name}: too little of the page away from the ends"
    worst = np.abs(page[away] - whole[records[away]]).max()
    print(f"{name}: margin {margin} records, largest difference {worst:.2e} uV")
    assert worst <= 0.1, f"{name}: differs from sosfiltfilt by {worst} uV"
    return margin


def check_spectrum(program, path, rate, high, low, notch, which, first, count):
    name = f"spectrum of {MONTAGES[which]} at {rate} Hz, records {first}+{count}"
    _, page = probe(program, "page", path, rate, high, low, notch, which, first, count)
    segment, spectrum = probe(program, "spectrum", path, rate, high, low, notch, which, first,
                              count)
    assert segment == min(round(2 * rate), count), f"{name}: segment {segment}"
    frequencies, density = signal.welch(page, rate, window="hann", nperseg=segment,
                                        noverlap=segment // 2, axis=0)
    assert np.allclose(spectrum[:, 0], frequencies, rtol=0, atol=1e-9), f"{name}: frequencies"
    worst = np.abs(spectrum[:, 1:] - density).max() / density.max()
    print(f"{name}: segment {segment}, largest difference {worst:.2e} of the peak")
    assert worst <= 1e-6, f"{name}: differs from welch by {worst} of the peak"


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        path = pathlib.Path(work) / "rec_eeg"
        raw = make_recording(path, 40000, 256, seed=1)
        check_page(program, path, raw, 256, 0.5, 70, 50, 3, 15000, 2560)
        check_page(program, path, raw, 256, 0.1, 0, 0, 1, 20000, 2560)
        check_page(program, path, raw, 256, 1, 30, 60, 2, 0, 9000)  # near the start
        check_page(program, path, raw, 256, 0, 15, 0, 0, 39000, 1000)  # up to the end
        check_spectrum(program, path, 256, 0.5, 70, 50, 3, 15000, 2560)
        check_spectrum(program, path, 256, 0, 0, 0, 0, 100, 300)  # a page under 2 s
        own = pathlib.Path(work) / "own.montage"
        own.write_text(OWN)
        check_page(program, path, raw, 256, 0.5, 70, 50, str(own), 15000, 2560)
        check_page(program, path, raw, 256, 0, 0, 0, str(own), 100, 500)  # unfiltered
        odd = pathlib.Path(work) / "odd_eeg"
        raw = make_recording(odd, 30000, 250.5, seed=2)
        check_page(program, odd, raw, 250.5, 0.3, 40, 50, 1, 12000, 2505)
        check_spectrum(program, odd, 250.5, 0.3, 40, 50, 1, 12000, 2505)  # segments of 501
    print("OK")


if __name__ == "__main__":
    main()
