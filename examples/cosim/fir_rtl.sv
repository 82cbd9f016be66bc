// Direct-form FIR filter, synthesizable, written for the co-simulation
// example.  Each cycle with in_valid takes one sample; the output register
// then holds the full-precision sum of the newest NTAPS samples times the
// taps.  With DECIMATION > 1 only the last input of every group of
// DECIMATION raises out_valid, which is the phase the model's decimator
// keeps.  The default taps are the model's default filter after
// quantisation to 16 bits.
module fir_rtl #(
  parameter int NTAPS = 21,
  parameter int DATA_W = 16,
  parameter int COEFF_W = 16,
  parameter int OUT_W = 24,
  parameter int DECIMATION = 1,
  parameter logic signed [COEFF_W-1:0] TAPS [NTAPS] =
    '{6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6}
) (
  input  logic                     clk,
  input  logic                     rst,
  input  logic                     in_valid,
  input  logic signed [DATA_W-1:0] in_data,
  output logic                     out_valid,
  output logic signed [OUT_W-1:0]  out_data
);
  // Wide enough for any sum; the taps keep the result within OUT_W bits.
  localparam int ACC_W = DATA_W + COEFF_W + $clog2(NTAPS);
  localparam int PHASE_W = DECIMATION > 1 ? $clog2(DECIMATION) : 1;

  logic signed [DATA_W-1:0] delay [NTAPS-1];  // delay[0] is the previous sample
  logic signed [ACC_W-1:0] acc;
  logic [PHASE_W-1:0] phase;

  always_comb begin
    acc = ACC_W'(in_data) * ACC_W'(TAPS[0]);
    for (int k = 1; k < NTAPS; k++)
      acc += ACC_W'(delay[k-1]) * ACC_W'(TAPS[k]);
  end

  always_ff @(posedge clk) begin
    if (rst) begin
      for (int k = 0; k < NTAPS - 1; k++) delay[k] <= '0;
      phase <= '0;
      out_valid <= 1'b0;
      out_data <= '0;
    end else begin
      out_valid <= 1'b0;
      if (in_valid) begin
        delay[0] <= in_data;
        for (int k = 1; k < NTAPS - 1; k++) delay[k] <= delay[k-1];
        out_valid <= int'(phase) == DECIMATION - 1;
        phase <= int'(phase) == DECIMATION - 1 ? '0 : phase + 1'b1;
        out_data <= acc[OUT_W-1:0];
      end
    end
  end
endmodule
