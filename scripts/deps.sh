# Sourced by test.sh and run.sh: installs the Debian packages the project needs,
# once. Packages already present are not touched, so a second run is quiet.
# With TMRX_USE_BUILT=1 nothing is installed or built: the build trees are used
# as they are (the documentation's examples run that way, see tests/docs).

TMRX_PACKAGES=(
  cmake ninja-build g++ make pkg-config python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev valgrind libunicorn-dev libjemalloc-dev
  mingw-w64 mingw-w64-tools g++-mingw-w64-x86-64 g++-mingw-w64-i686
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 fonts-wine fonts-liberation xvfb xauth
  wine32:i386
  iproute2 iputils-ping iperf3 tshark
  qemu-system-x86 linux-image-amd64 busybox-static
)

tmrx_log() { printf '%s\n' "$*" >&2; }

tmrx_ensure_packages() {
  [ "${TMRX_USE_BUILT:-0}" = 1 ] && return 0
  local missing=() p
  for p in "${TMRX_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  tmrx_log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  # wine32 is an i386 package: the 32-bit Windows tests run it inside the x86
  # machine (scripts/vm/), since this kernel cannot execute 32-bit code.
  if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386 || return 1
  fi
  $sudo apt-get update -qq >&2 || return 1
  # With recommends: wine needs its fonts and helpers to draw dialogs.
  $sudo apt-get install -y -qq "${missing[@]}" >&2 || return 1
}

# Configures a preset once (or when its cache is gone) and builds it.
tmrx_build() {
  [ "${TMRX_USE_BUILT:-0}" = 1 ] && return 0
  local preset=$1; shift
  if [ ! -f "build/$preset/CMakeCache.txt" ]; then
    cmake --preset "$preset" >&2 || return 1
  fi
  cmake --build --preset "$preset" "$@" >&2
}
