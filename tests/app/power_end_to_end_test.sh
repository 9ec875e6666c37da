#!/usr/bin/env bash
# Ombrel on a laptop, under sway, headless, with outputs of 1920x1080 and
# 1280x1024, beside stand-ins for UPower on a private system bus and for
# PowerManagement's inhibitions on a private session bus: the background
# holds its picture on battery (no swap, no CPU) and goes on on mains;
# --battery run keeps drawing; a UPower that answers garbage, goes or is
# missing changes nothing; the idle daemon waits while the desktop holds
# screensavers back and shows once the idle time has passed again after.
set -u
BIN=$1 FRAMES=$2 SWAP_LOG=$3 STAND_IN=$4
for tool in sway grim dbus-daemon; do command -v $tool >/dev/null || { echo "needs $tool"; exit 77; }; done
WORK=$(mktemp -d)
chmod 755 "$WORK"
. "$(dirname "$0")/end_to_end_lib.sh"
compositor_user
SWAY= PID= HELPERS=()
cleanup() {
  [ -n "$PID" ] && kill -9 "$PID" 2>/dev/null
  [ ${#HELPERS[@]} -gt 0 ] && kill "${HELPERS[@]}" 2>/dev/null
  pkill -9 -f "^$WORK/" 2>/dev/null
  [ -n "$SWAY" ] && kill "$SWAY" 2>/dev/null && wait "$SWAY" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$WORK/out.log" 2>/dev/null; [ -f "$WORK/home/swaps.log" ] && echo "swaps: $(wc -l <"$WORK/home/swaps.log")"; tail -5 "$WORK/sway.log" 2>/dev/null; exit 1; }

install -m 755 "$BIN" "$WORK/ombrel"
install -m 755 "$SWAP_LOG" "$WORK/swap_log.so"
install -m 755 "$STAND_IN" "$WORK/stand_in"
start_sway
SHOT=$WORK/home/shot.png
LIT_SHOT=$SHOT
shot() { "${IN_SWAY[@]}" grim "$SHOT" 2>/dev/null; }
"$FRAMES" --seed 0x5eed --display 1920x1080 --display 1280x1024 --frames 50 --out "$WORK/frames" >/dev/null ||
  fail "ombrel-frames"
# Short cycles, for the background: 26 ticks, a morph of 13 frames, the first cycle 23 ticks.
SHORT=(--hold 0.5 --morph 0.5)
"$FRAMES" --seed 0x5eed --display 1920x1080 --display 1280x1024 "${SHORT[@]}" --frames 13 --out "$WORK/short" >/dev/null ||
  fail "ombrel-frames"
for d in 0 1; do mv "$WORK/short/c1_d${d}_f13.png" "$WORK/short/c1_d${d}_f50.png"; done
# The picture on both outputs is ombrel-frames' first figure (in ${1:-frames}).
shown() { shot && [ "$(differing 0 "${1:-}")" = 0 ] && [ "$(differing 1 "${1:-}")" = 0 ]; }

# The buses, as the compositor's user, whose clients alone may connect.
bus() {
  "${USER_ENV[@]}" dbus-daemon --session --nofork --address="unix:path=$WORK/run/$1" >/dev/null 2>&1 &
  HELPERS+=($!)
  wait_until 10 test -S "$WORK/run/$1" || fail "no $1 bus"
}
bus system
bus session
BUSES=(DBUS_SYSTEM_BUS_ADDRESS="unix:path=$WORK/run/system" DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/run/session")

# A stand-in ($1: upower or inhibit) on the test's buses, told by say().
serve() {
  coproc SERVICE { "${USER_ENV[@]}" "${BUSES[@]}" "$WORK/stand_in" "$1" 2>&1; }
  HELPERS+=("$SERVICE_PID")
  read -r -t 10 answer <&"${SERVICE[0]}" && [ "$answer" = ready ] || fail "the $1 stand-in did not start: $answer"
}
say() { echo "$1" >&"${SERVICE[1]}" && read -r -t 10 answer <&"${SERVICE[0]}" && [ "$answer" = done ] || fail "$1: $answer"; }
unserve() { kill "$SERVICE_PID"; wait "$SERVICE_PID" 2>/dev/null; }

SWAPS=$WORK/home/swaps.log
# Starts the program with the swap log and the test's buses: its options.
start() {
  : >"$SWAPS"
  chmod 666 "$SWAPS"
  "${IN_SWAY[@]}" "${BUSES[@]}" LD_PRELOAD="$WORK/swap_log.so" OMBREL_SWAP_LOG="$SWAPS" \
    "$WORK/ombrel" "$@" >"$WORK/out.log" 2>&1 &
  PID=$!
}
stop() { kill "$PID"; wait "$PID" 2>/dev/null; PID=; }
swaps() { wc -l <"$SWAPS"; }
# The most swaps of one output since the swap log had $1 lines.
swaps_since() { tail -n +"$(($1 + 1))" "$SWAPS" | awk '{ n[$2]++ } END { m = 0; for (s in n) if (n[s] > m) m = n[s]; print m }'; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$PID/stat"; }
quiet_for() { local before; before=$(cpu_ticks); sleep "$1"; [ $(( $(cpu_ticks) - before )) -le "$2" ]; }
# Held ($1 says how): no swap and at most one clock tick of CPU (0.001 s/s
# over 10 s) in the next ${2:-10} seconds.
holds() {
  wait_until 60 quiet_for 1 0 || fail "$1: never quiet"
  local before swapped ticks
  swapped=$(swaps) before=$(cpu_ticks)
  sleep "${2:-10}"
  ticks=$(( $(cpu_ticks) - before ))
  [ "$(swaps)" = "$swapped" ] || fail "$1: $(( $(swaps) - swapped )) swaps in ${2:-10} s"
  [ "$ticks" -le 1 ] || fail "$1: $ticks clock ticks of CPU in ${2:-10} s"
}
# Drawing: more than two short cycles' repaints of an output from now, so past the end of a morph.
draws() { local from; from=$(swaps); wait_until 60 eval '[ "$(swaps_since "$from")" -gt 52 ]' || fail "$1: not drawing"; }

echo "== on battery from the start: the first morph, then its picture, held with no swap and no CPU"
serve upower
say "battery true"
start --wallpaper --seed 0x5eed "${SHORT[@]}"
wait_until 60 shown short || fail "the outputs differ from ombrel-frames' frames in $(differing 0 short) and $(differing 1 short) pixels"
holds "on battery"
shown short || fail "the held picture is not the first figure"
[ "$(swaps_since 0)" -le 23 ] || fail "$(swaps_since 0) repaints of an output for a first cycle of 23 ticks"

echo "== on mains it goes on; on battery again it holds within one cycle"
say "battery false"
draws "back on mains"
from=$(swaps)
say "battery true"
holds "on battery again" 3
[ "$(swaps_since "$from")" -le 26 ] || fail "$(swaps_since "$from") repaints of an output after the battery: more than a cycle"

echo "== garbage for OnBattery, and UPower gone, count as mains; UPower back on battery holds again"
say garbage
draws "given a string"
say "battery true"
holds "on battery after garbage" 3
say gone
draws "with UPower gone"
say back
holds "with UPower back on battery" 3
[ -s "$WORK/out.log" ] && fail "said: $(cat "$WORK/out.log")"
stop

echo "== --battery run keeps drawing on battery; so does the screensaver, by default"
start --wallpaper --battery run "${SHORT[@]}"
draws "--battery run"
stop
start --screensaver "${SHORT[@]}"
draws "--screensaver"
stop
unserve

echo "== without UPower, or without a system bus: as on mains, and nothing said"
start --wallpaper "${SHORT[@]}"
draws "without UPower"
stop
BUSES[0]=DBUS_SYSTEM_BUS_ADDRESS="unix:path=$WORK/run/none"
start --wallpaper "${SHORT[@]}"
draws "without a system bus"
stop
[ -s "$WORK/out.log" ] && fail "said: $(cat "$WORK/out.log")"

echo "== --idle 3 waits while the desktop holds screensavers back; after, shown once idle 3 s again"
now() { "$WORK/stand_in" now; }
serve inhibit
say "inhibit true"
start --screensaver --idle 3 --seed 0x5eed --hold 600
holds "inhibited" 9
[ "$(swaps)" = 0 ] || fail "shown while inhibited"
let_go=$(now)
say "inhibit false"
wait_until 30 shown || fail "not shown after the inhibition ended"
first=$(head -1 "$SWAPS" | cut -d' ' -f1)
awk -v a="$first" -v b="$let_go" 'BEGIN { exit !(a - b >= 2.9) }' || fail "shown at $first, $let_go when let go: before the idle time"

echo "== an inhibition that starts under the show leaves it up"
say "inhibit true"
# Past the idle time.
sleep 4
kill -0 "$PID" && shown || fail "the show went under an inhibition"
stop
unserve

echo "== no PowerManagement service: shown at idle as before"
started=$(now)
start --screensaver --idle 3 --seed 0x5eed --hold 600
wait_until 30 shown || fail "not shown at idle"
first=$(head -1 "$SWAPS" | cut -d' ' -f1)
awk -v a="$first" -v b="$started" 'BEGIN { exit !(a - b >= 2.9) }' || fail "shown at $first, started $started"
stop

echo "power: all passed"
