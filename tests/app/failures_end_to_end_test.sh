#!/usr/bin/env bash
# The real program where things go wrong, on the X server named by DISPLAY
# with two monitors side by side (1920x1080 and 1280x1024): no display, no
# OpenGL, too little memory, closed standard descriptors, nohup, a
# fractional scale, and monitors that come and go while it runs.
set -u
BIN=$1
[ -n "${DISPLAY:-}" ] || { echo "needs an X server"; exit 77; }
WORK=$(mktemp -d)
PID=
restore_monitors() {
  xrandr --delmonitor MON2 >/dev/null 2>&1
  xrandr --setmonitor MON0 1920/508x1080/286+0+0 screen >/dev/null 2>&1
  xrandr --setmonitor MON1 1280/338x1024/270+1920+0 none >/dev/null 2>&1
}
trap '[ -n "$PID" ] && kill -9 "$PID" 2>/dev/null; restore_monitors; rm -rf "$WORK"' EXIT
. "$(dirname "$0")/end_to_end_lib.sh"

# Runs the program with the given environment settings; it must end by
# itself with exit code 1 and one line of its own naming $1.
ends_with_one_line() {
  local expected=$1; shift
  env "$@" "$BIN" >"$WORK/out.log" 2>&1
  local code=$?
  [ $code -eq 1 ] || fail "$*: exit code $code"
  [ "$(grep -c '^ombrel: ' "$WORK/out.log")" -eq 1 ] && grep -q "^ombrel: .*$expected" "$WORK/out.log" ||
    fail "$*: $(cat "$WORK/out.log")"
}
# Places of the program's visible windows: "X,Y WxH", sorted.
placed() {
  for w in $(xdotool search --onlyvisible --name '^Ombrel$' 2>/dev/null); do
    xdotool getwindowgeometry "$w" | sed -n 's/.*Position: \([0-9-]*,[0-9-]*\).*/\1/p; s/.*Geometry: //p' | paste -sd' '
  done | sort
}
placed_at() { [ "$(placed)" = "$(printf '%s\n' "$@" | sort)" ]; }

echo "== without a display: one line, exit 1"
ends_with_one_line "neither DISPLAY nor WAYLAND_DISPLAY" -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
ends_with_one_line "X display ':250'" -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:250
ends_with_one_line "Wayland compositor 'no-such-socket'" QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=no-such-socket

echo "== a platform without OpenGL or screens: one line, exit 1, no hang"
ends_with_one_line "OpenGL" QT_QPA_PLATFORM=minimal

echo "== too little memory for the frames: the box says so, SIGTERM ends it with exit 1"
# Frames of 1.8 GB against a limit that leaves start-up (half a gigabyte, more
# with malloc's per-thread arenas) a wide margin: a tight limit made Mesa or
# LLVM fail first now and then, before the frames were asked for.
(ulimit -v 2000000; exec "$BIN" --morph 60 --fps 120 >"$WORK/out.log" 2>&1) &
PID=$!
wait_until 30 grep -q '^ombrel: not enough memory for the frames of a' "$WORK/out.log" || fail "no word of the memory"
box_shown() { [ "$(xdotool search --onlyvisible --name '^Ombrel$' 2>/dev/null | wc -l)" -ge 1 ]; }
wait_until 10 box_shown || fail "no box"
kill -TERM "$PID"
wait_until 5 eval '! kill -0 "$PID" 2>/dev/null' || fail "the box held SIGTERM up"
wait "$PID"; code=$?; PID=
[ $code -eq 1 ] || fail "exit code $code"

echo "== closed standard descriptors, no XDG_RUNTIME_DIR: it runs and stops on SIGTERM"
env -u XDG_RUNTIME_DIR "$BIN" <&- >&- 2>&- &
PID=$!
wait_lit 1920x1080+0+0 1280x1024+1920+0 || fail "$LIT"
ends_on_signal TERM "stopping it"

echo "== under nohup a hang-up passes it by"
nohup "$BIN" >"$WORK/out.log" 2>&1 &
PID=$!
wait_lit 1920x1080+0+0 || fail "$LIT"
kill -HUP "$PID"
kill -0 "$PID" 2>/dev/null || fail "SIGHUP ended it"
ends_on_signal TERM "stopping it"

echo "== on a screen scaled by 1.5 each display covers exactly its monitor"
QT_SCALE_FACTOR=1.5 "$BIN" >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 20 placed_at "0,0 1920x1080" "1920,0 1280x1024" || fail "placed at: $(placed | paste -sd';')"
ends_on_signal TERM "stopping it"

echo "== monitors that go, come back, change, are added, all go and return"
"$BIN" >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 20 placed_at "0,0 1920x1080" "1920,0 1280x1024" || fail "placed at: $(placed | paste -sd';')"
xrandr --delmonitor MON1
wait_until 20 placed_at "0,0 1920x1080" || fail "after one went: $(placed | paste -sd';')"
xrandr --setmonitor MON1 1280/338x1024/270+1920+0 none
wait_until 20 placed_at "0,0 1920x1080" "1920,0 1280x1024" || fail "after it came back: $(placed | paste -sd';')"
wait_lit 1280x1024+1920+0 || fail "the monitor that came back: $LIT"
xrandr --delmonitor MON1
xrandr --setmonitor MON1 640/169x1024/270+1920+0 none
xrandr --setmonitor MON2 640/169x800/212+2560+0 none
wait_until 20 placed_at "0,0 1920x1080" "1920,0 640x1024" "2560,0 640x800" || fail "split: $(placed | paste -sd';')"
wait_lit 640x1024+1920+0 640x800+2560+0 || fail "the split monitors: $LIT"
xrandr --delmonitor MON0
xrandr --delmonitor MON1
xrandr --delmonitor MON2
# Xvfb then shows its whole screen as one monitor.
wait_until 20 placed_at "0,0 3200x1080" || fail "with no monitor of ours: $(placed | paste -sd';')"
restore_monitors
wait_until 20 placed_at "0,0 1920x1080" "1920,0 1280x1024" || fail "after all came back: $(placed | paste -sd';')"
wait_lit 1920x1080+0+0 1280x1024+1920+0 || fail "after all came back: $LIT"
ends_on_signal TERM "stopping it"

echo "failures end-to-end: all passed"
