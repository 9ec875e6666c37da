#!/usr/bin/env bash
# The real program on an X server with two monitors side by side, 1920x1080
# and 1280x1024 (scripts/test sets them up), driven by xdotool.
set -u
BIN=$1 FRAMES=$2
[ -n "${DISPLAY:-}" ] || { echo "needs an X server"; exit 77; }
WORK=$(mktemp -d)
PID=
trap '[ -n "$PID" ] && kill "$PID" 2>/dev/null; rm -rf "$WORK"' EXIT
. "$(dirname "$0")/end_to_end_lib.sh"

displays_shown() { [ "$(xdotool search --onlyvisible --name '^Ombrel$' 2>/dev/null | wc -l)" -eq "$1" ]; }
about_shown() { ABOUT=$(xdotool search --onlyvisible --name '^About\.\.\.$' 2>/dev/null | head -1); [ -n "$ABOUT" ]; }
about_gone() { ! about_shown; }
# Qt's popup menu is one more window of the program's class beside the two displays.
menu_shown() { [ "$(xdotool search --onlyvisible --classname '^ombrel$' 2>/dev/null | wc -l)" -eq 3 ]; }

start() {
  "$BIN" >"$WORK/out.log" 2>&1 &
  PID=$!
  wait_until 20 displays_shown 2 || fail "the displays did not appear"
}

MON0=1920x1080+0+0
MON1=1280x1024+1920+0

echo "== each monitor gets a display"
start
geometry=$(for w in $(xdotool search --onlyvisible --name '^Ombrel$'); do xdotool getwindowgeometry "$w" | tr -d '\n'; echo; done | sort)
echo "$geometry" | grep -q 'Position: 0,0 .*Geometry: 1920x1080' || fail "no display on monitor 0: $geometry"
echo "$geometry" | grep -q 'Position: 1920,0 .*Geometry: 1280x1024' || fail "no display on monitor 1: $geometry"

echo "== coloured points on black on both monitors, changing over time"
wait_lit $MON0 $MON1 || fail "$LIT"
changes "$MON0" || fail "monitor 0 did not change"
changes "$MON1" || fail "monitor 1 did not change"

echo "== glow: each monitor shows ombrel-frames' glow frame of the same seed"
kill "$PID"; wait "$PID" 2>/dev/null; PID=
"$FRAMES" --style glow --seed 0x5eed --display 1920x1080 --display 1280x1024 --frames 50 --out "$WORK/glow" >/dev/null ||
  fail "ombrel-frames --style glow"
"$BIN" --style glow --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
glow_differs() {
  import -window root "$WORK/glow.png"
  convert "$WORK/glow.png" -crop "$1" +repage "$WORK/glow$2.png"
  compare -metric AE "$WORK/glow$2.png" "$WORK/glow/c1_d$2_f50.png" null: 2>&1
}
glow_equal() { [ "$(glow_differs $MON0 0)" = 0 ] && [ "$(glow_differs $MON1 1)" = 0 ]; }
wait_until 60 glow_equal || fail "glow differs in $(glow_differs $MON0 0) and $(glow_differs $MON1 1) pixels"
kill "$PID"; wait "$PID" 2>/dev/null
start

echo "== right-click menu: About Ombrel opens the box, the animation goes on"
xdotool mousemove 600 400 click 3
wait_until 10 menu_shown || fail "the menu did not open"
xdotool key Down Return
wait_until 10 about_shown || fail "the About box did not open"
changes "$MON1" || fail "the animation stopped behind the About box"
xdotool mousemove 1500 900 click --repeat 2 --delay 80 1
sleep 1
kill -0 "$PID" 2>/dev/null || fail "a double-click went through the modal box"
eval "$(xdotool getwindowgeometry --shell "$ABOUT")"
xdotool mousemove $((X + 48)) $((Y + 172)) click 1
wait_until 10 about_gone || fail "OK did not close the About box"

echo "== Exit ends the program"
xdotool mousemove 2500 500 click 3
wait_until 10 menu_shown || fail "the menu did not open"
xdotool key Up Return
expect_exit 10

echo "== a double-click ends the program"
start
xdotool mousemove 2400 300 click --repeat 2 --delay 80 1
expect_exit 10

echo "== a monitor that goes away takes its display along, the other goes on"
start
xrandr --delmonitor MON1
restore_monitor() { xrandr --setmonitor MON1 1280/338x1024/270+1920+0 none >/dev/null; }
# A message box would be one more visible window of that name.
one=yes; wait_until 10 displays_shown 1 || one=no
kill -0 "$PID" 2>/dev/null || { restore_monitor; fail "the program ended"; }
changing=yes; changes "$MON0" || changing=no
restore_monitor
[ $one = yes ] || fail "not the one display left shown"
[ $changing = yes ] || fail "monitor 0 stopped"
xdotool mousemove 900 500 click --repeat 2 --delay 80 1
expect_exit 10

echo "== a double-click during start-up ends it cleanly"
"$BIN" >"$WORK/out.log" 2>&1 &
PID=$!
xdotool mousemove 900 500
for _ in $(seq 40); do
  xdotool click --repeat 2 --delay 60 1
  kill -0 "$PID" 2>/dev/null || break
  sleep 0.05
done
expect_exit 10

echo "== SIGTERM, SIGINT and SIGHUP end it like Exit, within a second, from start-up on"
# Once its handlers are set: at once (Qt is starting), 0.25 s later (the first
# generation runs), 2.4 s later (the generation of the next cycle).
for delay in 0 0.25 2.4; do
  for sig in TERM INT HUP; do
    "$BIN" --seed 7 >"$WORK/out.log" 2>&1 &
    PID=$!
    wait_until 20 stop_signals_caught || fail "SIG$sig: the program never caught its stop signals"
    sleep $delay
    ends_on_signal $sig "$delay s after start-up"
  done
done

echo "== bad command lines: one line naming the problem, exit 2"
for args in "--bogus" "--window-id" "--window-id 0x" "--seed 4294967296" "--root=1" "--style" "--style neon"; do
  # shellcheck disable=SC2086
  "$BIN" $args >"$WORK/out.log" 2>&1
  code=$?
  [ $code -eq 2 ] || fail "'$args': exit code $code"
  [ "$(wc -l <"$WORK/out.log")" -eq 1 ] || fail "'$args': $(cat "$WORK/out.log")"
done

echo "== --help and --version answer whatever the daemon's variable holds"
for args in "--root --help" "--root --version"; do
  # shellcheck disable=SC2086
  XSCREENSAVER_WINDOW=garbage "$BIN" $args >"$WORK/out.log" 2>&1 || fail "'$args' with a bad XSCREENSAVER_WINDOW: $(cat "$WORK/out.log")"
  grep -q '^ombrel\|^usage: ombrel' "$WORK/out.log" || fail "'$args': $(cat "$WORK/out.log")"
done

echo "end-to-end: all passed"
