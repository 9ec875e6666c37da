# Sourced by scripts/run and scripts/test: installs the Debian packages the
# build, the tests and the virtual screen need, or says how to.
OMBREL_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-private-dev qt6-qpa-plugins
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0 libxcb1-dev
  libwayland-dev libwayland-bin libegl-dev libegl-mesa0 wayland-protocols plasma-wayland-protocols
  libgtest-dev libbenchmark-dev
  xvfb x11-xserver-utils xdotool imagemagick
  qt6-wayland weston xscreensaver sway grim wtype swaylock swayidle
)
# Taken without what they recommend: KWin's and GNOME Shell's are most of their desktops.
OMBREL_LEAN_PACKAGES=(kwin-wayland dbus gnome-shell)

ombrel_missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

ombrel_install_deps() {
  local missing lean
  mapfile -t missing < <(ombrel_missing "${OMBREL_PACKAGES[@]}")
  mapfile -t lean < <(ombrel_missing "${OMBREL_LEAN_PACKAGES[@]}")
  [ ${#missing[@]} -eq 0 ] && [ ${#lean[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    [ ${#missing[@]} -gt 0 ] && echo "  sudo apt-get install -y ${missing[*]}" >&2
    [ ${#lean[@]} -gt 0 ] && echo "  sudo apt-get install -y --no-install-recommends ${lean[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]} ${lean[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || apt-get install -y -qq "${missing[@]}" >/dev/null
  [ ${#lean[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${lean[@]}" >/dev/null
}

# Configures and builds into the given folder: CMake options (-D...), then
# optionally --target NAME.
ombrel_build() {
  local dir=$1; shift
  local options=() build=()
  while [ $# -gt 0 ]; do
    case $1 in
      --target) build=(--target "$2"); shift 2 ;;
      *) options+=("$1"); shift ;;
    esac
  done
  cmake -S "$OMBREL_ROOT" -B "$OMBREL_ROOT/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
  cmake --build "$OMBREL_ROOT/$dir" -j "$(nproc)" "${build[@]}"
}
