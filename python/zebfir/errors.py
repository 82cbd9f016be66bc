"""Exceptions of the package."""


class Error(Exception):
    """Base of every zebfir exception."""


class ConfigError(Error, ValueError):
    """A configuration was refused: by the model (its own text) or while
    reading the fields (the text zeb-fir gives for the same mistake); also
    a configuration or reload packet whose numbers the C record cannot hold."""


class ModelError(Error, RuntimeError):
    """A running model refused a call; the text is the model's message,
    "<name> ERROR: <text>"."""


class InputError(ModelError, ValueError):
    """Samples refused with a text naming the wrong shape or the sample that
    is not a finite double.  A ModelError, as the model's own refusal of
    them was (code written for that still catches it), and a ValueError."""


class WrapError(Error):
    """A strict filter wrapped a sample or a coefficient.  The text names the
    first wrap of each kind; counts holds the filter's WrapCounts and output
    what the call would have returned (None for a call that returns nothing)."""

    def __init__(self, text, counts, output=None):
        super().__init__(text)
        self.counts = counts
        self.output = output
