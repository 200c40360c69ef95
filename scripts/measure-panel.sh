#!/usr/bin/env bash
# Measures what the player panel costs in the running clock, against the plainest DirectShow
# playback (tests/e2e/plain_player.cpp), and prints both with their ratio. A measurement, not a
# test.
#  1. CPU: the clock (process and Wine server) while its panel plays a 20 s mp3, minus the same
#     clock idle, over 12 s each; against the plain player over 12 s of the same file.
#  2. From a PLAY click on the idle panel (xdotool, wall time just before the click) to the first
#     non-silent sample in an ALSA file sink; against the plain player from just before its open
#     call. RUNS runs each (default 3), median. The panel's two settling pauses are included.
# Usage: scripts/measure-panel.sh   (RUNS=n)
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
cp build/mingw-i686/TarvoClock.exe build/mingw-i686/plain_player.exe build/mingw-i686/wintool.exe \
  "$work/"
cp "$media/tone.mp3" "$media/long.mp3" "$work/"

WORK="$work" SERVER="$server" RUNS="${RUNS:-3}" python3 - <<'EOF'
import array, os, subprocess, time

work, server, runs = os.environ["WORK"], int(os.environ["SERVER"]), int(os.environ["RUNS"])
hz = os.sysconf("SC_CLK_TCK")
sink = os.path.join(work, "sound.raw")
home = os.path.join(work, "home")
os.makedirs(home, exist_ok=True)
# Every playback opens the device afresh; the sink keeps what each one played.
with open(os.path.join(home, ".asoundrc"), "w") as f:
    f.write('pcm.!default {\n type file\n slave.pcm "null"\n' f' file "| cat >> {sink}"\n format "raw"\n}}\n')
env = dict(os.environ, HOME=home)


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def start(args):
    out = open(os.path.join(work, "out.log"), "wb")
    return subprocess.Popen(["wine"] + args, cwd=work, env=env, stdin=subprocess.DEVNULL, stdout=out,
                            stderr=subprocess.DEVNULL), out


def wintool(*args):
    return subprocess.run(["wine", os.path.join(work, "wintool.exe")] + [str(a) for a in args], cwd=work,
                          env=env, capture_output=True, timeout=60).stdout.decode("utf-8", "replace")


def size():
    return os.path.getsize(sink) if os.path.exists(sink) else 0


def first_sound_after(offset, started, limit=20):
    seen = offset // 4 * 4
    while time.time() < started + limit:
        now_size = size()
        if now_size > seen:
            with open(sink, "rb") as f:
                f.seek(seen)
                chunk = f.read((now_size - seen) // 4 * 4)
            now = time.time()
            samples = array.array("f")
            samples.frombytes(chunk)
            if any(abs(x) > 1e-3 for x in samples):
                return now - started
            seen += len(chunk)
        time.sleep(0.002)
    return None


def ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except OSError:
        return 0


def cpu_share(pid, span):
    p0, s0 = ticks(pid), ticks(server)
    time.sleep(span)
    p1, s1 = ticks(pid), ticks(server)
    return ((p1 - p0) + (s1 - s0)) / hz / span


def play_rect():
    for line in wintool("controls", 1043).splitlines():
        if line.startswith("control id=1043 "):
            l, t, r, b = (int(v) for v in line.split("rect=")[1].split(" ")[0].split(","))
            return (l + r) // 2, (t + b) // 2
    return None


def wait_for(predicate, limit):
    deadline = time.time() + limit
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.2)
    return None


span = 12.0
# The plain player: a first run loads Wine's libraries into the page cache and is not counted.
proc, out = start([os.path.join(work, "plain_player.exe"), winpath(os.path.join(work, "tone.mp3"))])
proc.wait(60)
out.close()
plain_starts = []
for _ in range(runs):
    offset = size()
    started = time.time()
    proc, out = start([os.path.join(work, "plain_player.exe"), winpath(os.path.join(work, "tone.mp3"))])
    heard = first_sound_after(offset, started)
    proc.wait(60)
    out.close()
    # Counted from the wall time the program printed just before its open call.
    with open(os.path.join(work, "out.log"), encoding="utf-8", errors="replace") as f:
        opened = next((int(line.split("wall=")[1].split()[0]) / 1000.0 for line in f
                       if "open-call" in line and "wall=" in line), None)
    plain_starts.append(None if heard is None or opened is None else heard + started - opened)
proc, out = start([os.path.join(work, "plain_player.exe"), winpath(os.path.join(work, "long.mp3"))])
time.sleep(3)
plain_cpu = cpu_share(proc.pid, span)
proc.wait(60)
out.close()

# The clock: its list holds the short tone; the panel opens idle from the menu command.
with open(os.path.join(work, "TarvoClock.lst"), "w", newline="\r\n") as f:
    f.write("[PlayList]\nPlayNo=0\nFILE0000=" + winpath(os.path.join(work, "tone.mp3")) + "\n")
with open(os.path.join(work, "TarvoClock.cfg"), "w", newline="\r\n") as f:
    f.write("[TarvoClock]\nLEFT=300\nTOP=300\nSndDLEFT=40\nSndDTOP=40\nFeedServer=127.77.0.250\n")
clock, out = start([os.path.join(work, "TarvoClock.exe")])
time.sleep(10)
idle_cpu = cpu_share(clock.pid, span)
wintool("post", "TarvoClock", 0x0111, 40039)
button = wait_for(play_rect, 20)
clock_starts = []
for _ in range(runs + 1):
    time.sleep(3)  # the tone (2 s) has ended and the panel is idle again
    offset = size()
    subprocess.run(["xdotool", "mousemove", *map(str, button)], check=True)
    time.sleep(0.2)
    started = time.time()
    subprocess.run(["xdotool", "click", "1"], check=True)
    clock_starts.append(first_sound_after(offset, started))
clock_starts = clock_starts[1:]  # the first open loads the codecs
time.sleep(3)
wintool("drop", "TarvoClock", winpath(os.path.join(work, "long.mp3")))
time.sleep(3)
playing_cpu = cpu_share(clock.pid, span)
wintool("post", "TarvoClock", 0x0010)
clock.wait(60)
out.close()


def median(values):
    got = sorted(v for v in values if v is not None)
    return got[len(got) // 2] if got else None


print("PLAY click (panel) / open call (plain) to first sound, tone.mp3, seconds:")
print("  panel  " + " ".join("-" if v is None else f"{v:.3f}" for v in clock_starts))
print("  plain  " + " ".join("-" if v is None else f"{v:.3f}" for v in plain_starts))
mp, mc = median(plain_starts), median(clock_starts)
if mp and mc:
    print(f"  ratio panel / plain: {mc / mp:.2f} ({mc:.3f} / {mp:.3f})")
print(f"CPU over {span:.0f} s (process and Wine server, share of one core):")
print(f"  clock idle {100 * idle_cpu:5.2f} %  clock playing long.mp3 {100 * playing_cpu:5.2f} %  "
      f"difference {100 * (playing_cpu - idle_cpu):5.2f} %")
print(f"  plain player long.mp3 {100 * plain_cpu:5.2f} %")
if plain_cpu > 0:
    print(f"  ratio (playing - idle) / plain: {(playing_cpu - idle_cpu) / plain_cpu:.2f}")
EOF
