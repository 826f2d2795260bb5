"""Harmonic regression by Harmora's engine: a global search without start values, then an
optional least-squares refinement with standard errors and 95 % intervals.

    import numpy as np, harmora
    x = np.arange(24.0)
    y = 2 + np.sin(2 * np.pi * x / 12 + 1) + 0.1 * np.random.randn(24)
    r = harmora.fit(x, y, harmonics=1, seed=7)
    r.refined.model1.period, r.refined.model1.period_se, r.refined.model1.constant

Capacity: up to ``capacity`` observations per series (more raise ValueError); a fit's time and
memory grow in proportion to the count.

Both models are fitted: model1 is c0 + S(x), S(x) = sum_k A_k sin(B_k x + C_k), fitted to y,
model2 is (c0 + S(x))^2 (fitted to sqrt(max(y, 0))). ``period`` is 2*pi/B. The constant c0 is
fitted by default, as most series have a level; constant=False fits S alone (the window's model),
and warns where a harmonic then stands in for a level.
"""

import datetime as _datetime
import random as _random
import warnings as _warnings

import numpy as _np

from . import _harmora
from ._fitted import FitMethods as _FitMethods
from ._inputs import frame_series as _frame_series
from ._inputs import warn_level as _warn_level
from ._spectral import periodogram

__version__ = _harmora.__version__
capacity = _harmora.capacity

__all__ = ["fit", "fit_many", "compare_counts", "periodogram", "plot", "Result", "FitResult", "capacity", "__version__"]


class Result(dict):
    """A result with its fields as attributes as well as keys (like SciPy's OptimizeResult)."""

    def __getattr__(self, name):
        try:
            return self[name]
        except KeyError:
            raise AttributeError(name) from None

    def __dir__(self):
        return [key for key in self.keys() if not key.startswith("_")] + [
            name for name in dir(type(self)) if not name.startswith("_")]

    def __repr__(self):
        # As SciPy's OptimizeResult: one line per field, nested results indented under theirs.
        if not self:
            return "Result()"
        # Keys starting with "_" hold what predict needs and are left out.
        keys = sorted(key for key in self.keys() if not key.startswith("_"))
        width = max(map(len, keys), default=0)
        lines = []
        for key in keys:
            value = self[key]
            text = repr(value).replace("\n", "\n" + " " * (width + 2))
            if isinstance(value, Result):
                text = "\n" + " " * (width + 2) + text
            lines.append(key.rjust(width) + ": " + text)
        return "\n".join(lines)


class FitResult(_FitMethods, Result):
    """fit's and fit_many's result: a Result with predict, report, plot and a notebook table."""


def _wrap(value):
    if isinstance(value, dict):
        return Result({k: _wrap(v) for k, v in value.items()})
    return value


def _stage_seeds(seed):
    """(s1, s2) from an int S (meaning S, S+1 as `harmora-fit --seed S`) or a pair (S1, S2)."""
    pair = (seed, (seed + 1) % 2**32) if isinstance(seed, (int, _np.integer)) else tuple(seed)
    if len(pair) != 2 or not all(isinstance(s, (int, _np.integer)) for s in pair):
        raise TypeError("seed must be an int or a pair of ints (s1, s2)")
    if not all(0 <= s < 2**32 for s in pair):
        raise ValueError("each seed must be 0 to 4294967295")
    return int(pair[0]), int(pair[1])


def _check(harmonics, depth, min_period):
    if not 1 <= harmonics <= 5:
        raise ValueError("harmonics must be 1 to 5")
    if depth < 1:
        raise ValueError("depth must be positive")
    return 0.0 if min_period is None else float(min_period)


def _budget(refine_budget):
    if refine_budget is None:
        return 0.0  # the engine's default
    budget = float(refine_budget)
    if not 0 < budget <= 1000:
        raise ValueError("refine_budget must be above 0 and at most 1000")
    return budget


def _periods(periods):
    """The known periods as a list of positive finite floats (at most 5)."""
    if periods is None:
        return []
    values = [float(p) for p in _np.atleast_1d(_np.asarray(periods, dtype=float))]
    if len(values) > 5 or not all(_np.isfinite(p) and p > 0 for p in values):
        raise ValueError("periods must be at most 5 positive finite numbers")
    return values


