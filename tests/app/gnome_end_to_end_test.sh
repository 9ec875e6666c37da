#!/usr/bin/env bash
# Ombrel under GNOME Shell, headless, with virtual monitors of 1920x1080 and
# 1280x1024: the plain window, pixel for pixel the ombrel-frames picture on
# both; --screensaver --idle through mutter's idle monitor: nothing while
# waiting, the picture over the top bar once the seat is idle, ended by a
# key, and again at the next idle; GNOME's own screensaver (a stand-in on
# the test's bus) closes the show; stop signals in both states.
# The shell runs as nobody inside a D-Bus session of its own, in a mount
# namespace that hides logind's folder (it would wait for logind), with an
# empty system bus; screenshots and input go through its D-Bus interfaces.
set -u
BIN=$1 FRAMES=$2 SWAP_LOG=$3 CLIENT=$4
for tool in gnome-shell dbus-run-session dbus-daemon unshare; do
  command -v $tool >/dev/null || { echo "needs $tool"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "needs root for the shell's mount namespace"; exit 77; }
WORK=$(mktemp -d)
chmod 755 "$WORK"
. "$(dirname "$0")/end_to_end_lib.sh"
compositor_user
SHELL_PID= PID= HELPERS=()
cleanup() {
  [ -n "$PID" ] && kill -9 "$PID" 2>/dev/null
  [ ${#HELPERS[@]} -gt 0 ] && kill "${HELPERS[@]}" 2>/dev/null
  pkill -9 -f "^$WORK/" 2>/dev/null
  # The shell's end ends its D-Bus session and both buses.
  pkill -f "gnome-shell --headless .*--wayland-display=$(basename "$WORK")" 2>/dev/null
  [ -n "$SHELL_PID" ] && wait "$SHELL_PID" 2>/dev/null
  pkill -f "$WORK/run/sysbus" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$WORK/out.log" 2>/dev/null; tail -5 "$WORK/shell.log" 2>/dev/null; exit 1; }

install -m 755 "$BIN" "$WORK/ombrel"
install -m 755 "$SWAP_LOG" "$WORK/swap_log.so"
install -m 755 "$CLIENT" "$WORK/client"
SOCKET=$(basename "$WORK")
cat >"$WORK/shell.sh" <<SCRIPT
export GSETTINGS_BACKEND=keyfile
# Banners ("Screen Lock disabled") would come over full-screen windows.
gsettings set org.gnome.desktop.notifications show-banners false
gsettings set org.gnome.desktop.screensaver lock-enabled false
dbus-daemon --session --address=unix:path=$WORK/run/sysbus --fork
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$WORK/run/sysbus
exec dbus-run-session -- sh -c 'echo "\$DBUS_SESSION_BUS_ADDRESS" >$WORK/home/bus
  exec gnome-shell --headless --wayland --no-x11 --virtual-monitor 1920x1080 --virtual-monitor 1280x1024 \
    --wayland-display=$SOCKET'
SCRIPT
chmod 755 "$WORK/shell.sh"
unshare -m sh -c "mount -t tmpfs none /run/systemd 2>/dev/null; exec ${USER_ENV[*]} sh $WORK/shell.sh" \
  >"$WORK/shell.log" 2>&1 &
SHELL_PID=$!
wait_until 30 test -s "$WORK/home/bus" || fail "no D-Bus session for the shell"
IN_GNOME=("${USER_ENV[@]}" WAYLAND_DISPLAY="$SOCKET" DBUS_SESSION_BUS_ADDRESS="$(cat "$WORK/home/bus")"
  GSETTINGS_BACKEND=keyfile LIBGL_ALWAYS_SOFTWARE=1)
SHOT=$WORK/home/shot.png
shot() { "${IN_GNOME[@]}" "$WORK/client" screenshot "$SHOT" 2>/dev/null; }
wait_until 60 shot || fail "GNOME Shell did not start"
# It starts in the Activities overview.
"${IN_GNOME[@]}" "$WORK/client" overview off || fail "the overview stays"

# A keyboard and pointer from the start, as a real seat has.
coproc INPUT { "${IN_GNOME[@]}" "$WORK/client" input 2>&1; }
HELPERS+=("$INPUT_PID")
read -r -t 20 answer <&"${INPUT[0]}" && [ "$answer" = ready ] || fail "no virtual input: $answer"
input() { echo "$*" >&"${INPUT[1]}" && read -r -t 10 answer <&"${INPUT[0]}" && [ "$answer" = done ]; }
now() { "$WORK/client" now; }

"$FRAMES" --seed 0x5eed --display 1920x1080 --display 1280x1024 --frames 50 --out "$WORK/frames" >/dev/null ||
  fail "ombrel-frames"
shown() { shot && [ "$(differing 0)" = 0 ] && [ "$(differing 1)" = 0 ]; }
# The desktop as before; the clock in the middle of the top bar may have gone on.
without_clock() { convert "$1" -fill black -draw "rectangle 810,0 1110,40" "$2"; }
as_before() {
  shot && without_clock "$SHOT" "$WORK/now.png" &&
    [ "$(compare -metric AE "$WORK/now.png" "$WORK/desktop.png" null: 2>&1)" = 0 ]
}
running() { kill -0 "$PID" 2>/dev/null; }
wait_until 20 eval 'shot && without_clock "$SHOT" "$WORK/desktop.png"' || fail "no picture of the desktop"

echo "== the window covers each monitor exactly: the ombrel-frames picture on both"
"${IN_GNOME[@]}" "$WORK/ombrel" --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 shown || fail "the monitors differ from ombrel-frames' frames in $(differing 0) and $(differing 1) pixels"
ends_on_signal TERM "the window"
wait_until 20 as_before || fail "the desktop is not as it was after the window"

echo "== --idle 600: nothing drawn and no CPU while waiting; SIGTERM ends it"
"${IN_GNOME[@]}" "$WORK/ombrel" --screensaver --idle 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 20 stop_signals_caught || fail "never started"
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$PID/stat"; }
# Start-up done: a second without a tick. Then at most one tick (10 ms) in 10 s.
quiet_for() { local before; before=$(cpu_ticks); sleep "$1"; [ $(( $(cpu_ticks) - before )) -le "$2" ]; }
wait_until 30 quiet_for 1 0 || fail "busy while waiting"
before=$(cpu_ticks)
sleep 10
spent=$(( $(cpu_ticks) - before ))
echo "waiting: $spent clock ticks in 10 s"
[ "$spent" -le 1 ] || fail "$spent clock ticks of CPU in 10 s while waiting"
as_before || fail "the desktop changed while it waited"
ends_on_signal TERM "waiting"

echo "== --idle 3: the picture over both monitors and the top bar once the seat is idle, not before"
SWAPS=$WORK/home/swaps.log THREADS=$WORK/home/threads.log
input move 1 0 || fail "the virtual pointer did not move"
started=$(now)
"${IN_GNOME[@]}" LD_PRELOAD="$WORK/swap_log.so" OMBREL_SWAP_LOG="$SWAPS" OMBREL_THREAD_LOG="$THREADS" \
  "$WORK/ombrel" --screensaver --idle 3 --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 shown || fail "after idle the monitors differ in $(differing 0) and $(differing 1) pixels"
first=$(head -1 "$SWAPS" | cut -d' ' -f1)
awk -v a="$first" -v b="$started" 'BEGIN { exit !(a - b >= 3) }' || fail "shown $first, started $started: before the idle time"
echo "idle to first picture: $(awk -v a="$first" -v b="$started" 'BEGIN { printf "%d", (a - b - 3) * 1000 }') ms at most"

echo "== a key ends the show, the desktop is as before, and it waits again"
input key 30 || fail "no key"
keyed=$(now)
wait_until 20 as_before || fail "a key did not end the show"
echo "key to the desktop: $(awk -v a="$(now)" -v b="$keyed" 'BEGIN { printf "%d", (a - b) * 1000 }') ms at most"
running || fail "the daemon ended with the show"
threads=$(wc -l <"$THREADS")

echo "== shown again at the next idle, nothing done before it; a move beyond 10 pixels ends it, a smaller one not"
wait_until 60 shown || fail "not shown again: $(differing 0) and $(differing 1) pixels differ"
awk -v t="$keyed" '$1 > t + 0.5 && $1 < t + 2.5 { exit 1 }' "$SWAPS" || fail "a swap while waiting"
[ "$(awk -v t="$keyed" '$1 > t + 0.5 && $1 < t + 2.5' "$THREADS" | wc -l)" = 0 ] || fail "a thread started while waiting"
[ "$(wc -l <"$THREADS")" -gt "$threads" ] || fail "the show made no worker"
input move 3 3 && input move 3 3 || fail "the virtual pointer did not move"
shown || fail "a move of 8.5 pixels ended the show"
input move 40 0 || fail "the virtual pointer did not move"
wait_until 20 as_before || fail "a move of 40 pixels did not end the show"

echo "== GNOME's own screensaver coming up closes the show; none while it is up, shown once it goes"
coproc SHIELD { "${IN_GNOME[@]}" "$WORK/client" shield 2>&1; }
HELPERS+=("$SHIELD_PID")
read -r -t 20 answer <&"${SHIELD[0]}" && [ "$answer" = ready ] || fail "no stand-in for GNOME's screensaver: $answer"
shield() { echo "$1" >&"${SHIELD[1]}" && read -r -t 10 answer <&"${SHIELD[0]}" && [ "$answer" = "$2" ]; }
wait_until 60 shown || fail "not shown before the shield"
shield true active || fail "the stand-in did not answer"
wait_until 20 as_before || fail "the show stays under GNOME's screensaver"
swaps=$(wc -l <"$SWAPS")
input move 1 0 || fail "the virtual pointer did not move"
# Two idle times.
sleep 7
[ "$(wc -l <"$SWAPS")" = "$swaps" ] || fail "shown under GNOME's screensaver"
shield false inactive || fail "the stand-in did not answer"
input move 1 0 || fail "the virtual pointer did not move"
wait_until 60 shown || fail "not shown once GNOME's screensaver went"
# Up again, then its owner gone without a word: nothing covers the screens any more.
shield true active || fail "the stand-in did not answer"
wait_until 20 as_before || fail "the show stays under GNOME's screensaver"
kill "$SHIELD_PID"
input move 1 0 || fail "the virtual pointer did not move"
wait_until 60 shown || fail "not shown once GNOME's screensaver ended"

echo "== SIGTERM ends it with 0 while shown; SIGINT and SIGHUP while waiting"
ends_on_signal TERM "shown"
for signal in INT HUP; do
  "${IN_GNOME[@]}" "$WORK/ombrel" --screensaver --idle 600 >"$WORK/out.log" 2>&1 &
  PID=$!
  wait_until 20 stop_signals_caught || fail "never started"
  ends_on_signal "$signal" "waiting"
done

echo "== --screensaver at once: shown, ended by a key with 0"
"${IN_GNOME[@]}" "$WORK/ombrel" --screensaver --seed 0x5eed --hold 600 >"$WORK/out.log" 2>&1 &
PID=$!
wait_until 60 shown || fail "the monitors differ in $(differing 0) and $(differing 1) pixels"
input key 30 || fail "no key"
wait_until 20 eval '! running' || fail "a key did not end it"
wait "$PID"; code=$?; PID=
[ $code -eq 0 ] || fail "exit code $code after a key"

echo "gnome: all passed"
