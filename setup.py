"""Builds the package's native module _harmora with CMake (Release, no Qt, no tests) and puts it
beside the package's Python files; pyproject.toml holds the metadata."""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def version():
    """The project's version, as CMakeLists.txt declares it."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(Harmora VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        configure = ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     "-DBUILD_TESTING=OFF", "-DHARMORA_WINDOW=OFF",
                     "-DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON", "-DHARMORA_PYTHON=ON",
                     f"-DPython3_EXECUTABLE={sys.executable}"]
        if shutil.which("ccache"):  # rebuilds of the same sources take seconds
            configure += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache",
                          "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_harmora",
                        "-j", str(os.cpu_count() or 1)], check=True)
        built = next((build / "python" / "harmora").glob("_harmora*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(built, target)


assert version() == "1.0.0", "pyproject.toml's version must follow CMakeLists.txt's"
setup(
    packages=["harmora"],
    package_dir={"harmora": "python/harmora"},
    package_data={"harmora": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("harmora._harmora", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
