# Type hints of harmora's public functions; what each argument does: help(harmora.fit).
from typing import Any, Callable, Literal, Optional, Sequence, Tuple, Union

import numpy as np
from numpy.typing import ArrayLike

from . import dask as dask
from . import xarray as xarray

__version__: str
capacity: int

Seed = Union[int, Tuple[int, int]]
Progress = Callable[[str, float], Optional[bool]]
Search = Literal["auto", "random", "periodogram"]
Errors = Literal["ordinary", "hac"]

class Result(dict):
    def __getattr__(self, name: str) -> Any: ...

Models = Union[Literal[1, 2], Sequence[Literal[1, 2]]]

class FitResult(Result):
    def model_numbers(self) -> Tuple[int, ...]: ...
    def predict(self, x: ArrayLike, *, model: Optional[Literal[1, 2]] = ..., band: Optional[float] = ...,
                sigma: Optional[ArrayLike] = ..., refined: Optional[bool] = ...,
                series: Union[int, str, None] = ...) -> Union[np.ndarray, Result]: ...
    def report(self) -> str: ...
    def plot(self, x: ArrayLike, y: ArrayLike, *, model: Optional[Literal[1, 2]] = ...,
             band: Optional[float] = ..., ax: Any = ..., xlabel: Optional[str] = ...,
             ylabel: Optional[str] = ...) -> Any: ...
    def _repr_html_(self) -> Optional[str]: ...

def fit(x: ArrayLike, y: ArrayLike, *, harmonics: int = ..., depth: int = ...,
        min_period: Optional[float] = ..., seed: Optional[Seed] = ..., refine: bool = ...,
        constant: bool = ..., trend: bool = ..., sigma: Union[float, ArrayLike, None] = ...,
        periods: Optional[Sequence[float]] = ..., absolute_sigma: bool = ...,
        progress: Optional[Progress] = ..., refine_budget: Optional[float] = ...,
        search: Search = ..., errors: Errors = ..., models: Models = ...) -> FitResult: ...

def fit_many(x: Union[ArrayLike, str, None], Y: Any = ..., *, harmonics: int = ...,
             depth: int = ..., min_period: Optional[float] = ..., seed: Optional[Seed] = ...,
             refine: bool = ..., constant: bool = ..., trend: bool = ...,
             sigma: Union[float, ArrayLike, None] = ..., periods: Optional[Sequence[float]] = ...,
             absolute_sigma: bool = ..., threads: int = ..., progress: Optional[Progress] = ...,
             refine_budget: Optional[float] = ..., search: Search = ...,
             errors: Errors = ..., models: Models = ...) -> FitResult: ...

def compare_counts(x: ArrayLike, y: ArrayLike, *, harmonics: int = ..., depth: int = ...,
                   min_period: Optional[float] = ..., seed: Optional[Seed] = ...,
                   constant: bool = ..., trend: bool = ...,
                   sigma: Union[float, ArrayLike, None] = ..., absolute_sigma: bool = ...,
                   refine_budget: Optional[float] = ..., models: Models = ...) -> dict: ...

class Spectrum(dict):
    frequency: np.ndarray
    period: np.ndarray
    power: np.ndarray
    probabilities: np.ndarray
    levels: np.ndarray
    false_alarm: float
    def plot(self, ax: Any = ...) -> Any: ...

def periodogram(x: ArrayLike, y: ArrayLike, *, min_period: Optional[float] = ...,
                max_period: Optional[float] = ..., oversample: float = ...,
                sigma: Union[float, ArrayLike, None] = ...,
                probabilities: Sequence[float] = ...) -> Spectrum: ...

def plot(result: FitResult, x: ArrayLike, y: ArrayLike, **options: Any) -> Any: ...
