"""End-to-end harness: runs the real clock under Xvfb + Wine and observes it from outside.

Every wait is bounded, every process started here is ended by its own id, and each test
gets a fresh folder with its own copy of the program, settings file and sound sink.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
APP_TITLE = "TarvoClock"
FEED_SERVER_SCRIPT = os.path.join(ROOT, "tools", "feedserver", "feedserver.py")
# The feeds a test's server serves unless it brings its own: titles of every length the bar must
# handle, a skin offer (of the sample package the run folder's news offers too), a broken offer
# and an odd one.
TEST_NEWS = os.path.join(ROOT, "tests", "data", "news")
SAMPLE_SKINS = os.path.join(ROOT, "assets", "news", "skins")
# Every clock gets its own feed server address 127.77.N.1, so no test looks a name up or
# leaves the machine; nothing listens there unless the test starts a FeedServer on it. The
# count starts from the process id, so runs side by side on one machine rarely meet, and an
# address someone already listens on is passed over (see Harness.feed_server).
_next_feed_net = [os.getpid() % 250 + 1]


def next_feed_address():
    n = _next_feed_net[0]
    _next_feed_net[0] = n % 250 + 1
    return f"127.77.{n}.1"


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--exe", required=True, help="test build of the program (with hooks)")
    p.add_argument("--product", required=True, help="product build of the program")
    p.add_argument("--wintool", required=True)
    p.add_argument("--probe", help="surface_probe.exe: a known pattern through the surface code")
    p.add_argument("--media-probe", help="media_probe.exe: plays one file through the media engine")
    p.add_argument("--media", help="folder of the test media (made by scripts/make-test-media.sh)")
    p.add_argument("--keep", action="store_true", help="keep the test folders")
    return p.parse_args()


CACHE = os.path.join(ROOT, "build", "e2e-cache")


def lane():
    """Which of the lanes that ctest hands out (scripts/test.sh runs two at once) this run has:
    1 when ctest hands none out."""
    value = os.environ.get("CTEST_RESOURCE_GROUP_0_WINE_LANES", "")
    fields = dict(f.split(":", 1) for f in value.split(",") if ":" in f)
    return int(fields["id"]) if fields.get("id", "").isdigit() else 1


def wine_environment():
    """The Wine environment of scripts/wine-env.sh, with the prefix made if missing. Each lane has
    a prefix of its own, as a case ends its prefix's server when it is done."""
    env = dict(os.environ)
    if lane() > 1:
        env["WINEPREFIX"] = os.path.join(ROOT, "build", f"wine-test-lane{lane()}")
    out = subprocess.run(
        ["bash", "-c", f". '{ROOT}/scripts/wine-env.sh' && EnsureWinePrefix && env -0"],
        check=True, capture_output=True, timeout=300, env=env).stdout
    env = {}
    for item in out.split(b"\0"):
        if b"=" in item:
            k, v = item.split(b"=", 1)
            env[k.decode()] = v.decode()
    return env


def end_process(proc, timeout=5):
    """Asks a process started here to end, and kills it when it has not within `timeout`."""
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def wait_until(predicate, timeout, step=0.1, what="condition"):
    """`what` names the awaited state in the failure; a callable is asked at the time out, for
    the state as it was then."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            named = what() if callable(what) else what
            raise AssertionError(f"timed out after {timeout}s waiting for {named}")
        time.sleep(step)


class Stamps:
    """When each trace line first appeared, by this machine's monotonic clock: the trace is
    written line by line as things happen, and read here every 10 ms."""

    def __init__(self, clock):
        self.clock = clock
        self.seen = {}
        self.stopping = False
        self.thread = threading.Thread(target=self.watch, daemon=True)
        self.thread.start()

    def watch(self):
        while not self.stopping:
            now = time.monotonic()
            for i, line in enumerate(self.clock.events()):
                self.seen.setdefault((i, line), now)
            time.sleep(0.01)

    def first(self, prefix, after=0.0, timeout=30):
        def found():
            hits = sorted(t for (i, line), t in list(self.seen.items()) if line.startswith(prefix) and t >= after)
            return hits[0] if hits else None
        return wait_until(found, timeout, step=0.02, what=f"event '{prefix}'")

    def stop(self):
        self.stopping = True
        self.thread.join(5)


def xdo(screen, *args):
    """Runs xdotool on the screen's display."""
    subprocess.run(["xdotool"] + [str(a) for a in args], env={"DISPLAY": screen.display}, check=True,
                   timeout=20)


