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
two_hacks() { [ "$(hacks)" -ge 2 ]; }
no_hacks() { [ "$(hacks)" -eq 0 ]; }

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
wait_until 20 daemon xscreensaver-command -version >/dev/null 2>&1 || fail "the daemon did not start"

echo "== activated: one Ombrel a monitor, both monitors lit"
daemon xscreensaver-command -activate >/dev/null
wait_until 20 two_hacks || fail "$(hacks) programs running, not one a monitor"
wait_lit 1920x1080+0+0 1280x1024+1920+0 || fail "$LIT"
[ "$(hacks)" -eq 2 ] || fail "$(hacks) programs running, not one a monitor"

echo "== deactivated: no program left"
daemon xscreensaver-command -deactivate >/dev/null
wait_until 10 no_hacks || fail "$(hacks) programs still running"

echo "xscreensaver: all passed"
