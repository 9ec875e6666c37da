# Sourced: a virtual X server with two monitors side by side, 1920x1080 and
# 1280x1024, for the window tests and for running without a desktop.
ombrel_start_xserver() {
  local n=${OMBREL_XDISPLAY:-97}
  while [ -e "/tmp/.X${n}-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -noreset -screen 0 "${OMBREL_XSCREEN:-3200x1080x24}" -nolisten tcp >/dev/null 2>&1 &
  OMBREL_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do xrandr >/dev/null 2>&1 && break; sleep 0.1; done
  xrandr --setmonitor MON0 1920/508x1080/286+0+0 screen >/dev/null
  xrandr --setmonitor MON1 1280/338x1024/270+1920+0 none >/dev/null
  export QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
}

ombrel_stop_xserver() {
  [ -n "${OMBREL_XVFB_PID:-}" ] && kill "$OMBREL_XVFB_PID" 2>/dev/null && wait "$OMBREL_XVFB_PID" 2>/dev/null
  return 0
}
