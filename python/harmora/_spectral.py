"""The periodogram a fit's search and trust judgement start from, for a user to look at."""

import numpy as _np

from . import _harmora


def periodogram(x, y, *, min_period=None, max_period=None, oversample=5, sigma=None,
                probabilities=(0.1, 0.05, 0.01)):
    """The generalised (floating-mean) periodogram of one series, with false-alarm levels.

    Parameters
    ----------
    x, y : array_like
        The series as harmora.fit takes it (dates as days since 00:00 of the first; NaN pairs
        left out).
    min_period : float, optional
        The shortest period, as for harmora.fit: twice the mean x spacing when None.
    max_period : float, optional
        The longest period drawn; the data's span when None.
    oversample : float
        Frequencies per resolution 2*pi/span (5: five points per peak width).
    sigma : float or array_like, optional
        The standard deviations of y: a weighted periodogram (weights 1/sigma^2).
    probabilities : sequence of float
        The false-alarm probabilities whose power levels are returned.

    Returns
    -------
    Result
        frequency (angular, B in sin(Bx + C)), period (2*pi/frequency), power (the share of
        the sum of squares about the mean one sinusoid explains at each frequency, 0..1),
        probabilities and levels (the power at which the strongest peak would have each
        false-alarm probability, Baluev's approximation as the fit's notes use it), and
        false_alarm, the probability of the strongest peak. ``Result.plot()`` draws it.
    """
    from . import _abscissae, _floats

    x = _abscissae(x)[0]
    y = _floats(y)
    weights = None
    keep = _np.isfinite(x) & _np.isfinite(y)
    if sigma is not None:
        s = _np.broadcast_to(_np.asarray(sigma, dtype=float), x.shape)
        keep &= _np.isfinite(s)
        weights = _np.ascontiguousarray(1 / s[keep] ** 2)
    x, y = _np.ascontiguousarray(x[keep]), _np.ascontiguousarray(y[keep])
    if x.size < 4:
        raise ValueError("a periodogram needs at least 4 observations")
    span = x.max() - x.min()
    if not span > 0:
        raise ValueError("x must not be constant")
    low = 2 * span / (x.size - 1) if min_period is None else float(min_period)
    step = 2 * _np.pi / span / float(oversample)
    top = 2 * _np.pi / low
    size = max(1, int(top / step))
    raw = _harmora.periodogram(x, y, weights, step, size, [float(p) for p in probabilities])
    frequency = step * _np.arange(1, size + 1)
    keep = frequency >= (2 * _np.pi / float(max_period) if max_period else 0)
    return _Spectrum(frequency=frequency[keep], period=2 * _np.pi / frequency[keep],
                     power=raw["power"][keep], probabilities=_np.asarray(probabilities, float),
                     levels=raw["levels"], false_alarm=raw["false_alarm"])


class _Spectrum(dict):
    """A periodogram: its fields as keys and attributes, and plot()."""

    __getattr__ = dict.__getitem__

    def plot(self, ax=None):
        """Draws the power against the period with the false-alarm levels (matplotlib)."""
        from ._plot import plot_periodogram

        return plot_periodogram(self, ax=ax)
