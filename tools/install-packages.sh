#!/usr/bin/env bash
# Installs the Debian or Ubuntu packages a job needs, where they are
# missing: with apt-get as root, through sudo otherwise.  Says what it
# installs, and does nothing when everything is there.
#   install-packages.sh main    the library and zeb-fir
#   install-packages.sh tests   everything the test stages use as well
set -euo pipefail

main=(cmake make g++ binutils pkg-config libgmp-dev)
tests=(libgtest-dev libgmock-dev libbenchmark-dev verilator clang
       python3 python3-numpy python3-pytest python3-scipy python3-matplotlib python3-distributed
       octave liboctave-dev octave-signal gnuplot-nox)
case "${1:-}" in
  main) wanted=("${main[@]}") ;;
  tests) wanted=("${main[@]}" "${tests[@]}") ;;
  *) echo "usage: $0 main|tests" >&2; exit 2 ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "cannot install packages: run as root, or install sudo" >&2
    return 1
  fi
}

install_missing() {
  local missing=()
  for pkg in "$@"; do installed "$pkg" || missing+=("$pkg"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  if ! command -v apt-get >/dev/null; then
    echo "missing packages (${missing[*]}), and no apt-get to install them: install them by hand" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq "${missing[@]}" >/dev/null
}

install_missing "${wanted[@]}"

# libFuzzer comes with clang's runtime, packaged per clang version on newer
# releases (libclang-rt-N-dev) and inside libclang-common-N-dev on older ones.
if [ "$1" = tests ]; then
  version=$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
  if [ -n "$version" ] && apt-cache show "libclang-rt-$version-dev" >/dev/null 2>&1; then
    install_missing "libclang-rt-$version-dev"
  fi
fi
