#!/usr/bin/env bash
# Installing as users do, then running what was installed from a folder outside
# the source tree.
#   install_test.sh cmake SOURCE_DIR WORK_DIR GUI(ON|OFF) RENDER(ON|OFF) [BUILD_DIR]
# configures a clean build folder without -march=native, builds, installs into a
# temporary prefix, runs the installed kelvaro-batch (a picture included when
# rendering is built) and makes the Debian package. With BUILD_DIR (a portable
# build, as scripts/test makes in a fresh clone) the installation comes from
# that folder instead of a build of its own. With KELVARO_PYTHON_BUILT=ON the
# Python module and kelvaro-search are checked too, run by KELVARO_PYTHON_EXE.
#   install_test.sh wheel|pip SOURCE_DIR WORK_DIR PIP_BUILD_DIR
# makes a venv of KELVARO_PYTHON_EXE (--system-site-packages, for Debian's NumPy)
# and installs the module into it: the wheel of python3 -m build, or
# pip install . itself, both offline, CMake building in PIP_BUILD_DIR.
set -euo pipefail
mode=$1 src=$2 work=$3
fail() { echo "install_test: $*" >&2; exit 1; }
search_cli=$src/src/python/kelvaro/search/cli.py

# A short colony grown by PYTHON with the kelvaro found under SITE.
run_colony() {
    "$1" -c "
import kelvaro
assert kelvaro.__file__.startswith('$2/'), kelvaro.__file__
with kelvaro.Colony(genome='$src/examples/dna.vdna', cells='$src/examples/list.txt') as c:
    c.run(10, division=True)
    assert len(c.cells) >= 2040, len(c.cells)" || fail "the installed module does not run"
}

# The module in a venv, from the wheel or from pip install ., and its commands.
venv_install() {
    local pip_build=$1 venv=$work/venv
    "$KELVARO_PYTHON_EXE" -m venv --system-site-packages "$venv"
    local py=$venv/bin/python
    export PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_NO_CACHE_DIR=1
    if [ "$mode" = wheel ]; then
        "$py" -m build --wheel --no-isolation -C build-dir="$pip_build" --outdir "$work/dist" \
            "$src" > "$work/wheel.log" 2>&1 || { cat "$work/wheel.log"; fail "no wheel"; }
        local wheel=("$work"/dist/kelvaro-*.whl) listed
        listed=$("$py" -m zipfile -l "${wheel[0]}")
        for f in kelvaro/_kelvaro.cpython kelvaro/__init__.py kelvaro/__init__.pyi kelvaro/py.typed \
                 kelvaro/__main__.py .dist-info/entry_points.txt; do
            grep -q "$f" <<< "$listed" || fail "the wheel lacks $f"
        done
        "$py" -m pip install -q "${wheel[0]}"
    else
        "$py" -m pip install -q --no-build-isolation --config-settings build-dir="$pip_build" "$src" \
            > "$work/pip.log" 2>&1 || { cat "$work/pip.log"; fail "pip install . failed"; }
    fi
    cd "$work"
    run_colony "$py" "$("$py" -c 'import sysconfig; print(sysconfig.get_path("platlib"))')"
    "$py" -c "import importlib.metadata as m, kelvaro
assert m.version('kelvaro') == kelvaro.__version__, m.version('kelvaro')" || fail "two versions"
    about=$("$py" -m kelvaro 2>&1) || fail "python3 -m kelvaro: $about"
    grep -q "^python: *$venv/bin/python" <<<"$about" || fail "python3 -m kelvaro: $about"
    # A reader that stopped reading (| head -1) gets no traceback: the pipe is closed before the start.
    "$py" -c 'import os, subprocess, sys; r, w = os.pipe(); os.close(r)
sys.exit(subprocess.run([sys.executable, "-m", "kelvaro"], stdout=w, stderr=subprocess.PIPE).stderr or None)' \
        || fail "python3 -m kelvaro into a closed pipe"
    "$venv/bin/kelvaro-search" --help > /dev/null || fail "kelvaro-search --help failed"
    echo "install_test: $mode: kelvaro $("$py" -c 'import kelvaro; print(kelvaro.__version__)') in $venv"
}

