% zebfir.Filter against zeb-fir on the same configuration and stimulus, any
% cutting of the stream against one call, and the refusals.  Run by CTest
% with ZEBFIR_TOOL naming zeb-fir.
1;

function lines = tool_lines(cfg, stim, format)
  [status, out] = system(sprintf('"%s" --config "%s" --input "%s" --input-format int --format %s 2>/dev/null', ...
                                   getenv('ZEBFIR_TOOL'), cfg, stim, format));
  assert(status, 0, out);
  lines = strsplit(strtrim(out), "\n");
  lines = regexprep(lines(! strncmp(lines, '#', 1)), '\s+', ' ');
end

% One row per output slot, the values of every path(re im for Hilbert).
function rows = slot_rows(y)
  if iscomplex(y)
    y = cat(4, real(y), imag(y));
  end
  [v, c, p, k] = size(y);
  rows = reshape(permute(y, [4 3 2 1]), p * k, v * c).';
end

function write_fields(file, fields)
  fid = fopen(file, 'w');
  fprintf(fid, '%s = %s  # field\n', fields{:});
  fclose(fid);
end

dir = tempname();
mkdir(dir);
taps = '3,-7,12,40,90,40,12,-7,3,1,-2';
% name, fields as a --config file holds them
configs = {
  'single', {}
  'decimation', {'filter_type', 'decimation', 'decimation_rate', '3', 'num_channels', '2', 'coeff', taps}
  'fractional', {'filter_type', 'Interpolation', 'rate_change', 'fixed_fractional', 'interpolation_rate', '3', ...
                 'decimation_rate', '2', 'coeff', taps, 'output_rounding_mode', 'ROUND_HALF_EVEN', 'output_width', '18'}
  'hilbert', {'filter_type', 'ZEB_FIR_V7_1_HILBERT', 'num_paths', '2', 'data_fract_width', '4', ...
              'coeff', '-0.25,0,-0.5,0,-1.5,0,1.5,0,0.5,0,0.25', 'coeff_fract_width', '2'}
  'paths_channels', {'num_paths', '3', 'num_channels', '4', 'filter_type', 'interpolation', 'interpolation_rate', '2', ...
                     'coeff', '0.5,-1.25,3.75,8,3.75,-1.25,0.5', 'coeff_fract_width', '3', ...
                     'output_rounding_mode', 'truncate_lsbs', 'output_width', '16'}
  'advanced', {'chan_seq', 'advanced_chan_seq', 'num_channels', '4', 'init_pattern', '3', 'coeff', taps}
  'int64_wide', {'data_width', '28', 'coeff_width', '28', 'num_paths', '2', ...
                 'coeff', '134217727,-134217728,100000000,99999999'}
};
rand('seed', 7);
stim = fullfile(dir, 'stim.txt');
for row = 1:rows(configs)
  [name, fields] = configs{row, :};
  cfg = fullfile(dir, [name '.cfg']);
  write_fields(cfg, fields);
  f = zebfir.Filter(cfg);
  c = f.get_config();
  half = 2 ^ (c.data_width - 1);
  ints = randi([-half, half - 1], 24, c.num_channels, c.num_paths);
  fid = fopen(stim, 'w');
  fprintf(fid, [repmat('%d ', 1, c.num_paths) "\n"], permute(ints, [3 2 1]));
  fclose(fid);
  y = f.process(ints, 'input', 'int', 'output', 'int');
  assert(class(y), 'int64');
  got = cellfun(@(r) strtrim(sprintf('%d ', r)), num2cell(slot_rows(y), 2), 'UniformOutput', false).';
  assert(isequal(got, tool_lines(cfg, stim, 'int')), [name ': int output differs from zeb-fir']);
  f.reset();
  real_out = f.process(ints * 2 ^ -c.data_fract_width);
  assert(iscomplex(real_out), strcmp(c.filter_type, 'HILBERT'));
  expected = cell2mat(cellfun(@(l) str2double(strsplit(l, ' ')), tool_lines(cfg, stim, 'real').', ...
                                'UniformOutput', false));
  assert(isequal(slot_rows(real_out), expected), [name ': real output differs from zeb-fir']);
  % The same fields as arguments give the same model.
  assert(isequal(zebfir.Filter(fields{:}).process(ints, 'input', 'int', 'output', 'int'), y), name);
end
[msg, id] = lastwarn();
assert({msg, id}, {'pilvoran_v7_1 WARNING: Model will use MPZ data type', 'zebfir:warning'});

% Any cutting of the stream equals one call: chunks, and slot by slot.
for name = {'decimation', 'hilbert', 'paths_channels', 'advanced', 'int64_wide'}
  f = zebfir.Filter(fullfile(dir, [name{1} '.cfg']));
  c = f.get_config();
  x = randi([-99, 99], 30, c.num_channels, c.num_paths);
  one = f.process(x);
  f.reset();
  f.send(x(1:7, :, :));
  chunks = [f.read(); f.process(x(8:11, :, :)); f.process(x(12:end, :, :))];
  f.reset();
  slots = [];
  for k = 1:numel(x) / c.num_paths
    [s, v] = ind2sub([c.num_channels, 30], k);
    f.send_slot(x(v, s, :));
    while ! isempty(r = f.read_slot())
      slots(end + 1, :) = r;
    end
  end
  assert(isequal(chunks, one) && isequal(slots, reshape(permute(one, [2 1 3]), [], c.num_paths)), name{1});
