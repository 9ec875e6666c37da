#!/usr/bin/env bash
# Runs the program built with AddressSanitizer and UndefinedBehaviorSanitizer
# for a few morph cycles on the X server named by DISPLAY, in each style, ends
# it with a double-click, and fails on any report or a non-zero exit.
set -u
BIN=$1
SUPP=$(cd "$(dirname "$0")/.." && pwd)/lsan.supp
WORK=$(mktemp -d)
LOG=$WORK/out.log
trap 'rm -rf "$WORK"' EXIT
. "$(dirname "$0")/end_to_end_lib.sh"
# Mesa unloads its driver when the X connection closes, before the leak check,
# and the blocks its global caches held would then look leaked: keep it loaded.
MESA_DRIVER=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1)
# One run with the options given, ended by a double-click once it has shown
# figures for 10 s.
run() {
  LD_PRELOAD="$MESA_DRIVER" LSAN_OPTIONS="suppressions=$SUPP" \
    ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$BIN" "$@" >"$LOG" 2>&1 &
  PID=$!
  wait_lit 1920x1080+0+0 || fail "no figure ($*): $LIT"
  sleep 10
  xdotool mousemove 400 300 click --repeat 2 --delay 80 1
  # A cycle under way, slowed by the sanitizers, ends first.
  for _ in $(seq 300); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$PID" 2>/dev/null; then kill "$PID"; echo "FAIL: the program did not end ($*)"; exit 1; fi
  wait "$PID"; code=$?
  if [ $code -ne 0 ] || grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error' "$LOG"; then
    cat "$LOG"
    echo "FAIL: exit code $code ($*)"
    exit 1
  fi
}
run
run --style glow
echo "sanitized run: clean"