rm -rf "$work" && mkdir -p "$work"
case $mode in
    wheel | pip) venv_install "$4"; exit 0 ;;
    cmake) ;;
    *) fail "unknown mode $mode" ;;
esac

gui=$4 render=$5 build=${6:-}
python=${KELVARO_PYTHON_BUILT:-OFF}
prefix=$work/prefix
if [ -z "$build" ]; then
    build=$work/build
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARO_NATIVE=OFF \
          -DKELVARO_TESTS=OFF -DKELVARO_BENCH=OFF -DKELVARO_GUI="$gui" -DKELVARO_RENDER="$render" \
          -DKELVARO_PYTHON="$python" \
          > "$work/configure.log"
    cmake --build "$build" -j2 > "$work/build.log"
fi
cmake --install "$build" --prefix "$prefix" > "$work/install.log"
[ -x "$prefix/bin/kelvaro-batch" ] || fail "bin/kelvaro-batch missing"
[ "$gui" = OFF ] || [ -x "$prefix/bin/kelvaro" ] || fail "bin/kelvaro missing"
for f in dna.vdna list.txt sweep/sweep.sh sweep/run_one.sh sweep/summarise.sh sweep/slurm.sh \
         sweep/README.md sweep/genomes/bands.vdna; do
    [ -s "$prefix/share/kelvaro/$f" ] || fail "share/kelvaro/$f missing"
done
[ -x "$prefix/share/kelvaro/sweep/sweep.sh" ] || fail "sweep.sh is not executable"

# The installed program from elsewhere, with the installed examples.
cd "$work"
unset DISPLAY
pictures=()
[ "$render" = OFF ] || pictures=(--render-every 10 --render-dir pics --camera auto)
"$prefix/bin/kelvaro-batch" --genome "$prefix/share/kelvaro/dna.vdna" \
    --cells "$prefix/share/kelvaro/list.txt" --frames 10 --division --quiet --out final.txt \
    "${pictures[@]}"
[ "$(wc -l < final.txt)" -ge 2040 ] || fail "the installed run left $(wc -l < final.txt) cells"
[ "$render" = OFF ] || [ -s pics/cells-000010.png ] || fail "no picture"

# The module, imported from the installed tree by the Python it was built for,
# and kelvaro-search, which finds it there.
site=$prefix/lib/python3/dist-packages
if [ "$python" = ON ]; then
    for f in __init__.py __init__.pyi __main__.py py.typed; do
        [ -e "$site/kelvaro/$f" ] || fail "lib/python3/dist-packages/kelvaro/$f missing"
    done
    [ -x "$prefix/share/kelvaro/python/sweep.py" ] || fail "share/kelvaro/python/sweep.py missing"
    PYTHONPATH=$site run_colony "$KELVARO_PYTHON_EXE" "$site"
    "$prefix/bin/kelvaro-search" --help > /dev/null || fail "bin/kelvaro-search --help failed"
fi

# The package holds the same files.
(cd "$build" && cpack -G DEB -B "$work/package" > "$work/cpack.log")
deb=$(ls "$work"/package/kelvaro_*.deb)
contents=$(dpkg-deb -c "$deb")
packaged=(./usr/bin/kelvaro-batch ./usr/share/kelvaro/dna.vdna ./usr/share/kelvaro/sweep/sweep.sh)
[ "$python" = OFF ] || packaged+=(./usr/lib/python3/dist-packages/kelvaro/__init__.pyi
                                  ./usr/share/kelvaro/python/grow.py ./usr/bin/kelvaro-search)
for f in "${packaged[@]}"; do
    grep -q " $f\$" <<< "$contents" || fail "$deb lacks $f"
done
echo "install_test: installed and ran $prefix/bin/kelvaro-batch; $(basename "$deb") $(du -k "$deb" | cut -f1) KiB"
