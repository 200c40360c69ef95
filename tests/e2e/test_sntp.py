"""SNTP time setting on the real clock (test build only: its clock-setting seam traces
"SetClock <UTC> local <local>" and moves the program's own test clock, never the machine's).

A real server: chrony 4.3 from Debian, fetched with `apt-get download` and unpacked into the
cache (never installed: installing it removes systemd-timesyncd and adds a service), run on a
free port of 127.0.0.1 only. A hostile server: a responder written here, also on 127.0.0.1,
that answers each request with the next fault of a list. Nothing leaves the machine.
"""
import calendar
import glob
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import threading
import time

import harness
from harness import wait_until

WM_COMMAND = 0x0111
MSG_SYNC_TIME = 1025
CMD_TIME_SERVER = 40018
IDC_SERVER, IDC_USE, IDC_SYNC_NOW = 1023, 1025, 1027
FAILED = "時刻合わせに失敗しました。 他のサーバーを指定してみてください。"
REFUSED = "時計を変更できませんでした。 時刻の変更には管理者の権限が必要です。"
NO_SERVER = "接続するNTPサーバーを登録してください。"
NTP_UNIX = 2208988800
CACHE = os.path.join(os.path.expanduser("~"), ".cache", "tarvoclock", "chrony-4.3")
SET_CLOCK = re.compile(r"SetClock (\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\.(\d{3}) local "
                       r"\d{4}-\d\d-\d\d (\d\d):(\d\d):\d\d\.\d{3}( refused)?$")


