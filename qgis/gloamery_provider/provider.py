"""The "Gloamery" provider: one algorithm for each operation the module's table lists."""

from qgis.core import QgsProcessingProvider

import gloamery

from .algorithm import GloameryAlgorithm, offered


class GloameryProvider(QgsProcessingProvider):
    def id(self):
        return "gloamery"

    def name(self):
        return "Gloamery"

    def longName(self):  # noqa: N802 (QGIS's name)
        return f"Gloamery {gloamery.__version__}"

    def versionInfo(self):  # noqa: N802
        return gloamery.__version__

    # Results are Cloud Optimized GeoTIFFs, as gloamery-batch writes them.
    def supportedOutputRasterLayerExtensions(self):  # noqa: N802
        return ["tif"]

    def defaultRasterFileExtension(self):  # noqa: N802
        return "tif"

    def loadAlgorithms(self):  # noqa: N802
        for operation in gloamery.OPERATION_TABLE:
            if offered(operation):
                self.addAlgorithm(GloameryAlgorithm(operation))
