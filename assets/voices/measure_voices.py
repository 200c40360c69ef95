#!/usr/bin/env python3
# Measures the four voice sets against the targets in assets/README.md: pitch (median F0 of the
# voiced frames), the spacing of the four pitches, the first formant (LPC) against the unshifted
# voice speaking the same lines, clipping and loudness. Prints one row per set and exits 1 when a
# target is missed. Usage: measure_voices.py CLIPS_DIR [REFERENCE_DIR]
#   CLIPS_DIR      the clips as encoded (OGG_VOXA00.ogg ...), or any files sox reads
#   REFERENCE_DIR  the same lines spoken by the voice with no pitch or all-pass change, under the
#                  same names (any extension sox reads); without it the formant target is skipped
import math
import os
import subprocess
import sys

import numpy as np

RATE = 22050
SETS = "ABCD"
CLIPS_PER_SET = 30

MIN_MEDIAN_F0 = 220.0        # Hz, every set
MIN_SPACING = 1.5            # semitones between any two sets' medians
MIN_FORMANT_RAISE = 1.10     # mean F1 against the unshifted voice on the same lines
# The clips' level before these voices: the mean RMS of the 120 voice clips made with the
# earlier voice settings, measured the same way. Every set stays within LEVEL_TOLERANCE of it.
TODAY_LEVEL_DB = -19.02
LEVEL_TOLERANCE = 1.0
CLIP_LIMIT = 32767           # a decoded sample at full scale counts as clipped

FRAME = int(0.030 * RATE)
HOP = int(0.010 * RATE)
MIN_LAG = RATE // 600
MAX_LAG = RATE // 70


def Samples(path):
    """The file as mono 16-bit samples at RATE, decoded by sox."""
    raw = subprocess.run(["sox", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-c", "1",
                          "-r", str(RATE), "-"], check=True, capture_output=True).stdout
    return np.frombuffer(raw, dtype="<i2").astype(np.float64)


def Frames(x, length):
    count = (len(x) - length) // HOP + 1
    if count <= 0:
        return np.zeros((0, length))
    index = np.arange(length)[None, :] + HOP * np.arange(count)[:, None]
    return x[index]


def Pitches(x):
    """F0 of each voiced frame: the normalised correlation of a 30 ms window with itself one
    period later, taking the shortest lag that comes within 10 % of the best so that two periods
    are not taken for one. Frames quieter than 3 % of full scale or correlating below 0.75 are
    unvoiced. Returns (pitches, start sample of each voiced frame)."""
    frames = Frames(x, FRAME + MAX_LAG)
    if len(frames) == 0:
        return np.zeros(0), np.zeros(0, dtype=int)
    head = frames[:, :FRAME]
    energy = np.sum(head * head, axis=1)
    loud = np.sqrt(energy / FRAME) >= 0.03 * 32768
    corr = np.zeros((len(frames), MAX_LAG + 1))
    for lag in range(MIN_LAG, MAX_LAG + 1):
        shifted = frames[:, lag:lag + FRAME]
        cross = np.sum(head * shifted, axis=1)
        norm = np.sqrt(energy * np.sum(shifted * shifted, axis=1))
        corr[:, lag] = np.where(norm > 0, cross / np.maximum(norm, 1e-9), 0.0)
    best = corr.max(axis=1)
    voiced = loud & (best >= 0.75)
    pitches, starts = [], []
    for i in np.nonzero(voiced)[0]:
        lag = MIN_LAG + int(np.argmax(corr[i, MIN_LAG:] >= 0.9 * best[i]))
        pitches.append(RATE / lag)
        starts.append(i * HOP)
    return np.array(pitches), np.array(starts, dtype=int)


def FirstFormant(frame, rate):
    """F1 of one frame by LPC (order 10 at 11025 Hz, as formant trackers use for a female
    voice): the lowest root above 90 Hz whose bandwidth is below 400 Hz, or None."""
    order = 10
    frame = np.append(frame[0], frame[1:] - 0.97 * frame[:-1]) * np.hamming(len(frame))
    r = np.correlate(frame, frame, "full")[len(frame) - 1:len(frame) + order]
    if r[0] <= 0:
        return None
    a = np.zeros(order + 1)
    a[0] = 1.0
    error = r[0]
    for i in range(1, order + 1):
        k = -(r[i] + np.dot(a[1:i], r[i - 1:0:-1])) / error
        a[1:i] = a[1:i] + k * a[i - 1:0:-1]
        a[i] = k
        error *= 1.0 - k * k
        if error <= 0:
            return None
    found = []
    for root in np.roots(a):
        if root.imag <= 0:
            continue
        freq = math.atan2(root.imag, root.real) * rate / (2 * math.pi)
        bandwidth = -math.log(abs(root)) * rate / math.pi
        if freq > 90 and bandwidth < 400:
            found.append(freq)
    return min(found) if found else None


