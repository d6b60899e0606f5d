"""One Processing algorithm for one operation of the module's table.

The algorithm opens the DEM as gloamery-batch --open does (the map of its
size, its elevations, ground units, vertical unit, place and no-data),
sets the controls from its parameters, runs the operation with QGIS's
feedback as its progress bar and Cancel button, and saves the result as a
Cloud Optimized GeoTIFF where the DEM lies: the same bytes as
    gloamery-batch --open DEM.tif [--flags] OPERATION --save colour OUT.tif
and, for an operation that makes a layer, the layer as 32-bit floats
(--save layer LAYER.tif), no-data cells -9999.
"""

import os
import tempfile

from qgis.core import (
    QgsProcessing,
    QgsProcessingAlgorithm,
    QgsProcessingException,
    QgsProcessingParameterBand,
    QgsProcessingParameterBoolean,
    QgsProcessingParameterEnum,
    QgsProcessingParameterNumber,
    QgsProcessingParameterRasterDestination,
    QgsProcessingParameterRasterLayer,
    QgsProcessingParameterString,
)

import gloamery

from .parameters import control_value, parameters_of

# What the toolbox groups the algorithms by: the operation's kind. Every
# operation of the layer kind writes its layer (LAYER_OUTPUT) beside the
# colour map.
GROUPS = {"shadow": "Lighting", "layer": "Relief", "texture": "Texture"}
# The raster files the module reads by their own name; any other (another
# band, another format) is copied out as a one-band GeoTIFF first.
DIRECT = (".tif", ".tiff", ".asc", ".hgt", ".dem")


def offered(operation):
    """Whether the toolbox offers the operation: everything but emptying
    the shadow map, which a freshly opened DEM has nothing in."""
    return operation["kind"] in GROUPS


def output_slot(operation):
    """The picture OUTPUT holds: the colour map a lighting writes, else the
    map the operation fills (the texture map for the texture buttons)."""
    for slot in ("colour", "texture", "shadow"):
        if slot in operation["writes"]:
            return slot
    return None


class GloameryAlgorithm(QgsProcessingAlgorithm):
    def __init__(self, operation):
        super().__init__()
        self.operation = operation
        schema = {row["python"]: row for row in gloamery.CONTROL_SCHEMA}
        self.rows = [schema[c] for c in operation["controls"]]

    def createInstance(self):  # noqa: N802 (QGIS's names throughout)
        return GloameryAlgorithm(self.operation)

    def name(self):
        return self.operation["name"]

    def displayName(self):  # noqa: N802
        return self.operation["caption"]

    def group(self):
        return GROUPS[self.operation["kind"]]

    def groupId(self):  # noqa: N802
        return self.operation["kind"]

    def shortHelpString(self):  # noqa: N802
        return (self.operation["doc"] + "\n\nThe same as gloamery-batch --open DEM " + self.operation["name"]
                + "; units left empty are the DEM's own.")

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterRasterLayer("INPUT", "Elevation layer"))
        # Optional so that a run without BAND (as qgis_process gives it) takes band 1.
        self.addParameter(QgsProcessingParameterBand("BAND", "Band", 1, "INPUT", True))
        for row in self.rows:
            for p in parameters_of(row):
                self.addParameter(self._parameter(p))
        if output_slot(self.operation):
            caption = "Colour map" if output_slot(self.operation) == "colour" else output_slot(self.operation).title()
            self.addParameter(QgsProcessingParameterRasterDestination("OUTPUT", caption))
        if self.operation["kind"] == "layer":
            # Written unless skipped; left out of a script's parameters, to a
            # temporary file, as QGIS's own optional outputs are.
            self.addParameter(QgsProcessingParameterRasterDestination(
                "LAYER_OUTPUT", "Layer (32-bit float)", QgsProcessing.TEMPORARY_OUTPUT, True, True))

    @staticmethod
    def _parameter(p):
        optional = p.default is None
        if p.kind == "flag":
            made = QgsProcessingParameterBoolean(p.name, p.caption, p.default, optional)
        elif p.kind == "choice":
            made = QgsProcessingParameterEnum(p.name, p.caption, list(p.choices), False, p.default, optional)
        elif p.kind == "text":
            made = QgsProcessingParameterString(p.name, p.caption, p.default, False, optional)
        else:
            number = QgsProcessingParameterNumber.Integer if p.kind == "whole" else QgsProcessingParameterNumber.Double
            made = QgsProcessingParameterNumber(p.name, p.caption, number, p.default, optional)
            if p.low is not None:
                made.setMinimum(p.low)
                made.setMaximum(p.high)
        made.setHelp(p.help)
        return made

    def _value(self, p, parameters, context):
        if parameters.get(p.name) is None:
            return p.default
        if p.kind == "flag":
            return self.parameterAsBool(parameters, p.name, context)
        if p.kind in ("whole", "choice"):
            return self.parameterAsInt(parameters, p.name, context)
        if p.kind == "text":
            return self.parameterAsString(parameters, p.name, context)
        return self.parameterAsDouble(parameters, p.name, context)

    def _dem_file(self, parameters, context, feedback):
        layer = self.parameterAsRasterLayer(parameters, "INPUT", context)
        if layer is None:
            raise QgsProcessingException("INPUT needs a raster layer")
        band = self.parameterAsInt(parameters, "BAND", context) or 1
        if not 1 <= band <= layer.bandCount():
            raise QgsProcessingException(f"BAND needs a band 1..{layer.bandCount()} of the layer, not {band}")
        source = layer.source()
        if band == 1 and os.path.isfile(source) and source.lower().endswith(DIRECT):
            return source
        from osgeo import gdal

        copy = os.path.join(tempfile.mkdtemp(prefix="gloamery-"), "band.tif")
        feedback.pushInfo(f"Reading band {band} of {source}")
        try:
            gdal.Translate(copy, source, bandList=[band], format="GTiff")
        except RuntimeError as e:
            raise QgsProcessingException(f"cannot read band {band} of {source}: {e}") from None
        return copy

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        dem = self._dem_file(parameters, context, feedback)
        try:
            ws = gloamery.open(dem)
            for row in self.rows:
                values = [self._value(p, parameters, context) for p in parameters_of(row)]
                value = control_value(row, values, getattr(ws, row["python"]))
                if value is not None:
                    setattr(ws, row["python"], value)
            ws.run(self.operation["name"], progress=lambda f: feedback.setProgress(100 * f),
                   cancel=feedback.isCanceled)
        except gloamery.Cancelled as stopped:
            raise QgsProcessingException(str(stopped)) from None
        except (ValueError, OSError) as refused:
            raise QgsProcessingException(str(refused)) from None
        results = {}
        for key, slot in (("OUTPUT", output_slot(self.operation)), ("LAYER_OUTPUT", "layer")):
            if self.parameterDefinition(key) is None:
                continue
            path = self.parameterAsOutputLayer(parameters, key, context)
            if not path:  # an optional output the user skipped
                continue
            if not path.lower().endswith((".tif", ".tiff")):
                raise QgsProcessingException(f"{key} needs a GeoTIFF file name (.tif), not {path}")
            try:
                ws.save(slot, path)
            except (ValueError, OSError) as refused:
                raise QgsProcessingException(str(refused)) from None
            results[key] = path
        return results
