"""Figures of a fit with matplotlib, an optional dependency imported only when drawing."""

import numpy as _np


def _label(values, given, fallback):
    """An axis label: the one given, else a pandas Series' or Index's name, else fallback."""
    if given is not None:
        return given
    name = getattr(values, "name", None)
    return str(name) if name is not None else fallback


def _dates(x):
    """x as datetime64 where it holds dates (so matplotlib draws dates), else None."""
    values = _np.asarray(x)
    if values.dtype.kind == "M":
        return values
    if getattr(getattr(x, "dtype", None), "tz", None) is not None:
        return _np.asarray(x.tz_convert(None) if hasattr(x, "tz_convert") else x.dt.tz_convert(None),
                           dtype="datetime64[ns]")
    return None


def _curve_x(result, x, points=600):
    """A fine grid over the data's x, as numbers and, for dates, as dates."""
    from ._fitted import _abscissae_as_fitted, _origin

    days = _abscissae_as_fitted(result, x)
    grid = _np.linspace(_np.nanmin(days), _np.nanmax(days), points)
    origin = _origin(result.get("x_units"))
    if isinstance(origin, _np.datetime64) and _dates(x) is not None:
        shown = origin + (grid * 86400e9).astype("timedelta64[ns]")
        return grid, shown, days
    return grid, grid, days


def plot(result, x, y, *, model=None, band=0.95, ax=None, xlabel=None, ylabel=None):
    """Draws the data, the fitted model(s) and the band, and the residuals in a panel below.

    Parameters
    ----------
    result : FitResult
        harmora.fit's result for these data.
    x, y : array_like
        The data fitted (pandas' names become the axis labels, dates are drawn as dates).
    model : {None, 1, 2}
        Which model to draw; None draws both (the band and residuals then of model 1).
    band : float or None
        The level of the bands drawn (the mean curve's and a new observation's) where the
        result is refined; None draws none.
    ax : pair of matplotlib Axes, optional
        Where to draw (the fit's and the residuals'); a new figure when None.
    xlabel, ylabel : str, optional
        The axis labels, else the data's names.

    Returns
    -------
    matplotlib.figure.Figure
    """
    import matplotlib.pyplot as plt

    if ax is None:
        figure, ax = plt.subplots(2, 1, sharex=True, figsize=(8, 5),
                                  gridspec_kw={"height_ratios": [3, 1]})
    top, bottom = ax
    grid, shown, days = _curve_x(result, x)
    data_x = _dates(x) if _dates(x) is not None else days
    values = _np.asarray(y, dtype=float)
    top.plot(data_x, values, "o", ms=3, color="0.3", label="data")
    models = result.model_numbers() if model is None else (model,)
    refined = "refined" in result
    for number in models:
        curve = result.predict(grid, model=number)
        top.plot(shown, curve, label=f"model {number}")
    first = models[0]
    if band is not None and refined:
        b = result.predict(grid, model=first, band=band)
        top.fill_between(shown, b.obs_ci_lower, b.obs_ci_upper, alpha=0.15,
                         label=f"{band:.0%} new observation")
        top.fill_between(shown, b.mean_ci_lower, b.mean_ci_upper, alpha=0.35,
                         label=f"{band:.0%} mean")
    bottom.plot(data_x, values - result.predict(days, model=first), "o", ms=3, color="0.3")
    bottom.axhline(0, color="0.6", lw=0.8)
    top.set_ylabel(_label(y, ylabel, "y"))
    bottom.set_ylabel("residual")
    bottom.set_xlabel(_label(x, xlabel, result.get("x_units") or "x"))
    top.legend(fontsize="small")
    return top.figure


def plot_periodogram(spectrum, ax=None):
    """Draws harmora.periodogram's power against the period with its false-alarm levels."""
    import matplotlib.pyplot as plt

    if ax is None:
        _, ax = plt.subplots(figsize=(8, 3))
    ax.plot(spectrum.period, spectrum.power, lw=0.8)
    for probability, level in zip(spectrum.probabilities, spectrum.levels):
        ax.axhline(level, ls="--", lw=0.7, color="0.5")
        ax.annotate(f"FAP {probability:g}", (spectrum.period.max(), level), fontsize="x-small",
                    ha="right", va="bottom")
    ax.set_xscale("log")
    ax.set_xlabel("period")
    ax.set_ylabel("power (share of variance)")
    return ax.figure
