"""What a fit's result does with its model: values and bands at new x (predict), the report's
text, a table for notebooks and a figure. Mixed into the results fit and fit_many return."""

import html as _html

import numpy as _np

from . import _harmora


def _origin(units):
    """The date x = 0 stands for, from the units the fit read x in ("days since 2000-01-01",
    with a cftime calendar in brackets), or None where x was not dates."""
    if not units or not units.startswith("days since "):
        return None
    day, _, calendar = units[len("days since "):].partition(" (")
    if calendar:
        import cftime

        year, month, date = (int(part) for part in day.split("-"))
        return cftime.datetime(year, month, date, calendar=calendar.split(" ")[0])
    return _np.datetime64(day, "D")


def _abscissae_as_fitted(result, x):
    """New x read as the fit read its x: dates as days since the same origin."""
    from . import _abscissae

    units = result.get("x_units")
    days, _ = _abscissae(x, origin=_origin(units))
    return _np.atleast_1d(_np.asarray(days, dtype=float))


def _series(model, series):
    """One series' part of a fit_many model dict (arrays sliced at `series`)."""
    if series is None:
        return dict(model)
    out = {}
    for key, value in model.items():
        if isinstance(value, _np.ndarray) and value.ndim >= 1:
            out[key] = value[series]
        elif isinstance(value, list):
            out[key] = value[series]
        else:
            out[key] = value
    return out


class FitMethods:
    """predict, report, plot and the notebook's table of a fit's result."""

    def model_numbers(self):
        """The models this result holds: (1, 2), or (1,) or (2,) for a fit with models= one."""
        return tuple(n for n in (1, 2) if f"model{n}" in self)

    def _model(self, model, refined):
        if model is None:
            model = self.model_numbers()[0]
        if model not in (1, 2):
            raise ValueError("model must be 1 (S) or 2 (S squared)")
        name = f"model{model}"
        if name not in self:
            raise ValueError(f"this result has no model {model}: fit with models=(1, 2)")
        if refined is None:
            refined = "refined" in self
        if refined and "refined" not in self:
            raise ValueError("this result has no refinement: fit with refine=True")
        return (self["refined"] if refined else self)[name], bool(refined), model

    def predict(self, x, *, model=None, band=None, sigma=None, refined=None, series=None):
        """The fitted model's values at x, and at `band` its confidence and prediction bands.

        Parameters
        ----------
        x : array_like
            Where to evaluate: numbers or dates, read as the fit read its x (dates as days since
            the same origin), so the phases are the fit's.
        model : {1, 2}, optional
            Model 1, c0 + c1*x + S(x), or model 2, its square; None: model 1, or the one model
            a fit with models= fitted.
        band : float, optional
            A level in (0, 1) such as 0.95: also return the band of the mean curve (the delta
            method over the refinement's covariance) and of one new observation (adding the
            residuals' variance), with Student's t at the fit's degrees of freedom. Model 2's
            bands are those of S taken through the square. NaN where a parameter is
            undetermined. Needs a refined result.
        sigma : float or array_like, optional
            For a weighted fit: the sigma of the new observations (as the fit's sigma), needed
            for the prediction band (NaN without).
        refined : bool, optional
            Evaluate the refined model (the default when there is one) or the search's.
        series : int or label, optional
            For fit_many's result: that series only (by number, or by its DataFrame column's
            name); None gives every series (rows).

        Returns
        -------
        numpy.ndarray or Result
            Without band the values (shape of x; (series, len(x)) for all of fit_many's
            series); with band a Result of mean, mean_ci_lower, mean_ci_upper, obs_ci_lower and
            obs_ci_upper (as statsmodels' summary_frame names them).
        """
        values = _abscissae_as_fitted(self, x)
        chosen, refined, model = self._model(model, refined)
        if series is not None and not isinstance(series, (int, _np.integer)):
            series = list(self.get("series", [])).index(series)
        if band is not None:
            band = float(band)
            if not 0 < band < 1:
                raise ValueError("band must lie between 0 and 1, e.g. 0.95")
            if not refined:
                raise ValueError("a band needs the refined model: fit with refine=True")
        new_sigma = None
        if sigma is not None:
            new_sigma = _np.ascontiguousarray(_np.broadcast_to(_np.asarray(sigma, float),
                                                               values.shape))
        many = _np.ndim(chosen["A"]) == 2
        rows = range(len(chosen["A"])) if many and series is None else [series]
        raw = [_harmora.curve_bands(_series(chosen, s), model - 1, values,
                                    band if band is not None else 0.0, new_sigma) for s in rows]
        stack = (lambda key: _np.stack([r[key] for r in raw])) if many and series is None \
            else (lambda key: raw[0][key])
        if band is None:
            return stack("value")
        from . import Result

        names = {"mean": "value", "mean_ci_lower": "mean_lower", "mean_ci_upper": "mean_upper",
                 "obs_ci_lower": "obs_lower", "obs_ci_upper": "obs_upper"}
        return Result({name: stack(key) for name, key in names.items()})

    def report(self):
        """The report harmora-fit writes for the same data and seeds, after its heading line.

        Returns
        -------
        str
            The search's report and, after a refinement, each refined model's figures,
            standard errors and notes ("Note: ..."), line by line.
        """
        if "_report" not in self:
            raise ValueError("a report is written for harmora.fit's result, one series")
        return self["_report"]

    def _repr_html_(self):
        """The notebook's table: per refined model its parameters with 95 % intervals, the
        figures, the notes and how the refinement ended (the search's values without one)."""
        if "_report" not in self:
            return None
        refined = "refined" in self
        source = self["refined"] if refined else self
        parts = [_model_table(source[f"model{n}"], n, refined) for n in self.model_numbers()]
        return "<div>" + "".join(parts) + "</div>"

    def plot(self, x, y, *, model=None, band=0.95, ax=None, xlabel=None, ylabel=None):
        """Draws the data, the fitted model(s) with their band and the residuals below
        (matplotlib, imported only here). See harmora.plot."""
        from ._plot import plot

        return plot(self, x, y, model=model, band=band, ax=ax, xlabel=xlabel, ylabel=ylabel)


