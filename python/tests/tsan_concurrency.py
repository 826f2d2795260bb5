"""Run by scripts/tsan with the module built under ThreadSanitizer (not by pytest): eight Python
threads call fit at once, fit_many's pool fits on two threads, and a token cancels a fit_many
from another thread. The numbers must be those of the same calls made one at a time."""

import threading

import numpy as np

import harmora

x = np.arange(40.0)
ys = np.array([np.sin(0.3 * (k + 1) * x + k) + 0.05 * np.cos(2.1 * x) for k in range(8)])
settings = dict(harmonics=2, depth=2000, refine=True)


def same(a, b):
    return all(np.array_equal(a.refined[m][key], b.refined[m][key], equal_nan=True)
               for m in ("model1", "model2") for key in ("A", "B", "C", "period_se"))


alone = [harmora.fit(x, y, seed=k, **settings) for k, y in enumerate(ys)]
together = [None] * len(ys)


def fit(k):
    together[k] = harmora.fit(x, ys[k], seed=k, **settings)


threads = [threading.Thread(target=fit, args=(k,)) for k in range(len(ys))]
for t in threads:
    t.start()
for t in threads:
    t.join()
assert all(same(a, b) for a, b in zip(alone, together)), "concurrent fits differ"

many = np.tile(ys, (3, 1))
pooled = harmora.fit_many(x, many, seed=1, threads=2, **settings)
serial = harmora.fit_many(x, many, seed=1, threads=1, **settings)
assert same(pooled, serial), "fit_many's pool differs from one thread"

token = harmora._harmora.CancelToken()
threading.Timer(0.5, token.cancel).start()
try:
    harmora.fit_many(x, np.tile(ys, (200, 1)), seed=1, threads=2, _cancel=token, **settings)
    raise AssertionError("the cancelled fit_many ran to its end")
except KeyboardInterrupt:
    pass
print("8 concurrent fits, fit_many's pool and a cancel: no difference")
