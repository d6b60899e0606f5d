"""The Gloamery Processing provider as a QGIS plugin."""


def classFactory(iface):  # noqa: N802 (QGIS's name)
    from .plugin import GloameryPlugin

    return GloameryPlugin(iface)
