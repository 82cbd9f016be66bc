"""Builds the zebfir package with a copy of the shared library inside it.

The library copied is the file named by ZEBFIR_LIBRARY, else the one the
repository's main build made (build/libzeb_fir_v7_1.so), else one built here
with CMake from the repository this directory belongs to.
"""
import os
import re
import shutil
import subprocess
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

LIBRARY = "libzeb_fir_v7_1.so"
HERE = Path(__file__).resolve().parent
REPOSITORY = HERE.parent


def project_version():
    """The version of project() in the repository's CMakeLists.txt (in an
    unpacked source distribution, the one its PKG-INFO records)."""
    for path, pattern in ((REPOSITORY / "CMakeLists.txt", r"^project\(zeb_fir VERSION ([0-9.]+)"),
                          (HERE / "PKG-INFO", r"^Version: (\S+)")):
        found = re.search(pattern, path.read_text(), re.MULTILINE) if path.is_file() else None
        if found:
            return found[1]
    raise SystemExit("zebfir: no version: neither ../CMakeLists.txt nor PKG-INFO names one")


def built_library():
    given = os.environ.get("ZEBFIR_LIBRARY")
    if given:
        return Path(given)
    main_build = REPOSITORY / "build" / LIBRARY
    if main_build.is_file():
        return main_build
    if not (REPOSITORY / "CMakeLists.txt").is_file():
        raise SystemExit(f"zebfir: no {LIBRARY} to install: set ZEBFIR_LIBRARY to its path")
    tree = HERE / "build" / "library"
    subprocess.run(["cmake", "-S", str(REPOSITORY), "-B", str(tree), "-DZEB_FIR_BUILD_TESTS=OFF",
                    "-DZEB_FIR_BUILD_BENCH=OFF"], check=True)
    subprocess.run(["cmake", "--build", str(tree), "--target", "zeb_fir_v7_1", "-j2"], check=True)
    return tree / LIBRARY


class BuildWithLibrary(build_py):
    def run(self):
        super().run()
        library = built_library()
        if not library.is_file():
            raise SystemExit(f"zebfir: {library} does not exist")
        target = Path(self.build_lib) / "zebfir" / LIBRARY
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(library, target)


class PlatformDistribution(Distribution):
    """The package carries a compiled library: its wheel is platform-specific."""

    def has_ext_modules(self):
        return True


setup(version=project_version(), cmdclass={"build_py": BuildWithLibrary}, distclass=PlatformDistribution)
