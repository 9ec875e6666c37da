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
