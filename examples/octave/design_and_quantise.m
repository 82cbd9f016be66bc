% Designs a low-pass filter with fir1, runs an impulse through the model with
% 16-bit and with 12-bit coefficients, and saves both magnitude responses.
%   octave --no-gui --eval "addpath('<prefix>/share/zeb_fir_v7_1/octave'); run('design_and_quantise.m')"
% figure_file, when set before, names the image (default design_and_quantise.png).
pkg load signal
if ! exist ('figure_file', 'var')
  figure_file = 'design_and_quantise.png';
end
taps = fir1 (46, 0.2);                    % 47 taps, cut-off at 0.2 of Nyquist
impulse = [1; zeros(255, 1)];
toolkits = available_graphics_toolkits ();
if any (strcmp (toolkits, 'gnuplot'))
  graphics_toolkit ('gnuplot');           % draws without a display
end
figure ('visible', 'off');
hold on;
for bits = [16 12]
  f = zebfir.Filter ('coeff', taps, 'coeff_width', bits, 'quantization', 'maximize_dynamic_range');
  h = f.process (impulse * 2 ^ -f.info ().data_fract_width);   % one input LSB
  [response, w] = freqz (h / sum (h), 1, 1024);
  plot (w / pi, 20 * log10 (abs (response) + eps), 'DisplayName', sprintf ('%d-bit coefficients', bits));
  printf ('%d-bit coefficients: stop-band peak %.1f dB\n', bits, 20 * log10 (max (abs (response(w / pi > 0.3)))));
end
xlabel ('frequency (x Nyquist)');
ylabel ('magnitude (dB)');
legend ('show');
grid on;
print (figure_file, '-dpng');
printf ('saved %s\n', figure_file);
