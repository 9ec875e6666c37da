#!/usr/bin/env bash
# The real program as a screensaver inside a host window of another program,
# on the X server named by DISPLAY. A helper plays the daemon: it makes the
# host window (grey), resizes and destroys it.
set -u
BIN=$1 HELPER=$2
[ -n "${DISPLAY:-}" ] || { echo "needs an X server"; exit 77; }
WORK=$(mktemp -d)
PID=
trap '[ -n "$PID" ] && kill -9 "$PID" 2>/dev/null; [ -n "${HELPER_PID:-}" ] && kill "$HELPER_PID" 2>/dev/null; rm -rf "$WORK"' EXIT
. "$(dirname "$0")/end_to_end_lib.sh"

grey() { convert "$1" -crop "$2" +repage -fill white -opaque '#808080' -fill black +opaque white -colorspace gray -format '%[fx:mean]' info:; }
# Windows at the top of the X server's tree that can be seen.
viewable() { xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p' | while read -r w; do
  xwininfo -id "$w" 2>/dev/null | grep -q IsViewable && echo "$w"; done; }

# Bash unsets a coprocess's variables whenever it notices its end: the pid
# is kept under a name of ours, and the second helper has a name of its own.
coproc HOST { "$HELPER" 640x480+100+100; }
HELPER_PID=$HOST_PID
read -r HOST_ID <&"${HOST[0]}" || fail "the helper made no window"
host_grey() { import -window root "$WORK/before.png"; [ "$(grey "$WORK/before.png" 640x480+100+100)" = 1 ]; }
wait_until 20 host_grey || fail "the helper's window is not grey"

start() {
  # A Wayland session's variables must not lead it away from the daemon's X server.
  env -u QT_QPA_PLATFORM WAYLAND_DISPLAY=no-such-socket XSCREENSAVER_WINDOW=$HOST_ID "$BIN" --root "$@" >"$WORK/out.log" 2>&1 &
  PID=$!
}
no_grey() {  # the host's area $1 holds no grey
  import -window root "$WORK/now.png"
  g=$(grey "$WORK/now.png" "$1")
  awk -v g="$g" 'BEGIN { exit !(g < 0.001) }'
}
covered() { wait_until 30 no_grey "$1"; }

echo "== drawing fills the host window and nothing else"
start
covered 640x480+100+100 || fail "the host still shows its own grey ($g)"
wait_lit 640x480+100+100 || fail "in the host, $LIT"
for outside in 3200x100+0+0 100x980+0+100 2460x980+740+100 640x500+100+580; do
  ! differs "$WORK/before.png" "$WORK/lit.png" "$outside" || fail "drawn outside the host, in $outside"
done
[ "$(viewable)" = "$HOST_ID" ] || fail "windows of our own at the top: $(viewable | tr '\n' ' ')"

echo "== a resized host is filled at its new size"
echo "resize 0 900 700" >&"${HOST[1]}"
covered 900x700+100+100 || fail "the grown host shows grey ($g)"
import -window root "$WORK/now.png"
! differs "$WORK/before.png" "$WORK/now.png" 2200x980+1000+100 || fail "drawn outside the grown host"
echo "resize 0 320 240" >&"${HOST[1]}"
sleep 1
kill -0 "$PID" 2>/dev/null || fail "the program ended on a shrunk host"
covered 320x240+100+100 || fail "the shrunk host shows grey ($g)"

echo "== an unmapped host costs no work; mapped again, it shows the picture"
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$PID/stat"; }
# At most $2 clock ticks of CPU in the next $1 seconds.
cpu_quiet() { local before; before=$(cpu_ticks); sleep "$1"; [ $(( $(cpu_ticks) - before )) -le "$2" ]; }
echo "unmap 0" >&"${HOST[1]}"
# A repaint or a cycle under way when the host went ends first, however slowly.
wait_until 60 cpu_quiet 1 1 || fail "busy behind an unmapped host"
before=$(cpu_ticks)
sleep 2
spent=$(( $(cpu_ticks) - before ))
[ "$spent" -le 2 ] || fail "$spent clock ticks of CPU in 2 s behind an unmapped host"
echo "map 0" >&"${HOST[1]}"
covered 320x240+100+100 || fail "the host mapped again shows grey ($g)"

