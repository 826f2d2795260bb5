"""What fit_many reads from a pandas DataFrame, and the warning for a level fitted by a
harmonic where the model has no constant."""

import warnings as _warnings

import numpy as _np


def _numeric(column):
    """Whether a column holds numbers (NumPy's or pandas' nullable ones), not dates or flags."""
    return getattr(column.dtype, "kind", "O") in "iuf"


def frame_series(x, Y):
    """(x, Y, names) with a DataFrame's numeric columns as the series (rows of Y) and names their
    labels; x and Y unchanged and names None where no DataFrame was given.

    fit_many(df): the index is x; fit_many("t", df): column t is x; fit_many(x, df): x as given.
    """
    if Y is None:
        if not hasattr(x, "columns"):
            raise TypeError("fit_many(x, Y) needs Y, or a DataFrame as its only argument")
        x, Y = None, x
    if not hasattr(Y, "columns"):
        return x, Y, None
    if x is None:
        x = Y.index
    elif isinstance(x, str) or (_np.ndim(x) == 0 and x in Y.columns):
        if x not in Y.columns:
            raise ValueError(f"the DataFrame has no column {x!r} for x")
        x, Y = Y[x], Y.drop(columns=[x])
    names = [name for name in Y.columns if _numeric(Y[name])]
    if not names:
        raise ValueError("the DataFrame has no column of numbers to fit")
    from . import _floats

    rows = _np.stack([_floats(Y[name]) for name in names])
    return x, rows, names


def _slow(model, span, fixed):
    """Per series, the (harmonic number, period) of the first harmonic with an amplitude that
    completes less than half a cycle over the data, or None."""
    # A refined model's A and B are NaN where a harmonic is unbounded: the fitted ones judge.
    A = _np.atleast_2d(model["_A"] if "_A" in model else model["A"])
    B = _np.abs(_np.atleast_2d(model["_B"] if "_B" in model else model["B"]))
    out = []
    for a, b in zip(A, B):
        found = [(k + 1, 2 * _np.pi / b[k] if b[k] > 0 else _np.inf)
                 for k in range(fixed, b.size) if a[k] != 0 and b[k] * span < _np.pi]
        out.append(found[0] if found else None)
    return out


def warn_level(result, x, fixed, stacklevel=3):
    """Warns where a fit without a constant parks a harmonic near zero frequency: it then stands in
    for the data's level (or a trend) and the cycles are not what was fitted. The refined model is
    judged where there is one, else the search's; harmonics at known periods are not."""
    finite = _np.asarray(x, dtype=float)
    finite = finite[_np.isfinite(finite)]
    span = finite.max() - finite.min() if finite.size else 0.0
    if not span > 0:
        return
    source = result["refined"] if "refined" in result else result
    for number in result.model_numbers():
        slow = _slow(source[f"model{number}"], span, fixed)
        hits = [s for s in slow if s is not None]
        if not hits:
            continue
        harmonic, period = hits[0]
        where = (f"{len(hits)} of {len(slow)} series: " if len(slow) > 1 else "")
        _warnings.warn(f"{where}model {number}'s harmonic {harmonic} (period {period:.4g}) "
                       f"completes less than half a cycle over the data (x spans {span:.4g}): "
                       f"it stands in for a level the model without a constant cannot carry; "
                       f"fit with constant=True (the default) to see the cycles",
                       stacklevel=stacklevel)
        return
