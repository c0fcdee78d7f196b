# Shared by the scripts: install missing Debian packages, configure and build.
# Sourced, not run.

# Installs the named Debian packages that are missing. Runs `apt-get update` once.
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo="sudo"
    else
      echo "Missing packages: ${missing[*]}" >&2
      echo "Run as root: apt-get update && apt-get install -y ${missing[*]}" >&2
      exit 1
    fi
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev)
# clang with libFuzzer and its sanitizer runtimes, for the harnesses of fuzz/.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
