#!/bin/sh
# Installs the built library into a temporary prefix, then builds a host program
# against it twice, through the CMake package and through pkg-config, and runs both;
# given the Python interpreter the Python package was built for, runs a Python host
# of the package installed in the prefix's Python folder too.
# Usage: install_test.sh BUILD_DIR THIS_DIR [PYTHON]
set -eu
build=$1
here=$2
python=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log"
expected="$here/host/expected.txt"

cmake -S "$here/host" -B "$tmp/cmake-host" -DCMAKE_PREFIX_PATH="$tmp/prefix" >"$tmp/configure.log"
cmake --build "$tmp/cmake-host" >"$tmp/build.log"
"$tmp/cmake-host/lyra_host" "$here/host/sample.cbl" >"$tmp/cmake-host.txt"
diff -u "$expected" "$tmp/cmake-host.txt"

export PKG_CONFIG_PATH="$(find "$tmp/prefix" -name lyra.pc -printf '%h')"
# shellcheck disable=SC2046
c++ -std=c++17 -o "$tmp/pc-host" "$here/host/host.cpp" $(pkg-config --cflags --libs lyra)
LD_LIBRARY_PATH="$(pkg-config --variable=libdir lyra)" "$tmp/pc-host" "$here/host/sample.cbl" \
  >"$tmp/pc-host.txt"
diff -u "$expected" "$tmp/pc-host.txt"
echo "installed package works through CMake and pkg-config"

if [ -n "$python" ]; then
  module=$(find "$tmp/prefix" -name '_lyra*.so')
  PYTHONPATH="$(dirname "$(dirname "$module")")" PYTHONDONTWRITEBYTECODE=1 \
    "$python" "$here/host/host.py" "$here/host/sample.cbl" >"$tmp/python-host.txt"
  diff -u "$here/host/expected_python.txt" "$tmp/python-host.txt"
  echo "installed Python package works"
fi
