#!/usr/bin/env bash
# Builds the clock and starts it under Wine. The program lives in build/run/ (or
# $TARVO_RUN_DIR), so its settings file and play list stay between runs. Without a display, a
# virtual one is used and a screenshot of it is saved every few seconds.
#
# News: the sample feed server (tools/feedserver) serves our own feeds on 127.77.0.1:80, and
# the clock's FeedServer is set to it. FEED_SERVER=<host> names another feed server instead
# (then none is started here). Port 80 needs root; when the bind fails, the bar shows only the
# HTTPS feeds below, and when another program already serves that address, the clock reads
# that one's.
# A second one serves our RSS 2.0 and Atom feeds over HTTPS on 127.0.0.1, with a certificate for
# "localhost" from a CA of the run folder's own (tls/) that is trusted in this run's Wine prefix
# only; FeedUrl2 and FeedUrl3 point at them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh

# Only the clock and the tool that closes it are built, and the build is configured only when it
# is missing or its presets changed since (the build itself configures again when a CMake file
# changes). The compiler's lines go to a log, shown when the build fails; a terminal sees one line
# of progress.
build=build/mingw-i686
build_log="$root/build/run-build.log"
mkdir -p build
: >"$build_log"
if [ ! -f "$build/build.ninja" ] || [ CMakePresets.json -nt "$build/build.ninja" ]; then
  echo "Configuring the build..."
  cmake --preset mingw-i686 >>"$build_log" 2>&1 || { tail -30 "$build_log"; exit 1; }
fi
# Ninja's "[step/steps]" lines, shown over each other on a terminal.
progress() {
  local line
  while IFS= read -r line; do
    [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]] && [ -t 1 ] &&
      printf '\rBuilding the clock: step %s of %s ' "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
  done
  # Back to the start of the line, cleared, so the next message does not end in old text.
  if [ -t 1 ]; then printf '\r\033[K'; fi
}
set +e
cmake --build "$build" --target TarvoClock wintool 2>&1 | tee -a "$build_log" | progress
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ]; then
  echo "Building the clock failed:"
  tail -30 "$build_log"
  exit 1
fi
# Ninja's check of the source folders is a step of every build, even one with nothing to do.
steps=$(grep '^\[[0-9]*/[0-9]*\]' "$build_log" | grep -vc 'Re-checking globbed directories' || true)
if [ "$steps" -eq 0 ]; then
  echo "The clock is built already."
else
  echo "Built the clock: $steps steps (the compiler's output is in $build_log)."
fi
wintool="$root/$build/wintool.exe"
run=${TARVO_RUN_DIR:-$root/build/run}
mkdir -p "$run"
cp "$build/TarvoClock.exe" "$run/TarvoClock.exe"
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-run}
. scripts/wine-env.sh
EnsureWinePrefix
cd "$run"

# Where the clock's sound goes. On a real display with a sound card, to the machine's own sound
# as usual. On the virtual display (or without a sound card) ALSA writes it to $run/sound.wav
# instead, through a HOME of its own that says so, so it can be played back afterwards
# (`aplay build/run/sound.wav`); it is begun anew at every run.
real_display=
sound_file=
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then real_display=1; fi
if [ -z "$real_display" ] || ! ls /dev/snd/pcmC* >/dev/null 2>&1; then
  sound_file="$run/sound.wav"
  mkdir -p "$run/home"
  printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "%s"\n format "wav"\n}\n' \
    "$sound_file" >"$run/home/.asoundrc"
  rm -f "$sound_file"
  export HOME="$run/home"
fi

feed_host=${FEED_SERVER:-127.77.0.1}
feed=
xvfb=
clock=

https_feed=
https_port=

