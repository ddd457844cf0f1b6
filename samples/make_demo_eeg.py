#!/usr/bin/env python3
"""Writes samples/demo_eeg: 4 seconds of made-up EEG-like signals for trying Velbrix.

The file holds 1024 records of 32 bytes, one record per sample time at 256 samples per second;
byte i of a record is the unsigned sample of the channel at record position i + 1, and Velbrix
reads a byte b as (b - 127) * 3.75 microvolts. No person was recorded: every channel is a sum of
sine waves and noise from a fixed seed, so the file comes out the same on every run. Each channel
has a character of its own: an alpha rhythm strongest at the back of the head, blinks on the
frontal channels, a heartbeat on EKG, slow drifts on the DC channels, and so on.
Usage: make_demo_eeg.py [OUTPUT]   (default: demo_eeg beside this script)
"""
import math
import pathlib
import random
import sys

RATE = 256  # samples per second
SECONDS = 4
# The channels in record order: position 1 first.
CHANNELS = ["FP2", "F8", "T4", "T6", "F4", "C4", "P4", "O2", "A2", "Fz", "Cz", "Pz",
            "FP1", "F7", "T3", "T5", "F3", "C3", "P3", "O1", "A1", "BP3", "EKG", "DC1",
            "DC2", "DC3", "BP4", "Oz", "BP2", "PG1", "PG2", "BP1"]
MICROVOLTS_PER_STEP = 3.75
ZERO_BYTE = 127


def alpha_weight(name):
    """How strong the 10 Hz alpha rhythm is: strongest over the back of the head."""
    if name in ("O1", "O2", "Oz"):
        return 1.0
    if name in ("P3", "P4", "Pz", "T5", "T6"):
        return 0.6
    if name in ("C3", "C4", "Cz"):
        return 0.35
    return 0.15


def blink(t):
    """Two eye blinks, at 1.1 s and 2.9 s, as smooth bumps."""
    return sum(math.exp(-((t - at) / 0.08) ** 2) for at in (1.1, 2.9))


def heartbeat(t):
    """A sharp beat every 0.8 s (75 per minute)."""
    phase = (t % 0.8) / 0.8
    return math.exp(-((phase - 0.3) / 0.012) ** 2) - 0.25 * math.exp(-((phase - 0.36) / 0.03) ** 2)


def microvolts(name, index, t, rng):
    phase = index * 0.7  # each channel slightly out of step with the others
    if name == "EKG":
        return 420 * heartbeat(t) + rng.gauss(0, 6)
    if name.startswith("DC"):
        step = int(name[2])
        return 180 * math.sin(2 * math.pi * 0.2 * step * t + phase) + rng.gauss(0, 2)
    if name.startswith("BP"):  # bipolar leads: a beta rhythm, each at its own frequency
        return 25 * math.sin(2 * math.pi * (16 + 2 * int(name[2])) * t + phase) + rng.gauss(0, 6)
    if name.startswith("PG"):
        return 15 * math.sin(2 * math.pi * 4 * t + phase) + rng.gauss(0, 4)
    value = 60 * alpha_weight(name) * math.sin(2 * math.pi * (9.5 + 0.05 * index) * t + phase)
    value += 20 * math.sin(2 * math.pi * 2.5 * t + 2 * phase)  # slow background
    if name.startswith("FP"):
        value += 250 * blink(t)
    elif name.startswith("F"):
        value += 90 * blink(t)
    if name in ("A1", "A2"):  # ear references: quiet
        value *= 0.3
    return value + rng.gauss(0, 8)


def recording():
    rng = random.Random(2024)
    out = bytearray()
    for n in range(RATE * SECONDS):
        t = n / RATE
        for index, name in enumerate(CHANNELS):
            steps = round(microvolts(name, index, t, rng) / MICROVOLTS_PER_STEP)
            out.append(min(255, max(0, ZERO_BYTE + steps)))
    return bytes(out)


def main():
    target = (pathlib.Path(sys.argv[1]) if len(sys.argv) > 1
              else pathlib.Path(__file__).resolve().parent / "demo_eeg")
    data = recording()
    target.write_bytes(data)
    print(f"wrote {target}: {len(data) // len(CHANNELS)} records, {len(data)} bytes")


if __name__ == "__main__":
    main()
