#!/usr/bin/env bash
# The Debian package: built by scripts/package, checked by Debian's
# validators, unpacked into a temporary root and run from there against the
# build tree (named by $1) on the X server named by DISPLAY.
set -u
BUILD=$1
ROOT_DIR=$(cd "$(dirname "$0")/../.." && pwd)
. "$ROOT_DIR/scripts/deps.sh"
OMBREL_PACKAGES+=(lintian appstream desktop-file-utils)
ombrel_install_deps
WORK=$(mktemp -d)
PID=
trap '[ -n "$PID" ] && kill -9 "$PID" 2>/dev/null; rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo "== building the package"
rm -f "$ROOT_DIR"/dist/ombrel_*.deb
bash "$ROOT_DIR/scripts/package" >"$WORK/build.log" 2>&1 || { tail -50 "$WORK/build.log"; fail "scripts/package"; }
DEB=$(ls "$ROOT_DIR"/dist/ombrel_*.deb)

echo "== one version: the changelog's, in the package, the metadata and both programs"
version=$(dpkg-parsechangelog -l "$ROOT_DIR/debian/changelog" -S Version)
[ "$(dpkg-deb -f "$DEB" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$DEB" Version), the changelog's $version"

echo "== lintian, appstreamcli, desktop-file-validate"
lintian --fail-on error,warning "$DEB" || fail "lintian"
dpkg-deb -x "$DEB" "$WORK/root"
appstreamcli validate --no-net "$WORK"/root/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli"
grep -q "release version=\"$version\"" "$WORK"/root/usr/share/metainfo/*.metainfo.xml || fail "metadata version"
for entry in "$WORK/root/usr/share/applications/ombrel.desktop" "$WORK/root/usr/share/applications/screensavers/ombrel.desktop"; do
  desktop-file-validate "$entry" || fail "desktop-file-validate $entry"
done

echo "== the unpacked programs"
BIN=$WORK/root/usr/bin
[ "$("$BIN/ombrel" --version)" = "ombrel $version" ] || fail "ombrel --version: $("$BIN/ombrel" --version)"
[ "$("$BIN/ombrel-frames" --version)" = "ombrel-frames $version" ] || fail "ombrel-frames --version"
# The program (unstripped in the build tree) holds only what it runs: the designed scene path is the tests' yardstick.
nm -C "$BUILD/app/ombrel" | grep -E 'TGLSceneRender|TGLCanvas|TGLCamera|TGLStateCache|TStraightPath|RenderFrame\(' &&
  fail "the program carries the reference drawing"
[ "$(readlink -f "$WORK/root/usr/libexec/xscreensaver/ombrel")" = "$(readlink -f "$BIN/ombrel")" ] || fail "the hack is not the program"
"$BIN/ombrel-frames" --seed 1 --hash >"$WORK/installed.txt" || fail "ombrel-frames from the package"
"$BUILD/tools/ombrel-frames" --seed 1 --hash >"$WORK/built.txt"
cmp -s "$WORK/installed.txt" "$WORK/built.txt" || fail "the package's frames differ from the build tree's"
for page in ombrel ombrel-frames; do
  [ -f "$WORK/root/usr/share/man/man1/$page.1.gz" ] || fail "no manual page for $page"
done
# The screensaver's examples run the installed program with options it takes.
EXAMPLES=$WORK/root/usr/share/doc/ombrel/examples
for example in sway-screensaver.conf ombrel-screensaver.service ombrel-screensaver-autostart.desktop; do
  [ -f "$EXAMPLES/$example" ] || fail "no example $example"
done
for exec_line in "$(sed -n 's|^ExecStart=/usr/bin/ombrel ||p' "$EXAMPLES/ombrel-screensaver.service")" \
                 "$(sed -n 's|^Exec=ombrel ||p' "$EXAMPLES/ombrel-screensaver-autostart.desktop")"; do
  # Without a compositor: past the options (exit 2), refused for the missing compositor (exit 1).
  env -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$WORK" "$BIN/ombrel" $exec_line >/dev/null 2>&1
  [ $? -eq 1 ] || fail "the example's options: $exec_line"
done
# The package starts nothing by itself: no autostart entry or enabled unit of its own.
[ -z "$(find "$WORK/root/etc" "$WORK/root/usr/lib/systemd" -name '*ombrel*' 2>/dev/null)" ] ||
  fail "the package starts something by itself"

echo "== a short run of the packaged program"
if [ -n "${DISPLAY:-}" ]; then
  "$BIN/ombrel" >"$WORK/run.log" 2>&1 &
  PID=$!
  for _ in $(seq 100); do
    [ "$(xdotool search --onlyvisible --name '^Ombrel$' 2>/dev/null | wc -l)" -ge 2 ] && break
    sleep 0.1
  done
  [ "$(xdotool search --onlyvisible --name '^Ombrel$' 2>/dev/null | wc -l)" -ge 2 ] || fail "no displays"
  sleep 2
  kill -TERM "$PID"
  wait "$PID"; code=$?; PID=
  [ $code -eq 0 ] || { cat "$WORK/run.log"; fail "exit code $code"; }
fi
echo "package: all passed"