end

% Refusals: the identifier and the text, and the filter stays usable.
f = zebfir.Filter(struct('num_channels', 2, 'coeff', [1 2; 3 4], 'reloadable', 1));
x = [1 0; 0 1; 2 2];
y = f.process(x);
assert(y, filter([1 2], 1, x));
refusals = {
  @() f.process({1}), 'zebfir:input', 'input samples must be a real, full double or single array, not a 1x1 cell'
  @() f.process(x + 1i), 'zebfir:input', 'input samples must be a real, full double or single array, not a 3x2 complex double'
  @() f.process(sparse(x)), 'zebfir:input', 'input samples must be a real, full double or single array, not a 3x2 sparse double'
  @() f.process(int8(x)), 'zebfir:input', 'input samples must be a real, full double or single array, not a 3x2 int8'
  @() f.process([1 0; NaN 1]), 'zebfir:input', 'input sample (2, 1) is not a finite number'
  @() f.process([1 0; 0.5 1], 'input', 'int'), 'zebfir:input', 'input sample (2, 1) is not a whole number of input LSBs'
  @() f.process(zeros(0, 2)), 'zebfir:input', 'input of size 0x2 double: expected vectors x 2 channels x 1 paths, at least one vector'
  @() f.process([1 2 3]), 'zebfir:input', 'input of size 1x3 double: expected vectors x 2 channels x 1 paths, at least one vector'
  @() f.process(x, 'output', 'hex'), 'zebfir:input', 'bad value ''hex'' for option ''output'': expected ''real'', ''int'' or ''complex'''
  @() f.send_slot([1 2]), 'zebfir:input', 'input of size 1x2 double: expected one sample per path (1)'
  @() f.config(2 ^ 32), 'zebfir:config', 'bad number 4294967296 for fsel: expected an integer from 0 to 4294967295'
  @() f.reload([0 1], [1 1]), 'zebfir:config', 'reload fsel takes one number, not a 1x2 double'
  @() f.reload(0, [1 Inf]), 'zebfir:config', 'reload coefficient 2 is not a finite number: inf'
  @() f.group_delay(2), 'zebfir:model', 'pilvoran_v7_1 ERROR: No such coefficient set: 2'
  @() zebfir.Filter('num_paths', 0), 'zebfir:config', 'Invalid number of paths'
  @() zebfir.Filter('num_paths', 'two'), 'zebfir:config', 'num_paths=two: bad number ''two'' for num_paths: expected an integer from -2147483648 to 4294967295'
  @() zebfir.Filter('coeff', [1 NaN]), 'zebfir:config', 'coefficient 2 is not a finite number: nan'
  @() zebfir.Filter('num_paths', [1 2]), 'zebfir:config', 'num_paths takes one number or a text, not a 1x2 double'
  @() zebfir.Filter(fullfile(dir, 'missing.cfg')), 'zebfir:config', ['cannot read configuration file ''' fullfile(dir, 'missing.cfg') '''']
};
for row = 1:rows(refusals)
  try
    refusals{row, 1} ();
    error('no error: %s', refusals{row, 3});
  catch err
    assert({err.identifier, err.message}, refusals(row, 2:3));
  end
  f.reset();
  assert(f.process(x), y);
end
% The model's refusal of a call: a whole vector while a slot turn is open.
f.reset();
f.send_slot(1);
try
  f.send(x);
  error('no error');
catch err
  assert({err.identifier, err.message}, {'zebfir:model', 'pilvoran_v7_1 ERROR: Channel postion non-zero, cannot send a packet'});
end
f.send_slot(0);
assert(f.read(), y(1, :));

% Reloads, packets and the inspection functions.
f.reset();
f.reload(1, [5 6]);
f.config(1);
assert({f.process(x), f.coefficients()}, {filter([5 6], 1, x), [1 2; 5 6]});
g = zebfir.Filter('coeff', [1 1], 'output_rounding_mode', 7, 'output_width', 8);
g.process([32767; 32767; 0; 40000]);
w = g.wrap_counts();
assert({w.input, w.output, w.first_input, w.first_output}, ...
        {1, 1, struct('vector', 3, 'path', 0, 'slot', 0), struct('vector', 1, 'path', 0, 'slot', 0)});
[in_delay, out_delay] = zebfir.Filter().group_delay();
assert([in_delay, out_delay], [10, 10]);

% A deleted filter is refused, whoever holds it.
h = g;
delete(g);
try
  h.process(1);
  error('no error');
catch err
  assert({err.identifier, err.message}, {'zebfir:handle', 'invalid filter handle: the filter was deleted'});
end
confirm_recursive_rmdir(false, 'local');
rmdir(dir, 's');
disp('zebfir Octave tests passed');
