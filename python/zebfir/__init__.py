"""The bit-accurate FIR filter model (libzeb_fir_v7_1) from NumPy.

    import numpy as np, zebfir
    with zebfir.Filter(filter_type="decimation", decimation_rate=2) as f:
        y = f.process(np.arange(16.0))

The shared library is the one named by the ZEBFIR_LIBRARY environment
variable, else the copy installed with the package, else the one found by
the system's loader.  Messages other than errors go to the logging module
(logger "zebfir"); errors raise ConfigError or ModelError with the model's
own text (InputError, a ModelError, names a wrong shape or sample); a
strict filter raises WrapError when a sample or a coefficient wraps.
"""
from ._clib import LIBRARY_PATH, lib
from .errors import ConfigError, Error, InputError, ModelError, WrapError
from .filter import Filter
from .inspection import GroupDelay, Info, Position, WrapCounts
from .response import Response, output_nyquist, plot_response, response

# The package's version is that of the library it carries.
library_version = lib.get_version().decode()
__version__ = library_version

__all__ = ["Filter", "Error", "ConfigError", "ModelError", "InputError", "WrapError", "Info", "GroupDelay",
           "Position", "WrapCounts", "Response", "response", "plot_response",
           "output_nyquist", "LIBRARY_PATH", "library_version"]
