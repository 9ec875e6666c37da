#!/usr/bin/env bash
# A stop signal ends the program within a second even where its event loop
# cannot run: against an X server and a Wayland compositor that accept the
# connection and never answer, and with the X server stopped mid-run.
# Args: the program, the mute server.
set -u
OMBREL=$1 MUTE=$2
WORK=$(mktemp -d)
PID= MUTEPID= XPID=
# A failure while the X server is stopped must not leave it stopped for the tests after this one.
trap '[ -n "$XPID" ] && kill -CONT $XPID 2>/dev/null; [ -n "$PID" ] && kill -9 $PID 2>/dev/null
      [ -n "$MUTEPID" ] && kill $MUTEPID 2>/dev/null; rm -rf "$WORK"' EXIT
. "$(dirname "$0")/end_to_end_lib.sh"

# Sends $1 to the program once the mute server took its connection; it must be gone within a second.
stops_once_connected() {
  wait_until 20 grep -q accepted "$WORK/mute.out" || fail "$2: no connection to the mute server"
  ends_on_signal "$@"
}

# Starts the mute server on socket $1, in place of the last one.
mute() {
  [ -n "$MUTEPID" ] && kill "$MUTEPID" && wait "$MUTEPID" 2>/dev/null
  : >"$WORK/mute.out"
  "$MUTE" "$1" >>"$WORK/mute.out" 2>&1 &
  MUTEPID=$!
  wait_until 10 test -S "$1" || fail "the mute server did not start"
}

# X11: a display number nobody uses, with a socket that says nothing.
n=150
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
mkdir -p /tmp/.X11-unix
mute "/tmp/.X11-unix/X$n"
for sig in TERM INT HUP; do
  : >"$WORK/mute.out"
  env -u WAYLAND_DISPLAY DISPLAY=":$n" QT_QPA_PLATFORM=xcb "$OMBREL" >"$WORK/out.log" 2>&1 &
  PID=$!
  stops_once_connected "$sig" "X11, a server that never answers"
done
rm -f "/tmp/.X11-unix/X$n"

# Wayland: the compositor's socket in a runtime folder of our own.
mkdir -m 700 "$WORK/run"
mute "$WORK/run/wayland-mute"
for mode in "" --wallpaper --screensaver "--screensaver --idle 5"; do
  : >"$WORK/mute.out"
  env -u DISPLAY XDG_RUNTIME_DIR="$WORK/run" WAYLAND_DISPLAY=wayland-mute QT_QPA_PLATFORM=wayland \
    "$OMBREL" $mode >"$WORK/out.log" 2>&1 &
  PID=$!
  stops_once_connected TERM "Wayland${mode:+ $mode}, a compositor that never answers"
done
kill "$MUTEPID"; MUTEPID=

# A running program whose X server is stopped: on the test run's own server.
if [ -z "${DISPLAY:-}" ]; then
  echo "stop signals: all passed (no X server to stop)"
  exit 0
fi
XPID=$(cat "/tmp/.X${DISPLAY#:}-lock" 2>/dev/null | tr -d ' ')
[ -n "$XPID" ] || fail "no X server pid for $DISPLAY"
"$OMBREL" --seed 3 >"$WORK/out.log" 2>&1 &
PID=$!
wait_lit 1920x1080+0+0 || fail "no figure: $LIT"
kill -STOP "$XPID"
echo accepted >"$WORK/mute.out"
stops_once_connected TERM "X11, the server stopped"
kill -CONT "$XPID"
echo "stop signals: all passed"