def _sigma(sigma, shape):
    """(one sigma for all, per-observation sigma shaped `shape` or empty) from sigma as given."""
    if sigma is None:
        return 0.0, _np.empty((0,) * len(shape))
    if _np.ndim(sigma) == 0:
        value = float(sigma)
        if not (_np.isfinite(value) and value > 0):
            raise ValueError("sigma must be positive and finite")
        return value, _np.empty((0,) * len(shape))
    values = _floats(sigma)
    try:
        return 0.0, _np.ascontiguousarray(_np.broadcast_to(values, shape))
    except ValueError:
        raise ValueError(f"sigma of shape {values.shape} does not fit the data's {shape}") from None


def _nullable(values):
    """Whether values are pandas' numbers with pd.NA (Int64, Float64: read_csv's nullable types)."""
    dtype = getattr(values, "dtype", None)
    return (dtype is not None and not isinstance(dtype, _np.dtype) and hasattr(values, "to_numpy")
            and getattr(dtype, "kind", "O") in "iuf")


def _floats(values):
    """Values as floats, a masked array's masked values (netCDF4's fill values) and pandas' NA
    as NaN."""
    if _np.ma.isMaskedArray(values):
        return _np.ma.filled(values.astype(float), _np.nan)
    if _nullable(values):
        return values.to_numpy(dtype=float, na_value=_np.nan)
    return _np.asarray(values, dtype=float)


def _abscissae(values, origin=None):
    """x as floats, and their units where they were dates (datetime64, as pandas and xarray hold
    time): days since 00:00 of the first date, as harmora-fit --table reads a date column (a float
    of nanoseconds since 1970 would make every period some 1e16). NaT becomes NaN. Zone-aware
    pandas dates count as their instants in UTC (wall clocks jump at daylight saving); Python
    dates and datetimes count as datetime64, pandas' periods (PeriodIndex) as their first
    instants, and text as numbers or else as ISO 8601 dates. Durations (timedelta64) are days,
    and cftime's dates (climate models' calendars: noleap, 360_day) days in their calendar.
    origin: the date x = 0 stands for, where it is not the first date's 00:00 (new x read as a
    fit read its own)."""
    if getattr(getattr(values, "dtype", None), "tz", None) is not None:
        values = values.dt.tz_convert(None) if hasattr(values, "dt") else values.tz_convert(None)
    if str(getattr(values, "dtype", "")).startswith("period"):
        values = values.dt.to_timestamp() if hasattr(values, "dt") else values.to_timestamp()
    if (_np.ma.isMaskedArray(values) and values.dtype.kind in "iuf") or _nullable(values):
        return _floats(values), None
    values = _np.asarray(values)
    if values.dtype == object and values.size:
        first = values.flat[0]
        if isinstance(first, _datetime.date):
            values = values.astype("datetime64[ns]")
        elif isinstance(first, _datetime.timedelta):
            values = values.astype("timedelta64[ns]")
        elif hasattr(first, "calendar") and hasattr(first, "year"):  # cftime (xarray's CFTimeIndex)
            if origin is None:
                origin = min(values.flat).replace(hour=0, minute=0, second=0, microsecond=0)
            one = _datetime.timedelta(days=1)
            days = _np.array([(v - origin) / one for v in values.flat]).reshape(values.shape)
            return days, f"days since {origin.strftime('%Y-%m-%d')} ({first.calendar} calendar)"
        elif hasattr(first, "to_timestamp"):
            values = _np.array([v.to_timestamp() for v in values.flat]).astype("datetime64[ns]")
        elif isinstance(first, str):
            values = values.astype(str)
    if values.dtype.kind == "m":
        return _np.asarray(values / _np.timedelta64(1, "D"), dtype=float), "days"
    if values.dtype.kind in "US":
        try:
            return _np.asarray(values, dtype=float), None
        except ValueError:
            try:
                values = values.astype("datetime64[ns]")
            except ValueError:
                raise ValueError("x holds text that is neither numbers nor ISO 8601 dates "
                                 "(2024-03-01, 2024-03-01T12:00): read it with "
                                 "pandas.to_datetime(x, format=...) first") from None
    if values.dtype.kind != "M":
        return _np.asarray(values, dtype=float), None
    if origin is None:
        origin = _np.nanmin(values).astype("datetime64[D]")
    days = (values - origin) / _np.timedelta64(1, "D")
    return _np.asarray(days, dtype=float), "days since " + str(origin)


