# Shared by scripts/run, scripts/test and scripts/bench. Sourced, not run.

KV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Each script has a tree of its own under build/ (run, test, release, fuzz):
# their options differ, and a tree's cache would carry one script's options
# into the other's build. The script sets KV_BUILD_DIR before configuring.
KV_BUILD_DIR=""

# Debian packages the build, the tests and the benchmarks need.
KV_PACKAGES=(
  g++ cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-charts-dev
  libbenchmark-dev valgrind
  clang libclang-rt-dev
  fonts-liberation fonts-dejavu-core
  libqt6sql6-sqlite libqt6sql6-psql postgresql poppler-utils
  # Real X servers, bare and with a window manager, for the tool windows' test;
  # xdotool presses the keys of the test that runs kvconf as a user would.
  xvfb xauth openbox xdotool
)
# What scripts/bench needs on top: a real X server for bench_main_window --xvfb.
KV_BENCH_PACKAGES=(xvfb xauth)

# What scripts/package needs on top: dpkg-shlibdeps (dpkg-dev), file (which
# CPack uses to find the programs), lintian.
KV_PACKAGING_PACKAGES=(dpkg-dev file lintian)

# kv_install_packages [more packages...]: KV_PACKAGES and those given.
kv_install_packages() {
  local missing=()
  local pkg
  for pkg in "${KV_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}"
}

# kv_configure [cmake options...]: configures $KV_BUILD_DIR with Ninja. A
# ccache on the machine is used when there is one; it is not required.
kv_configure() {
  local launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$KV_ROOT}"
  fi
  [ -n "$KV_BUILD_DIR" ] || { echo "kv_configure: KV_BUILD_DIR not set" >&2; return 2; }
  cmake -S "$KV_ROOT" -B "$KV_BUILD_DIR" -G Ninja "${launcher[@]}" "$@"
}

kv_build() {
  cmake --build "$KV_BUILD_DIR" "$@"
}
