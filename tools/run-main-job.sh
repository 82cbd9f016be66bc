#!/usr/bin/env bash
# The main job from a fresh machine: installs what the library and zeb-fir
# need (where missing), builds the two of them only, and runs zeb-fir on the
# default filter and its built-in stimulus.  Arguments go to zeb-fir.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh main
echo "building the library and zeb-fir in build/ ..." >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEB_FIR_BUILD_TESTS=OFF -DZEB_FIR_BUILD_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target zeb-fir >/dev/null
exec ./build/tools/zeb-fir "$@"
