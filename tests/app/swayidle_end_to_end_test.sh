#!/usr/bin/env bash
# The swayidle configuration that Ombrel ships as an example, run by the
# real swayidle under sway, headless, with the real swaylock, its timeouts
# cut from minutes to seconds: while the show is up, the locker comes at its
# timeout and takes the screens and the keys (no key reaches the window
# beneath), the outputs are switched off at theirs and on again at the next key,
# and before sleep (a stand-in logind's PrepareForSleep on a private system
# bus) swaylock locks before swayidle lets the sleep go on.
set -u
BIN=$1 STAND_IN=$2 CLIENT=$3 EXAMPLE=$4
for tool in sway grim wtype swaylock swayidle dbus-daemon; do
  command -v $tool >/dev/null || { echo "needs $tool"; exit 77; }
done
WORK=$(mktemp -d)
chmod 755 "$WORK"
. "$(dirname "$0")/end_to_end_lib.sh"
compositor_user
SWAY= PID= HELPERS=()
cleanup() {
  [ ${#HELPERS[@]} -gt 0 ] && kill "${HELPERS[@]}" 2>/dev/null
  pkill -9 -f "^$WORK/" 2>/dev/null
  pkill -9 -f "swaylock --color ff0000" 2>/dev/null
  [ -n "$SWAY" ] && kill "$SWAY" 2>/dev/null && wait "$SWAY" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$WORK/swayidle.log" 2>/dev/null; tail -5 "$WORK/sway.log" 2>/dev/null; exit 1; }

mkdir -m 755 "$WORK/bin"
install -m 755 "$BIN" "$WORK/bin/ombrel"
install -m 755 "$STAND_IN" "$WORK/stand_in"
install -m 755 "$CLIENT" "$WORK/client"
# The lock screen in red, logging what it gets.
cat >"$WORK/bin/swaylock" <<SCRIPT
#!/bin/sh
"$WORK/stand_in" now >>"$WORK/home/locker.started"
WAYLAND_DEBUG=1 exec /usr/bin/swaylock --color ff0000 "\$@" 2>>"$WORK/home/locker.log"
SCRIPT
# swaymsg, logging when it is run and with what: headless outputs cannot be switched off.
cat >"$WORK/bin/swaymsg" <<SCRIPT
#!/bin/sh
echo "\$("$WORK/stand_in" now) \$*" >>"$WORK/home/swaymsg.log"
exec /usr/bin/swaymsg "\$@"
SCRIPT
chmod 755 "$WORK/bin/swaylock" "$WORK/bin/swaymsg"
start_sway
IN_SWAY=("${IN_SWAY[@]}" PATH="$WORK/bin:$PATH")
SHOT=$WORK/home/shot.png
shot() { "${IN_SWAY[@]}" grim "$SHOT" 2>/dev/null; }
LIT_SHOT=$SHOT
take_shot() { shot; }
now() { "$WORK/stand_in" now; }
type_key() { "${IN_SWAY[@]}" wtype -s 300 "$1"; }

"${USER_ENV[@]}" dbus-daemon --session --nofork --address="unix:path=$WORK/run/system" >/dev/null 2>&1 &
HELPERS+=($!)
wait_until 10 test -S "$WORK/run/system" || fail "no system bus"
SYSTEM_BUS=DBUS_SYSTEM_BUS_ADDRESS="unix:path=$WORK/run/system"
coproc LOGIND { "${USER_ENV[@]}" "$SYSTEM_BUS" "$WORK/stand_in" logind 2>&1; }
HELPERS+=("$LOGIND_PID")
read -r -t 10 answer <&"${LOGIND[0]}" && [ "$answer" = ready ] || fail "the logind stand-in did not start: $answer"

# The example's swayidle command, with seconds for minutes.
command=$(sed -n '/^exec swayidle/,/[^\\]$/p' "$EXAMPLE" | sed 's/^exec //; s/\\$//' | tr -d '\n' |
  sed 's/timeout 300 /timeout 3 /; s/timeout 600 /timeout 20 /; s/timeout 900 /timeout 23 /')
case $command in *"timeout 3 "*"timeout 20 "*"timeout 23 "*before-sleep*) ;; *) fail "the example changed: $command" ;; esac

"${IN_SWAY[@]}" "$WORK/client" window >"$WORK/window.log" 2>&1 &
HELPERS+=($!)
wait_until 20 grep -q shown "$WORK/window.log" || fail "the test window did not appear"
# A keyboard there before the show and the locker, as a real one is: wtype's, asleep.
"${IN_SWAY[@]}" wtype -s 60000 q &
HELPERS+=($!)
wait_until 20 eval 'shot && cp "$SHOT" "$WORK/desktop.png"' || fail "no picture of the desktop"

echo "== the show at its timeout; the locker at its own, over the show, taking the screens"
started=$(now)
"${IN_SWAY[@]}" "$SYSTEM_BUS" sh -c "exec $command" >"$WORK/swayidle.log" 2>&1 &
HELPERS+=($!)
wait_until 30 all_lit 1920x1080+0+0 1280x1024+1920+0 || fail "no show: $LIT"
shown_at=$(now)
red_on() { [ "$(convert "$SHOT" -crop "$1" +repage -format '%[fx:mean.r > 0.99 && mean.g < 0.01]' info:)" = 1 ]; }
red() { shot && red_on 1920x1080+0+0 && red_on 1280x1024+1920+0; }
wait_until 30 red || fail "the locker is not what the outputs show"
locker_at=$(head -1 "$WORK/home/locker.started")
# Seen up before the locker started, which was at its own timeout.
awk -v s="$shown_at" -v l="$locker_at" -v t="$started" 'BEGIN { exit !(s - t >= 3 && l > s && l - t >= 20) }' ||
  fail "shown by $shown_at, the locker at $locker_at, started at $started"

echo "== the outputs are switched off at their timeout, under the locker"
switched() { grep "output \* dpms $1" "$WORK/home/swaymsg.log" 2>/dev/null | tail -1 | cut -d' ' -f1; }
wait_until 30 eval '[ -n "$(switched off)" ]' || fail "the outputs were not switched off"
awk -v o="$(switched off)" -v t="$started" 'BEGIN { exit !(o - t >= 23) }' || fail "switched off at $(switched off), started at $started"

echo "== a key goes to the locker, not to the window beneath, and switches the outputs on"
locker_typed() { type_key k; grep -q 'wl_keyboard@[0-9]*\.key(' "$WORK/home/locker.log"; }
wait_until 20 locker_typed || fail "the locker got no key"
wait_until 20 eval '[ -n "$(switched on)" ]' || fail "the outputs were not switched on"
grep -q '^key' "$WORK/window.log" && fail "the window beneath got a key"
pkill -9 -f "^/usr/bin/swaylock"

echo "== before sleep, swaylock locks before swayidle lets the sleep go on"
wait_until 10 eval '! red' || fail "the locker did not go"
grep -q '^inhibited sleep delay' <&"${LOGIND[0]}" || fail "swayidle took no delay lock on sleep"
echo sleep >&"${LOGIND[1]}"
read -r -t 10 answer <&"${LOGIND[0]}" && [ "$answer" = done ] || fail "no PrepareForSleep: $answer"
read -r -t 20 answer <&"${LOGIND[0]}" && [ "$answer" = released ] || fail "swayidle never let the sleep go: $answer"
shot && red_on 1920x1080+0+0 && red_on 1280x1024+1920+0 || fail "the sleep went on before the lock"

echo "swayidle: all passed"
