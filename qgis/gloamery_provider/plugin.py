"""Registers the provider when QGIS (or qgis_process) starts its Processing framework."""

from qgis.core import QgsApplication

from .provider import GloameryProvider


class GloameryPlugin:
    def __init__(self, iface=None):
        self.iface = iface
        self.provider = None

    def initProcessing(self):  # noqa: N802 (QGIS's name)
        self.provider = GloameryProvider()
        QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self):  # noqa: N802
        self.initProcessing()

    def unload(self):
        if self.provider is not None:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None
