#!/usr/bin/env bash
# ombrel --wallpaper, and ombrel --screensaver --idle, under KDE Plasma's
# compositor, KWin, on its virtual backend (no GPU, no DRM device): two
# outputs at scale 1, then two at scale 1.5, each pixel for pixel the
# ombrel-frames picture at its device size.
# KWin runs as nobody inside a D-Bus session of its own, from a copy of its
# binary: the packaged one carries a file capability that a container's
# bounding set may refuse. Its screenshots come over D-Bus.
set -u
BIN=$1 FRAMES=$2
KWIN=$(command -v kwin_wayland) && command -v dbus-run-session >/dev/null && command -v dbus-send >/dev/null ||
  { echo "needs kwin_wayland and dbus"; exit 77; }
WORK=$(mktemp -d)
chmod 755 "$WORK"
. "$(dirname "$0")/end_to_end_lib.sh"
compositor_user
COMPOSITOR= PID=
# KWin's end ends its D-Bus session, daemon included.
stop_kwin() {
  pkill -f "^$WORK/kwin_wayland" 2>/dev/null
  [ -n "$COMPOSITOR" ] && wait "$COMPOSITOR" 2>/dev/null
  COMPOSITOR=
  rm -f "$WORK"/run/wayland-k*
}
cleanup() {
  [ -n "$PID" ] && kill -9 "$PID" 2>/dev/null
  stop_kwin
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$WORK/out.log" 2>/dev/null; tail -5 "$WORK/kwin.log" 2>/dev/null; exit 1; }

install -m 755 "$KWIN" "$WORK/kwin_wayland"
install -m 755 "$BIN" "$WORK/ombrel"
cat >"$WORK/kwin.sh" <<SCRIPT
echo "\$DBUS_SESSION_BUS_ADDRESS" >"$WORK/home/bus"
exec "$WORK/kwin_wayland" --virtual --width 1920 --height 1080 --output-count 2 "\$@" --socket wayland-k
SCRIPT
chmod 755 "$WORK/kwin.sh"

# Starts KWin with the options given (a scale); sets IN_KWIN.
start_kwin() {
  rm -f "$WORK/home/bus"
  "${USER_ENV[@]}" KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 dbus-run-session -- bash "$WORK/kwin.sh" "$@" \
    >"$WORK/kwin.log" 2>&1 &
  COMPOSITOR=$!
  kwin_up() { [ -S "$WORK/run/wayland-k" ] && [ -s "$WORK/home/bus" ]; }
  wait_until 60 kwin_up || fail "KWin did not start"
  # A command prefix, not a function: a program started in the background keeps its own pid.
  IN_KWIN=("${USER_ENV[@]}" WAYLAND_DISPLAY=wayland-k DBUS_SESSION_BUS_ADDRESS="$(cat "$WORK/home/bus")")
}

# Pixels of output $1's screenshot that differ from the frame of display $1 in $2.
differing() {
  local shot
  shot=$("${IN_KWIN[@]}" dbus-send --session --print-reply=literal --dest=org.kde.KWin /Screenshot \
    org.kde.kwin.Screenshot.screenshotScreen "int32:$1" 2>/dev/null | tr -d ' ') && [ -f "$shot" ] ||
    { echo "no screenshot"; return; }
  convert "$shot" -alpha off "$WORK/output$1.png"
  rm -f "$shot"
  compare -metric AE "$WORK/output$1.png" "$2/c1_d$1_f50.png" null: 2>&1
}
pictures_equal() { [ "$(differing 0 "$1")" = 0 ] && [ "$(differing 1 "$1")" = 0 ]; }

# A run on the outputs of $1 device pixels, as the options after it ask: the
# picture of the same seed, then SIGTERM.
exact_run() {
  local size=$1; shift
  [ -d "$WORK/frames$size" ] ||
    "$FRAMES" --seed 0x5eed --display "$size" --display "$size" --frames 50 --out "$WORK/frames$size" >/dev/null ||
    fail "ombrel-frames"
  "${IN_KWIN[@]}" LIBGL_ALWAYS_SOFTWARE=1 "$WORK/ombrel" "$@" --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
  PID=$!
  wait_until 60 pictures_equal "$WORK/frames$size" ||
    fail "$*: the outputs differ from ombrel-frames' frames in $(differing 0 "$WORK/frames$size") and" \
      "$(differing 1 "$WORK/frames$size") pixels"
  ends_on_signal TERM "stopping it"
}

echo "== two outputs at scale 1: the ombrel-frames picture as the background and as the screensaver after idle"
start_kwin
exact_run 1920x1080 --wallpaper
# KWin tells of idleness through ext_idle_notifier_v1; no input device here ever wakes the seat.
exact_run 1920x1080 --screensaver --idle 2
stop_kwin

echo "== two outputs at scale 1.5: buffers of 2880x1620 device pixels, the picture at that size"
start_kwin --scale 1.5
exact_run 2880x1620 --wallpaper
exact_run 2880x1620 --screensaver --idle 2

echo "kwin: all passed"
