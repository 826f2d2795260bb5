"""Which search runs: the window's random trials up to 100 observations, the periodogram's above,
either on request, and the result says which."""

import numpy as np
import pytest

import harmora


def tones(n, seed=3):
    rng = np.random.default_rng(seed)
    x = np.sort(rng.uniform(0, 0.2 * n, n))
    return x, 4 + 2 * np.sin(0.9 * x + 0.3) + 0.7 * np.sin(2.7 * x + 1) + 0.1 * rng.standard_normal(n)


@pytest.mark.parametrize("n,ran", [(100, "random"), (101, "periodogram")])
def test_auto_repeats_the_search_it_names(n, ran):
    x, y = tones(n)
    default = harmora.fit(x, y, harmonics=2, seed=5)
    named = harmora.fit(x, y, harmonics=2, seed=5, search=ran)
    assert default["search"] == named["search"] == ran
    assert np.array_equal(default["model1"]["B"], named["model1"]["B"])
    many = harmora.fit_many(x, np.vstack([y, y[::-1]]), harmonics=2, seed=5, search="random")
    assert list(many["search"]) == ["random", "random"]


def test_an_unknown_search_is_refused():
    with pytest.raises(ValueError, match="search"):
        harmora.fit(*tones(50), search="grid")
