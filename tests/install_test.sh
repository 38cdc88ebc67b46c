#!/bin/sh
# `cmake --install` of a build into a scratch prefix, then what a user of the prefix needs: the
# program runs, the library and the public headers are there, and the Python package (when the
# build has it) imports from the installed folder.
# Usage: install_test.sh CMAKE BUILD_DIR PYTHON [PYTHON_SITE]   (PYTHON_SITE relative to the prefix)
set -eu
cmake_command=$1 build_dir=$2 python=$3 site=${4-}

prefix=$(mktemp -d "${TMPDIR:-/tmp}/xsrl-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT

fail() { echo "install test: $*" >&2; exit 1; }

"$cmake_command" --install "$build_dir" --prefix "$prefix" >/dev/null || fail "cmake --install failed"

version=$("$prefix/bin/xsrl" --version) || fail "$prefix/bin/xsrl --version failed"
case $version in xsrl\ *) ;; *) fail "unexpected version line: $version" ;; esac
[ -f "$prefix/include/xsrl/xsrl.h" ] || fail "include/xsrl/xsrl.h not installed"
[ -f "$prefix/include/xsrl/error.h" ] || fail "include/xsrl/error.h not installed"
[ -f "$prefix/lib/libxsrl.a" ] || fail "lib/libxsrl.a not installed"
# The public headers stand alone: nothing of the source tree is needed to compile against them.
printf '#include "xsrl/xsrl.h"\n#include "xsrl/export.h"\nint main() { return xsrl::loadDeck("d").sweepIntervals(); }\n' \
    >"$prefix/use.cpp"
c++ -std=c++17 -fsyntax-only -I"$prefix/include" "$prefix/use.cpp" || fail "the installed headers do not compile alone"

if [ -n "$site" ]; then
    [ -d "$prefix/$site/xsrl" ] || fail "Python package not installed in $site/xsrl"
    # From the prefix, so that nothing of the source or build tree is on the path.
    cd "$prefix"
    PYTHONPATH="$prefix/$site" PYTHONDONTWRITEBYTECODE=1 "$python" -c '
import os, sys
import xsrl, xsrl._xsrl
where = os.path.realpath(xsrl._xsrl.__file__)
if not where.startswith(os.path.realpath(sys.argv[1]) + os.sep):
    sys.exit("xsrl imported from " + where)
' "$prefix/$site" || fail "the installed Python package does not import"
fi
echo "installed and checked: $version"
