# Sourced by the end-to-end scripts: the program's end, and what screenshots
# show. The script sets WORK (its scratch folder) and PID (the program's).

fail() { echo "FAIL: $*"; [ -f "$WORK/out.log" ] && cat "$WORK/out.log"; exit 1; }

# Waits for the program to end within $1 seconds (0.5 steps); fails unless its exit code is 0.
expect_exit() {
  local tenths
  tenths=$(awk -v s="$1" 'BEGIN { print int(s * 10) }')
  for _ in $(seq "$tenths"); do
    if ! kill -0 "$PID" 2>/dev/null; then
      wait "$PID"; local code=$?; PID=
      [ $code -eq 0 ] || fail "exit code $code"
      return 0
    fi
    sleep 0.1
  done
  fail "still running after $1 s"
}

# Whether the program ($PID) runs its own code and has caught its stop
# signals (HUP, INT and TERM): before that, a stop signal takes its default
# action, as for any program still being loaded.
stop_signals_caught() {
  local caught
  [ "$(cat "/proc/$PID/comm" 2>/dev/null)" = ombrel ] || return 1
  caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$PID/status" 2>/dev/null) && [ -n "$caught" ] &&
    [ $((0x$caught & 0x4003)) = $((0x4003)) ]
}

# Sends signal $1 to the program ($2 says in what state); it must end with
# exit code 0 in time. Its watchdog ends it 0.6 s after the signal at the
# latest, once the system runs it: on a machine as loaded as a test run's,
# that can take a while, so the bound here is 2 s, measured to the moment
# the program has ended rather than by polling.
ends_on_signal() {
  local t0 t1 code guard
  t0=$(date +%s%N)
  kill "-$1" "$PID"
  # A program that never ends fails here, not at the test's time-out.
  ( sleep 10; kill -9 "$PID" 2>/dev/null ) &
  guard=$!
  wait "$PID"; code=$?
  t1=$(date +%s%N)
  kill "$guard" 2>/dev/null
  PID=
  [ $code -ne 137 ] || fail "$2: still running 10 s after SIG$1"
  [ $code -eq 0 ] || fail "$2: exit code $code after SIG$1"
  [ $(( (t1 - t0) / 1000000 )) -le 2000 ] || fail "$2: took $(( (t1 - t0) / 1000000 )) ms after SIG$1"
}

# Fraction of lit pixels in a region of a screenshot.
lit() { convert "$1" -crop "$2" +repage -colorspace gray -threshold 0 -format '%[fx:mean]' info:; }
# Whether a region of two screenshots differs.
differs() { [ "$(compare -metric AE -crop "$3" "$1" "$2" null: 2>&1 | cut -d' ' -f1)" != "0" ]; }
# The picture holds still for 2 s of every 4 s cycle: look for a change in a
# region, for up to three cycles (a loaded machine slows the clock down).
changes() {
  import -window root "$WORK/first.png"
  local deadline=$((SECONDS + 12))
  while [ $SECONDS -lt $deadline ]; do
    sleep 0.4
    import -window root "$WORK/next.png"
    differs "$WORK/first.png" "$WORK/next.png" "$1" && return 0
  done
  return 1
}

# Runs the command given after $1 until it succeeds, for up to $1 seconds.
wait_until() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.2
  done
}

# A screenshot of the whole desktop into $1; a script may put another in its place.
take_shot() { import -window root "$1"; }

# Whether every region of a screenshot shows a figure: some points lit, but
# less than half. The screenshot is $LIT_SHOT; sets LIT to what it saw last.
all_lit() {
  local m f shot=${LIT_SHOT:-$WORK/lit.png}
  take_shot "$shot" || return 1
  for m in "$@"; do
    f=$(lit "$shot" "$m")
    LIT="$m: lit fraction $f"
    awk -v f="$f" 'BEGIN { exit !(f > 0.00001 && f < 0.5) }' || return 1
  done
}

# Waits for a figure in every region given, for as long as a start-up on a
# loaded machine may take.
wait_lit() { wait_until 30 all_lit "$@"; }

