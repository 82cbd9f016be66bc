// The example filter with one tap off by one (tap 7: -12 instead of -13):
// the co-simulation bench must stop at its first wrong output.
module fir_rtl_broken (
  input  logic               clk,
  input  logic               rst,
  input  logic               in_valid,
  input  logic signed [15:0] in_data,
  output logic               out_valid,
  output logic signed [23:0] out_data
);
  fir_rtl #(
    .TAPS('{6, 0, -4, -3, 5, 6, -6, -12, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6})
  ) fir (.*);
endmodule