def free_udp_port():
    """A UDP port of 127.0.0.1 that nothing listens on (bound, read, closed)."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def chronyd():
    """chronyd from Debian's chrony package, unpacked once into the cache."""
    exe = os.path.join(CACHE, "usr", "sbin", "chronyd")
    if os.path.exists(exe):
        return exe
    work = tempfile.mkdtemp(prefix="tarvo-chrony-")
    try:
        subprocess.run(["apt-get", "download", "chrony"], cwd=work, check=True, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deb = glob.glob(os.path.join(work, "chrony_*.deb"))
        assert deb, "apt-get download chrony gave no package"
        unpacked = os.path.join(work, "x")
        subprocess.run(["dpkg-deb", "-x", deb[0], unpacked], check=True, timeout=120)
        os.makedirs(os.path.dirname(CACHE), exist_ok=True)
        if not os.path.exists(CACHE):
            os.rename(unpacked, CACHE)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return exe


def sntp_query(port, timeout=1.0):
    """One SNTP request of our own; the server's transmit time in Unix seconds, or None."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(timeout)
    try:
        nonce = os.urandom(8)
        s.sendto(b"\x0b" + bytes(39) + nonce, ("127.0.0.1", port))
        data, _ = s.recvfrom(1024)
        if len(data) < 48 or data[24:32] != nonce:
            return None
        sec, frac = struct.unpack(">II", data[40:48])
        return sec - NTP_UNIX + frac / 2 ** 32
    except OSError:
        return None
    finally:
        s.close()


class Chrony:
    """chronyd serving its own clock (local stratum 8) on 127.0.0.1:port, not steering any clock."""

    def __init__(self):
        self.port = free_udp_port()
        self.folder = tempfile.mkdtemp(prefix="tarvo-chronyd-")
        self.pidfile = os.path.join(self.folder, "chronyd.pid")
        conf = os.path.join(self.folder, "chrony.conf")
        with open(conf, "w") as f:
            f.write(f"port {self.port}\nbindaddress 127.0.0.1\nallow 127.0.0.1\nlocal stratum 8\n"
                    f"cmdport 0\npidfile {self.pidfile}\n")
        self.log = open(os.path.join(self.folder, "chronyd.log"), "wb")
        # -x: never touch the system clock; -d: stay in the foreground; -u root: no user switch.
        self.proc = subprocess.Popen([chronyd(), "-x", "-d", "-u", "root", "-f", conf],
                                     stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)
        wait_until(lambda: self.proc.poll() is not None or sntp_query(self.port, 0.3) is not None, 15,
                   what="chronyd to answer")
        assert self.proc.poll() is None, self.output()

    def output(self):
        with open(os.path.join(self.folder, "chronyd.log"), "rb") as f:
            return f.read().decode("utf-8", "replace")

    def stop(self):
        if self.proc.poll() is None:
            pid = self.proc.pid
            if os.path.exists(self.pidfile):
                with open(self.pidfile) as f:
                    pid = int(f.read().strip() or pid)
            os.kill(pid, signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def ntp(t):
    """(seconds, fraction) of an NTP timestamp for Unix time t, era wrap included."""
    whole = int(t)
    return (whole + NTP_UNIX) % 2 ** 32, int((t - whole) * 2 ** 32)


def reply(request, li=0, vn=1, mode=4, stratum=8, refid=b"LOCL", originate=None, transmit=None):
    sec, frac = transmit if transmit is not None else ntp(time.time())
    head = bytes([li << 6 | vn << 3 | mode, stratum, 6, 0xEC]) + bytes(8) + refid
    origin = request[40:48] if originate is None else originate
    return head + ntp(time.time())[0].to_bytes(4, "big") + bytes(4) + origin + \
        struct.pack(">II", *ntp(time.time())) + struct.pack(">II", sec, frac)


class Hostile:
    """Answers the n-th request with the n-th plan: a list of (source, datagram) where source is
    'same' (the server's own socket), 'port' (another port of 127.0.0.1) or 'addr' (127.0.0.2)."""

    def __init__(self, plans):
        self.plans = list(plans)
        self.requests = []
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", 0))
        self.sock.settimeout(0.2)
        self.port = self.sock.getsockname()[1]
        self.other_port = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.other_port.bind(("127.0.0.1", 0))
        self.other_addr = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.other_addr.bind(("127.0.0.2", self.port))
        self.stopping = False
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        sources = {"same": self.sock, "port": self.other_port, "addr": self.other_addr}
        while not self.stopping:
            try:
                request, client = self.sock.recvfrom(2048)
            except socket.timeout:
                continue
            except OSError:
                return
            self.requests.append(request)
            plan = self.plans.pop(0) if self.plans else []
            for source, make in plan:
                sources[source].sendto(make(request), client)
                time.sleep(0.05)

    def stop(self):
        self.stopping = True
        self.thread.join(5)
        for s in (self.sock, self.other_port, self.other_addr):
            s.close()


def set_clock_events(clock):
    return [e for e in clock.events() if e.startswith("SetClock ")]


def utc_of(event):
    m = SET_CLOCK.match(event)
    assert m, event
    y, mo, d, hh, mi, ss, ms = (int(v) for v in m.groups()[:7])
    return calendar.timegm((y, mo, d, hh, mi, ss)) + ms / 1000


def local_hhmm(event):
    m = SET_CLOCK.match(event)
    return f"{m.group(8)}:{m.group(9)}"


def failure_box(clock, text=FAILED, timeout=20):
    box = wait_until(lambda: [d for d in clock.dialogs() if d["caption"] == "TarvoClock"], timeout,
                     what=f"the box '{text}'")[0]
    assert text in box["texts"], box
    return box


def dismiss(clock):
    assert clock.press(1) == 0
    wait_until(lambda: not [d for d in clock.dialogs() if d["caption"] == "TarvoClock"], 10,
               what="the box to close")


def started(h, screen, cfg, env=None):
    clock = h.clock(screen, cfg=cfg, env=env).start()
    clock.wait_event("LoadSkin done")
    return clock


# A start-up time far from now, so the face shows the sync: 03:03 is never the real local time
# within a test's run, as long as the test does not start at 03:03.
SHIFTED = "2020-05-05 03:03:00"


def test_start_up_sync_from_chrony_sets_the_clock_and_keeps_the_port(h):
    server = Chrony()
    try:
        screen = h.screen()
        clock = started(h, screen, {"SntpUse": 1, "TimeServer": f"127.0.0.1:{server.port}"},
                        env={"TARVO_TEST_TIME": SHIFTED})
        event = clock.wait_event("SetClock ", 20)
        offset = utc_of(event) - time.time()
        print(f"  SetClock - host UTC = {offset:+.3f} s")
        assert abs(offset) <= 2, (event, offset)
        assert not event.endswith("refused")
        # The face turns from the shifted time to the real one.
        events = clock.events()
        assert "DrawTime 03:03" in events, events
        real = local_hhmm(event)

        # A tick that read the time just before the set may still draw 03:03 once; the redraw
        # the sync asks for follows it.
        def face_after_sync():
            events = clock.events()
            after = events[events.index(event) + 1:]
            return [e for e in after if e.startswith("DrawTime ") and e != "DrawTime 03:03"]
        drawn = wait_until(face_after_sync, 10, what="the face redrawn after SetClock")
        # The real local minute, or the next one when the sync fell at a minute's end.
        minutes = lambda hhmm: int(hhmm[:2]) * 60 + int(hhmm[3:5])
        assert (minutes(drawn[0][-5:]) - minutes(real)) % 1440 in (0, 1), (drawn, real)
        out = clock.output("cp932")
        assert "NTPサーバの時刻に同期しました" in out and "NTPサーバ時刻 = " in out, out
        assert not clock.dialogs()
        clock.quit()
        saved = clock.read_cfg()
        assert saved["TimeServer"] == f"127.0.0.1:{server.port}", saved
        assert saved["SntpUse"] == "1", saved
    finally:
        server.stop()


def test_a_name_and_port_work_and_a_refused_set_shows_the_box(h):
    server = Chrony()
    try:
        screen = h.screen()
        clock = started(h, screen, {"SntpUse": 1, "TimeServer": f"localhost:{server.port}"},
                        env={"TARVO_TEST_CLOCK_REFUSE": "1"})
        # The server answered: the box says the clock could not be changed, not to try another.
        failure_box(clock, REFUSED)
        event = set_clock_events(clock)[0]
        assert event.endswith(" refused"), event
        assert abs(utc_of(event) - time.time()) <= 2, event
        assert "Error: 時刻の設定に失敗" in clock.output("cp932")
        assert any(e.startswith(f"SyncClock localhost:{server.port} result -2 (refused)") for e in clock.events())
        dismiss(clock)
        clock.quit()
        assert clock.read_cfg()["TimeServer"] == f"localhost:{server.port}"
    finally:
        server.stop()


def open_dialog(clock):
    assert clock.post(WM_COMMAND, CMD_TIME_SERVER) == 0
    return wait_until(lambda: [d for d in clock.dialogs() if d["caption"] == "インターネットで時刻合わせ"],
                      20, what="the time-server dialog")[0]


def test_dialog_rules(h):
    server = Chrony()
    silent = Hostile([])  # takes requests and never answers
    try:
        screen = h.screen()
        clock = started(h, screen, {"SntpUse": 1, "TimeServer": "127.0.0.1:1"})
        # The start-up sync against the closed port 1 fails after its wait.
        failure_box(clock)
        dismiss(clock)
        box = open_dialog(clock)
        screen.shot(h.artifact("sntp-dialog.png"))
        for text in ("接続するNTPサーバー", "起動したら一回だけ合わせる", "今すぐ時間を合わせる", "OK", "キャンセル",
                     "127.0.0.1:1"):
            assert text in box["texts"], (text, box)
        face = next(w for w in clock.windows() if w["visible"])["rect"]
        l, t, r, b = box["rect"]
        assert b <= face[1] or t >= face[3] or r <= face[0] or l >= face[2], (box, face)
        combo = clock.control_state(IDC_SERVER)
        assert combo["count"] == 20 and combo["items"][0] == "ntp.nict.jp", combo
        assert clock.control_state(IDC_USE)["checked"] == 1

        # Empty text: the reminder, no exchange.
        syncs = lambda: [e for e in clock.events() if e.startswith("SyncClock ")]
        before = len(syncs())
        assert clock.set_text(IDC_SERVER, "") == 0
        assert clock.press(IDC_SYNC_NOW) == 0
        failure_box(clock, NO_SERVER)
        dismiss(clock)
        assert len(syncs()) == before

        # A sync now with a name and port: the clock is set, the dialog stays, the setting not.
        assert clock.set_text(IDC_SERVER, f"localhost:{server.port}") == 0
        assert clock.press(IDC_SYNC_NOW) == 0
        wait_until(lambda: set_clock_events(clock), 15, what="SetClock from the dialog")
        assert abs(utc_of(set_clock_events(clock)[0]) - time.time()) <= 2
        assert open_dialogs(clock), "the dialog closed"
        wait_until(lambda: clock.control_state(IDC_SYNC_NOW)["enabled"] == 1, 10, what="the button back")

        # Clicks queued during an exchange start nothing: two presses, one request, one box.
        assert clock.set_text(IDC_SERVER, f"127.0.0.1:{silent.port}") == 0
        before = len(syncs())
        assert clock.press(IDC_SYNC_NOW) == 0
        time.sleep(0.5)
        assert clock.press(IDC_SYNC_NOW) == 0
        failure_box(clock)
        dismiss(clock)
        time.sleep(1)
        assert len(silent.requests) == 1, silent.requests
        assert len(syncs()) == before + 1, syncs()
        assert any(e.startswith("SNTPC sync ignored") for e in clock.events()), clock.events()
        assert not [d for d in clock.dialogs() if d["caption"] == "TarvoClock"]

        # Cancel changes nothing.
        clock.click(IDC_USE)
        assert clock.press(2) == 0
        clock.wait_event("SNTPC closed TimeServer=127.0.0.1:1 SntpUse=1")

        # OK: the field's text and the box.
        open_dialog(clock)
        assert clock.set_text(IDC_SERVER, f"127.0.0.1:{server.port}") == 0
        clock.click(IDC_USE)
        assert clock.press(1) == 0
        clock.wait_event(f"SNTPC closed TimeServer=127.0.0.1:{server.port} SntpUse=0")

        # OK with an empty field: an empty TimeServer, SntpUse as it was.
        open_dialog(clock)
        clock.click(IDC_USE)
        assert clock.set_text(IDC_SERVER, "") == 0
        assert clock.press(1) == 0
        clock.wait_event("SNTPC closed TimeServer= SntpUse=0")
        clock.quit()
        saved = clock.read_cfg()
        assert saved["TimeServer"] == "" and saved["SntpUse"] == "0", saved
    finally:
        silent.stop()
        server.stop()


def open_dialogs(clock):
    return [d for d in clock.dialogs() if d["caption"] == "インターネットで時刻合わせ"]


def with_(**fields):
    return lambda request: reply(request, **fields)


def test_hostile_replies(h):
    # (name, plan, outcome, diagnostic): outcome "box" is the failure message, "set" a SetClock.
    cases = [
        ("short", [("same", lambda q: reply(q)[:47])], "box", "応答を破棄: short (47 バイト)"),
        ("wrong mode", [("same", with_(mode=3))], "box", "応答を破棄: mode"),
        ("RATE", [("same", with_(li=3, stratum=0, refid=b"RATE", transmit=(0, 0)))], "box",
         "kiss-o'-death RATE"),
        ("DENY", [("same", with_(li=3, stratum=0, refid=b"DENY"))], "box", "kiss-o'-death DENY"),
        ("stratum 16", [("same", with_(stratum=16))], "box", "使えません (stratum)"),
        ("LI 3", [("same", with_(li=3))], "box", "使えません (leap indicator 3)"),
        ("zero transmit", [("same", with_(transmit=(0, 0)))], "box", "使えません (zero transmit)"),
        ("wrong originate", [("same", with_(originate=bytes(8)))], "box", "応答を破棄: originate"),
        ("from another port", [("port", reply)], "box", "サーバから応答がありません"),
        ("from 127.0.0.2", [("addr", reply)], "box", "サーバから応答がありません"),
        ("1000 bytes", [("same", lambda q: reply(q) + b"\xab" * 952)], "box", "応答を破棄: 512 バイトを超える"),
        ("no reply", [], "box", "サーバから応答がありません"),
        ("spoofed, then the real one",
         [("same", with_(originate=b"\x01" * 8, transmit=ntp(time.time() + 86400))),
          ("port", with_(transmit=ntp(time.time() + 86400))),
          ("addr", with_(transmit=ntp(time.time() + 86400))),
          ("same", reply)], "set", "応答を破棄: originate"),
        ("era 1", [("same", with_(transmit=(100, 0)))], "set", "2036-02-07"),
    ]
    hostile = Hostile(plan for _, plan, _, _ in cases)
    try:
        screen = h.screen()
        clock = started(h, screen, {"SntpUse": 0, "TimeServer": f"127.0.0.1:{hostile.port}"})
        seen = 0
        for n, (name, _, outcome, diagnostic) in enumerate(cases):
            mark = len(clock.output("cp932"))
            sets = len(set_clock_events(clock))
            started_at = time.monotonic()
            assert clock.post(MSG_SYNC_TIME) == 0
            if outcome == "box":
                failure_box(clock, timeout=10)
                took = time.monotonic() - started_at
                dismiss(clock)
                assert len(set_clock_events(clock)) == sets, (name, set_clock_events(clock))
            else:
                wait_until(lambda: len(set_clock_events(clock)) > sets, 10, what=f"SetClock for {name}")
                took = time.monotonic() - started_at
                event = set_clock_events(clock)[-1]
                if name == "era 1":
                    assert event.startswith("SetClock 2036-02-07 06:29:56"), event
                else:
                    assert abs(utc_of(event) - time.time()) <= 2, event
                assert not clock.dialogs()
            assert took < 6, (name, took)
            wait_until(lambda: diagnostic in clock.output("cp932")[mark:], 5,
                       what=lambda: f"'{diagnostic}' for {name} in {clock.output('cp932')[mark:]!r}")
            seen += 1
            assert len(hostile.requests) == seen, (name, len(hostile.requests))
            request = hostile.requests[-1]
            assert len(request) == 48 and request[0] == 0x0B and request[1:40] == bytes(39), request
        nonces = {r[40:48] for r in hostile.requests}
        assert len(nonces) == len(hostile.requests), "a nonce was used twice"
        clock.quit()
    finally:
        hostile.stop()


if __name__ == "__main__":
    harness.run([test_start_up_sync_from_chrony_sets_the_clock_and_keeps_the_port,
                 test_a_name_and_port_work_and_a_refused_set_shows_the_box,
                 test_dialog_rules,
                 test_hostile_replies])
