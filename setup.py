"""Builds the gloamery extension with CMake: the module and the plugins its
readers load, into the package. CMake finds pybind11 and the libraries as
the rest of the tree does; GLOAMERY_CMAKE_ARGS adds options of your own."""

import os
import pathlib
import re
import shlex
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


def version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(\w+ VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        tree = pathlib.Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(tree),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DGLOAMERY_PYTHON=ON", "-DGLOAMERY_GUI=OFF", "-DGLOAMERY_QT_READERS=ON", "-DGLOAMERY_BENCH=OFF", "-DGLOAMERY_TESTS=OFF",
            f"-DPython_EXECUTABLE={sys.executable}",
        ] + shlex.split(os.environ.get("GLOAMERY_CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(tree), "--target", "gloamery_python",
                        "-j", str(os.cpu_count() or 1)], check=True)
        built = tree / "python" / "gloamery"
        target = pathlib.Path(self.get_ext_fullpath(ext.name)).resolve()
        target.parent.mkdir(parents=True, exist_ok=True)
        module = next(built.glob("_gloamery*.so"))
        shutil.copyfile(module, target)
        if (built / "plugins").is_dir():
            shutil.copytree(built / "plugins", target.parent / "plugins", dirs_exist_ok=True)


setup(
    version=version(),
    ext_modules=[Extension("gloamery._gloamery", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # Apart from the CMake trees in build*/.
    options={"build": {"build_base": "build-python"}},
)