def menu_windows(clock):
    return [w for w in clock.windows("#32768") if w["visible"]]


# Under Wine a right-click that comes within about half a second of a popup menu closing is
# lost (the menu's pointer grab is still being let go); a person never clicks that fast, the
# tests do. So a menu is asked for again when none came, and the close waits for the calm.
def open_menu(clock, screen, x, y, tries=3):
    """Right-clicks the screen at x, y until a popup menu of the clock shows; returns its window."""
    for attempt in range(tries):
        xdo(screen, "mousemove", x, y)
        xdo(screen, "click", 3)
        try:
            return wait_until(lambda: menu_windows(clock), 4 if attempt + 1 < tries else 10,
                              what="the popup menu")[0]
        except AssertionError:
            if attempt + 1 == tries:
                raise
    return None


def close_menu(clock, screen, *keys):
    """Presses the keys in the open menu and waits for it to close and for Wine to let go."""
    xdo(screen, "key", *keys)
    wait_until(lambda: not menu_windows(clock), 10, what="the menu to close")
    time.sleep(0.7)


class Screen:
    """A private Xvfb display."""

    def __init__(self, width=1024, height=768, depth=24, screens=1):
        self.width, self.height, self.depth = width, height, depth
        self.proc = None
        self.display = None
        args = []
        for i in range(screens):
            args += ["-screen", str(i), f"{width}x{height}x{depth}"]
        if screens > 1:
            args += ["+xinerama"]
        self.args = args

    def start(self):
        # Each lane looks for a free display in a range of its own: two lanes trying one number
        # at once could each take the other's server for their own.
        first = 120 + 40 * (lane() - 1)
        for number in range(first, first + 40):
            if os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            proc = subprocess.Popen(["Xvfb", f":{number}", "-nolisten", "tcp", "-noreset"] + self.args,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                wait_until(lambda: os.path.exists(f"/tmp/.X11-unix/X{number}") or proc.poll() is not None,
                           10, what="Xvfb")
            except AssertionError:
                proc.kill()
                proc.wait()
                continue
            if proc.poll() is None:
                self.proc, self.display = proc, f":{number}"
                return self
        raise AssertionError("no free X display")

    def stop(self):
        end_process(self.proc)

    def env(self):
        return {"DISPLAY": self.display}

    def paint_background(self, colour):
        """Fills the root window with one colour so blends over it are predictable."""
        subprocess.run(["xsetroot", "-display", self.display, "-solid", colour], check=True, timeout=10)

    def shot(self, path=None):
        """Screenshot of the whole screen as a Shot (RGB pixels); optionally saved as PNG."""
        raw = subprocess.run(["import", "-display", self.display, "-window", "root", "-depth", "8", "rgb:-"],
                             check=True, capture_output=True, timeout=30).stdout
        shot = Shot(self.width, self.height, raw)
        if path:
            shot.save(path)
        return shot


class Shot:
    def __init__(self, width, height, rgb):
        assert len(rgb) == width * height * 3, (len(rgb), width, height)
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count(self, box, predicate):
        x0, y0, x1, y1 = box
        return sum(1 for y in range(max(y0, 0), min(y1, self.height))
                   for x in range(max(x0, 0), min(x1, self.width)) if predicate(self.pixel(x, y)))

    def save(self, path):
        subprocess.run(["convert", "-size", f"{self.width}x{self.height}", "-depth", "8", "rgb:-", path],
                       input=self.rgb, check=True, timeout=30)


class Clock:
    """One copy of the program in its own folder."""

    def __init__(self, harness, screen, name="clock", exe=None, cfg=None, env=None):
        self.h = harness
        self.screen = screen
        self.folder = tempfile.mkdtemp(prefix=f"tarvo-{name}-")
        self.exe = os.path.join(self.folder, APP_TITLE + ".exe")
        shutil.copy(exe or harness.args.exe, self.exe)
        self.trace = os.path.join(self.folder, "trace.log")
        self.sound = os.path.join(self.folder, "sound.raw")
        self.extra_env = env or {}
        self.feed_address = next_feed_address()
        self.proc = None
        if cfg is not None:
            self.write_cfg(cfg)

    @property
    def cfg_path(self):
        return os.path.join(self.folder, APP_TITLE + ".cfg")

    def write_cfg(self, values, section="TarvoClock"):
        lines = [f"[{section}]"] + [f"{k}={v}" for k, v in values.items()]
        with open(self.cfg_path, "w", encoding="cp932", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")

    def read_cfg(self):
        values = {}
        if not os.path.exists(self.cfg_path):
            return values
        with open(self.cfg_path, encoding="cp932", errors="replace") as f:
            for line in f:
                line = line.strip()
                if "=" in line and not line.startswith("["):
                    k, v = line.split("=", 1)
                    values[k] = v
        return values

    def env(self):
        """Wine's environment for this copy: its display, its own HOME with an ALSA file sink."""
        home = os.path.join(self.folder, "home")
        if not os.path.isdir(home):
            os.makedirs(home)
            # ALSA's file plugin over the null device: whatever is played lands in a file.
            with open(os.path.join(home, ".asoundrc"), "w") as f:
                f.write('pcm.!default {\n type file\n slave.pcm "null"\n'
                        f' file "{self.sound}"\n format "raw"\n}}\n')
        env = dict(self.h.wine_env)
        env.update(self.screen.env())
        env["HOME"] = home
        # The caches stay shared: with one per HOME, every copy's first media open would have
        # GStreamer (under Wine's codecs) scan all its plugins again.
        env["XDG_CACHE_HOME"] = CACHE
        env["TARVO_TEST_TRACE"] = "Z:" + self.trace.replace("/", "\\")
        env["TARVO_TEST_FEED_SERVER"] = self.feed_address
        env.update(self.extra_env)
        return env

    def start(self, *args):
        # Output goes to a file, never a pipe: Wine's helper processes inherit it and outlive us.
        self.log = open(os.path.join(self.folder, "output.log"), "wb")
        self.proc = subprocess.Popen(["wine", self.exe] + [str(a) for a in args], cwd=self.folder, env=self.env(),
                                     stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)
        return self

    def sound_bytes(self):
        """What has been played so far, as raw bytes of the sink (empty when nothing played)."""
        if not os.path.exists(self.sound):
            return b""
        with open(self.sound, "rb") as f:
            return f.read()

    def events(self):
        if not os.path.exists(self.trace):
            return []
        with open(self.trace, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n") for line in f]

    def hold_tick(self, value):
        """Holds the clock's millisecond tick at `value`: it reads a file the test rewrites
        whole, so a step never sees half a number."""
        path = os.path.join(self.folder, "tick.txt")
        with open(path + ".tmp", "w") as f:
            f.write(str(value))
        os.replace(path + ".tmp", path)
        self.extra_env["TARVO_TEST_TICK_FILE"] = "Z:" + path.replace("/", "\\")

    def ticker_steps(self):
        return [e for e in self.events() if e.startswith("ticker step")]

    def wait_event(self, prefix, timeout=30):
        return wait_until(lambda: next((e for e in self.events() if e.startswith(prefix)), None),
                          timeout, what=lambda: f"event '{prefix}' (have {self.events()})")

    def wintool(self, *args, timeout=60):
        with tempfile.TemporaryFile() as out:
            proc = subprocess.Popen(["wine", self.h.args.wintool] + [str(a) for a in args], env=self.env(),
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
            try:
                proc.wait(timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                raise AssertionError(f"wintool {args} did not finish in {timeout}s")
            out.seek(0)
            return proc.returncode, out.read().decode("utf-8", "replace")

    def windows(self, class_name=APP_TITLE):
        """Top-level windows of the class as dicts (handle, owner, styles, rect, visible)."""
        _, out = self.wintool("info", class_name)
        result = []
        for line in out.splitlines():
            fields = dict(part.split("=", 1) for part in line.split(" ") if "=" in part)
            if "window" not in fields:
                continue
            fields["rect"] = tuple(int(v) for v in fields["rect"].split(","))
            for k in ("window", "owner", "visible", "topmost"):
                fields[k] = int(fields[k])
            for k in ("style", "exstyle"):
                fields[k] = int(fields[k], 16)
            result.append(fields)
        return result

    def dialogs(self):
        """Visible dialog boxes: [{'caption': str, 'rect': (l, t, r, b), 'texts': [str, ...]}]."""
        _, out = self.wintool("dialogs")
        result = []
        for line in out.splitlines():
            if line.startswith("dialog "):
                head, caption = line.split(" caption=", 1)
                rect = head.split("rect=", 1)[1].split(" ")[0]
                result.append({"caption": caption, "rect": tuple(int(v) for v in rect.split(",")),
                               "texts": []})
            elif line.startswith("child ") and result:
                result[-1]["texts"].append(line.split(" text=", 1)[1] if " text=" in line else "")
        return result

    def set_text(self, control_id, text):
        """Sets the text of a control of the visible dialog box (a combo box's edit field)."""
        code, _ = self.wintool("settext", control_id, text)
        return code

    def control_state(self, control_id):
        """{'checked': int, 'enabled': int, 'items': [str]} of a control of the visible dialog."""
        code, out = self.wintool("state", control_id)
        assert code == 0, f"no control {control_id} ({code})"
        state = {"items": []}
        for line in out.splitlines():
            if line.startswith("item="):
                state["items"].append(line[5:])
            else:
                for part in line.split(" "):
                    if "=" in part:
                        k, v = part.split("=", 1)
                        state[k] = int(v)
        return state

    def click(self, control_id):
        """Clicks a check box or button of the visible dialog box as the mouse does."""
        code, _ = self.wintool("click", control_id)
        return code

    def press(self, control_id):
        code, _ = self.wintool("press", control_id)
        return code

    def list_rows(self, control_id):
        """Rows of a list view of the visible dialog: [{'rect': (l, t, r, b), 'cells': [str]*6}]."""
        code, out = self.wintool("listview", control_id)
        assert code == 0, f"no list view {control_id} ({code})"
        rows = []
        for line in out.splitlines():
            if line.startswith("row "):
                head, _, cells = line.partition("\t")
                rect = head.split("rect=", 1)[1]
                rows.append({"rect": tuple(int(v) for v in rect.split(",")), "cells": cells.split("\t")})
        return rows

    def select(self, control_id, index):
        """Selects entry `index` of a combo box (or row of a list view) as a user would."""
        code, _ = self.wintool("select", control_id, index)
        return code

    def answers(self, timeout_ms=1000):
        """Whether the clock window answers a sent message within `timeout_ms`."""
        code, _ = self.wintool("ping", APP_TITLE, timeout_ms)
        return code == 0

    def post(self, message, wparam=0, lparam=0, class_name=APP_TITLE):
        code, _ = self.wintool("post", class_name, message, wparam, lparam)
        return code

    def close(self):
        """Posts WM_CLOSE to the clock window."""
        return self.post(0x0010)

    def quit(self, timeout=15):
        """Closes the clock as its menu does and asserts that it exits with 0 within `timeout`."""
        self.close()
        code = self.wait_exit(timeout)
        assert code == 0, f"exit code {code}"

    def wait_exit(self, timeout=20):
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"program still running after {timeout}s")
        return self.proc.returncode

    def output(self, encoding="utf-8"):
        """What the program wrote to its standard output and error so far (the program's own
        diagnostic lines are Shift-JIS: pass "cp932" for those)."""
        with open(os.path.join(self.folder, "output.log"), "rb") as f:
            return f.read().decode(encoding, "replace")

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    def cleanup(self):
        self.stop()
        if getattr(self, "log", None):
            self.log.close()
        if not self.h.args.keep:
            shutil.rmtree(self.folder, ignore_errors=True)


class FeedServer:
    """The sample feed server on one clock's 127.77.N.1:80 (port 80 needs root)."""

    def __init__(self, harness, address, overrides=(), fail_after=-1, news=None):
        self.h = harness
        self.address = address
        self.folder = tempfile.mkdtemp(prefix="tarvo-feeds-")
        self.log_path = os.path.join(self.folder, "requests.log")
        args = [sys.executable, FEED_SERVER_SCRIPT, "--host", address, "--port", "80",
                "--log", self.log_path]
        for path, shape in overrides:
            args += ["--override", f"{path}={shape}"]
        # The readiness probe below sends no request line, so the server does not count it.
        if fail_after >= 0:
            args += ["--fail-after", str(fail_after)]
        args += ["--news", news] if news else ["--news", TEST_NEWS, "--skins", SAMPLE_SKINS]
        self.out = open(os.path.join(self.folder, "out.log"), "wb")
        self.proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=self.out,
                                     stderr=subprocess.STDOUT, start_new_session=True)
        import socket
        deadline = time.monotonic() + 10
        while True:
            if self.proc.poll() is not None:
                with open(os.path.join(self.folder, "out.log"), "rb") as f:
                    raise RuntimeError(f"feed server cannot bind {address}:80 (port 80 needs root): "
                                       + f.read().decode("utf-8", "replace"))
            try:
                socket.create_connection((address, 80), 0.2).close()
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise RuntimeError(f"feed server on {address}:80 did not come up")
                time.sleep(0.1)
        # The probe connection above is logged as an empty request; start the log afresh.
        time.sleep(0.2)
        open(self.log_path, "w").close()

    def requests(self):
        """The request bytes logged so far, in order."""
        import ast
        if not os.path.exists(self.log_path):
            return []
        out = []
        with open(self.log_path, encoding="ascii", errors="replace") as f:
            for line in f:
                parts = line.rstrip("\n").split(" ", 2)
                if len(parts) == 3:
                    out.append(ast.literal_eval(parts[2]))
        return out

    def stop(self):
        end_process(self.proc)
        self.out.close()
        if not self.h.args.keep:
            shutil.rmtree(self.folder, ignore_errors=True)


class Harness:
    def __init__(self):
        self.args = parse_args()
        self.wine_env = wine_environment()
        self.artifacts = os.path.join(ROOT, "build", "e2e-artifacts")
        os.makedirs(self.artifacts, exist_ok=True)
        self.clocks = []
        self.screens = []
        self.feed_servers = []
        # Start from no server at all, as every case after the first does: a server left by
        # earlier runs keeps helper processes with another display and HOME.
        self.end_wine()

    def end_wine(self):
        subprocess.run(["wineserver", "-k"], env=self.wine_env, capture_output=True, timeout=30)
        subprocess.run(["wineserver", "-w"], env=self.wine_env, capture_output=True, timeout=30)

    def screen(self, **kw):
        s = Screen(**kw).start()
        self.screens.append(s)
        return s

    def clock(self, screen, **kw):
        c = Clock(self, screen, **kw)
        self.clocks.append(c)
        return c

    def feed_server(self, clock, overrides=(), fail_after=-1, news=None):
        import socket
        for _ in range(250):
            try:
                socket.create_connection((clock.feed_address, 80), 0.2).close()
            except OSError:
                break
            clock.feed_address = next_feed_address()
        f = FeedServer(self, clock.feed_address, overrides, fail_after, news)
        self.feed_servers.append(f)
        return f

    def artifact(self, name):
        return os.path.join(self.artifacts, name)

    def shutdown(self):
        for c in self.clocks:
            c.cleanup()
        for f in self.feed_servers:
            f.stop()
        # The prefix's server outlives its programs for a while; end it so the next test's
        # display starts clean.
        self.end_wine()
        for s in self.screens:
            s.stop()
        self.clocks, self.screens, self.feed_servers = [], [], []


def run(cases):
    """Runs each case(harness) with a fresh harness state; prints a summary; exits non-zero on failure."""
    h = Harness()
    passed = failed = 0
    only = os.environ.get("E2E_ONLY")
    for case in cases:
        if only and only not in case.__name__:
            continue
        started = time.monotonic()
        try:
            case(h)
            passed += 1
            print(f"PASS {case.__name__} ({time.monotonic() - started:.1f}s)", flush=True)
        except Exception:
            failed += 1
            print(f"FAIL {case.__name__}", flush=True)
            traceback.print_exc()
            for c in h.clocks:
                print(f"  events of {c.folder}: {c.events()}")
        finally:
            h.shutdown()
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
