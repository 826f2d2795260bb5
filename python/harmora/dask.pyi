from typing import Any, Optional

from numpy.typing import ArrayLike

from . import FitResult, Seed

def fit_many(x: ArrayLike, Y: Any, *, seed: Optional[Seed] = ..., threads: int = ...,
             **same: Any) -> FitResult: ...