# A private runtime folder and home in $WORK for a compositor and its
# clients, which run as nobody when this runs as root (compositors refuse
# root); sets AS_USER and USER_ENV, command prefixes: a program started in
# the background with them keeps its own pid.
compositor_user() {
  AS_USER=()
  [ "$(id -u)" -eq 0 ] && AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  mkdir -m 700 "$WORK/run" "$WORK/home"
  [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$WORK/run" "$WORK/home"
  USER_ENV=("${AS_USER[@]}" env -i PATH="$PATH" HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run")
}

# Starts sway, headless, as the compositor's user (compositor_user first),
# with outputs of 1920x1080 and 1280x1024 side by side and software
# rendering; its log in $WORK/sway.log. Sets SWAY (its pid), SOCKET, IPC and
# IN_SWAY, a command prefix for its clients.
start_sway() {
  cat >"$WORK/sway.conf" <<CONF
output HEADLESS-1 resolution 1920x1080 position 0 0
output HEADLESS-2 resolution 1280x1024 position 1920 0
default_border none
CONF
  chmod 644 "$WORK/sway.conf"
  "${USER_ENV[@]}" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$WORK/sway.conf" >"$WORK/sway.log" 2>&1 &
  SWAY=$!
  sway_socket() { SOCKET=$(ls "$WORK/run" 2>/dev/null | grep -m1 '^wayland-[0-9]*$') && IPC=$(ls "$WORK"/run/sway-ipc.*.sock 2>/dev/null | head -1) && [ -n "$IPC" ]; }
  wait_until 30 sway_socket || fail "sway did not start"
  IN_SWAY=("${USER_ENV[@]}" WAYLAND_DISPLAY="$SOCKET" SWAYSOCK="$IPC" LIBGL_ALWAYS_SOFTWARE=1)
}

# Runs the program (a copy in $WORK) with the options given under weston,
# which has no layer shell: one line that names the first option, exit 1.
refused_without_layer_shell() {
  command -v weston >/dev/null || return 0
  "${USER_ENV[@]}" weston --backend=headless-backend.so --socket=weston-test --idle-time=0 >"$WORK/weston.log" 2>&1 &
  local weston=$! code
  wait_until 30 test -S "$WORK/run/weston-test" || fail "weston did not start"
  "${USER_ENV[@]}" WAYLAND_DISPLAY=weston-test "$WORK/ombrel" "$@" >"$WORK/out.log" 2>&1
  code=$?
  kill "$weston"; wait "$weston" 2>/dev/null
  [ $code -eq 1 ] && [ "$(grep -c "^ombrel: .*no layer shell.*$1" "$WORK/out.log")" -eq 1 ] ||
    fail "$*: exit code $code: $(cat "$WORK/out.log")"
}

# Ends sway under the program ($PID): the program must end within 10 s
# with exit code 1 and one line that says why.
end_sway_under_it() {
  "${IN_SWAY[@]}" swaymsg exit >/dev/null 2>&1
  wait "$SWAY" 2>/dev/null
  SWAY=
  wait_until 10 eval '! kill -0 "$PID" 2>/dev/null' || fail "still running without its compositor"
  wait "$PID"; local code=$?; PID=
  [ $code -eq 1 ] && [ "$(grep -c '^ombrel: ' "$WORK/out.log")" -eq 1 ] || fail "exit code $code: $(cat "$WORK/out.log")"
}

# Pixels of sway's output $1 (0 or 1) in the picture $SHOT of both that
# differ from ombrel-frames' frame 50 of the first cycle for display $1, in
# the folder $WORK/${2:-frames}.
differing() {
  local region
  region=$([ "$1" -eq 0 ] && echo 1920x1080+0+0 || echo 1280x1024+1920+0)
  convert "$SHOT" -crop "$region" +repage "$WORK/output$1.png"
  compare -metric AE "$WORK/output$1.png" "$WORK/${2:-frames}/c1_d$1_f50.png" null: 2>&1
}
