// Co-simulation bench: an RTL filter against the bit-accurate model,
// called through DPI-C as the golden reference.  Every input the RTL takes
// is sent to the model; every cycle in which the RTL presents an output, it
// is compared with the model's next output.  The first difference ends the
// run with $fatal, naming the cycle and both values.
//
// +variant=fir21   the default 21-tap filter, 16-bit data, 24-bit output
// +variant=decim2  the same taps, decimating by 2
// +variant=broken  fir21 with one tap off by one: this run must fail
module tb_cosim;
  import zeb_fir_v7_1_dpi_pkg::*;

  localparam int SAMPLES = 2000;
  localparam int DATA_W = 16;
  localparam int OUT_W = 24;
  localparam logic signed [DATA_W-1:0] MAX = {1'b0, {(DATA_W-1){1'b1}}};
  localparam logic signed [DATA_W-1:0] MIN = {1'b1, {(DATA_W-1){1'b0}}};

  logic clk = 1'b0;
  logic rst = 1'b1;
  logic in_valid = 1'b0;
  logic signed [DATA_W-1:0] in_data = '0;
  initial forever #5 clk = ~clk;

  // Every variant sees the same input; the bench checks the one chosen.
  logic valid_fir21, valid_decim2, valid_broken;
  logic signed [OUT_W-1:0] out_fir21, out_decim2, out_broken;
  fir_rtl fir21 (.clk, .rst, .in_valid, .in_data, .out_valid(valid_fir21), .out_data(out_fir21));
  fir_rtl #(.DECIMATION(2)) decim2 (.clk, .rst, .in_valid, .in_data, .out_valid(valid_decim2),
                                    .out_data(out_decim2));
  fir_rtl_broken broken (.clk, .rst, .in_valid, .in_data, .out_valid(valid_broken), .out_data(out_broken));

  typedef enum int {FIR21, DECIM2, BROKEN} variant_e;
  variant_e variant;
  string variant_name;
  logic rtl_valid;
  logic signed [OUT_W-1:0] rtl_out;
  always_comb begin
    case (variant)
      DECIM2: begin rtl_valid = valid_decim2; rtl_out = out_decim2; end
      BROKEN: begin rtl_valid = valid_broken; rtl_out = out_broken; end
      default: begin rtl_valid = valid_fir21; rtl_out = out_fir21; end
    endcase
  end

  chandle model;
  longint expected[$];  // model outputs the RTL has not produced yet
  int sent = 0;
  int cycle = 0;
  int compared = 0;

  function automatic void model_fatal(string what);
    $fatal(1, "model %s failed: %s", what, zeb_fir_v7_1_dpi_last_error(model));
  endfunction

  // Sends one input to the model and queues every output it makes ready.
  function automatic void model_send(logic signed [DATA_W-1:0] x);
    longint y;
    if (zeb_fir_v7_1_dpi_put_int(model, 0, longint'(x)) != 0) model_fatal("put_int");
    if (zeb_fir_v7_1_dpi_send_slot(model) != 0) model_fatal("send_slot");
    while (zeb_fir_v7_1_dpi_ready(model) > 0) begin
      if (zeb_fir_v7_1_dpi_next(model) != 0) model_fatal("next");
      if (zeb_fir_v7_1_dpi_get_int(model, 0, y) != 0) model_fatal("get_int");
      expected.push_back(y);
    end
  endfunction

  // At the end: a full-precision output never wraps, so a wrap the model
  // counted means the configuration does not describe the RTL.
  function automatic void model_check_wraps();
    longint wraps, vector, slot;
    real delay_in, delay_out;
    if (zeb_fir_v7_1_dpi_get_wrap_count(model, "output", wraps) != 0) model_fatal("get_wrap_count");
    if (wraps != 0) begin
      void'(zeb_fir_v7_1_dpi_get_wrap_count(model, "first_output_vector", vector));
      void'(zeb_fir_v7_1_dpi_get_wrap_count(model, "first_output_slot", slot));
      $fatal(1, "%0d model outputs wrapped, the first in output vector %0d, slot %0d", wraps, vector, slot);
    end
    if (zeb_fir_v7_1_dpi_get_group_delay(model, 0, delay_in, delay_out) != 0) model_fatal("get_group_delay");
    $display("model: no output wrapped; group delay %0g input samples (%0g output samples)", delay_in, delay_out);
  endfunction

  // An impulse of one LSB, steps and alternation at full scale, random
  // full-scale signs (which drive the sums to their extremes), then random
  // values of the whole range.
  function automatic logic signed [DATA_W-1:0] stimulus(int n);
    if (n < 32) return n == 0 ? DATA_W'(1) : '0;
    if (n < 96) return MAX;
    if (n < 160) return MIN;
    if (n < 288) return n % 2 == 0 ? MAX : MIN;
    if (n < 800) return $urandom_range(1, 0) == 1 ? MAX : MIN;
    return DATA_W'($urandom);
  endfunction

  initial begin
    string config_text;
    if (!$value$plusargs("variant=%s", variant_name)) variant_name = "fir21";
    case (variant_name)
      "fir21": begin variant = FIR21; config_text = ""; end
      "broken": begin variant = BROKEN; config_text = ""; end
      "decim2": begin variant = DECIM2; config_text = "filter_type=DECIMATION; decimation_rate=2"; end
      default: $fatal(1, "unknown +variant=%s (fir21, decim2 or broken)", variant_name);
    endcase
    model = zeb_fir_v7_1_dpi_create(config_text);
    if (model == null) $fatal(1, "cannot create the model: %s", zeb_fir_v7_1_dpi_last_error(null));
    void'($urandom(20240611));

    repeat (2) @(negedge clk);
    rst = 1'b0;
    wait (sent == SAMPLES);
    repeat (4) @(posedge clk);
    if (expected.size() != 0)
      $fatal(1, "cycle %0d: the RTL gave %0d outputs fewer than the model", cycle, expected.size());
    model_check_wraps();
    $display("PASS %s: %0d outputs in %0d cycles equal the model's", variant_name, compared, cycle);
    void'(zeb_fir_v7_1_dpi_destroy(model));
    $finish;
  end

  // One input per cycle, to the RTL and to the model alike.
  always @(posedge clk) begin
    if (!rst && sent < SAMPLES) begin
      logic signed [DATA_W-1:0] x;
      x = stimulus(sent);
      in_valid <= 1'b1;
      in_data <= x;
      model_send(x);
      sent <= sent + 1;
    end else begin
      in_valid <= 1'b0;
    end
  end

  always @(posedge clk) begin
    if (!rst) begin
      cycle <= cycle + 1;
      if (rtl_valid) begin
        if (expected.size() == 0)
          $fatal(1, "cycle %0d: RTL output %0d while the model has none", cycle, rtl_out);
        if (longint'(rtl_out) != expected[0])
          $fatal(1, "MISMATCH at cycle %0d (output %0d): RTL %0d, model %0d", cycle, compared, rtl_out,
                 expected[0]);
        void'(expected.pop_front());
        compared <= compared + 1;
      end
    end
  end
endmodule