echo "== SIGTERM ends it with exit 0 within a second"
ends_on_signal TERM "running"

echo "== glow in the host window: the figure as light, at the host's size"
start --style glow
covered 320x240+100+100 || fail "glow: the host shows grey ($g)"
wait_lit 320x240+100+100 || fail "glow in the host, $LIT"
ends_on_signal TERM "running"

echo "== a destroyed host ends it with exit 0"
start
covered 320x240+100+100 || fail "the host was not filled"
echo "destroy 0" >&"${HOST[1]}"
expect_exit 10

echo "== hosts sized after start get frames at their final size within a cycle"
eval "exec ${HOST[1]}>&-"
wait "$HELPER_PID" 2>/dev/null
coproc SIZED { "$HELPER" 1x1+100+100 300x200+700+100 input-only:200x200+2000+100; }
HELPER_PID=$SIZED_PID
read -r SMALL <&"${SIZED[0]}" && read -r GROWN <&"${SIZED[0]}" && read -r INPUT_ONLY <&"${SIZED[0]}" ||
  fail "the helper made no windows"
# Lit pixels in a region: how many, and how many columns modulo 4 hold them.
# A frame of a quarter of the size, stretched, lights one column in four.
spread() {
  import -window root "$WORK/now.png"
  convert "$WORK/now.png" -crop "$1" +repage -colorspace gray -threshold 0 txt:- |
    awk -F'[,:]' '/#FFFFFF/ { n++; c[$1 % 4] = 1 } END { print n + 0, length(c) }'
}
at_size() { read -r n columns < <(spread "$1"); [ "$n" -ge 100 ] && [ "$columns" -ge 3 ]; }
start_in() { env -u QT_QPA_PLATFORM "$BIN" --window-id "$1" >"$WORK/out.log" 2>&1 & PID=$!; }
start_in "$SMALL"
sleep 0.3  # as a daemon may size its window a moment after starting the program
echo "resize 0 400 300" >&"${SIZED[1]}"
wait_until 30 at_size 400x300+100+100 || fail "the host sized after start: $(spread 400x300+100+100)"
ends_on_signal TERM "running"
start_in "$GROWN"
wait_lit 300x200+700+100 || fail "the host before growing: $LIT"
echo "resize 1 1200 800" >&"${SIZED[1]}"
wait_until 30 at_size 1200x800+700+100 || fail "the grown host: $(spread 1200x800+700+100)"
ends_on_signal TERM "running"

echo "== a host that takes input only: one line, exit 2"
"$BIN" --window-id "$INPUT_ONLY" >"$WORK/out.log" 2>&1
code=$?
[ $code -eq 2 ] && [ "$(grep -c '^ombrel: .*input only' "$WORK/out.log")" -eq 1 ] || fail "exit code $code, output: $(cat "$WORK/out.log")"

echo "== --root without a daemon's window draws on the root window"
env -u XSCREENSAVER_WINDOW "$BIN" --root >"$WORK/out.log" 2>&1 &
PID=$!
wait_lit 1920x1080+0+0 1280x1024+1920+0 || fail "root window, $LIT"
ends_on_signal TERM "running"

echo "== a window id that names no window: one line, exit 2"
XSCREENSAVER_WINDOW=0x7fffffff "$BIN" --root >"$WORK/out.log" 2>&1
code=$?
[ $code -eq 2 ] && [ "$(grep -c '^ombrel: ' "$WORK/out.log")" -eq 1 ] || fail "exit code $code, output: $(cat "$WORK/out.log")"

echo "host end-to-end: all passed"
