"""The two installs a user follows put a working package where the chosen Python imports it:
`cmake --install` into a prefix, and `pip install --no-build-isolation .` into a fresh virtual
environment that sees Debian's NumPy. Each is checked from outside the source and build trees."""
import os
import shutil
import subprocess
import sys
import sysconfig

from conftest import SOURCE_DIR

# Run by the installed package: its version and metadata, its typing marker, and a solve.
CHECK = """
import importlib.metadata, os, sys
import xsrl
where = os.path.realpath(xsrl.__file__)
assert where.startswith(os.path.realpath(sys.argv[1]) + os.sep), where
assert xsrl.__version__ == importlib.metadata.version("xsrl"), xsrl.__version__
assert os.path.exists(os.path.join(os.path.dirname(where), "py.typed"))
deck = xsrl.Deck(freq=(1e6, 1e9, 2), unit="mm").circle(xc=0, yc=0, rad=0.5).circle(xc=2, yc=0, rad=0.5, v=0)
assert xsrl.solve(deck).L.shape == (3, 1, 1)
"""


def clean_environment(**extra):
    """This environment without the build tree on the Python path."""
    environment = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "PYTHONHOME")}
    return {**environment, **extra}


def test_cmake_install_puts_the_package_where_python_imports_it(tmp_path):
    prefix = tmp_path / "prefix"
    install = [os.environ["CMAKE_COMMAND"], "--install", os.environ["XSRL_BUILD_DIR"], "--prefix", str(prefix)]
    subprocess.run(install, check=True, capture_output=True)
    site = prefix / os.path.relpath(sysconfig.get_path("platlib"), sysconfig.get_path("data"))
    subprocess.run([sys.executable, "-c", CHECK, str(site)], check=True, cwd=tmp_path,
                   env=clean_environment(PYTHONPATH=str(site)))


def test_pip_installs_into_a_fresh_virtual_environment(tmp_path):
    # A copy of the sources, since pip builds in the tree it is given.
    source = tmp_path / "source"
    shutil.copytree(SOURCE_DIR, source, ignore=shutil.ignore_patterns("build*", ".git", ".venv", "run", "__pycache__", "*.egg-info"))
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(venv)], check=True)
    python = venv / "bin" / "python"
    # The test checks the packaging, not the optimizer: -O0 compiles the library several times
    # faster, and ccache, where there is one, makes a second run quick.
    arguments = "-DCMAKE_CXX_FLAGS_RELEASE=-O0"
    if shutil.which("ccache"):
        arguments += " -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    environment = clean_environment(CMAKE_ARGS=arguments, CMAKE_BUILD_PARALLEL_LEVEL="2", CCACHE_BASEDIR=str(source),
                                    CCACHE_NOHASHDIR="1")
    built = subprocess.run([str(python), "-m", "pip", "install", "--no-build-isolation", "--no-index", str(source)],
                           cwd=tmp_path, capture_output=True, text=True, env=environment)
    assert built.returncode == 0, built.stdout[-3000:] + built.stderr[-3000:]
    site = subprocess.run([str(python), "-c", "import sysconfig; print(sysconfig.get_path('platlib'))"],
                          check=True, capture_output=True, text=True).stdout.strip()
    subprocess.run([str(python), "-c", CHECK, site], check=True, cwd=tmp_path, env=clean_environment())
