# Sourced by the measuring scripts after wine-env.sh: a private Xvfb display and a Wine server
# of our own, run in the foreground of a child we know by its id so its CPU time is counted.
# Sets DISPLAY, `server` (the server's pid) and `work` (a fresh folder); both end, and the
# folder goes, when the script exits.
StartMeasureEnvironment() {
  work=$(mktemp -d)
  local n
  for n in $(seq 200 239); do [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  measureXvfb=$!
  export DISPLAY=":$n"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -f -p >/dev/null 2>&1 &
  server=$!
  sleep 0.5
  kill -0 "$server" || { echo "no Wine server of our own"; exit 1; }
  trap StopMeasureEnvironment EXIT
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
}

StopMeasureEnvironment() {
  set +e
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  kill "$measureXvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
