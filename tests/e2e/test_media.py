"""Media playback heard and seen from outside: media_probe.exe plays files through the media
engine; the ALSA file sink shows what reached the sound device and screenshots what the video
window shows.

The sink holds the device's mix format (32-bit float stereo) in bursts with silence between
them, so only levels and zero-crossing rates inside non-silent runs are compared, always against
a reference played the same way, never durations.
"""
import array
import os
import shutil
import subprocess

import harness
from harness import wait_until

# The probe runs under its own name in a Wine virtual desktop of this size: without a window
# manager a maximised window keeps its old size on the X screen, so maximising could not be seen.
PROBE_NAME = "media_probe.exe"
DESKTOP = (640, 720)
LOUD = 1e-3
WINDOW = 480


def media_folder(h):
    folder = os.path.abspath(h.args.media or os.path.join(harness.ROOT, "build", "media"))
    subprocess.run(["bash", os.path.join(harness.ROOT, "scripts", "make-test-media.sh"), folder],
                   check=True, timeout=300)
    return folder


def use_virtual_desktop(h):
    for args in (["HKCU\\Software\\Wine\\AppDefaults\\" + PROBE_NAME + "\\Explorer", "/v", "Desktop",
                  "/t", "REG_SZ", "/d", "MediaProbe", "/f"],
                 ["HKCU\\Software\\Wine\\Explorer\\Desktops", "/v", "MediaProbe", "/t", "REG_SZ",
                  "/d", f"{DESKTOP[0]}x{DESKTOP[1]}", "/f"]):
        subprocess.run(["wine", "reg", "add"] + args, env=h.wine_env, capture_output=True, check=True,
                       timeout=60)


