#!/usr/bin/env bash
# Installing from a clean build folder, as a package would: configure without
# -march=native, build, install into a temporary prefix, run the installed
# kelvaro-batch (a picture included when rendering is built), and make the
# Debian package.
#   install_test.sh SOURCE_DIR WORK_DIR GUI(ON|OFF) RENDER(ON|OFF) [BUILD_DIR]
# With BUILD_DIR (a portable build, as scripts/test makes in a fresh clone) the
# installation comes from that folder instead of a build of its own.
set -euo pipefail
src=$1 work=$2 gui=$3 render=$4 build=${5:-}
rm -rf "$work" && mkdir -p "$work"
prefix=$work/prefix
if [ -z "$build" ]; then
    build=$work/build
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARO_NATIVE=OFF \
          -DKELVARO_TESTS=OFF -DKELVARO_BENCH=OFF -DKELVARO_GUI="$gui" -DKELVARO_RENDER="$render" \
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

# The package holds the same files.
(cd "$build" && cpack -G DEB -B "$work/package" > "$work/cpack.log")
deb=$(ls "$work"/package/kelvaro_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/kelvaro-batch ./usr/share/kelvaro/dna.vdna ./usr/share/kelvaro/sweep/sweep.sh; do
    grep -q " $f\$" <<< "$contents" || fail "$deb lacks $f"
done
echo "install_test: installed and ran $prefix/bin/kelvaro-batch; $(basename "$deb") $(du -k "$deb" | cut -f1) KiB"
