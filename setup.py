"""The binding module lyra._lyra for pip: the binding's C++ (python/lyra/*.cpp), the
library's own sources and the tool's (for lyra.diagnose and lyra.verify) compiled into
one extension, linked with pugixml, zlib, libbz2, libzstd and ICU's common library. The
package's metadata is in pyproject.toml."""

import glob
import os

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup

HERE = os.path.dirname(os.path.abspath(__file__))

# Two compilers at a time by default; LYRA_BUILD_JOBS sets another number.
ParallelCompile("LYRA_BUILD_JOBS", default=2).install()

# The tool's own code too, but its entry point: lyra.diagnose and lyra.verify run it.
tool = sorted(path for path in glob.glob("tools/lyra/*.cpp") if not path.endswith("/main.cpp"))
sources = sorted(glob.glob("python/lyra/*.cpp")) + sorted(
    glob.glob("src/**/*.cpp", recursive=True)) + tool

extension = Pybind11Extension(
    "lyra._lyra",
    sources,
    include_dirs=["include", "src", "tools/lyra"],
    libraries=["pugixml", "z", "bz2", "zstd", "icuuc"],
    cxx_std=17,
    define_macros=[("LYRA_TEST_COPYBOOK",
                    '"%s"' % os.path.join(HERE, "examples", "custrec.cbl"))],
)

setup(
    ext_modules=[extension],
    cmdclass={"build_ext": build_ext},
    # Out of the CMake build folders, which are named build*.
    options={"build": {"build_base": "build-pip"}},
)
