"""What a user looks at: the report (harmora-fit's own), the notebook's table, the figure and
the periodogram."""

import os
import subprocess

import numpy as np
import pytest

import harmora

TOOL = os.environ.get("HARMORA_FIT", "harmora-fit")


def tone(n=48, noise=0.3, seed=2):
    rng = np.random.default_rng(seed)
    x = np.arange(n, dtype=float)
    return x, 1 + np.sin(2 * np.pi * x / 12 + 0.5) + noise * rng.standard_normal(n)


def test_report_is_harmora_fits(tmp_path):
    x, y = tone()
    path = tmp_path / "tone.txt"
    path.write_text("".join(f"{a!r} {b!r}\n" for a, b in zip(x, y)))
    args = [TOOL, "--seed", "4,5", "--constant", str(path)]
    text = subprocess.run(args, capture_output=True, check=True, timeout=120, text=True).stdout
    r = harmora.fit(x, y, seed=4)
    assert r.report() == text.split("\n", 1)[1]
    html = r._repr_html_()
    assert "Least squares, model 1" in html and "<table>" in html


def test_periodogram_finds_the_period_and_says_how_sure():
    x, y = tone()
    s = harmora.periodogram(x, y)
    assert s.period[np.argmax(s.power)] == pytest.approx(12, rel=0.03)
    assert np.all(np.diff(s.levels) > 0) and s.false_alarm < 1e-6
    assert s.power.max() > s.levels[-1]
    weighted = harmora.periodogram(x, y, sigma=0.3)
    np.testing.assert_allclose(weighted.power, s.power, rtol=1e-9)
    noise = harmora.periodogram(x, np.random.default_rng(8).standard_normal(x.size))
    assert noise.false_alarm > 0.01 and noise.power.max() < noise.levels[-1]


def test_plot_draws_dates_and_the_band():
    pytest.importorskip("matplotlib")
    import matplotlib

    matplotlib.use("Agg")
    pd = pytest.importorskip("pandas")
    x, y = tone()
    dates = pd.Series(pd.date_range("2020-01-01", periods=x.size, freq="MS"), name="month")
    values = pd.Series(y, name="level")
    r = harmora.fit(dates, values, seed=4)
    figure = harmora.plot(r, dates, values)
    top, bottom = figure.axes
    assert top.get_ylabel() == "level" and bottom.get_xlabel() == "month"
    assert len(top.collections) == 2  # the two bands
    assert harmora.periodogram(dates, values).plot().axes
