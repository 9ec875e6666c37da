#!/usr/bin/env bash
# ombrel --screensaver under sway, headless, with outputs of 1920x1080 and
# 1280x1024: above a window, the ombrel-frames picture of the same seed,
# ended by the first key or pointer move, which no window beneath gets; as
# its own idle daemon (--idle), nothing at all while it waits, shown only
# when the seat is idle and no idle inhibitor holds it back; every stop
# signal in both states; a locker started over it gets the screen and the
# keys. Keys come from wtype's virtual keyboards, the pointer from the test
# client's virtual pointer. As root, sway and its clients run as nobody,
# from world-readable copies.
set -u
BIN=$1 FRAMES=$2 SWAP_LOG=$3 CLIENT=$4
for tool in sway grim wtype swaylock; do command -v $tool >/dev/null || { echo "needs $tool"; exit 77; }; done
WORK=$(mktemp -d)
chmod 755 "$WORK"
. "$(dirname "$0")/end_to_end_lib.sh"
compositor_user
SWAY= PID= WINDOW= HELPERS=()
cleanup() {
  [ -n "$PID" ] && kill -9 "$PID" 2>/dev/null
  [ -n "$WINDOW" ] && kill "$WINDOW" 2>/dev/null
  [ ${#HELPERS[@]} -gt 0 ] && kill "${HELPERS[@]}" 2>/dev/null
  pkill -9 -f "^$WORK/" 2>/dev/null
  [ -n "$SWAY" ] && kill "$SWAY" 2>/dev/null && wait "$SWAY" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$WORK/out.log" 2>/dev/null; tail -5 "$WORK/sway.log" 2>/dev/null; exit 1; }

install -m 755 "$BIN" "$WORK/ombrel"
install -m 755 "$SWAP_LOG" "$WORK/swap_log.so"
install -m 755 "$CLIENT" "$WORK/client"
start_sway
SHOT=$WORK/home/shot.png
LIT_SHOT=$SHOT
shot() { "${IN_SWAY[@]}" grim "$SHOT" 2>/dev/null; }
take_shot() { shot; }
"$FRAMES" --seed 0x5eed --display 1920x1080 --display 1280x1024 --frames 50 --out "$WORK/frames" >/dev/null ||
  fail "ombrel-frames"
shown() { shot && [ "$(differing 0)" = 0 ] && [ "$(differing 1)" = 0 ]; }
# The desktop as it was before: the screensaver's surfaces are gone.
as_before() { shot && [ "$(compare -metric AE "$SHOT" "$WORK/desktop.png" null: 2>&1)" = 0 ]; }
running() { kill -0 "$PID" 2>/dev/null; }
# A key typed by a virtual keyboard that lives long enough for the clients to take it.
type_key() { "${IN_SWAY[@]}" wtype -s 300 "$1"; }
# The seconds on the clock that the swap log stamps with.
now() { "$WORK/client" now; }

echo "== above a window: the ombrel-frames picture; the first key ends it with 0 and no window gets it"
"${IN_SWAY[@]}" "$WORK/client" window >"$WORK/window.log" 2>&1 &
WINDOW=$!
wait_until 20 grep -q shown "$WORK/window.log" || fail "the test window did not appear"
wait_until 20 eval 'shot && cp "$SHOT" "$WORK/desktop.png"' || fail "no picture of the desktop"
"${IN_SWAY[@]}" "$WORK/ombrel" --screensaver --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 shown || fail "the outputs differ from ombrel-frames' frames in $(differing 0) and $(differing 1) pixels"
typed_away() { running && type_key x; wait_until 5 eval '! running'; }
wait_until 20 typed_away || fail "a key did not end it"
wait "$PID"; code=$?; PID=
[ $code -eq 0 ] || fail "exit code $code after a key"
wait_until 20 as_before || fail "the desktop is not as it was"
grep -q '^key' "$WORK/window.log" && fail "the window beneath got the screensaver's key"
# The window does take the keys that come after.
window_typed() { type_key y; grep -q '^key' "$WORK/window.log"; }
wait_until 20 window_typed || fail "the window never got a key"

echo "== --idle 3: nothing while waiting; the picture once the seat is idle, not before"
SWAPS=$WORK/home/swaps.log THREADS=$WORK/home/threads.log
started=$(now)
"${IN_SWAY[@]}" LD_PRELOAD="$WORK/swap_log.so" OMBREL_SWAP_LOG="$SWAPS" OMBREL_THREAD_LOG="$THREADS" \
  "$WORK/ombrel" --screensaver --idle 3 --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
tasks() { ls "/proc/$PID/task" 2>/dev/null | wc -l; }
# Waiting, the program is its one thread, with its stop signals caught.
waiting() { stop_signals_caught && [ "$(tasks)" = 1 ]; }
wait_until 10 waiting || fail "waiting with $(tasks) threads"
wait_until 60 shown || fail "after idle the outputs differ in $(differing 0) and $(differing 1) pixels"
first=$(head -1 "$SWAPS" | cut -d' ' -f1)
awk -v a="$first" -v b="$started" 'BEGIN { exit !(a - b >= 3) }' || fail "shown $first, started $started: before the idle time"

echo "== a move of the pointer within a few pixels leaves it; one beyond ends the show, and it waits again"
coproc POINTER { "${IN_SWAY[@]}" "$WORK/client" pointer 2>&1; }
HELPERS+=("$POINTER_PID")
move() { echo "move $1 $2" >&"${POINTER[1]}" && read -r -t 10 answer <&"${POINTER[0]}" && [ "$answer" = done ]; }
move 3 3 || fail "the virtual pointer did not move"
move 3 3 || fail "the virtual pointer did not move"
shown || fail "a move of 8.5 pixels ended the show"
move 40 0 || fail "the virtual pointer did not move"
moved=$(now)
wait_until 20 as_before || fail "a move of 40 pixels did not end the show"
running || fail "the daemon ended with the show"
kill "$POINTER_PID"
wait_until 10 waiting || fail "waiting again with $(tasks) threads"

echo "== shown again at the next idle, and nothing done before it; a key ends that show too"
wait_until 60 shown || fail "not shown again: $(differing 0) and $(differing 1) pixels differ"
# The seat is idle 3 s after the move; the show before ends within moments
# of it, and the clock read after the move may lag it under load.
awk -v t="$moved" '$1 > t + 0.5 && $1 < t + 2.5 { exit 1 }' "$SWAPS" || fail "a swap while waiting"
awk -v t="$moved" '$1 > t + 0.5 && $1 < t + 2.5 { exit 1 }' "$THREADS" || fail "a thread started while waiting"
typed_to_daemon() { type_key z; as_before; }
wait_until 20 typed_to_daemon || fail "a key did not end the show"
running || fail "the daemon ended with the show"

echo "== an idle inhibitor holds the show back"
"${IN_SWAY[@]}" "$WORK/client" window --inhibit-idle >"$WORK/inhibitor.log" 2>&1 &
INHIBITOR=$!
HELPERS+=("$INHIBITOR")
wait_until 20 grep -q shown "$WORK/inhibitor.log" || fail "the inhibiting window did not appear"
swaps=$(wc -l <"$SWAPS")
# Three idle times.
sleep 9
[ "$(wc -l <"$SWAPS")" = "$swaps" ] || fail "shown under an idle inhibitor"
kill "$INHIBITOR"
wait_until 60 shown || fail "not shown once the inhibitor went"

echo "== a click ends the show; the next comes at the next idle"
coproc POINTER { "${IN_SWAY[@]}" "$WORK/client" pointer 2>&1; }
HELPERS+=("$POINTER_PID")
# A click made before the show has taken the new pointer goes nowhere: clicked again.
clicked() {
  echo click >&"${POINTER[1]}" && read -r -t 10 answer <&"${POINTER[0]}" && [ "$answer" = done ] &&
    wait_until 2 as_before
}
wait_until 20 clicked || fail "a click did not end the show"
kill "$POINTER_PID"
wait_until 60 shown || fail "not shown after the click"

echo "== SIGTERM, SIGINT and SIGHUP end it with 0 within a second, shown or waiting"
ends_on_signal TERM "shown"
for signal in INT HUP; do
  "${IN_SWAY[@]}" "$WORK/ombrel" --screensaver --idle 3 >"$WORK/out.log" 2>&1 &
  PID=$!
  wait_until 10 waiting || fail "not waiting"
  ends_on_signal "$signal" "waiting"
done
"${IN_SWAY[@]}" "$WORK/ombrel" --screensaver >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 all_lit 1920x1080+0+0 1280x1024+1920+0 || fail "$LIT"
ends_on_signal HUP "shown at once"

echo "== a locker started over the show gets the screen and the keys"
# A keyboard there before the show and the locker, as a real one is: wtype's, asleep.
"${IN_SWAY[@]}" wtype -s 60000 q &
KEYBOARD=$!
HELPERS+=("$KEYBOARD")
"${IN_SWAY[@]}" "$WORK/ombrel" --screensaver --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 shown || fail "not shown: $(differing 0) and $(differing 1) pixels differ"
"${IN_SWAY[@]}" WAYLAND_DEBUG=1 swaylock --color ff0000 >"$WORK/locker.log" 2>&1 &
LOCKER=$!
HELPERS+=("$LOCKER")
wait_until 20 eval '! running' || fail "the show did not give way to the locker"
wait "$PID"; code=$?; PID=
[ $code -eq 0 ] || fail "exit code $code when the locker came"
red_on() { [ "$(convert "$SHOT" -crop "$1" +repage -format '%[fx:mean.r > 0.99 && mean.g < 0.01]' info:)" = 1 ]; }
red() { shot && red_on 1920x1080+0+0 && red_on 1280x1024+1920+0; }
wait_until 20 red || fail "the locker is not what the outputs show"
locker_typed() { type_key k; grep -q 'wl_keyboard@[0-9]*\.key(' "$WORK/locker.log"; }
wait_until 20 locker_typed || fail "the locker got no key"
kill "$KEYBOARD"
kill -9 "$LOCKER"

echo "== an output made while it is shown gets the show from the next cycle"
"${IN_SWAY[@]}" "$WORK/ombrel" --screensaver >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 all_lit 1920x1080+0+0 1280x1024+1920+0 || fail "$LIT"
"${IN_SWAY[@]}" swaymsg create_output >/dev/null || fail "swaymsg create_output"
LIT_SHOT=$SHOT
take_shot() { shot; }
wait_until 60 all_lit 1920x1080+3200+0 || fail "the new output: $LIT"
ends_on_signal TERM "shown on three outputs"

echo "== the compositor going away while it waits: one line, exit 1"
"${IN_SWAY[@]}" "$WORK/ombrel" --screensaver --idle 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 10 waiting || fail "not waiting"
end_sway_under_it

echo "== without a layer shell (weston): one line, exit 1, also as the daemon"
refused_without_layer_shell --screensaver
refused_without_layer_shell --screensaver --idle 5

echo "screensaver: all passed"
