#!/usr/bin/env bash
# The real program as a native Wayland client of weston with two outputs,
# 1920x1080 and 1280x1024. Weston runs as a client of the X server named by
# DISPLAY: its outputs are two X windows, which xdotool drives and import
# reads; weston's debug scene graph tells where each surface of ours is.
set -u
BIN=$1
[ -n "${DISPLAY:-}" ] || { echo "needs an X server"; exit 77; }
command -v weston >/dev/null || { echo "needs weston"; exit 77; }
WORK=$(mktemp -d)
PID= WESTON=
trap '[ -n "$PID" ] && kill "$PID" 2>/dev/null; [ -n "$WESTON" ] && kill "$WESTON" 2>/dev/null; rm -rf "$WORK"' EXIT
. "$(dirname "$0")/end_to_end_lib.sh"

export XDG_RUNTIME_DIR=$WORK WAYLAND_DISPLAY=ombrel-test
cat >"$WORK/weston.ini" <<EOF
[core]
idle-time=0
[shell]
panel-position=none
[output]
name=X1
mode=1920x1080
[output]
name=X2
mode=1280x1024
EOF
weston --backend=x11-backend.so --output-count=2 --config="$WORK/weston.ini" --socket="$WAYLAND_DISPLAY" \
  --debug >"$WORK/weston.log" 2>&1 &
WESTON=$!
for _ in $(seq 100); do
  X2=$(sed -n 's/.*x11 output 1280x1024, window id \([0-9]*\).*/\1/p' "$WORK/weston.log")
  [ -n "$X2" ] && [ -S "$WORK/$WAYLAND_DISPLAY" ] && break
  sleep 0.1
done
[ -n "$X2" ] || { cat "$WORK/weston.log"; fail "weston did not start"; }
# Both output windows open at 0,0 of the X screen: put them side by side as weston lays them out.
xdotool windowmove "$X2" 1920 0
moved() { xdotool getwindowgeometry "$X2" | grep -q 'Position: 1920,0 '; }
wait_until 10 moved || fail "weston's second output did not move"

scene() { weston-debug scene-graph 2>/dev/null; }
# Where weston shows the views whose description matches $1: "x0,y0 x1,y1" a line.
views() { scene | grep -A1 -- "$1" | sed -n 's/.*position: (\(-*[0-9]*\), \(-*[0-9]*\)) -> (\([0-9]*\), \([0-9]*\)).*/\1,\2 \3,\4/p'; }
OUT1=1920x1080+0+0
OUT2=1280x1024+1920+0

echo "== a full-screen display on each output, at the output's size"
QT_QPA_PLATFORM=wayland "$BIN" >"$WORK/out.log" 2>&1 &
PID=$!
want=$(printf '0,0 1920,1080\n1920,0 3200,1024')
for _ in $(seq 100); do
  placed=$(views "role xdg_toplevel.*window 'Ombrel'" | sort)
  [ "$placed" = "$want" ] && break
  sleep 0.1
done
[ "$placed" = "$want" ] || fail "displays placed at: $placed"
wait_lit $OUT1 $OUT2 || fail "output $LIT"
grep -q eglError "$WORK/out.log" && fail "OpenGL context errors"
changes "$OUT1" || fail "output 1 did not change"
changes "$OUT2" || fail "output 2 did not change"

echo "== right-click on the second output opens the menu at the pointer there"
xdotool mousemove 2400 500 click 3
for _ in $(seq 100); do popup=$(views "role xdg_popup"); case "$popup" in 2400,500\ *) break ;; esac; sleep 0.1; done
case "$popup" in 2400,500\ *) ;; *) fail "menu at: ${popup:-nowhere}" ;; esac
xdotool mousemove 2000 900 click 1
for _ in $(seq 100); do [ -z "$(views "role xdg_popup")" ] && break; sleep 0.1; done
[ -z "$(views "role xdg_popup")" ] || fail "the menu did not close"

# Weston 10 keeps full-screen windows of outputs other than its first above
# any dialog, so the About box is opened from the first output.
echo "== About Ombrel opens the box over the display, the animation goes on"
xdotool mousemove 700 500 click 3
for _ in $(seq 100); do popup=$(views "role xdg_popup"); case "$popup" in 700,500\ *) break ;; esac; sleep 0.1; done
case "$popup" in 700,500\ *) ;; *) fail "no menu at the pointer on the first output: ${popup:-nowhere}" ;; esac
xdotool mousemove 740 509 sleep 0.2 click 1
for _ in $(seq 100); do about=$(views "role xdg_toplevel.*'About\.\.\." | grep -v '^0,0 0,0'); [ -n "$about" ] && break; sleep 0.1; done
[ -n "$about" ] || fail "the About box did not open"
ax=${about%%,*}; rest=${about#*,}; ay=${rest%% *}
about_bright() {
  import -window root "$WORK/about.png"
  f=$(convert "$WORK/about.png" -crop "300x150+$((ax + 20))+$((ay + 40))" +repage -colorspace gray -format '%[fx:mean]' info:)
  awk -v f="$f" 'BEGIN { exit !(f > 0.6) }'
}
wait_until 10 about_bright || fail "the About box is not in sight (brightness $f)"
changes "$OUT2" || fail "the animation stopped behind the About box"
xdotool mousemove $((ax + 51)) $((ay + 202)) click 1
for _ in $(seq 100); do [ -z "$(views "role xdg_toplevel.*'About\.\.\.")" ] && break; sleep 0.1; done
[ -z "$(views "role xdg_toplevel.*'About\.\.\.")" ] || fail "OK did not close the About box"
kill -0 "$PID" 2>/dev/null || fail "the program ended with the About box"

echo "== a double-click on the second output ends the program"
xdotool mousemove 2500 300 click --repeat 2 --delay 80 1
expect_exit 10

echo "== Exit in the menu on the second output ends the program"
QT_QPA_PLATFORM=wayland "$BIN" >"$WORK/out.log" 2>&1 &
PID=$!
# Drawing on both outputs: the windows are up and the program takes input.
wait_lit $OUT1 $OUT2 || fail "output $LIT"
xdotool mousemove 2400 500 click 3
for _ in $(seq 100); do popup=$(views "role xdg_popup"); case "$popup" in 2400,500\ *) break ;; esac; sleep 0.1; done
case "$popup" in 2400,500\ *) ;; *) fail "menu at: ${popup:-nowhere}" ;; esac
# The last item, "Exit", lies at the menu's bottom.
bottom=$(echo "$popup" | sed 's/.*,//')
xdotool mousemove 2440 $((bottom - 10)) sleep 0.2 click 1
expect_exit 10

echo "wayland end-to-end: all passed"
