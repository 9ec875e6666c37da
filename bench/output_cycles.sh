#!/usr/bin/env bash
# Memory across output changes: ombrel --wallpaper under a headless sway
# with a 1920x1080 output and a second one whose mode goes from 2560x1440 to
# 1920x1080 and back, 20 times, each time for at least a cycle, so that its
# display takes the new size (frames, image, texture). Prints the program's
# resident size after each change, then the same for a run of the same
# length without a change, which tells what the changes cost from what any
# run takes as it warms up (the allocator's and the driver's pools). sway
# 1.7 cannot disable a headless output ("Failed to commit output"), though
# swaymsg answers success: a mode is what changes here.
#
#   bench/output_cycles.sh OMBREL [OPTION...]
set -u
BIN=$1; shift
WORK=$(mktemp -d)
chmod 755 "$WORK"
. "$(dirname "$0")/../tests/app/end_to_end_lib.sh"
compositor_user
SWAY= PID=
trap '[ -n "$PID" ] && kill -9 "$PID" 2>/dev/null; [ -n "$SWAY" ] && kill "$SWAY" 2>/dev/null; rm -rf "$WORK"' EXIT
install -m 755 "$BIN" "$WORK/ombrel"
start_sway
"${IN_SWAY[@]}" swaymsg output HEADLESS-2 resolution 2560x1440 >/dev/null || fail "swaymsg resolution"
SHOT=$WORK/home/shot.png
second_lit() {
  "${IN_SWAY[@]}" grim -o HEADLESS-2 "$SHOT" 2>/dev/null &&
    awk -v f="$(lit "$SHOT" 1920x1080+0+0)" 'BEGIN { exit !(f > 0.00001) }'
}
rss_mb() { awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$PID/status"; }

# run CHANGES: 20 cycles, with (1) or without (0) the output change; one line of sizes.
run() {
  "${IN_SWAY[@]}" "$WORK/ombrel" --wallpaper "$@" >"$WORK/out.log" 2>&1 &
  PID=$!
  wait_until 60 second_lit || fail "no figure on the second output"
  local sizes=() t0 elapsed mode=2560x1440
  for _ in $(seq 20); do
    t0=$SECONDS
    if [ "$CHANGES" = 1 ]; then
      mode=$([ "$mode" = 2560x1440 ] && echo 1920x1080 || echo 2560x1440)
      "${IN_SWAY[@]}" swaymsg output HEADLESS-2 resolution "$mode" >/dev/null || fail "swaymsg resolution"
      wait_until 60 second_lit || fail "no figure on the second output at $mode"
    fi
    # At least a cycle's time, so that both runs last alike.
    elapsed=$((SECONDS - t0))
    [ $elapsed -ge 4 ] || sleep $((4 - elapsed))
    sizes+=("$(rss_mb)")
  done
  kill -TERM "$PID"
  wait "$PID" 2>/dev/null
  PID=
  "${IN_SWAY[@]}" swaymsg output HEADLESS-2 resolution 2560x1440 >/dev/null
  echo "${sizes[*]}"
}
report() {
  local sizes=($2)
  printf '%-22s cycle 2: %6s MB  cycle 20: %6s MB  growth %5.1f MB   (%s)\n' "$1" "${sizes[1]}" "${sizes[19]}" \
    "$(awk -v a="${sizes[1]}" -v b="${sizes[19]}" 'BEGIN { print b - a }')" "$2"
}
for CHANGES in 1 0; do
  sizes=$(run "$@") || { echo "$sizes"; exit 1; }
  report "$([ $CHANGES = 1 ] && echo "output changes" || echo "no change")" "$sizes"
done
