# Shared by the scripts: install missing Debian packages, configure and build.
# Sourced, not run.

# Installs the named Debian packages that are missing. Runs `apt-get update` once.
# Without root, sudo must work without a password; when it would ask for one, the
# command to run is printed instead and the script stops.
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  # The variable must reach apt through sudo; the lock is waited for while unattended
  # upgrades hold it.
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300)
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
      sudo=sudo
    else
      command -v sudo >/dev/null 2>&1 && sudo="sudo "
      echo "Missing packages: ${missing[*]}. Install them as root, then run this again:" >&2
      echo "  $sudo${apt[*]} update && $sudo${apt[*]} install -y ${missing[*]}" >&2
      exit 1
    fi
  fi
  echo "Installing: ${missing[*]}"
  $sudo "${apt[@]}" update -qq
  $sudo "${apt[@]}" install -y -qq "${missing[@]}"
}

# python3 makes the manual pages (scripts/man-page).
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev
                python3-minimal)
# clang with libFuzzer and its sanitizer runtimes, for the harnesses of fuzz/.
ensure_fuzz_packages() {
  ensure_packages clang
  ensure_packages "$(clang_runtime_package)"
}

# The runtimes' package carries the major version of the installed clang.
clang_runtime_package() {
  echo "libclang-rt-$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)-dev"
}

# configure DIR [cmake options...]
configure() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  configure "$@"
  cmake --build "$1" -j "$(nproc)"
}
