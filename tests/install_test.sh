#!/usr/bin/env bash
# Installing from a clean build folder, as a package would: configure without
# -march=native, build, install into a temporary prefix, run the installed
# kelvaro-batch (a picture included when rendering is built), and make the
# Debian package.
#   install_test.sh SOURCE_DIR WORK_DIR GUI(ON|OFF) RENDER(ON|OFF) [BUILD_DIR]
# With BUILD_DIR (a portable build, as scripts/test makes in a fresh clone) the
# installation comes from that folder instead of a build of its own. With
# KELVARO_PYTHON_BUILT=ON the Python module is checked too, imported by
# KELVARO_PYTHON_EXE from the installed tree.
set -euo pipefail
src=$1 work=$2 gui=$3 render=$4 build=${5:-}
python=${KELVARO_PYTHON_BUILT:-OFF}
rm -rf "$work" && mkdir -p "$work"
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
fail() { echo "install_test: $*" >&2; exit 1; }
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

# The module, imported from the installed tree by the Python it was built for.
site=$prefix/lib/python3/dist-packages
if [ "$python" = ON ]; then
    for f in __init__.py __init__.pyi py.typed; do
        [ -e "$site/kelvaro/$f" ] || fail "lib/python3/dist-packages/kelvaro/$f missing"
    done
    [ -x "$prefix/share/kelvaro/python/sweep.py" ] || fail "share/kelvaro/python/sweep.py missing"
    PYTHONPATH=$site "$KELVARO_PYTHON_EXE" -c "
import kelvaro
assert kelvaro.__file__.startswith('$site/'), kelvaro.__file__
with kelvaro.Colony(genome='$prefix/share/kelvaro/dna.vdna',
                    cells='$prefix/share/kelvaro/list.txt') as c:
    c.run(10, division=True)
    assert len(c.cells) >= 2040, len(c.cells)" || fail "the installed module does not run"
fi

# The package holds the same files.
(cd "$build" && cpack -G DEB -B "$work/package" > "$work/cpack.log")
deb=$(ls "$work"/package/kelvaro_*.deb)
contents=$(dpkg-deb -c "$deb")
packaged=(./usr/bin/kelvaro-batch ./usr/share/kelvaro/dna.vdna ./usr/share/kelvaro/sweep/sweep.sh)
[ "$python" = OFF ] || packaged+=(./usr/lib/python3/dist-packages/kelvaro/__init__.pyi
                                  ./usr/share/kelvaro/python/grow.py)
for f in "${packaged[@]}"; do
    grep -q " $f\$" <<< "$contents" || fail "$deb lacks $f"
done
echo "install_test: installed and ran $prefix/bin/kelvaro-batch; $(basename "$deb") $(du -k "$deb" | cut -f1) KiB"