def _cell(value):
    return "—" if value is None or not _np.isfinite(value) else f"{value:.6g}"


def _model_table(m, number, refined):
    """One model's parameters as an HTML table (value, standard error, 95 % interval)."""
    title = ("Least squares" if refined else "Search") + f", model {number}"
    rows = []
    names = [(f"{p}{k + 1}", p, k) for k in range(len(_np.atleast_1d(m["A"])))
             for p in ("A", "B", "C", "period")]
    names += [(t, t, None) for t in ("constant", "trend") if t in m]
    for label, key, k in names:
        pick = (lambda v: _np.atleast_1d(v)[k]) if k is not None else (lambda v: v)
        cells = [pick(m[key])]
        if refined and key + "_se" in m:
            cells += [pick(m[key + "_se"]), pick(m[key + "_lower"]), pick(m[key + "_upper"])]
        rows.append("<tr><th>" + label + "</th>" +
                    "".join(f"<td>{_cell(float(c))}</td>" for c in cells) + "</tr>")
    head = "<tr><th></th><th>value</th>" + (
        "<th>std. error</th><th>95 % lower</th><th>95 % upper</th>" if refined else "") + "</tr>"
    figures = ""
    if refined:
        figures = (f"<p>R² {_cell(m['r2'])}, RMSE {_cell(m['rmse'])}, df {m['df']}, "
                   f"false alarm {_cell(m['false_alarm'])}; "
                   f"termination: {_html.escape(m['termination'])}</p>")
        figures += "".join(f"<p>Note: {_html.escape(n)}</p>" for n in m["notes"])
    return (f"<h4>{title}</h4><table>{head}{''.join(rows)}</table>{figures}")
