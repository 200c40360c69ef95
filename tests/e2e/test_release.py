"""The release as a Windows user meets it: the zip made by scripts/release.sh, unpacked into a
folder whose name has Japanese characters and spaces, run in a Wine prefix that has never seen
the program. Both programs start and keep their settings beside themselves; a folder they may not
write to sends the settings and the play list to %APPDATA%\\TarvoClock, where they survive a
restart."""
import hashlib
import os
import shutil
import subprocess
import tempfile
import zipfile

import harness
from harness import wait_until

WM_COMMAND = 0x0111
CMD_24_HOUR = 40020
CMD_START_WITH_WINDOWS = 40050
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


def make_release(suffix="", source_cache=None):
    """Runs scripts/release.sh, building in build/<preset><suffix>; a source cache given is where
    a new build folder takes the Debian sources from."""
    env = dict(os.environ)
    if source_cache:
        # Only what the cache holds: the test fetches nothing from the archive.
        env.update(MASCOT_DEBSRC_CACHE=source_cache, MASCOT_DEBSRC_OFFLINE="1")
    out = subprocess.run(["bash", os.path.join(harness.ROOT, "scripts", "release.sh")] + ([suffix] if suffix else []),
                         cwd=harness.ROOT, env=env, capture_output=True, text=True, timeout=900)
    assert out.returncode == 0, out.stdout + out.stderr
    zips = [line for line in out.stdout.splitlines() if line.startswith("dist/") and line.endswith(".zip")]
    assert zips, out.stdout
    path = os.path.join(harness.ROOT, zips[-1])
    with open(path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(path + ".sha256") as f:
        assert f.read().split()[0] == digest
    return path, digest


def cmake_cache_value(build, name):
    with open(os.path.join(harness.ROOT, "build", build, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    raise AssertionError(f"no {name} in build/{build}")


_prefix = []


def fresh_prefix(h):
    """One prefix made for this file alone, as a new user's Windows has never run the clock."""
    if not _prefix:
        path = os.path.join(harness.ROOT, "build", f"wine-release-lane{harness.lane()}")
        shutil.rmtree(path, ignore_errors=True)
        env = dict(h.wine_env, WINEPREFIX=path)
        subprocess.run(["bash", "-c", f". '{harness.ROOT}/scripts/wine-env.sh' && EnsureWinePrefix"],
                       env=env, check=True, timeout=300)
        _prefix.append(path)
    return _prefix[0]


def unpack(zip_path):
    parent = tempfile.mkdtemp(prefix="tarvo-release-")
    target = os.path.join(parent, "テスト フォルダ 1")
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(target)
    return parent, os.path.join(target, "TarvoClock")


def start_unpacked(h, screen, folder, exe_name, prefix):
    clock = h.clock(screen, env={"WINEPREFIX": prefix})
    clock.exe = os.path.join(folder, exe_name)
    return clock.start()


def wait_clock_shown(clock):
    def shown():
        return [w for w in clock.windows() if w["visible"] and w["rect"][2] - w["rect"][0] == 400]
    return wait_until(shown, 60, step=0.5, what="the clock's window")


def run_value(clock, name):
    out = subprocess.run(["wine", "reg", "query", RUN_KEY, "/v", name], env=clock.env(),
                         capture_output=True, timeout=60)
    return out.stdout.decode("cp932", "replace") if out.returncode == 0 else None


def end_prefix(h, prefix):
    subprocess.run(["wineserver", "-k"], env=dict(h.wine_env, WINEPREFIX=prefix), capture_output=True, timeout=30)
    subprocess.run(["wineserver", "-w"], env=dict(h.wine_env, WINEPREFIX=prefix), capture_output=True, timeout=30)


def test_unpacked_release_runs_from_a_japanese_folder_and_saves_beside_itself(h):
    zip_path, first = make_release()
    # The same commit packs to the same bytes when built again as another builder would: in other
    # folders, from the Debian sources kept at another path.
    cache = cmake_cache_value("mingw-i686", "MASCOT_DEBSRC_CACHE")
    other_cache = os.path.join(harness.ROOT, "build", "release-again", "debsrc")
    # A copy in the cache never changes once complete, so one copied whole before is kept.
    os.makedirs(other_cache, exist_ok=True)
    for name in os.listdir(cache):
        target = os.path.join(other_cache, name)
        if not name.startswith(".") and not os.path.exists(target):
            scratch = os.path.join(other_cache, ".copying-" + name)
            shutil.rmtree(scratch, ignore_errors=True)
            shutil.copytree(os.path.join(cache, name), scratch, symlinks=True)
            os.rename(scratch, target)
    _, second = make_release("-again", other_cache)
    with zipfile.ZipFile(zip_path) as z:
        names = sorted(z.namelist())
        readme = z.read("TarvoClock/readme.txt")
        programs = {name: z.read(f"TarvoClock/{name}") for name in ("TarvoClock.exe", "TarvoClock64.exe")}
    for name, data in programs.items():
        for path in (cache, other_cache, harness.ROOT):
            assert path.encode() not in data, f"{name} holds {path}"
    assert first == second
    assert names == ["TarvoClock/LICENSE.txt", "TarvoClock/TarvoClock.exe", "TarvoClock/TarvoClock64.exe",
                     "TarvoClock/readme.txt", "TarvoClock/skin/sample.skn"], names
    assert readme.startswith(b"\xef\xbb\xbf") and b"\r\n" in readme and b"\n\n" not in readme.replace(b"\r\n", b"")

    prefix = fresh_prefix(h)
    parent, folder = unpack(zip_path)
    screen = h.screen()
    try:
        for exe, cfg in (("TarvoClock.exe", "TarvoClock.cfg"), ("TarvoClock64.exe", "TarvoClock64.cfg")):
            # Only a closed loopback port for news: the test reaches no other host.
            with open(os.path.join(folder, cfg), "w", newline="\r\n") as f:
                f.write("[TarvoClock]\nFeedServer=127.0.0.1\n")
            clock = start_unpacked(h, screen, folder, exe, prefix)
            wait_clock_shown(clock)
            if exe == "TarvoClock.exe":
                # Start with Windows: the menu's command writes the quoted path, a second removes it.
                clock.post(WM_COMMAND, CMD_START_WITH_WINDOWS)
                value = wait_until(lambda: run_value(clock, "TarvoClock"), 20, step=0.5, what="the Run value")
                assert '"Z:' in value and 'TarvoClock\\TarvoClock.exe"' in value, value
                clock.post(WM_COMMAND, CMD_START_WITH_WINDOWS)
                wait_until(lambda: run_value(clock, "TarvoClock") is None, 20, step=0.5, what="the value gone")
            clock.quit(30)
            with open(os.path.join(folder, cfg), encoding="cp932") as f:
                saved = f.read()
            assert "OldTime=" in saved and "LEFT=" in saved, saved
    finally:
        end_prefix(h, prefix)
        shutil.rmtree(parent, ignore_errors=True)


def test_a_folder_it_may_not_write_keeps_settings_in_appdata(h):
    zip_path = os.path.join(harness.ROOT, "dist")
    zip_path = os.path.join(zip_path, sorted(n for n in os.listdir(zip_path) if n.endswith(".zip"))[-1])
    prefix = fresh_prefix(h)
    parent, folder = unpack(zip_path)
    with open(os.path.join(folder, "TarvoClock.cfg"), "w", newline="\r\n") as f:
        f.write("[TarvoClock]\nFeedServer=127.0.0.1\n")
    user = subprocess.run(["id", "-un"], capture_output=True, text=True).stdout.strip()
    data = os.path.join(prefix, "drive_c", "users", user, "AppData", "Roaming", "TarvoClock")
    shutil.rmtree(data, ignore_errors=True)
    # Not even root may add a file to an immutable folder, which is how Program Files meets a
    # program that runs without elevation.
    subprocess.run(["chattr", "+i", folder], check=True)
    screen = h.screen()
    try:
        clock = start_unpacked(h, screen, folder, "TarvoClock.exe", prefix)
        # Said once, when the folder in the user's profile is made.
        box = wait_until(lambda: [d for d in clock.dialogs() if "TarvoClock" in " ".join(d["texts"])], 60,
                         step=0.5, what="the notice of the settings folder")
        assert "AppData" in " ".join(box[0]["texts"]), box
        clock.press(1)
        wait_clock_shown(clock)
        clock.post(WM_COMMAND, CMD_24_HOUR)
        clock.quit(30)
        assert not os.path.exists(os.path.join(folder, "~TarvoClock-write-probe.tmp"))
        with open(os.path.join(data, "TarvoClock.cfg"), encoding="cp932") as f:
            saved = f.read()
        assert "Clock24=1" in saved and "FeedServer=127.0.0.1" in saved, saved
        assert os.path.exists(os.path.join(data, "TarvoClock.lst"))
        assert os.path.exists(os.path.join(data, "skin", "sample.skn"))

        again = start_unpacked(h, screen, folder, "TarvoClock.exe", prefix)
        wait_clock_shown(again)
        assert not [d for d in again.dialogs() if "AppData" in " ".join(d["texts"])]
        again.quit(30)
        with open(os.path.join(data, "TarvoClock.cfg"), encoding="cp932") as f:
            assert "Clock24=1" in f.read()
    finally:
        subprocess.run(["chattr", "-i", folder])
        end_prefix(h, prefix)
        shutil.rmtree(parent, ignore_errors=True)


if __name__ == "__main__":
    harness.run([test_unpacked_release_runs_from_a_japanese_folder_and_saves_beside_itself,
                 test_a_folder_it_may_not_write_keeps_settings_in_appdata])
