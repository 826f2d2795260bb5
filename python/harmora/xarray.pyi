from typing import Any, Optional

import xarray
from numpy.typing import ArrayLike

from . import Seed

def fit(da: xarray.DataArray, dim: str = ..., *, x: Optional[ArrayLike] = ...,
        seed: Optional[Seed] = ..., **same: Any) -> xarray.Dataset: ...
