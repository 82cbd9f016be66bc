"""Exceptions of the package."""


class Error(Exception):
    """Base of every zebfir exception."""


class ConfigError(Error, ValueError):
    """A configuration was refused: by the model (its own text) or while
    reading the fields (the text zeb-fir gives for the same mistake)."""


class ModelError(Error, RuntimeError):
    """A running model refused a call; the text is the model's message,
    "<name> ERROR: <text>"."""
