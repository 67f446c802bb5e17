"""The build backend behind `pip install .` and `python3 -m build` (PEP 517):
it drives the one CMake build for the Python that runs it and packs the module
into a wheel. It needs nothing from the package index (no setuptools, no
wheel), so it builds offline, with or without build isolation; CMake, a C++
compiler, pybind11 and the Python headers come from the system (scripts/deps).

The module is built portable (KELVARO_NATIVE off) and alone (no window
program, tests or benchmarks), in a temporary folder, or in the folder that
the setting build-dir names (pip -C build-dir=DIR, python3 -m build -C...),
which a later build reuses.
"""
import base64
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NAME = "kelvaro"
SUMMARY = "Grows an artificial embryo: a 3-D cell colony steered by a genome"
# The console scripts and their entry points; one whose module is not in the
# source tree is left out.
SCRIPTS = {"kelvaro-search": ("kelvaro.search.cli", "main")}


def version():
    """KELVARO_VERSION of the top CMakeLists.txt: the module's __version__ too."""
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        found = re.search(r"set\(KELVARO_VERSION\s+([0-9][0-9A-Za-z.]*)\)", f.read())
    if not found:
        raise RuntimeError("no set(KELVARO_VERSION ...) in CMakeLists.txt")
    return found.group(1)


def wheel_tag():
    """This interpreter's tag, as in _kelvaro.cpython-311-x86_64-linux-gnu.so."""
    impl = sys.implementation.name[:2] if sys.implementation.name != "cpython" else "cp"
    py = "%s%d%d" % (impl, sys.version_info[0], sys.version_info[1])
    plat = re.sub(r"[^A-Za-z0-9_]", "_", sysconfig.get_platform())
    return "%s-%s-%s" % (py, py, plat)


def cmake_build(build_dir):
    """Configures and builds the module in build_dir; its package folder."""
    if shutil.which("cmake") is None:
        raise RuntimeError("kelvaro: cmake not found (Debian: apt install cmake ninja-build g++)")
    args = ["cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
            "-DKELVARO_NATIVE=OFF", "-DKELVARO_GUI=OFF", "-DKELVARO_TESTS=OFF",
            "-DKELVARO_BENCH=OFF", "-DKELVARO_PYTHON=ON", "-DKELVARO_PYTHON_REQUIRED=ON",
            "-DPython3_EXECUTABLE=" + sys.executable]
    if shutil.which("ninja") and not os.path.exists(os.path.join(build_dir, "CMakeCache.txt")):
        args += ["-G", "Ninja"]
    try:  # a pybind11 installed into this environment wins over the system's
        import pybind11
        args.append("-Dpybind11_DIR=" + pybind11.get_cmake_dir())
    except (ImportError, AttributeError):
        pass
    out = sys.stderr  # pip shows it with -v, and on failure
    subprocess.run(args, check=True, stdout=out)
    subprocess.run(["cmake", "--build", build_dir, "--target", "kelvaro_python"],
                   check=True, stdout=out)
    return os.path.join(build_dir, "python", NAME)


def record_line(path, data):
    """The RECORD line of one file of the wheel."""
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=")
    return "%s,sha256=%s,%d" % (path, digest.decode(), len(data))


def metadata():
    """METADATA and entry_points.txt of the wheel. NumPy is an extra (kelvaro[numpy]):
    the module imports and runs without it, and an offline install must not stop
    for want of it; the first array says how to get it."""
    scripts = {k: v for k, v in SCRIPTS.items()
               if os.path.exists(os.path.join(ROOT, "src", "python",
                                              *v[0].split(".")) + ".py")}
    meta = ("Metadata-Version: 2.1\nName: %s\nVersion: %s\nSummary: %s\n"
            "Requires-Python: >=3.8\nProvides-Extra: numpy\n"
            'Requires-Dist: numpy; extra == "numpy"\n' % (NAME, version(), SUMMARY))
    entry = "[console_scripts]\n" + "".join("%s = %s:%s\n" % (k, m, f)
                                            for k, (m, f) in sorted(scripts.items()))
    return meta, entry


def pack(package, wheel_directory):
    """The wheel of the package folder; its file name."""
    tag = wheel_tag()
    dist_info = "%s-%s.dist-info" % (NAME, version())
    name = "%s-%s-%s.whl" % (NAME, version(), tag)
    meta, entry = metadata()
    wheel = "Wheel-Version: 1.0\nGenerator: kelvaro\nRoot-Is-Purelib: false\nTag: %s\n" % tag
    files = []
    for folder, dirs, names in os.walk(package):
        dirs[:] = sorted(d for d in dirs if d != "__pycache__")
        for n in sorted(names):
            path = os.path.join(folder, n)
            arc = NAME + "/" + os.path.relpath(path, package).replace(os.sep, "/")
            with open(path, "rb") as f:
                files.append((arc, f.read()))
    files += [(dist_info + "/METADATA", meta.encode()), (dist_info + "/WHEEL", wheel.encode()),
              (dist_info + "/entry_points.txt", entry.encode())]
    record = "".join(record_line(a, d) + "\n" for a, d in files) + dist_info + "/RECORD,,\n"
    files.append((dist_info + "/RECORD", record.encode()))
    with zipfile.ZipFile(os.path.join(wheel_directory, name), "w", zipfile.ZIP_DEFLATED) as z:
        for arc, data in files:
            info = zipfile.ZipInfo(arc, date_time=(1980, 1, 1, 0, 0, 0))
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data)
    return name


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    """PEP 517: the wheel of the module built for this Python."""
    build_dir = (config_settings or {}).get("build-dir")
    if build_dir:
        return pack(cmake_build(os.path.abspath(build_dir)), wheel_directory)
    with tempfile.TemporaryDirectory(prefix="kelvaro-wheel-") as tmp:
        return pack(cmake_build(tmp), wheel_directory)


def get_requires_for_build_wheel(config_settings=None):
    """PEP 517: nothing from the package index."""
    return []


def get_requires_for_build_sdist(config_settings=None):
    """PEP 517: nothing from the package index."""
    return []


def build_sdist(sdist_directory, config_settings=None):
    """PEP 517: the files git tracks, as NAME-VERSION.tar.gz."""
    files = subprocess.run(["git", "-C", ROOT, "ls-files", "-z"], check=True,
                           stdout=subprocess.PIPE).stdout.decode().split("\0")
    base = "%s-%s" % (NAME, version())
    with tarfile.open(os.path.join(sdist_directory, base + ".tar.gz"), "w:gz") as tar:
        info = metadata()[0].encode()
        member = tarfile.TarInfo(base + "/PKG-INFO")
        member.size = len(info)
        tar.addfile(member, io.BytesIO(info))
        for f in filter(None, files):
            if os.path.exists(os.path.join(ROOT, f)):
                tar.add(os.path.join(ROOT, f), arcname=base + "/" + f, recursive=False)
    return base + ".tar.gz"
