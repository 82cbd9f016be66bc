// SystemVerilog imports of libzeb_fir_v7_1_dpi: the bit-accurate FIR
// filter model as a golden reference.  The C declarations and their
// meaning are in zeb_fir_v7_1_dpi.h; int results are 0 on success and 1 on
// failure, with the reason in zeb_fir_v7_1_dpi_last_error.
package zeb_fir_v7_1_dpi_pkg;

  // Models
  import "DPI-C" function chandle zeb_fir_v7_1_dpi_create(input string config_text);
  import "DPI-C" function chandle zeb_fir_v7_1_dpi_create_from_file(input string path);
  import "DPI-C" function int zeb_fir_v7_1_dpi_destroy(input chandle model);
  import "DPI-C" function int zeb_fir_v7_1_dpi_reset(input chandle model);
  import "DPI-C" function int zeb_fir_v7_1_dpi_get_field(input chandle model, input string field,
                                                         output longint value);

  // Input: integers in input LSBs, or sample values
  import "DPI-C" function int zeb_fir_v7_1_dpi_put_int(input chandle model, input int path, input longint value);
  import "DPI-C" function int zeb_fir_v7_1_dpi_put_real(input chandle model, input int path, input real value);
  import "DPI-C" function int zeb_fir_v7_1_dpi_send_slot(input chandle model);
  import "DPI-C" function int zeb_fir_v7_1_dpi_put_vector_int(input chandle model, input int path, input int slot,
                                                              input longint value);
  import "DPI-C" function int zeb_fir_v7_1_dpi_put_vector_real(input chandle model, input int path, input int slot,
                                                               input real value);
  import "DPI-C" function int zeb_fir_v7_1_dpi_send_vector(input chandle model);
  import "DPI-C" function int zeb_fir_v7_1_dpi_send_packet(input chandle model, input string command);

  // Output: integers in output LSBs, real values, or decimal text of any width
  import "DPI-C" function int zeb_fir_v7_1_dpi_ready(input chandle model);
  import "DPI-C" function int zeb_fir_v7_1_dpi_next(input chandle model);
  import "DPI-C" function int zeb_fir_v7_1_dpi_get_int(input chandle model, input int path, output longint value);
  import "DPI-C" function int zeb_fir_v7_1_dpi_get_real(input chandle model, input int path, output real value);
  import "DPI-C" function string zeb_fir_v7_1_dpi_get_text(input chandle model, input int path);
  import "DPI-C" function int zeb_fir_v7_1_dpi_get_inphase_int(input chandle model, input int path,
                                                               output longint value);

  // Inspection: the model's info and wrap counts by field name, the group delay of a set
  import "DPI-C" function int zeb_fir_v7_1_dpi_get_info(input chandle model, input string field,
                                                        output longint value);
  import "DPI-C" function int zeb_fir_v7_1_dpi_get_wrap_count(input chandle model, input string field,
                                                              output longint value);
  import "DPI-C" function int zeb_fir_v7_1_dpi_clear_wrap_counts(input chandle model);
  import "DPI-C" function int zeb_fir_v7_1_dpi_get_group_delay(input chandle model, input int coeff_set,
                                                               output real input_samples,
                                                               output real output_samples);

  // Messages
  import "DPI-C" function string zeb_fir_v7_1_dpi_last_message(input chandle model);
  import "DPI-C" function string zeb_fir_v7_1_dpi_last_error(input chandle model);

endpackage