# FeedServer=<host> in the settings file (the clock reads the key but never writes it back), and
# FeedUrl2 and FeedUrl3 at this run's HTTPS feeds. Those two are the user's as well: a key is
# written when it is empty and never was written here, or when it still holds what was written
# here last time (feed-keys.written remembers that), say with another port; a key the user has
# changed, emptied included, is left alone. Without HTTPS feeds the keys written here are emptied.
write_settings() {
  python3 - "$feed_host" "${https_port:+https://localhost:$https_port/rss/tips.xml}" \
    "${https_port:+https://localhost:$https_port/rss/updates.atom}" <<'PY'
import pathlib, re, sys
host, *urls = sys.argv[1:]
cfg = pathlib.Path("TarvoClock.cfg")
record = pathlib.Path("feed-keys.written")
text = cfg.read_bytes().decode("cp932", "replace") if cfg.exists() else ""
lines = [l for l in text.replace("\r\n", "\n").split("\n") if not l.startswith("FeedServer=")]
if not any(re.fullmatch(r"\[.*\]", l) for l in lines):
    lines.insert(0, "[TarvoClock]")
at = next(i for i, l in enumerate(lines) if re.fullmatch(r"\[.*\]", l)) + 1
lines.insert(at, "FeedServer=" + host)
written = {}
if record.exists():
    written = dict(l.split("=", 1) for l in record.read_text().splitlines() if "=" in l)
for key, url in zip(("FeedUrl2", "FeedUrl3"), urls):
    found = next((i for i, l in enumerate(lines) if l.startswith(key + "=")), None)
    current = lines[found].split("=", 1)[1] if found is not None else ""
    if current != written.get(key, ""):
        continue
    if key not in written and not url:
        continue
    if found is None:
        at += 1
        lines.insert(at, f"{key}={url}")
    else:
        lines[found] = f"{key}={url}"
    written[key] = url
while lines and lines[-1] == "":
    lines.pop()
cfg.write_bytes(("\r\n".join(lines) + "\r\n").encode("cp932", "replace"))
record.write_text("".join(f"{k}={v}\n" for k, v in written.items()))
PY
}