def Formants(x, starts):
    """F1 of every voiced frame, on the signal halved to 11025 Hz."""
    half = np.convolve(x, np.array([0.25, 0.5, 0.25]), "same")[::2]
    length = int(0.025 * RATE / 2)
    out = []
    for start in starts:
        s = start // 2
        frame = half[s:s + length]
        if len(frame) == length:
            f1 = FirstFormant(frame, RATE / 2)
            if f1 is not None:
                out.append(f1)
    return out


def RmsDb(x):
    return 20 * math.log10(max(math.sqrt(np.mean(x * x)), 1e-9) / 32768)


def FindFile(folder, stem):
    for name in sorted(os.listdir(folder)):
        if os.path.splitext(name)[0] == stem:
            return os.path.join(folder, name)
    return None


def Measure(folder, voice):
    pitches, formants, levels, peak = [], [], [], 0.0
    for number in range(CLIPS_PER_SET):
        path = FindFile(folder, "OGG_VOX%s%02d" % (voice, number))
        if path is None:
            sys.exit("%s: no clip OGG_VOX%s%02d" % (folder, voice, number))
        x = Samples(path)
        found, starts = Pitches(x)
        pitches.extend(found)
        formants.extend(Formants(x, starts))
        levels.append(RmsDb(x))
        peak = max(peak, float(np.max(np.abs(x))))
    return {"f0": float(np.median(pitches)) if pitches else 0.0, "voiced": len(pitches),
            "f1": float(np.mean(formants)) if formants else 0.0,
            "level": float(np.mean(levels)), "peak": peak}


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: measure_voices.py CLIPS_DIR [REFERENCE_DIR]")
    clips = sys.argv[1]
    reference = sys.argv[2] if len(sys.argv) == 3 else None
    missed = []
    result = {}
    print("set  F0 Hz  voiced  F1 Hz  F1 unshifted  raise  level dB  peak dBFS")
    for voice in SETS:
        m = Measure(clips, voice)
        base = Measure(reference, voice)["f1"] if reference else 0.0
        raise_ = m["f1"] / base if base > 0 else float("nan")
        result[voice] = m
        print("%s   %6.1f  %6d  %5.0f  %12.0f  %5.2f  %8.2f  %9.2f"
              % (voice, m["f0"], m["voiced"], m["f1"], base, raise_, m["level"],
                 20 * math.log10(max(m["peak"], 1) / 32768)))
        if m["f0"] < MIN_MEDIAN_F0:
            missed.append("set %s: median F0 %.1f Hz is below %.0f Hz" % (voice, m["f0"], MIN_MEDIAN_F0))
        if reference and not raise_ >= MIN_FORMANT_RAISE:
            missed.append("set %s: F1 is %.2f times the unshifted voice's, below %.2f"
                          % (voice, raise_, MIN_FORMANT_RAISE))
        if m["peak"] >= CLIP_LIMIT:
            missed.append("set %s: clipped" % voice)
        if abs(m["level"] - TODAY_LEVEL_DB) > LEVEL_TOLERANCE:
            missed.append("set %s: level %.2f dB is more than %.1f dB from %.2f dB"
                          % (voice, m["level"], LEVEL_TOLERANCE, TODAY_LEVEL_DB))
    closest = min((abs(12 * math.log2(result[a]["f0"] / result[b]["f0"])), a, b)
                  for i, a in enumerate(SETS) for b in SETS[i + 1:])
    print("closest pitches: sets %s and %s, %.2f semitones apart" % (closest[1], closest[2], closest[0]))
    if closest[0] < MIN_SPACING:
        missed.append("sets %s and %s are %.2f semitones apart, less than %.1f"
                      % (closest[1], closest[2], closest[0], MIN_SPACING))
    for line in missed:
        print("target missed: " + line, file=sys.stderr)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
