#!/usr/bin/env bash
# Measures what playing media through the clock's engine costs, against the plainest DirectShow
# playback (tests/e2e/plain_player.cpp: RenderFile, Run, wait for the end), and prints both with
# their ratio. A measurement, not a test.
#  1. Open to first sound: from the wall time each program prints just before its open call to
#     the moment the first non-silent sample lands in an ALSA file sink (tone.mp3 and tone.wav,
#     RUNS runs each, median).
#  2. CPU over 15 s in the middle of a 20 s mp3: the program's and the Wine server's CPU time.
# Usage: scripts/measure-media.sh   (RUNS=n, default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh mingw-i686 >/dev/null
export WINEPREFIX="$root/build/wine-measure"
. scripts/wine-env.sh
EnsureWinePrefix
media="$root/build/mingw-i686/media"
bash scripts/make-test-media.sh "$media"

. scripts/measure-env.sh
StartMeasureEnvironment
cp build/mingw-i686/media_probe.exe build/mingw-i686/plain_player.exe "$work/"

WORK="$work" MEDIA="$media" SERVER="$server" RUNS="${RUNS:-3}" python3 - <<'EOF'
import array, os, subprocess, time

work, media, server, runs = os.environ["WORK"], os.environ["MEDIA"], int(os.environ["SERVER"]), int(os.environ["RUNS"])
hz = os.sysconf("SC_CLK_TCK")
programs = [("engine", "media_probe.exe"), ("plain", "plain_player.exe")]


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def start(exe, name, sink):
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    with open(os.path.join(home, ".asoundrc"), "w") as f:
        f.write('pcm.!default {\n type file\n slave.pcm "null"\n' f' file "{sink}"\n format "raw"\n}}\n')
    if os.path.exists(sink):
        os.remove(sink)
    env = dict(os.environ, HOME=home)
    out = open(os.path.join(work, "out.log"), "wb")
    proc = subprocess.Popen(["wine", os.path.join(work, exe), winpath(os.path.join(media, name))],
                            cwd=work, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
    return proc, out


def output():
    with open(os.path.join(work, "out.log"), encoding="utf-8", errors="replace") as f:
        return f.read()


def wall_of(text, word):
    for line in text.splitlines():
        if word in line and "wall=" in line:
            return int(line.split("wall=")[1].split()[0]) / 1000.0
    return None


def first_sound(exe, name):
    sink = os.path.join(work, "sound.raw")
    proc, out = start(exe, name, sink)
    heard = None
    seen = 0
    deadline = time.time() + 30
    while heard is None and time.time() < deadline and proc.poll() is None:
        size = os.path.getsize(sink) if os.path.exists(sink) else 0
        if size // 4 > seen:
            with open(sink, "rb") as f:
                f.seek(seen * 4)
                chunk = f.read((size // 4 - seen) * 4)
            now = time.time()
            samples = array.array("f")
            samples.frombytes(chunk)
            if any(abs(x) > 1e-3 for x in samples):
                heard = now
            seen += len(samples)
        time.sleep(0.002)
    proc.wait(60)
    out.close()
    opened = wall_of(output(), "open-call")
    return None if heard is None or opened is None else heard - opened


def ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except OSError:
        return 0


def cpu(exe, name, skip=3.0, span=15.0):
    proc, out = start(exe, name, os.path.join(work, "sound.raw"))
    time.sleep(skip)
    p0, s0 = ticks(proc.pid), ticks(server)
    time.sleep(span)
    p1, s1 = ticks(proc.pid), ticks(server)
    alive = proc.poll() is None
    proc.wait(60)
    out.close()
    return (p1 - p0) / hz / span, (s1 - s0) / hz / span, alive


# A first run of each loads Wine's libraries into the page cache; it is not counted.
for _, exe in programs:
    first_sound(exe, "tone.wav")

print("open to first sound (median of %d runs, seconds):" % runs)
for name in ("tone.mp3", "tone.wav"):
    medians = {}
    for label, exe in programs:
        values = [first_sound(exe, name) for _ in range(runs)]
        got = sorted(v for v in values if v is not None)
        medians[label] = got[len(got) // 2] if got else None
        print(f"  {name:9} {label:7} " + " ".join("-" if v is None else f"{v:.3f}" for v in values))
    if medians["engine"] and medians["plain"]:
        print(f"  {name:9} ratio engine / plain: {medians['engine'] / medians['plain']:.2f}"
              f" ({medians['engine']:.3f} / {medians['plain']:.3f})")

print("CPU over 15 s of long.mp3 (share of one core):")
totals = {}
for label, exe in programs:
    own, srv, alive = cpu(exe, "long.mp3")
    totals[label] = own + srv
    print(f"  {label:7} process {100 * own:5.2f} %  wineserver {100 * srv:5.2f} %  total {100 * (own + srv):5.2f} %"
          + ("" if alive else "  (ended early!)"))
if totals["plain"] > 0:
    print(f"  ratio engine / plain: {totals['engine'] / totals['plain']:.2f}")
EOF
