#!/usr/bin/env bash
# ombrel --wallpaper under a real compositor with the layer shell: sway,
# headless, with outputs of 1920x1080 and 1280x1024 (and a third made while
# it runs), software rendering. sway refuses to run as root: as root, sway
# and its clients run as nobody, which must be able to reach the programs,
# so they run from world-readable copies. Then weston, which has no layer shell.
set -u
BIN=$1 FRAMES=$2 SWAP_LOG=$3
command -v sway >/dev/null && command -v grim >/dev/null || { echo "needs sway and grim"; exit 77; }
WORK=$(mktemp -d)
chmod 755 "$WORK"
. "$(dirname "$0")/end_to_end_lib.sh"
compositor_user
SWAY= PID= LIT=
cleanup() {
  [ -n "$PID" ] && kill -9 "$PID" 2>/dev/null
  pkill -9 -f "^$WORK/ombrel" 2>/dev/null
  [ -n "$SWAY" ] && kill "$SWAY" 2>/dev/null && wait "$SWAY" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$WORK/out.log" 2>/dev/null; tail -5 "$WORK/sway.log" 2>/dev/null; exit 1; }

cp "$BIN" "$WORK/ombrel"
cp "$SWAP_LOG" "$WORK/swap_log.so"
chmod 755 "$WORK/ombrel" "$WORK/swap_log.so"
start_sway
# grim's picture of all outputs side by side, where the compositor's user may write.
SHOT=$WORK/home/shot.png
LIT_SHOT=$SHOT
take_shot() { "${IN_SWAY[@]}" grim "$1" 2>/dev/null; }
shot() { take_shot "$SHOT"; }

echo "== a picture on every output, the ombrel-frames picture of the same seed"
"${IN_SWAY[@]}" "$WORK/ombrel" --wallpaper --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 all_lit 1920x1080+0+0 1280x1024+1920+0 || fail "$LIT"
# Held for ten minutes: the first figure, frame 50 of the first cycle, stays.
"$FRAMES" --seed 0x5eed --display 1920x1080 --display 1280x1024 --frames 50 --out "$WORK/frames" >/dev/null ||
  fail "ombrel-frames"
pictures_equal() { shot && [ "$(differing 0 "${1:-}")" = 0 ] && [ "$(differing 1 "${1:-}")" = 0 ]; }
wait_until 30 pictures_equal || fail "the outputs differ from ombrel-frames' frames in $(differing 0) and $(differing 1) pixels"

echo "== outputs switched to scale 1.5 and 2 get buffers of their device pixels at once"
# One output's picture, as grim takes it at the output's own scale (its
# device pixels), against display $1's frame in ${2:-frames}.
output_differs() {
  "${IN_SWAY[@]}" grim -o "HEADLESS-$(($1 + 1))" "$WORK/home/out$1.png" 2>/dev/null || { echo "no picture"; return; }
  compare -metric AE "$WORK/home/out$1.png" "$WORK/${2:-frames}/c1_d$1_f50.png" null: 2>&1
}
output_equal() { [ "$(output_differs "$@")" = 0 ]; }
sway_scale() { "${IN_SWAY[@]}" swaymsg output "HEADLESS-$(($1 + 1))" scale "$2" >/dev/null || fail "swaymsg scale"; }
sway_scale 0 1.5
wait_until 30 output_equal 0 || fail "at scale 1.5 the output differs in $(output_differs 0) pixels"
sway_scale 1 2
wait_until 30 output_equal 1 || fail "at scale 2 the output differs in $(output_differs 1) pixels"
sway_scale 0 1
sway_scale 1 1
wait_until 30 pictures_equal || fail "back at scale 1 the outputs differ in $(differing 0) and $(differing 1) pixels"

echo "== a span over outputs at scales 2 and 1, side by side: neither repeated nor parted"
ends_on_signal TERM "stopping it"
sway_scale 0 2
"${IN_SWAY[@]}" swaymsg output HEADLESS-2 position 960 0 >/dev/null || fail "swaymsg position"
# In device pixels the second output begins where the first ends, as at scale 1.
"$FRAMES" --seed 0x5eed --monitors span --display 1920x1080+0+0 --display 1280x1024+1920+0 --frames 50 \
  --out "$WORK/span" >/dev/null || fail "ombrel-frames span"
"${IN_SWAY[@]}" "$WORK/ombrel" --wallpaper --monitors span --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
spans() { output_equal 0 span && output_equal 1 span; }
wait_until 60 spans || fail "the span differs in $(output_differs 0 span) and $(output_differs 1 span) pixels"
ends_on_signal TERM "stopping it"
sway_scale 0 1
"${IN_SWAY[@]}" swaymsg output HEADLESS-2 position 1920 0 >/dev/null || fail "swaymsg position"
"${IN_SWAY[@]}" "$WORK/ombrel" --wallpaper --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 30 pictures_equal || fail "the outputs differ in $(differing 0) and $(differing 1) pixels"

echo "== glow on every output, the ombrel-frames glow picture"
ends_on_signal TERM "stopping it"
"$FRAMES" --style glow --seed 0x5eed --display 1920x1080 --display 1280x1024 --frames 50 --out "$WORK/glow" >/dev/null ||
  fail "ombrel-frames --style glow"
"${IN_SWAY[@]}" "$WORK/ombrel" --wallpaper --style glow --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 pictures_equal glow || fail "glow differs in $(differing 0 glow) and $(differing 1 glow) pixels"
ends_on_signal TERM "stopping it"
"${IN_SWAY[@]}" "$WORK/ombrel" --wallpaper --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!

echo "== without XDG_RUNTIME_DIR: one line, exit 1"
"${AS_USER[@]}" env -i PATH="$PATH" HOME="$WORK/home" WAYLAND_DISPLAY="$SOCKET" "$WORK/ombrel" --wallpaper \
  >"$WORK/out.log" 2>&1
code=$?
[ $code -eq 1 ] && [ "$(wc -l <"$WORK/out.log")" -eq 1 ] && grep -q '^ombrel: .*XDG_RUNTIME_DIR' "$WORK/out.log" ||
  fail "exit code $code"

echo "== windows stay above it, and it is no window"
"${IN_SWAY[@]}" swaymsg -t get_tree -r >"$WORK/tree.json" || fail "swaymsg"
grep -qi ombrel "$WORK/tree.json" && fail "a window of Ombrel's in sway's tree"
"${IN_SWAY[@]}" weston-flower >"$WORK/client.log" 2>&1 &
CLIENT=$!
window_up() { "${IN_SWAY[@]}" swaymsg -t get_tree -r 2>/dev/null | grep -q '"app_id": *"[^"]'; }
wait_until 20 window_up || fail "the window did not appear"
# Ombrel's surface is opaque and covers the output: only a window above it changes what shows there.
covered_by_window() { shot && [ "$(differing 0)" != 0 ]; }
wait_until 20 covered_by_window || fail "the window is not above the picture"
cp "$SHOT" "$WORK/with-window.png"
kill "$CLIENT" 2>/dev/null
wait_until 20 pictures_equal || fail "the picture did not come back when the window went"

echo "== SIGTERM ends it with exit 0 within a second"
ends_on_signal TERM "running"

echo "== covered by full-screen windows: no repaint and no new cycle, until in sight again"
# Cycles of a second; every swap and every thread started (a worker per cycle) counted.
SWAPS=$WORK/home/swaps.log THREADS=$WORK/home/threads.log
"${IN_SWAY[@]}" LD_PRELOAD="$WORK/swap_log.so" OMBREL_SWAP_LOG="$SWAPS" OMBREL_THREAD_LOG="$THREADS" \
  "$WORK/ombrel" --wallpaper --hold 0.5 --morph 0.5 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 all_lit 1920x1080+0+0 1280x1024+1920+0 || fail "$LIT"
COVERS=()
for output in HEADLESS-1 HEADLESS-2; do
  "${IN_SWAY[@]}" swaymsg focus output "$output" >/dev/null || fail "swaymsg focus"
  "${IN_SWAY[@]}" weston-flower >/dev/null 2>&1 &
  COVERS+=($!)
  cover_up() { "${IN_SWAY[@]}" swaymsg "[pid=${COVERS[-1]}] fullscreen enable" >/dev/null 2>&1; }
  wait_until 20 cover_up || fail "no full-screen window on $output"
done
counts() { echo "$(wc -l <"$SWAPS") $(wc -l <"$THREADS")"; }
# Out of sight once the compositor has not taken a frame up for a while: no swap for a second.
quiet() { local before; before=$(counts); sleep 1; [ "$(counts)" = "$before" ]; }
wait_until 30 quiet || fail "still swapping under full-screen windows"
before=$(counts)
# Three cycles' time.
sleep 3
[ "$(counts)" = "$before" ] || fail "swaps and threads went from $before to $(counts) while covered"
kill "${COVERS[@]}"
swapping() { [ "$(counts)" != "$before" ]; }
wait_until 30 swapping || fail "no repaint when in sight again"
wait_until 30 all_lit 1920x1080+0+0 1280x1024+1920+0 || fail "in sight again: $LIT"
ends_on_signal TERM "stopping it"

echo "== an output made while it runs gets a picture from the next cycle"
"${IN_SWAY[@]}" "$WORK/ombrel" --wallpaper >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 all_lit 1920x1080+0+0 || fail "$LIT"
"${IN_SWAY[@]}" swaymsg create_output >/dev/null || fail "swaymsg create_output"
wait_until 60 all_lit 1920x1080+3200+0 || fail "the new output: $LIT"

echo "== the compositor going away: one line, exit 1"
end_sway_under_it

echo "== without a layer shell (weston): one line, exit 1"
refused_without_layer_shell --wallpaper

echo "wallpaper: all passed"