# Ends the clock the way its menu does (WM_CLOSE), so it says goodbye and saves its settings,
# then stops what this script started, by pid. Every step is bounded and none may stop the
# others: the trap must work in any state, including a first run that has no settings file yet.
cleanup() {
  trap - EXIT INT TERM
  set +e
  if [ -n "$clock" ] && kill -0 "$clock" 2>/dev/null; then
    title=$(sed -n 's/^AppTitle=//p' TarvoClock.cfg 2>/dev/null | tr -d '\r' | head -1)
    # A clock stopped right after its start may not have its window yet: keep asking for a
    # while, then give it 15 seconds to say goodbye and save.
    for _ in $(seq 50); do
      kill -0 "$clock" 2>/dev/null || break
      timeout 10 wine "$wintool" post "${title:-TarvoClock}" 16 >/dev/null 2>&1 </dev/null && break
      sleep 0.2
    done
    for _ in $(seq 150); do kill -0 "$clock" 2>/dev/null || break; sleep 0.1; done
    kill "$clock" 2>/dev/null
  fi
  timeout 10 wineserver -k >/dev/null 2>&1
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  if [ -n "$feed" ] && kill -0 "$feed" 2>/dev/null; then
    kill "$feed" 2>/dev/null
    for _ in $(seq 30); do kill -0 "$feed" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$feed" 2>/dev/null
  fi
  [ -n "$feed" ] && rm -f "$run/feedserver.pid"
  if [ -n "$https_feed" ] && kill -0 "$https_feed" 2>/dev/null; then
    kill "$https_feed" 2>/dev/null
    for _ in $(seq 30); do kill -0 "$https_feed" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$https_feed" 2>/dev/null
  fi
  [ -n "$https_feed" ] && rm -f "$run/feedserver-https.pid"
  wait 2>/dev/null
  echo "The clock has stopped."
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# What answers /feedserver/token on the feed address: the token of the server that answers, or
# nothing when none does.
answering_token() {
  python3 - <<'PY' 2>/dev/null
import socket
with socket.create_connection(("127.77.0.1", 80), 0.5) as s:
    s.settimeout(1)
    s.sendall(b"GET /feedserver/token HTTP/1.0\r\n\r\n")
    answer = b""
    while True:
        piece = s.recv(4096)
        if not piece:
            break
        answer += piece
head, _, body = answer.partition(b"\r\n\r\n")
if head.startswith(b"HTTP/1.0 200"):
    print(body.decode("ascii", "replace"))
PY
}

if [ "$feed_host" = 127.77.0.1 ]; then
  # A token only this run's server knows: a server that answers with it is ours, whatever else
  # listens or is still going away.
  token=$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')
  # Its own session, so Ctrl-C reaches only this script; the pid is kept for the clean-up.
  setsid python3 "$root/tools/feedserver/feedserver.py" --host 127.77.0.1 --port 80 \
    --log "$run/feedserver.log" --token "$token" >>"$run/feedserver.out" 2>&1 </dev/null &
  feed=$!
  echo "$feed" >"$run/feedserver.pid"
  answer=
  for _ in $(seq 30); do
    answer=$(answering_token || true)
    [ "$answer" = "$token" ] && break
    # Ours has given up: whatever answers now is someone else's.
    kill -0 "$feed" 2>/dev/null || { sleep 0.2; answer=$(answering_token || true); break; }
    sleep 0.1
  done
  if [ "$answer" = "$token" ]; then
    echo "Feed server on 127.77.0.1:80 (requests logged to $run/feedserver.log)."
  else
    kill "$feed" 2>/dev/null || true
    rm -f "$run/feedserver.pid"
    if python3 -c 'import socket; socket.create_connection(("127.77.0.1", 80), 0.5).close()' 2>/dev/null; then
      echo "127.77.0.1:80 is already served by another program, not by this run's feed server:"
      echo "the clock shows the news that program serves, if any."
    else
      echo "The feed server could not bind 127.77.0.1:80 (port 80 needs root): the news bar shows only the HTTPS feeds."
    fi
    tail -1 "$run/feedserver.out" 2>/dev/null || true
    feed=
  fi
fi

# The HTTPS feeds, on the port of the last run when it is still free (so the addresses stay), on
# any free one otherwise. Any port will do, no root needed.
trusted=
if [ -z "${FEED_SERVER:-}" ] && bash "$root/scripts/make-local-ca.sh" "$run/tls"; then
  timeout 60 wine "$wintool" trust-root 'tls\ca.pem' >/dev/null 2>"$run/trust-root.err" </dev/null &&
    trusted=1
  # The prefix's server was started for the tool, perhaps without the display the clock gets:
  # the clock starts one of its own.
  timeout 10 wineserver -k >/dev/null 2>&1 || true
  timeout 10 wineserver -w >/dev/null 2>&1 || true
  if [ -z "$trusted" ]; then
    echo "Could not trust the run's CA in $WINEPREFIX: running without the HTTPS feeds."
    tail -1 "$run/trust-root.err" || true
  fi
elif [ -z "${FEED_SERVER:-}" ]; then
  echo "Could not make the certificates for the HTTPS feeds: running without them."
fi
if [ -n "$trusted" ]; then
  last=$(cat "$run/feedserver-https.port" 2>/dev/null || true)
  for want in ${last:+"$last"} 0; do
    rm -f "$run/feedserver-https.port"
    setsid python3 "$root/tools/feedserver/feedserver.py" --host 127.0.0.1 --port "$want" \
      --port-file "$run/feedserver-https.port" --tls-cert "$run/tls/localhost.pem" \
      --tls-key "$run/tls/localhost.key" --log "$run/feedserver.log" \
      >>"$run/feedserver.out" 2>&1 </dev/null &
    https_feed=$!
    echo "$https_feed" >"$run/feedserver-https.pid"
    for _ in $(seq 50); do
      [ -s "$run/feedserver-https.port" ] && break
      kill -0 "$https_feed" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$run/feedserver-https.port" ]; then
      https_port=$(cat "$run/feedserver-https.port")
      break
    fi
    kill "$https_feed" 2>/dev/null || true
    rm -f "$run/feedserver-https.pid"
    https_feed=
  done
  if [ -n "$https_port" ]; then
    echo "HTTPS feeds on https://localhost:$https_port/ (the run's CA is trusted in $WINEPREFIX only)."
  else
    echo "The HTTPS feed server did not start: running without its feeds."
    tail -1 "$run/feedserver.out" 2>/dev/null || true
  fi
fi
write_settings

# Wine's and ALSA's own messages go to a log, not to the terminal.
wine_log="$run/wine.log"
if [ -n "$real_display" ]; then
  echo "Starting the clock on display $DISPLAY (quit from its menu or tray icon)."
  [ -z "$sound_file" ] || echo "No sound card: its sound is written to $sound_file."
  wine TarvoClock.exe >"$wine_log" 2>&1 || true
  exit 0
fi

shot="$run/screen.png"
for n in $(seq 90 119); do [ -e "/tmp/.X$n-lock" ] || break; done
# Own sessions for the display and the clock: Ctrl-C reaches only this script, which then
# closes the clock properly before the display goes.
# -noreset: the server would otherwise start afresh, with a black desktop, each time its last
# client leaves, as xsetroot does right after painting it.
setsid Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"

for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
xsetroot -solid '#3A6EA5'
setsid wine TarvoClock.exe >"$wine_log" 2>&1 &
clock=$!
echo "No display: the clock runs on virtual display $DISPLAY; its sound is written to $sound_file."
echo "A screenshot is saved to $shot every 5 seconds; Ctrl-C stops."
while kill -0 "$clock" 2>/dev/null; do
  sleep 5 &
  wait $! || true
  import -window root "$shot.tmp.png" 2>/dev/null && mv "$shot.tmp.png" "$shot"
done
wait "$clock" || true
