#!/usr/bin/env bash
# Runs a Windows program of ours under Wine, in a virtual display when there
# is no display, with a Wine prefix of the build's own. Used by ctest as the
# emulator of the Windows build and by the scripts that drive the programs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${PORTELAN_WINEPREFIX:-${TMPDIR:-/tmp}/portelan-wine-$(id -u)}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing may be downloaded, and nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.portelan-ready" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  # Without a window manager Wine draws the frames and captions itself, as
  # Windows does; the screenshots need them.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  wineserver --wait || true
  touch "$WINEPREFIX/.portelan-ready"
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" "$here/wine-run.sh" "$@"
fi
exec wine "$@"
