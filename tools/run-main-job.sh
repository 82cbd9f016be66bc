#!/usr/bin/env bash
# The main job from a fresh machine: installs what the library and zeb-fir
# need (where missing), builds everything but the tests, and runs zeb-fir on
# the default filter and its built-in stimulus.  Arguments go to zeb-fir.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh main
# Everything `cmake --install build` installs: the library, zeb-fir, the DPI
# library and, where Octave's mkoctfile is found, the Octave binding.
echo "building the library, zeb-fir and the bindings in build/ ..." >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEB_FIR_BUILD_TESTS=OFF -DZEB_FIR_BUILD_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
exec ./build/tools/zeb-fir "$@"
