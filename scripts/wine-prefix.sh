#!/usr/bin/env bash
# wine-prefix.sh start|stop PREFIX: makes a fresh Wine prefix with a persistent server, so that
# every test program after it starts fast, or stops that prefix's server.
set -euo pipefail
action=$1
export WINEPREFIX=$2 WINEDEBUG=-all
case "$action" in
start)
  wineserver -k 2>/dev/null || true # a server left by an interrupted run
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # Wine's background processes must not hold ctest's output pipes open.
  wineserver -p </dev/null >"$WINEPREFIX.log" 2>&1
  wineboot -i </dev/null >>"$WINEPREFIX.log" 2>&1
  echo "Wine prefix ready: $WINEPREFIX ($(wine --version 2>/dev/null))"
  ;;
stop)
  wineserver -k 2>/dev/null || true
  echo "Wine server of $WINEPREFIX stopped"
  ;;
*)
  echo "usage: $0 start|stop PREFIX" >&2
  exit 2
  ;;
esac
