#!/usr/bin/env bash
# Builds the co-simulation bench with Verilator (5.0 or later, for --timing).
# Usage: verilate.sh OUT_DIR DPI_LIBRARY
#   OUT_DIR      where the simulator OUT_DIR/tb_cosim is built
#   DPI_LIBRARY  path of libzeb_fir_v7_1_dpi.so
# Then run OUT_DIR/tb_cosim +variant=fir21 (or decim2, broken).
set -euo pipefail
out=$(mkdir -p "$1" && cd "$1" && pwd)
dpi_library=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
here=$(cd "$(dirname "$0")" && pwd)
dpi_dir=$(cd "$here/../../dpi" && pwd)

# The simulator runs once and briefly: unoptimised C++ builds fastest.
verilator --cc --exe --build --timing -j 2 -Wall \
  --top-module tb_cosim -Mdir "$out/obj" -o "$out/tb_cosim" \
  -MAKEFLAGS "OPT_FAST=-O0 OPT_SLOW=-O0 OPT_GLOBAL=-O0" \
  "$dpi_dir/zeb_fir_v7_1_dpi_pkg.sv" \
  "$here/fir_rtl.sv" "$here/fir_rtl_broken.sv" "$here/tb_cosim.sv" "$here/sim_main.cpp" \
  "$dpi_library" -LDFLAGS "-Wl,-rpath,$(dirname "$dpi_library")"
