#!/usr/bin/env bash
# The layer shell's own tests (LayerShellUnderACompositor) inside a headless
# sway of their own. As root, sway and its clients run as nobody, from a
# world-readable copy.
set -u
DISPLAY_TESTS=$1
command -v sway >/dev/null || { echo "needs sway"; exit 77; }
WORK=$(mktemp -d)
chmod 755 "$WORK"
. "$(dirname "$0")/../app/end_to_end_lib.sh"
compositor_user
SWAY=
trap '[ -n "$SWAY" ] && kill "$SWAY" 2>/dev/null && wait "$SWAY" 2>/dev/null; rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; cat "$WORK/out.log" 2>/dev/null; tail -5 "$WORK/sway.log" 2>/dev/null; exit 1; }

install -m 755 "$DISPLAY_TESTS" "$WORK/display_tests"
start_sway
"${IN_SWAY[@]}" "$WORK/display_tests" --gtest_filter='LayerShellUnderACompositor.*' >"$WORK/out.log" 2>&1 ||
  fail "the layer shell's tests"
grep -q "SKIPPED" "$WORK/out.log" && fail "the layer shell's tests were skipped"
cat "$WORK/out.log"
