#!/usr/bin/env bash
# Installs the built library into a scratch prefix and builds two tiny host
# programs against it: one through find_package, one through pkg-config;
# and a program of the DPI library through find_package; then runs the
# installed zeb-fir and loads the installed DPI library.  The host programs
# check that the library reports VERSION.
# Usage: install_consumer.sh BUILD_DIR SCRATCH_DIR C_COMPILER VERSION
set -euo pipefail
build_dir=$1 scratch=$2 cc=$3 version=$4

rm -rf "$scratch"
mkdir -p "$scratch/consumer"
prefix="$scratch/prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

cat > "$scratch/consumer/main.c" <<'SRC'
#include <string.h>
#include "zeb_fir_v7_1.h"

int main(int argc, char** argv) {
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1* model;
    if (zeb_fir_v7_1_default_config(&config) != ZEB_STATUS_OK) return 1;
    model = zeb_fir_v7_1_create(&config, NULL, NULL);
    if (model == NULL || zeb_fir_v7_1_destroy(model) != ZEB_STATUS_OK) return 1;
    return argc == 2 && strcmp(zeb_fir_v7_1_get_version(), argv[1]) == 0 ? 0 : 1;
}
SRC

cat > "$scratch/consumer/dpi.c" <<'SRC'
#include <stdio.h>
#include "zeb_fir_v7_1_dpi.h"

int main(void) {
    long long taps = 0;
    void* model = zeb_fir_v7_1_dpi_create("num_channels=2; filter_type=DECIMATION; decimation_rate=2");
    if (model == NULL || zeb_fir_v7_1_dpi_get_field(model, "num_coeffs", &taps) != 0) {
        printf("%s\n", zeb_fir_v7_1_dpi_last_error(model));
        return 1;
    }
    printf("dpi model with %lld taps\n", taps);
    return zeb_fir_v7_1_dpi_destroy(model) == 0 && taps == 21 ? 0 : 1;
}
SRC
test -f "$prefix/include/zeb_fir_v7_1_dpi_pkg.sv"

cat > "$scratch/consumer/CMakeLists.txt" <<'SRC'
cmake_minimum_required(VERSION 3.16)
project(zeb_consumer C)
find_package(zeb_fir_v7_1 7.1 REQUIRED)
add_executable(consumer main.c)
target_link_libraries(consumer PRIVATE zeb::zeb_fir_v7_1)
add_executable(consumer-dpi dpi.c)
target_link_libraries(consumer-dpi PRIVATE zeb::zeb_fir_v7_1_dpi)
SRC

echo "== find_package consumer =="
cmake -S "$scratch/consumer" -B "$scratch/consumer-build" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_C_COMPILER="$cc" >/dev/null
cmake --build "$scratch/consumer-build" >/dev/null
"$scratch/consumer-build/consumer" "$version"
"$scratch/consumer-build/consumer-dpi"

echo "== pkg-config consumer =="
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig:$prefix/lib64/pkgconfig:${PKG_CONFIG_PATH:-}"
libdir=$(pkg-config --variable=libdir zeb_fir_v7_1)
# shellcheck disable=SC2046
"$cc" -std=c99 -Wall -Werror $(pkg-config --cflags zeb_fir_v7_1) "$scratch/consumer/main.c" \
      -o "$scratch/consumer-pc" $(pkg-config --libs zeb_fir_v7_1) -Wl,-rpath,"$libdir"
"$scratch/consumer-pc" "$version"

echo "== installed zeb-fir and DPI library =="
# Both find the library of their own install tree, whatever the environment.
test "$(printf '1\n0\n0\n0\n' | env -u LD_LIBRARY_PATH "$prefix/bin/zeb-fir" --set coeff=1,2,-3 --input -)" = \
     "$(printf '1\n2\n-3\n0')"
env -u LD_LIBRARY_PATH python3 -c "import ctypes, sys; ctypes.CDLL(sys.argv[1])" "$libdir/libzeb_fir_v7_1_dpi.so"

# The Octave binding, where it was built: the docs' example from the install tree alone.
if [ -f "$prefix/share/zeb_fir_v7_1/octave/zebfir_mex.mex" ]; then
  echo "== installed Octave binding =="
  env -u LD_LIBRARY_PATH octave-cli --no-gui --norc --quiet --eval "
    addpath('$prefix/share/zeb_fir_v7_1/octave');
    f = zebfir.Filter('filter_type', 'decimation', 'decimation_rate', 2, 'coeff', [1 2 3 2 1]);
    assert(f.process((0:15)'), [1 10 27 45 63 81 99 117]')"
fi