class Play:
    """One probe run: its exit code, its report lines and what the sink heard."""

    def __init__(self, h, screen, media, name, *options, watch=None, timeout=40):
        self.probe = h.clock(screen, name="media")
        os.remove(self.probe.exe)
        self.probe.exe = os.path.join(self.probe.folder, PROBE_NAME)
        shutil.copy(h.args.media_probe, self.probe.exe)
        self.probe.start("Z:" + os.path.join(media, name).replace("/", "\\"), *options)
        self.seen = watch(self.probe) if watch else None
        self.code = self.probe.wait_exit(timeout)
        self.lines = [e for e in self.probe.events() if e.startswith("probe ")]
        raw = self.probe.sound_bytes()
        samples = array.array("f")
        samples.frombytes(raw[:len(raw) // 8 * 8])
        self.left = samples[0::2]
        self.name = name

    def field(self, prefix, key):
        """The value of key=... on the first report line that starts with `prefix`."""
        for line in self.lines:
            if line.startswith(prefix):
                for part in line.split(" "):
                    if part.startswith(key + "="):
                        return part[len(key) + 1:]
        raise AssertionError(f"no {prefix} {key} in {self.lines}")

    def peak(self):
        return max((abs(x) for x in self.left), default=0.0)

    def runs(self):
        """Non-silent runs as (start, end) sample indices; a run ends at 64 quiet samples."""
        result = []
        start = None
        quiet = 0
        for i, x in enumerate(self.left):
            if abs(x) > LOUD:
                if start is None:
                    start = i
                quiet = 0
            elif start is not None:
                quiet += 1
                if quiet >= 64:
                    result.append((start, i - quiet + 1))
                    start = None
        if start is not None:
            result.append((start, len(self.left) - quiet))
        return result

    def crossing_rates(self):
        """Zero crossings per sample of each whole window inside a run, in the order heard."""
        rates = []
        for start, end in self.runs():
            for w in range(start + 48, end - 48 - WINDOW, WINDOW):
                chunk = self.left[w:w + WINDOW]
                crossings = sum(1 for a, b in zip(chunk, chunk[1:]) if (a < 0) != (b < 0))
                rates.append(crossings / WINDOW)
        return rates

    def describe(self):
        return f"{self.name}: code {self.code}, peak {self.peak():.5f}, {len(self.runs())} runs, {self.lines}"


def median(values):
    values = sorted(values)
    assert values, "no loud windows"
    return values[len(values) // 2]


def is_red(p):
    return p[0] > 180 and p[1] < 80 and p[2] < 80


def is_blue(p):
    return p[2] > 180 and p[0] < 80 and p[1] < 80


def is_black(p):
    return max(p) < 30


def picture_in_halves(shot, client):
    """Shares of red in the client's left half and of blue in its right half, read on a 4-pixel
    grid. Wine draws the picture shifted right by the client's screen x, so the halves are
    compared as shares, never as exact edges."""
    l, t, r, b = client
    mid = (l + r) // 2

    def share(box, predicate):
        x0, y0, x1, y1 = box
        points = [(x, y) for y in range(y0, y1, 4) for x in range(x0, x1, 4)]
        return sum(1 for x, y in points if predicate(shot.pixel(x, y))) / max(len(points), 1)
    return share((l, t, mid, b), is_red), share((mid, t, r, b), is_blue)


def watch_picture(screen, client_of):
    """A watcher for Play: screenshots until the client area shows red left and blue right."""
    def watch(probe):
        def ready():
            client = client_of(probe)
            if client is None:
                return None
            shot = screen.shot()
            red, blue = picture_in_halves(shot, client)
            return (red, blue, shot, client) if red > 0.5 and blue > 0.5 else None
        try:
            return wait_until(ready, 8, step=0.05, what="red and blue in the video window")
        except AssertionError:
            return None
    return watch


def shown_client(probe):
    line = next((e for e in probe.events() if e.startswith("probe video shown")), None)
    if line is None:
        return None
    part = next(p for p in line.split(" ") if p.startswith("client="))
    return tuple(int(v) for v in part[7:].split(","))


def test_every_kind_is_heard_and_pictures_are_seen(h):
    media = media_folder(h)
    use_virtual_desktop(h)
    screen = h.screen()
    reference = Play(h, screen, media, "tone.wav")
    assert reference.code == 0, reference.describe()
    tone = median(reference.crossing_rates())
    level = reference.peak()
    assert level > 0.05, reference.describe()
    # The route each kind takes: .ogg is tried on the reader first, which takes it; the reader
    # wedges under Wine on files with picture and sound, so those end up with RenderFile.
    routes = {"tone.mp3": "reader", "tone.wma": "reader", "tone.ogg": "reader",
              "clip.avi": "renderfile", "clip.wmv": "renderfile", "clip.mpg": "renderfile",
              "clip.mp4": "renderfile"}
    for name, route in routes.items():
        video = name.startswith("clip.")
        play = Play(h, screen, media, name, "pos=0,0",
                    watch=watch_picture(screen, shown_client) if video else None)
        assert play.code == 0, play.describe()
        assert play.field("probe opened", "route") == route, play.describe()
        assert abs(int(play.field("probe opened", "duration_ms")) - 2000) <= 100, play.describe()
        rates = play.crossing_rates()
        assert len(rates) >= 20, (len(rates), play.describe())
        # A 440 Hz tone at the reference's level (lossy codecs may move the peak a little).
        assert abs(median(rates) / tone - 1) < 0.05, (median(rates), tone, play.describe())
        assert 0.7 < play.peak() / level < 1.4, (play.peak(), level, play.describe())
        if video:
            assert play.field("probe aspect", "window") == "1", play.describe()
            assert play.seen is not None, f"{name}: no red/blue picture seen, {play.describe()}"
            red, blue, shot, client = play.seen
            shot.save(h.artifact(f"media-{name}.png"))
        else:
            assert play.field("probe aspect", "window") == "0", play.describe()

    silent = Play(h, screen, media, "quiet.avi", "pos=0,0", watch=watch_picture(screen, shown_client))
    assert silent.code == 0, silent.describe()
    assert silent.field("probe ended", "event") == "1", silent.describe()
    assert silent.seen is not None, silent.describe()
    assert silent.peak() <= LOUD, silent.describe()


def test_volume_scales_the_level(h):
    media = media_folder(h)
    screen = h.screen()
    plays = {v: Play(h, screen, media, "tone.wav", f"volume={v}") for v in ("1.0", "0.5", "0")}
    for play in plays.values():
        assert play.code == 0, play.describe()
    full, half, off = (plays[v].peak() for v in ("1.0", "0.5", "0"))
    assert full > 0.05, plays["1.0"].describe()
    # -6.02 dB is half the amplitude; the lowest setting is -48.16 dB, far quieter though not
    # necessarily silent.
    assert 0.4 < half / full < 0.6, (full, half)
    assert off / full < 0.02, (full, off)
    tone = median(plays["1.0"].crossing_rates())
    assert abs(median(plays["0.5"].crossing_rates()) / tone - 1) < 0.05


def test_seek_past_the_step_plays_only_the_high_tone(h):
    media = media_folder(h)
    screen = h.screen()
    whole = Play(h, screen, media, "step.wav")
    assert whole.code == 0, whole.describe()
    low = median(whole.crossing_rates()[:10])

    def kinds(play):
        """'L' for a 440 Hz window, 'H' for 880 Hz, '?' for a window that holds the change."""
        out = ""
        for rate in play.crossing_rates():
            ratio = rate / low
            out += "L" if 0.9 < ratio < 1.1 else "H" if 1.85 < ratio < 2.15 else "?"
        return out

    def strays_after_high(order):
        return order[order.find("H" * 10):].count("L")

    heard = kinds(whole)
    # The reference: both tones, low first, each for a good share of the windows. Windows on a
    # burst's edge read as neither, and a clean-clone run had a third of the low half so (70 low
    # windows of 214), so a quarter is the share asked for.
    assert heard.count("L") > len(heard) / 4 and heard.count("H") > len(heard) / 4, heard
    # The sink may write a few tens of milliseconds of a burst twice, and windows on a burst's
    # edge read oddly: the high tone counts from ten windows in a row, and a few stray low
    # windows after it are allowed.
    assert heard[:heard.find("H" * 10)].count("L") > len(heard) / 4, heard
    assert strays_after_high(heard) <= 10, heard

    seeked = Play(h, screen, media, "step.wav", "seek=300:2000")
    assert seeked.code == 0, seeked.describe()
    assert int(seeked.field("probe seek", "after")) >= 1990, seeked.describe()
    order = kinds(seeked)
    assert "H" * 10 in order, order
    # After the seek only the high tone: at most the sink's few repeated windows of the low one.
    assert strays_after_high(order) <= 10, order
    # What played before the seek is a small part of the low tone the whole file holds.
    assert order.count("L") < heard.count("L") / 2, (order, heard)


def test_maximised_video_is_letterboxed_on_black(h):
    media = media_folder(h)
    use_virtual_desktop(h)
    screen = h.screen()

    def maximised_client(probe):
        line = next((e for e in probe.events() if e.startswith("probe video maximized")), None)
        if line is None:
            return None
        part = next(p for p in line.split(" ") if p.startswith("client="))
        return tuple(int(v) for v in part[7:].split(","))

    play = Play(h, screen, media, "clip.avi", "pos=0,0", "maximize=300",
                watch=watch_picture(screen, maximised_client))
    assert play.code == 0, play.describe()
    assert play.field("probe video maximized", "zoomed") == "1", play.describe()
    assert play.field("probe ended", "full_screen") == "1", play.describe()
    assert play.seen is not None, f"no picture in the maximised window: {play.describe()}"
    red, blue, shot, client = play.seen
    shot.save(h.artifact("media-maximised.png"))
    l, t, r, b = client
    assert (r - l, b - t) == (DESKTOP[0], DESKTOP[1] - t), client
    # The 4:3 picture spans the width of the taller client: black bands above and below it,
    # red and blue between them.
    rows = []
    for y in range(t, b):
        line = [shot.pixel(x, y) for x in range(l + 8, r - 8, 8)]
        rows.append("K" if all(is_black(p) for p in line) else
                    "P" if sum(1 for p in line if is_red(p) or is_blue(p)) > len(line) * 0.9 else "?")
    bands = "".join(rows)
    assert bands.startswith("K" * 40) and bands.endswith("K" * 40), bands
    picture = bands.count("P")
    assert picture > (r - l) * 3 // 4 - 20, (picture, bands)
    assert "K" not in bands.strip("K").replace("?", ""), bands


if __name__ == "__main__":
    harness.run([test_every_kind_is_heard_and_pictures_are_seen,
                 test_volume_scales_the_level,
                 test_seek_past_the_step_plays_only_the_high_tone,
                 test_maximised_video_is_letterboxed_on_black])
