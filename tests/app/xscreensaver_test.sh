#!/usr/bin/env bash
# The real program under the real xscreensaver daemon, on the X server named
# by DISPLAY with two monitors side by side (1920x1080 and 1280x1024).
# xscreensaver refuses to run as root: as root, the daemon runs as nobody,
# which must be able to reach the program, so it runs from a world-readable copy.
set -u
BIN=$1
[ -n "${DISPLAY:-}" ] || { echo "needs an X server"; exit 77; }
command -v xscreensaver >/dev/null || { echo "needs xscreensaver"; exit 77; }
WORK=$(mktemp -d)
chmod 755 "$WORK"
as_daemon() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
  as_daemon() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
fi
daemon() { as_daemon env HOME="$WORK/home" DISPLAY="$DISPLAY" LIBGL_ALWAYS_SOFTWARE=1 "$@"; }
DAEMON=
cleanup() {
  [ -n "$DAEMON" ] && { daemon xscreensaver-command -exit >/dev/null 2>&1; kill "$DAEMON" 2>/dev/null; }
  pkill -f "$WORK/ombrel" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
. "$(dirname "$0")/end_to_end_lib.sh"
fail() { echo "FAIL: $*"; cat "$WORK/daemon.log" 2>/dev/null; exit 1; }
hacks() { pgrep -f "^$WORK/ombrel" | wc -l; }

cp "$BIN" "$WORK/ombrel"
chmod 755 "$WORK/ombrel"
mkdir -m 777 "$WORK/home"
cat >"$WORK/home/.xscreensaver" <<EOF
timeout: 0:30:00
mode: one
selected: 0
lock: False
fade: False
unfade: False
splash: False
programs: $WORK/ombrel --root \n
EOF
chmod 644 "$WORK/home/.xscreensaver"

daemon xscreensaver --no-splash >"$WORK/daemon.log" 2>&1 &
DAEMON=$!
for _ in $(seq 50); do daemon xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.1; done
daemon xscreensaver-command -version >/dev/null 2>&1 || fail "the daemon did not start"

echo "== activated: one Ombrel a monitor, both monitors lit"
daemon xscreensaver-command -activate >/dev/null
for _ in $(seq 50); do [ "$(hacks)" -ge 2 ] && break; sleep 0.1; done
[ "$(hacks)" -eq 2 ] || fail "$(hacks) programs running, not one a monitor"
sleep 3
import -window root "$WORK/shot.png"
for m in 1920x1080+0+0 1280x1024+1920+0; do
  f=$(lit "$WORK/shot.png" "$m")
  awk -v f="$f" 'BEGIN { exit !(f > 0.00001 && f < 0.5) }' || fail "monitor $m: lit fraction $f"
done

echo "== deactivated: no program left 1.5 s later"
daemon xscreensaver-command -deactivate >/dev/null
sleep 1.5
[ "$(hacks)" -eq 0 ] || fail "$(hacks) programs still running"

echo "xscreensaver: all passed"
