#!/usr/bin/env bash
# package_test.sh BUILD_DIR VERSION
# Makes the .deb from a built tree, checks it with lintian, unpacks it with
# dpkg -x and runs the installed programs, menu entry and manual pages.
set -euo pipefail
build=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"; fail "cpack"
fi
deb=$(echo "$work"/pkg/gloamery_"$version"_*.deb)
[ -f "$deb" ] || fail "no package in $work/pkg"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the computed dependencies miss Qt: $(dpkg-deb -f "$deb" Depends)"
lintian --fail-on error "$deb" || fail "lintian reports errors"

dpkg -x "$deb" "$work/root"
usr=$work/root/usr
for program in gloamery gloamery-batch; do
  # An installed program must not look for libraries in the build tree.
  if readelf -d "$usr/bin/$program" | grep -Eq 'RPATH|RUNPATH'; then fail "$program keeps a run path"; fi
done

# The batch tool: its version, then a small job on a picture it wrote itself.
[ "$("$usr/bin/gloamery-batch" --version)" = "gloamery-batch $version" ] || fail "gloamery-batch --version"
(cd "$work" && "$usr/bin/gloamery-batch" --save height small.png \
   && "$usr/bin/gloamery-batch" --load height small.png --sun 40,30 linear --save colour lit.png) \
  || fail "the batch job"
[ "$(head -c 8 "$work/lit.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "lit.png is no PNG"
# Files other than plain PNG go through the toolkit plugin installed beside
# the raster one.
find "$usr/lib" -path "*/gloamery/libgloamery-qtio.so" | grep -q . || fail "no toolkit picture plugin installed"
(cd "$work" && "$usr/bin/gloamery-batch" --save colour lit.bmp --load grass lit.bmp --save grass back.png) \
  || fail "the batch tool cannot read a BMP"
[ "$(QT_QPA_PLATFORM=offscreen "$usr/bin/gloamery" --version 2>/dev/null)" = "gloamery $version" ] \
  || fail "gloamery --version"

# The menu entry validates and names what the package installs.
desktop=$usr/share/applications/gloamery.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 32 48 256; do
  [ -f "$usr/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] || fail "no $size px icon"
done
[ -f "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon"

# The manual pages render without complaint and list every option that
# the program's help lists.
for program in gloamery gloamery-batch; do
  page=$usr/share/man/man1/$program.1.gz
  warnings=$(LC_ALL=C MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$work/$program.txt") || fail "man -l $page"
  [ -z "$warnings" ] || fail "man -l $page: $warnings"
  for option in $(QT_QPA_PLATFORM=offscreen "$usr/bin/$program" --help 2>/dev/null | grep -Eo -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" "$work/$program.txt" || fail "the manual page of $program lacks $option"
  done
done
# With the Python module built: the module and the QGIS provider over it,
# the provider listing an algorithm for "Sun".
module=$(find "$usr/lib" -name '_gloamery*.so' | head -1)
if [ -n "$module" ]; then
  plugins=$usr/share/qgis/python/plugins
  [ -f "$plugins/gloamery_provider/metadata.txt" ] || fail "no QGIS provider installed"
  dpkg-deb -f "$deb" Depends | grep -q python3-numpy || fail "the module's dependencies miss NumPy"
  PYTHONPATH="$(dirname "$(dirname "$module")"):$plugins" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work \
    /usr/bin/python3 -c "
from qgis.core import QgsApplication
app = QgsApplication([], False); app.initQgis()
from gloamery_provider.provider import GloameryProvider
p = GloameryProvider(); QgsApplication.processingRegistry().addProvider(p)
assert 'gloamery:sun' in [a.id() for a in p.algorithms()], p.algorithms()
" 2>"$work/qgis.log" || { cat "$work/qgis.log"; fail "the installed provider does not load"; }
fi
echo "package $(basename "$deb") installs and runs"
