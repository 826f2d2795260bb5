"""The stubs' signatures are the functions' own, and help() describes every argument."""

import ast
import inspect
import pathlib

import pytest

import harmora
import harmora.dask
import harmora.xarray

STUBS = pathlib.Path(harmora.__file__).parent


def stubbed(module_file):
    """{name: [parameter names]} of the functions (and Class.method) a .pyi declares."""
    out = {}
    body = ast.parse((STUBS / module_file).read_text()).body
    nodes = [(n.name, n) for n in body if isinstance(n, ast.FunctionDef)] + [
        (f"{c.name}.{n.name}", n) for c in body if isinstance(c, ast.ClassDef) for n in c.body
        if isinstance(n, ast.FunctionDef)]
    for name, node in nodes:
        a = node.args
        out[name] = [p.arg for p in a.posonlyargs + a.args + a.kwonlyargs]
        out[name] += [p.arg for p in (a.vararg, a.kwarg) if p]
    return out


@pytest.mark.parametrize("stub, module, names", [
    ("__init__.pyi", harmora, ["fit", "fit_many", "compare_counts", "periodogram", "plot"]),
    ("__init__.pyi", harmora, ["FitResult.predict", "FitResult.report", "FitResult.plot"]),
    ("dask.pyi", harmora.dask, ["fit_many"]),
    ("xarray.pyi", harmora.xarray, ["fit"]),
])
def test_stubs_name_the_parameters_the_functions_take(stub, module, names):
    hints = stubbed(stub)
    for name in names:
        function = module
        for part in name.split("."):
            function = getattr(function, part)
        real = [p for p in inspect.signature(function).parameters
                if not p.startswith("_") and p != "self"]
        assert [p for p in hints[name] if p != "self"] == real, name


@pytest.mark.parametrize("function", [harmora.fit, harmora.fit_many, harmora.compare_counts,
                                      harmora.periodogram])
def test_help_describes_every_argument(function):
    documented = inspect.getdoc(function)
    for name in inspect.signature(function).parameters:
        if not name.startswith("_"):
            assert any(line.split(" : ")[0].split(", ").count(name)
                       for line in documented.splitlines()), name
