classdef Filter < handle
  % zebfir.Filter  A bit-accurate model of the FIR filter block.
  %
  %   f = zebfir.Filter('filter_type', 'decimation', 'decimation_rate', 4, 'coeff', taps)
  %   f = zebfir.Filter(s)                 % a struct of fields
  %   f = zebfir.Filter('filter.cfg', ...) % a zeb-fir --config file; pairs override it
  %
  % Fields are those of zeb-fir --list-fields; enumerators by name (any case)
  % or number; num_coeffs follows from the number of coefficients, and a
  % coefficient matrix is coefficient sets x taps.  Samples are arrays of
  % vectors x channels x paths (a vector for one path and one channel).
  % Errors carry the identifiers zebfir:config, zebfir:model, zebfir:input
  % and zebfir:handle; the model's warnings and notes are warnings
  % zebfir:warning and zebfir:note.  See docs/octave.md.

  properties (SetAccess = private, Hidden = true)
    id = 0;  % the gateway's handle of the model; 0 once deleted
  end

  methods
    function f = Filter (varargin)
      file = '';
      args = varargin;
      if ~isempty (args) && isstruct (args{1})
        if ~isscalar (args{1})
          error ('zebfir:config', 'a configuration struct must be scalar');
        end
        pairs = [fieldnames(args{1}), struct2cell(args{1})]';
        args = [pairs(:)', args(2:end)];
      elseif mod (numel (args), 2) == 1
        file = args{1};
        args = args(2:end);
      end
      f.id = zebfir_mex ('create', file, args{:});
    end

    function delete (f)
      % Frees the model; any later call on f is refused.
      if f.id ~= 0
        zebfir_mex ('destroy', f.id);
        f.id = 0;
      end
    end

    function y = process (f, x, varargin)
      % y = f.process(x, 'output', 'real'|'int'|'complex', 'input', 'real'|'int')
      % Feeds whole vectors and returns every complete output vector.
      y = zebfir_mex ('process', f.id, x, varargin{:});
    end

    function send (f, x, varargin)
      % Feeds whole vectors; their output waits for read.
      zebfir_mex ('send', f.id, x, varargin{:});
    end

    function y = read (f, varargin)
      % Every complete output vector not yet returned.
      y = zebfir_mex ('read', f.id, varargin{:});
    end

    function send_slot (f, x, varargin)
      % Feeds one time slot: one sample per path.
      zebfir_mex ('send_slot', f.id, x, varargin{:});
    end

    function y = read_slot (f, varargin)
      % The next output slot (1 x paths), [] when none is ready.
      y = zebfir_mex ('read_slot', f.id, varargin{:});
    end

    function config (f, fsel, pattern)
      % Queues a configuration packet: selectors, and a channel pattern
      % (default: that of the previous packet).
      if nargin < 2
        fsel = [];
      end
      if nargin < 3
        pattern = [];
      end
      zebfir_mex ('config', f.id, fsel, pattern);
    end

    function reload (f, fsel, coeff)
      % Queues a reload of set fsel, applied with the next configuration packet.
      zebfir_mex ('reload', f.id, fsel, coeff);
    end

    function reset (f)
      zebfir_mex ('reset', f.id);
    end

    function s = get_config (f)
      % The normalised configuration: enumerators by name, coeff as given.
      s = zebfir_mex ('get_config', f.id);
    end

    function s = info (f)
      s = zebfir_mex ('info', f.id);
    end

    function c = coefficients (f)
      % Quantised coefficients in coefficient LSBs, sets x taps.
      c = zebfir_mex ('coefficients', f.id);
    end

    function [input_samples, output_samples] = group_delay (f, coefficient_set)
      if nargin < 2
        coefficient_set = 0;
      end
      [input_samples, output_samples] = zebfir_mex ('group_delay', f.id, coefficient_set);
    end

    function w = wrap_counts (f)
      w = zebfir_mex ('wrap_counts', f.id);
    end

    function clear_wrap_counts (f)
      zebfir_mex ('clear_wrap_counts', f.id);
    end
  end
end
