#!/usr/bin/env bash
# Wine for one build tree: scripts/wine.sh prefix|warm|stop|run BUILD_DIR [command...]
#   prefix  create the tree's Wine prefix once (about 10 s)
#   warm    start a persistent wineserver for that prefix and let Wine's services settle,
#           so they never inherit ctest's output pipes (ctest hangs otherwise)
#   stop    stop the wineserver of that prefix only
#   run     run a command with the prefix's environment
set -euo pipefail

cmd=${1:?usage: wine.sh prefix|warm|stop|run BUILD_DIR}
build=$(cd "${2:?build dir}" && pwd)
shift 2

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

case "$cmd" in
  prefix)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i </dev/null >/dev/null 2>&1 || true
      wineserver -w || true
    fi
    # Xvfb runs no window manager, and Wine would wait up to 2 s for one whenever a
    # top-level window goes away: keep the windows to Wine itself.
    if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
      wineserver -w || true
    fi
    ;;
  warm)
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wineboot </dev/null >/dev/null 2>&1 || true
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
  run)
    exec "$@"
    ;;
  *)
    echo "wine.sh: unknown command '$cmd'" >&2
    exit 2
    ;;
esac
