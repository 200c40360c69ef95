"""The run command as a new user meets it: started from a folder without settings, on a machine
without a display, and stopped with Ctrl-C (or a plain kill) at any moment, it closes the clock
the way its menu does, so the settings are saved, and leaves nothing running. It builds quietly,
keeps its desktop painted, and tells its own feed server from another program on the address.
Its HTTPS feeds reach the clock through the CA it trusts in the run's prefix, and the feed
address keys it writes leave the user's own alone."""
import http.server
import os
import signal
import subprocess
import tempfile
import threading
import time

from PIL import Image

import harness
from harness import wait_until

DESKTOP = (0x3A, 0x6E, 0xA5)


def started_from(folder):
    """Processes that inherited this run's folder: the script, its display, the clock, Wine's."""
    mark = f"TARVO_RUN_DIR={folder}".encode()
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if mark in f.read().split(b"\0"):
                    with open(f"/proc/{pid}/cmdline", "rb") as c:
                        found.append((pid, c.read().replace(b"\0", b" ")[:80]))
        except OSError:
            pass
    return found


def run_and_stop(h, sig, wait_for_shot, foreign_feeds=False, cfg=None):
    folder = tempfile.mkdtemp(prefix="tarvo-run-")
    if cfg:
        with open(os.path.join(folder, "TarvoClock.cfg"), "wb") as f:
            f.write(cfg)
    env = dict(h.wine_env)
    env.pop("DISPLAY", None)
    env["TARVO_RUN_DIR"] = folder
    log = open(os.path.join(folder, "run.log"), "wb")
    # Ctrl-C reaches a foreground job's whole process group with SIGINT at its default
    # disposition; a child of this process would otherwise inherit what Python set.
    proc = subprocess.Popen(["bash", os.path.join(harness.ROOT, "scripts", "run.sh")], cwd=folder, env=env,
                            start_new_session=True, stdin=subprocess.DEVNULL, stdout=log,
                            stderr=subprocess.STDOUT,
                            preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
    try:
        if wait_for_shot:
            wait_until(lambda: os.path.exists(os.path.join(folder, "screen.png")), 90, what="a screenshot")
            # Both HTTPS feeds were asked for: the clock's TLS handshake passed with the run's CA.
            requests = os.path.join(folder, "feedserver.log")
            wait_until(lambda: all(p in open(requests, "rb").read() for p in (b"GET /rss/tips.xml ",
                                                                              b"GET /rss/updates.atom ")),
                       30, what="the HTTPS feeds fetched")
        else:
            wait_until(lambda: b"Ctrl-C stops" in open(os.path.join(folder, "run.log"), "rb").read(), 90,
                       what="the clock started")
        started = time.monotonic()
        os.killpg(proc.pid, sig)
        proc.wait(30)
        took = time.monotonic() - started
    finally:
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
        log.close()
    with open(os.path.join(folder, "run.log"), "rb") as f:
        said = f.read().decode("utf-8", "replace")
    # The build says one line, not one per compiler step.
    assert "Building CXX" not in said and "Linking" not in said, said[-2000:]
    if foreign_feeds:
        assert "already served by another program" in said and "Feed server on" not in said, said[-2000:]
    # Wine's and ALSA's messages go to the run's log, not to the user.
    assert "ALSA lib" not in said and "fixme:" not in said, said[-2000:]
    if wait_for_shot:
        # Without a display the greeting went to the sound file the run names.
        with open(os.path.join(folder, "sound.wav"), "rb") as f:
            head = f.read(44)
        assert head[:4] == b"RIFF" and head[8:12] == b"WAVE", head
        assert f"its sound is written to {folder}/sound.wav" in said, said[-2000:]
        # The desktop painted before the clock started is still there.
        with Image.open(os.path.join(folder, "screen.png")) as shot:
            assert shot.convert("RGB").getpixel((5, 5)) == DESKTOP, shot.convert("RGB").getpixel((5, 5))
    left = started_from(folder)
    assert not left, ("still running", left, open(os.path.join(folder, "run.log"), "rb").read()[-2000:])
    assert took < 20, took
    cfg = os.path.join(folder, "TarvoClock.cfg")
    # run.sh writes FeedServer into the file before the start; the clock's own save adds its place.
    assert os.path.exists(cfg) and b"LEFT=" in open(cfg, "rb").read(), \
        "the clock was not closed through its menu's way: no settings saved"
    # The sample feed servers run.sh started in their own sessions are gone with the rest.
    assert not os.path.exists(os.path.join(folder, "feedserver.pid"))
    assert not os.path.exists(os.path.join(folder, "feedserver-https.pid"))
    return said, dict(line.split("=", 1) for line in open(cfg, "rb").read().decode("cp932").split("\r\n")
                      if "=" in line)


def https_port(said):
    return int(said.split("HTTPS feeds on https://localhost:", 1)[1].split("/", 1)[0])


def test_ctrl_c_on_a_first_run_closes_the_clock_and_saves(h):
    said, keys = run_and_stop(h, signal.SIGINT, wait_for_shot=True)
    port = https_port(said)
    assert keys["FeedUrl2"] == f"https://localhost:{port}/rss/tips.xml", keys
    assert keys["FeedUrl3"] == f"https://localhost:{port}/rss/updates.atom", keys


def test_a_plain_kill_right_after_start_still_saves(h):
    # Someone else's web server already answers on the feed address.
    class Other(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            self.end_headers()
            self.wfile.write(b"not the clock's feeds")

        def log_message(self, *args):
            pass

    try:
        other = http.server.HTTPServer(("127.77.0.1", 80), Other)
    except OSError:
        other = None  # already taken: by another program all the same
    if other is not None:
        threading.Thread(target=other.serve_forever, daemon=True).start()
    try:
        # An address of the user's own (on loopback, where nothing answers) stays as it is.
        mine = "http://127.0.0.1:9/mine.xml"
        said, keys = run_and_stop(h, signal.SIGTERM, wait_for_shot=False, foreign_feeds=True,
                                  cfg=f"[TarvoClock]\r\nFeedUrl3={mine}\r\n".encode())
        assert keys["FeedUrl3"] == mine, keys
        assert keys["FeedUrl2"] == f"https://localhost:{https_port(said)}/rss/tips.xml", keys
    finally:
        if other is not None:
            other.shutdown()
            other.server_close()


if __name__ == "__main__":
    harness.run([test_ctrl_c_on_a_first_run_closes_the_clock_and_saves,
                 test_a_plain_kill_right_after_start_still_saves])
