# Sourced by the scripts that run Windows programs: a Wine prefix in the Japanese locale (code
# page 932), without the Mono/Gecko installers, created on first use. The tests and the clock
# started by run.sh have prefixes of their own (build/wine-test, build/wine-run), so the tests,
# which end their prefix's server, never take a running clock down with them.
_tarvo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX=${WINEPREFIX:-$_tarvo_root/build/wine-test}

EnsureWinePrefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.ready-3" ]; then
      rm -rf "$WINEPREFIX"
      wineboot --init >/dev/null 2>&1 </dev/null 9>&-
      # Video drawn through OpenGL stays blank in a window we own (put_Owner) on Xvfb; GDI
      # drawing shows it.
      wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d gdi /f \
        >/dev/null 2>&1 </dev/null 9>&-
      # The tests run on Xvfb, which has no window manager; Wine would wait two seconds for one
      # each time a framed window (a video window) is hidden or destroyed. So for the Win32
      # test suite Wine handles its windows itself.
      case "$WINEPREFIX" in
        "$_tarvo_root"/build/wine-test*)
          wine reg add 'HKCU\Software\Wine\AppDefaults\win32_tests.exe\X11 Driver' /v Managed \
            /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null 9>&-
          ;;
      esac
      wineserver -w 9>&-
      touch "$WINEPREFIX/.ready-3"
    fi
  ) 9>"$WINEPREFIX.lock"
}
