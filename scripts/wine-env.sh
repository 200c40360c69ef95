# Sourced by the scripts that run Windows programs: one cached Wine prefix in the Japanese
# locale (code page 932), without the Mono/Gecko installers, created on first use.
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/tarvoclock/wineprefix}

EnsureWinePrefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.ready" ]; then
      rm -rf "$WINEPREFIX"
      wineboot --init >/dev/null 2>&1 </dev/null 9>&-
      wineserver -w 9>&-
      touch "$WINEPREFIX/.ready"
    fi
  ) 9>"$WINEPREFIX.lock"
}
