"""Builds the package xsrl for the Python running this: CMake compiles the module xsrl._xsrl
(with -DPython_EXECUTABLE set to that Python), setuptools adds the pure-Python files.

Extra CMake options may come in the environment variable CMAKE_ARGS (for example
-DCMAKE_CXX_COMPILER_LAUNCHER=ccache), the parallel level in CMAKE_BUILD_PARALLEL_LEVEL.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent


def project_version() -> str:
    """The version of CMakeLists.txt's project(), the package's one source of it."""
    match = re.search(r"project\(xsrl VERSION ([0-9.]+)", (SOURCE / "CMakeLists.txt").read_text())
    if match is None:
        raise RuntimeError("CMakeLists.txt names no project version")
    return match.group(1)


class CMakeBuild(build_ext):
    """Configures a CMake build in the setuptools build folder and builds the target _xsrl alone."""

    def build_extension(self, extension: Extension) -> None:
        build = Path(self.build_temp).resolve() / "cmake"
        configure = ["cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                     f"-DPython_EXECUTABLE={sys.executable}", "-DXSRL_BUILD_TESTS=OFF",
                     *shlex.split(os.environ.get("CMAKE_ARGS", ""))]
        subprocess.run(configure, check=True)
        parallel = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "--build", str(build), "--target", "_xsrl", "--parallel", parallel], check=True)
        built = build / "python" / "xsrl" / Path(self.get_ext_filename(extension.name)).name
        if not built.exists():
            raise RuntimeError(f"CMake built no {built.name}: it found another Python than {sys.executable}")
        target = Path(self.get_ext_fullpath(extension.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(
    version=project_version(),
    packages=["xsrl"],
    package_dir={"": "python"},
    package_data={"xsrl": ["py.typed"]},
    ext_modules=[Extension("xsrl._xsrl", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # Beside CMake's own build folder (build/), not in it.
    options={"build": {"build_base": "build-python"}},
    zip_safe=False,
)
