#!/usr/bin/env bash
# Takes the README's picture of QGIS with the Gloamery provider: lights
# matplotlib's sample DEM with "Sun" through the provider, then starts QGIS
# under a virtual X server with the DEM and the lit layer on the map and
# the Processing toolbox open at Gloamery, and saves the window as a PNG
# (docs/qgis.png unless a path is given). BUILD_DIR chooses the build tree,
# configured with -DGLOAMERY_PYTHON=ON (build by default).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
out=$repo/${1:-docs/qgis.png}
build=$repo/${BUILD_DIR:-build}
cmake --build "$build" --target gloamery_python gloamery-batch -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/.local/share/QGIS/QGIS3/profiles/default/QGIS" "$work/run" "$(dirname "$out")"
chmod 700 "$work/run"
printf '[PythonPlugins]\ngloamery_provider=true\n' >"$work/home/.local/share/QGIS/QGIS3/profiles/default/QGIS/QGIS3.ini"
export HOME=$work/home XDG_RUNTIME_DIR=$work/run QGIS_PLUGINPATH=$repo/qgis PYTHONPATH=$build/python
export OUT=$out WORK=$work
/usr/bin/python3 tests/qgis/sample_dem.py "$work/jacksboro.tif"
cat >"$work/start.py" <<'PY'
import os

from qgis.core import QgsProject, QgsRasterLayer
from qgis.PyQt.QtCore import QTimer
from qgis.PyQt.QtWidgets import QApplication, QDockWidget, QLineEdit
from qgis.utils import iface
import processing

work = os.environ["WORK"]
dem = os.path.join(work, "jacksboro.tif")
lit = processing.run("gloamery:sun", {"INPUT": dem, "AZIMUTH": 315, "ALTITUDE": 35, "SKY": 0.2,
                                      "OUTPUT": os.path.join(work, "lit.tif")})["OUTPUT"]
QgsProject.instance().addMapLayer(QgsRasterLayer(dem, "jacksboro DEM"))
QgsProject.instance().addMapLayer(QgsRasterLayer(lit, "Gloamery sun"))
iface.mainWindow().showMaximized()
box = iface.mainWindow().findChild(QDockWidget, "ProcessingToolbox")
box.show()
box.findChild(QLineEdit).setText("gloamery")


def grab():
    iface.mapCanvas().zoomToFullExtent()
    QApplication.processEvents()
    iface.mainWindow().grab().save(os.environ["OUT"])
    QApplication.exit(0)


QTimer.singleShot(8000, grab)
PY
QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1 timeout 300 xvfb-run -a -s "-screen 0 1400x900x24" \
  qgis --nologo --noversioncheck --code "$work/start.py" >"$work/qgis.log" 2>&1 || true
[ -s "$out" ] || { cat "$work/qgis.log"; echo "no screenshot" >&2; exit 1; }
echo "wrote $out"
