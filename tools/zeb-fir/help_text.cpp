// Text of zeb-fir --help.
#include "cli_options.h"

namespace zebtool {

const char* help_text() {
    return R"(Usage: zeb-fir [OPTION]...
Runs the bit-accurate FIR filter model on a stimulus and writes its output,
one line per output time slot in the hardware's sample order.  With no
options it runs the default filter on a built-in stimulus (an impulse, then
a sine) and prints a summary of the model before the output.

Configuration (applied in the order given, starting from the defaults):
  --set FIELD=VALUE     set one field of the configuration record by its name,
                        e.g. --set filter_type=DECIMATION --set decimation_rate=3.
                        Enumerated fields take the enumerator name without its
                        ZEB_FIR_V7_1_ prefix (any case) or the number; coeff takes
                        a comma-separated list.  zeb-fir --list-fields lists them.
  --config FILE         FIELD=VALUE lines, '#' starts a comment
  --coeff-file FILE     coefficient values of all sets, set after set, separated
                        by blanks, commas or line breaks; num_coeffs follows from
                        the count unless it is set
  --coeff-format real|int|hex|bin
                        how every --coeff-file is written: real values (default),
                        integers in units of the coefficient LSB 2^-coeff_fract_width,
                        or coeff_width-bit two's complement in hex or binary digits
                        (as $readmemh/$readmemb read them; '@' address lines skipped)
  --list-fields         print the table of fields, accepted values and defaults

Stimulus:
  --input FILE          one line per input time slot in hardware order, one number
                        per path (blanks or commas between them); '#' and '//'
                        comments and blank lines are skipped; '-' reads standard
                        input.  Lines must make whole vectors (num_channels lines
                        each) and hold at most 65536 characters.
  --input-format real|int|hex|bin
                        real: the numbers are sample values (default); int: they
                        are integers in units of the input LSB; hex, bin: those
                        integers as data_width-bit two's complement in hex or binary
                        digits (either case, leading zeros optional), as an RTL
                        test bench writes them with %h or %b; '@' address lines of
                        $writememh are skipped
  --packet N            vectors sent to the model per call (default: automatic,
                        at most 1024); memory stays flat for any file length

Output:
  --output FILE         write the output to FILE (default: standard output); a
                        regular file appears only when the run succeeds; a FIFO,
                        device or symbolic link is written in place
  --format real|int|hex|bin
                        real: sample values (default); int: integers in units of
                        the output LSB, exact in every arithmetic mode; hex, bin:
                        those integers as two's complement of output_width bits,
                        exactly ceil(output_width/4) lowercase hex digits or
                        output_width binary digits, as %h and %b print the bus
                        (a value beyond the width is written wrapped, as the bus
                        shows it).  A Hilbert filter prints re and im per path (the
                        re part, the delayed input, counts input LSBs and has
                        data_width bits).
  --summary             print the model summary ('#' lines, '//' in hex and bin)
                        before the output; on by default with the built-in stimulus
  --compare FILE        compare the output with a golden file of the same layout
                        and format (e.g. an RTL simulation dump): prints the number
                        of samples compared and the first mismatches, exits 1 on
                        any difference.  The output itself is then written only with
                        --output.  In hex and bin, values compare modulo 2^width.
  --skip N              with --compare: ignore the golden file's first N data lines
                        (e.g. a dump's reset or pipeline-fill samples)
  --max-mismatches N    with --compare: name up to N mismatches (default 1); all
                        are counted
  --strict              stop with status 2 at the first wrap: an input sample
                        wrapped into data_width bits, an output sample whose
                        rounding left the output range, or a coefficient wrapped
                        into coeff_width bits (vectors are then sent one by one
                        unless --packet is given).  Without it the run goes on and
                        the wraps are summed up on standard error.
  --write-coefficients FILE
                        write the quantised coefficient sets, set after set, one
                        value per line in the --format chosen (real values, or
                        integers in coefficient LSBs, or coeff_width-bit two's
                        complement in hex or binary, for $readmemh); --coeff-file
                        with --coeff-format reads the file back.  Without --input,
                        --output and --compare nothing else is run.

Run-time packets, as lines of the stimulus between whole vectors:
  @config [fsel=S0,S1,...] [chanpat=N]   queue a configuration packet: coefficient
                        set selectors (one, or one per channel with CONFIG_BY_CHANNEL)
                        and, with ADVANCED_CHAN_SEQ, the channel pattern (default:
                        that of the previous packet, at first init_pattern)
  @reload [fsel=N] coeff=C0,C1,...       queue a reload of coefficient set N
                        (default 0); it takes effect with the next @config
  @reset                reset the model (reloaded sets stay)
or from the command line, before input vector V (0 = before any data):
  --config-packet V:fsel=LIST[:chanpat=N]
  --reload V:fsel=N:coeff=LIST

Other:
  --help, -h            this text
  --version             print the library's version text

Exit status: 0 success, 1 the output differs from the --compare file,
2 any error (bad option, field, number or line, a refusal by the model,
whose own message is printed on standard error, or a wrap under --strict).

Examples:
  zeb-fir
  zeb-fir --set filter_type=DECIMATION --set decimation_rate=4 --input stim.txt
  zeb-fir --config filter.cfg --coeff-file taps.txt --input stim.txt --format int --output model.txt
  zeb-fir --config filter.cfg --coeff-file taps.txt --input stim.txt --format int --compare rtl_dump.txt
  seq -5 5 | zeb-fir --input - --set coeff=1,2,1
  zeb-fir --set coeff_sets=2 --set coeff=1,2,3,4,5,6 --config-packet 10:fsel=1
  zeb-fir --config filter.cfg --input stim.hex --input-format hex --format hex --compare rtl.hex --skip 4
  zeb-fir --config filter.cfg --format hex --write-coefficients coeff.hex
)";
}

}  // namespace zebtool