# The codes archives write for a missing value (as harmora-fit --table leaves them out).
_MISSING_CODES = (-9, -9.9, -9.99, -99, -99.9, -99.99, -999, -999.9, -999.99, -9999, -9999.9,
                  -99999, 999, 999.9, 9999, 99999, -32767, -32768, 32767, 1e20, -1e20, 1e30,
                  -1e30, 9.96921e36, 9.969209968386869e36)


def _warn_misreads(x, y):
    """Warns where the arrays look like a table read without its conventions: x of dates
    written as integers YYYYMM or YYYYMMDD (as numbers, December and January lie 89 apart), or
    a missing-value code in y (NOAA's -99.99) farther outside the other values than their range
    is wide. The data are fitted as given; harmora-fit --table reads such tables itself."""
    finite = x[_np.isfinite(x)]
    whole = finite.size >= 3 and _np.all(finite == _np.round(finite))
    if whole and _np.all(_np.diff(finite) >= 0):
        for digits, fmt, gap in ((6, "%Y%m", 89), (8, "%Y%m%d", 8870)):
            months = (finite // 10 ** (digits - 6)) % 100
            days = finite % 100 if digits == 8 else _np.ones_like(finite)
            sized = (finite >= 10 ** (digits - 1)) & (finite < 10 ** digits)
            dated = (months >= 1) & (months <= 12) & (days >= 1) & (days <= 31)
            if _np.all(sized & dated):
                _warnings.warn(f"x looks like dates written as integers ({int(finite[0])}, ...): "
                               f"as numbers, December and January lie {gap} apart; convert them "
                               f"first, e.g. pandas.to_datetime(x.astype(str), format='{fmt}')",
                               stacklevel=3)
                break
    values = y[_np.isfinite(y)]
    coded = _np.isin(values, _MISSING_CODES)
    others = values[~coded]
    if others.size >= 3 and coded.any():
        low, high = others.min(), others.max()
        reach = high - low
        far = values[coded & ((values < low - reach) | (values > high + reach))]
        if far.size:
            _warnings.warn(f"y holds {far[0]:g} {far.size} time(s), far outside the other values: "
                           f"a missing-value code? Set it to NaN to leave it out", stacklevel=3)


def _present(x, y, sigma):
    """x, y and per-observation sigma without the pairs a NaN marks as missing (as fit_many)."""
    keep = ~(_np.isnan(x) | _np.isnan(y))
    if sigma.size:
        keep &= ~_np.isnan(sigma)
    if keep.all():
        return x, y, sigma
    return x[keep], y[keep], sigma[keep] if sigma.size else sigma


def _models(models):
    """(model 1 wanted, model 2 wanted) from 1, 2 or a sequence of them."""
    numbers = {models} if isinstance(models, (int, _np.integer)) else set(models)
    if not numbers or not numbers <= {1, 2}:
        raise ValueError("models must be 1, 2 or (1, 2)")
    return [1 in numbers, 2 in numbers]


def _hac(errors):
    if errors not in ("ordinary", "hac"):
        raise ValueError('errors must be "ordinary" or "hac"')
    return errors == "hac"


def _note_correlation(result):
    """Notes and warns where a refined model's residuals follow one another: the ordinary
    intervals then assume an independence the data lack (too narrow where it is positive)."""
    if "refined" not in result:
        return
    for number in result.model_numbers():
        model = result["refined"][f"model{number}"]
        lag1 = _np.atleast_1d(model["lag1_autocorrelation"])
        large = _np.atleast_1d(model["_autocorrelated"])
        if not large.any():
            continue
        hac = model["errors"] == "hac"
        notes = [model["notes"]] if _np.ndim(model["lag1_autocorrelation"]) == 0 else model["notes"]
        dw = _np.atleast_1d(model["durbin_watson"])
        for i in _np.flatnonzero(large):
            notes[i].append(f"The residuals are autocorrelated (lag-1 {lag1[i]:.2f}, Durbin-Watson "
                            f"{dw[i]:.2f}): " + ("the errors are Newey-West's." if hac else
                                                 "the standard errors assume independent "
                                                 "residuals and are too small where it is "
                                                 'positive; errors="hac" allows for it.'))
        if not hac:
            where = f"{large.sum()} of {large.size} series: " if large.size > 1 else ""
            _warnings.warn(f"{where}model {number}'s residuals are autocorrelated (lag-1 "
                           f"{lag1[large][0]:.2f}): its standard errors are too small where "
                           f'that is positive; fit with errors="hac"', stacklevel=3)


def _squeeze(result):
    """The one-series result of the native layer with the series axis taken away."""
    out = {}
    for key, value in result.items():
        if isinstance(value, dict):
            out[key] = _squeeze(value)
        elif isinstance(value, _np.ndarray) and value.ndim >= 1:
            item = value[0]
            out[key] = item.item() if isinstance(item, _np.generic) else item
        elif isinstance(value, list):
            out[key] = value[0]
        else:
            out[key] = value
    return out


# The parameters fit, fit_many and compare_counts share, by name, for their docstrings.
_PARAMETERS = {
    "harmonics": """    harmonics : int
        N, 1 to 5: the harmonics of S.""",
    "depth": """    depth : int
        Random trials per harmonic of the search (the window offers 10000 to 998888).""",
    "min_period": """    min_period : float, optional
        The shortest period tried; None: twice the mean x spacing.""",
    "seed": """    seed : int or (int, int), optional
        None seeds from the clock; an int S gives the two stages the seeds S and S+1, a pair
        (S1, S2) those two, exactly as ``harmora-fit --seed S1,S2``: the same seeds give the
        same bits.""",
    "refine": """    refine : bool
        Also refine both models by least squares (standard errors, 95 % intervals, statistics).
        Terms, sigma and refine_budget imply it.""",
    "constant": """    constant : bool
        Fit the constant c0 (True, the default: most series have a level). False fits S alone,
        as the window does (fit and fit_many then warn where a harmonic stands in for a level).""",
    "trend": """    trend : bool
        Also fit the trend c1*x. The search runs on the data less the terms' least-squares
        estimate, the refinement fits them jointly with the harmonics.""",
    "sigma": """    sigma : float or array_like, optional
        The standard deviation of y, one number or one per observation: weighted least squares,
        with chi2 and reduced_chi2. As in scipy's curve_fit only the ratios count and the errors
        are scaled by the reduced chi2, unless absolute_sigma is True.""",
    "periods": """    periods : sequence of float, optional
        Known periods (x units, at most 5): harmonics at B = 2*pi/P, first in the arrays,
        fitted in amplitude and phase only (period_se 0); harmonics counts them.""",
    "absolute_sigma": """    absolute_sigma : bool
        The sigma are the errors in y's units: the covariance is not scaled.""",
    "search": """    search : {"auto", "random", "periodogram"}
        How the harmonics are found: the window's random trials, or the residual periodogram's
        peaks one harmonic at a time (its work grows with the data, the trials' does not).
        "auto", the default, takes the trials up to 100 observations and the periodogram above,
        as ``harmora-fit --search``; the result's search says which ran.""",
    "errors": """    errors : {"ordinary", "hac"}
        The refined models' standard errors, intervals, covariance and bands: "ordinary"
        (independent residuals, as harmora-fit gives them) or "hac", Newey-West's, which allow
        for residuals that follow one another (Bartlett weights over hac_lags lags, Andrews'
        AR(1) plug-in rule from the residuals' lag-1 autocorrelation: the lags grow with it).
        Either way the refined models carry lag1_autocorrelation and durbin_watson, and a note
        where the correlation is large.""",
    "models": """    models : 1, 2 or (1, 2)
        The models fitted: both (the default), or model 1 or model 2 alone, the other neither
        searched nor refined and not in the result (as ``harmora-fit --model 1``). The stage
        seeds are those of the fit of both.""",
    "refine_budget": """    refine_budget : float, optional
        The refinement's starts as a multiple of its default (above 0, at most 1000), as
        ``harmora-fit --refine-budget``: a longer search where a note says the best is "Not
        certain to be the least-squares optimum".""",
}


def _documented(*names):
    """Puts the shared parameters' descriptions in place of {parameters} in the docstring."""
    def document(function):
        text = "\n".join(_PARAMETERS[name] for name in names)
        function.__doc__ = function.__doc__.replace("    {parameters}", text)
        return function
    return document


@_documented("harmonics", "depth", "min_period", "seed", "refine", "constant", "trend", "sigma",
             "periods", "absolute_sigma", "refine_budget", "search", "errors", "models")
def fit(x, y, *, harmonics=1, depth=10000, min_period=None, seed=None, refine=False,
        constant=True, trend=False, sigma=None, periods=None, absolute_sigma=False,
        progress=None, refine_budget=None, search="auto", errors="ordinary", models=(1, 2)):
    """Fits both models to one series.

    Parameters
    ----------
    x, y : array_like
        1-D, 4 to harmora.capacity numbers (sorted by x before fitting). NaN in x, y or sigma
        marks a missing observation, left out (count says how many pairs were fitted). x may
        hold dates (datetime64, pandas' with a zone, Python's datetime, ISO 8601 text), taken as
        days since 00:00 of the first, so periods are in days.
    {parameters}
    progress : callable, optional
        progress(stage, fraction), called from the engine: stage "search" on every improvement
        (fraction NaN), "refine" with the fraction done; returning False cancels. The search
        cannot be interrupted: a cancel during it skips the refinement.

    Returns
    -------
    FitResult
        model1 and model2 (the search's: arrays A, B, C, period of length N,
        relative_deviation, residual, with terms constant and trend), seeds (s1, s2),
        min_period, count, cancelled, and after a refinement ``refined.model1`` and
        ``refined.model2``: A, B, C, period with their _se, _lower and _upper (95 %, NaN where
        undetermined), constant and trend likewise, r2, adjusted_r2, rmse, sse, aic, bic, df,
        starts, hits, termination (how the refinement ended, as harmora-fit says it),
        false_alarm (of the data's strongest periodogram peak), harmonic_false_alarm (per
        harmonic, against the fit without it), unbounded (per harmonic: True where the sum of
        squares has no finite minimum and its amplitude grows without bound; its A, B, C and
        period are then NaN, predict still draws the fitted curve), notes (harmora-fit's
        "Note:" sentences) and the
        covariance with its parameter names. predict, report, plot and a notebook table are
        its methods. The GIL is released while the engine runs; Ctrl-C stops it and raises
        KeyboardInterrupt once the current search, which cannot be interrupted, has ended.

    Warns
    -----
    UserWarning
        With constant=False, where a harmonic completes less than half a cycle over the data
        (it fits a level); where x looks like dates written as integers or y holds a
        missing-value code.
    """
    min_period = _check(harmonics, depth, min_period)
    x, units = _abscissae(x)
    y = _floats(y)
    if x.ndim != 1 or x.shape != y.shape:
        raise ValueError("x and y must be 1-D arrays of equal length")
    if x.size > capacity:
        raise ValueError(f"at most {capacity} observations can be fitted, not {x.size}")
    seeds = None if seed is None else _stage_seeds(seed)
    periods = _periods(periods)
    sigma_value, sigma = _sigma(sigma, x.shape)
    _warn_misreads(x, y)
    x, y, sigma = _present(x, y, sigma)
    budget = _budget(refine_budget)
    refine = bool(refine or constant or trend or periods or sigma_value or sigma.size or budget)
    raw = _harmora.fit_one(x, y, harmonics, depth, min_period, seeds, refine, bool(constant),
                           bool(trend), periods, sigma_value, sigma, bool(absolute_sigma),
                           progress, budget, str(search), _hac(errors), _models(models))
    out = FitResult(_wrap(_squeeze(raw)))
    _note_correlation(out)
    out["seeds"] = tuple(int(s) for s in raw["seeds"][0])
    if units:
        out["x_units"] = units
    if not constant:
        _warn_level(out, x, len(periods))
    return out


@_documented("harmonics", "depth", "min_period", "seed", "refine", "constant", "trend", "sigma",
             "periods", "absolute_sigma", "refine_budget", "search", "errors", "models")
def fit_many(x, Y=None, *, harmonics=1, depth=10000, min_period=None, seed=None, refine=False,
             constant=True, trend=False, sigma=None, periods=None, absolute_sigma=False,
             threads=0, progress=None, refine_budget=None, search="auto", errors="ordinary",
             models=(1, 2), _cancel=None):
    """Fits every row of Y (series x observations) against the shared x, on all cores.

    Parameters
    ----------
    x : array_like or str or None
        The shared abscissae (as for fit: dates become days). With a DataFrame as Y: a column
        name (that column is x) or None (the index is x); ``fit_many(df)`` takes the index.
    Y : array_like or pandas.DataFrame
        2-D, one series per row (1-D: one series). A DataFrame's numeric columns are the series,
        in column order, and the result's ``series`` lists their names. NaN marks a missing
        observation: that pair is left out of that series; a series with fewer than 4 pairs left
        is not fitted (fitted[i] False, error[i] says why, NaN values). sigma may be shaped as
        Y (NaN: missing).
    {parameters}
    threads : int
        Worker threads; 0 uses every core.
    progress : callable, optional
        progress("series", fraction done); returning False stops after the series being fitted.

    Returns
    -------
    FitResult
        The names of fit's result with arrays of shape (series, harmonics) for the per-harmonic
        values and (series,) for the rest, seeds of shape (series, 2), fitted, error, and with a
        DataFrame series. Deterministic per series: with seed (S1, S2) (an int S means
        (S, S+1)) series i is fitted with the stage seeds (S1 + 2i, S2 + 2i) modulo 2**32,
        whatever the threads, so ``fit(x, Y[i], seed=tuple(r.seeds[i]))`` gives the same
        numbers; seed=None draws S1 at random.

    Warns
    -----
    UserWarning
        With constant=False, where harmonics stand in for the series' levels (how many series).
    """
    x, Y, names = _frame_series(x, Y)
    min_period = _check(harmonics, depth, min_period)
    x, units = _abscissae(x)
    Y = _floats(Y)
    if Y.ndim == 1:
        Y = Y[_np.newaxis, :]
    if x.ndim != 1 or Y.ndim != 2 or Y.shape[1] != x.size:
        raise ValueError("x must be 1-D and Y 2-D (series x observations) with len(x) columns")
    if x.size > capacity:
        raise ValueError(f"at most {capacity} observations per series can be fitted, not {x.size}")
    seeds = _stage_seeds(_random.SystemRandom().getrandbits(32) if seed is None else seed)
    periods = _periods(periods)
    sigma_value, sigma = _sigma(sigma, Y.shape)
    budget = _budget(refine_budget)
    refine = bool(refine or constant or trend or periods or sigma_value or sigma.size or budget)
    raw = _harmora.fit_many(x, Y, harmonics, depth, min_period, seeds, refine, bool(constant),
                            bool(trend), periods, sigma_value, sigma, bool(absolute_sigma),
                            int(threads), progress, budget, str(search), _hac(errors),
                            _models(models), _cancel)
    out = FitResult(_wrap(raw))
    _note_correlation(out)
    if units:
        out["x_units"] = units
    if names is not None:
        out["series"] = names
    if not constant:
        _warn_level(out, x, len(periods))
    return out


@_documented("harmonics", "depth", "min_period", "seed", "constant", "trend", "sigma",
             "absolute_sigma", "refine_budget", "models")
def compare_counts(x, y, *, harmonics=5, depth=10000, min_period=None, seed=None,
                   constant=True, trend=False, sigma=None, absolute_sigma=False,
                   refine_budget=None, models=(1, 2)):
    """How many harmonics one series supports, as ``harmora-fit --compare-counts`` says it.

    Fits and refines both models with 1, 2, ... harmonics (up to harmonics, while the parameters
    stay fewer than the observations), each with the same seeds, terms and weights, and compares
    each N with N - 1.

    Parameters
    ----------
    x, y : array_like
        One series, as for fit.
    {parameters}

    Returns
    -------
    dict
        {"model1": ..., "model2": ...} (the models fitted), each a dict of arrays over N: harmonics, sse (the
        objective; chi2 when weighted), bic, df, f_test_p (the F test as if the new harmonic's
        frequency had been known: too small for a searched one) and false_alarm (the chance
        that noise explains as much with a sinusoid anywhere in the band: the one to trust), and
        recommended: the N of least BIC among those whose last harmonic has a false-alarm
        probability of at most 1 % (0 when none has).
    """
    min_period = _check(harmonics, depth, min_period)
    x = _abscissae(x)[0]
    y = _floats(y)
    if x.ndim != 1 or x.shape != y.shape:
        raise ValueError("x and y must be 1-D arrays of equal length")
    seeds = None if seed is None else _stage_seeds(seed)
    sigma_value, sigma = _sigma(sigma, x.shape)
    x, y, sigma = _present(x, y, sigma)
    return _harmora.compare_counts(x, y, harmonics, depth, min_period, seeds, bool(constant),
                                   bool(trend), sigma_value, sigma, bool(absolute_sigma),
                                   _budget(refine_budget), _models(models))


def plot(result, x, y, **options):
    """Draws a fit: harmora.plot(result, x, y) is result.plot(x, y) (see FitResult.plot)."""
    return result.plot(x, y, **options)


def __getattr__(name):
    # harmora.dask and harmora.xarray import Dask and xarray only when used.
    if name in ("dask", "xarray"):
        import importlib

        return importlib.import_module("." + name, __name__)
    raise AttributeError(name)
