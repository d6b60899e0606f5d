"""The algorithms' control parameters, made from the module's control schema.

Pure Python (no QGIS), so the naming and the values can be checked anywhere.
A control's parameter is named by its settings key in capitals, as QGIS's
own algorithms name theirs: "darkness" is DARKNESS, "sun.azimuth" AZIMUTH,
"sun.sky-rays" SKY_RAYS. A pair kept under one key has a parameter a part,
named by the key and the last word of the part's caption (GROUND_ACROSS,
GROUND_DOWN; SKY_RAYS_AZIMUTHS, SKY_RAYS_ALTITUDES).
"""

from dataclasses import dataclass
from typing import Optional, Tuple

# The controls an elevation raster sets itself (its pixel size, its
# elevation range), as gloamery-batch --open does: left empty, the
# raster's own stand.
RASTER_UNITS = ("ground", "vertical")


@dataclass(frozen=True)
class Parameter:
    name: str                  # INPUT-style name: AZIMUTH
    caption: str               # what QGIS shows: "Azimuth"
    control: str               # the module's attribute it sets: "sun_angle"
    part: int                  # which part of the control (0, or 1 for a pair's second)
    parts: int                 # how many parts the control has
    kind: str                  # number, whole, number-text, flag, choice or text
    low: Optional[float]
    high: Optional[float]
    default: object            # None: the raster's own (RASTER_UNITS)
    choices: Tuple[str, ...] = ()
    help: str = ""


def _capitals(key):
    return key.split(".")[-1].replace("-", "_").upper()


def _start_values(row):
    text = row["start"]
    values = text.split(",")
    return values if len(values) == row["count"] else [values[0]] * row["count"]


def _value(kind, text, row):
    if kind == "flag":
        return text == "on"
    if kind == "choice":
        return row["choices"].index(text)
    if kind == "whole":
        return int(text)
    if kind in ("number", "number-text"):
        return float(text)
    return text


def parameters_of(row):
    """The QGIS parameters of one control row, in its parts' order."""
    starts = _start_values(row)
    out = []
    for i in range(row["count"]):
        part = row["parts"][i]
        if part["key"]:
            name = _capitals(part["key"])
        elif row["count"] == 1:
            name = _capitals(row["key"])
        else:
            name = _capitals(row["key"]) + "_" + part["caption"].split()[-1].upper()
        ranged = row["kind"] in ("number", "whole")
        default = None if row["python"] in RASTER_UNITS else _value(row["kind"], starts[i], row)
        out.append(Parameter(
            name=name, caption=part["caption"], control=row["python"], part=i, parts=row["count"],
            kind=row["kind"], low=part["lo"] if ranged else None, high=part["hi"] if ranged else None,
            default=default, choices=tuple(row["choices"]), help=row["needs"]))
    return out


def control_value(row, values, current):
    """The value to set a control to from its parameters' values (None where
    left empty), or None to leave it as it is; `current` is the value it
    holds (the raster's own for the units). A pair whose second part may be
    left out takes the first for both, as --ground GX does."""
    if all(v is None for v in values):
        return None
    if row["count"] == 1:
        value = values[0]
    else:
        if values[1] is None and row["second_optional"]:
            values = [values[0], values[0]]
        value = tuple(c if v is None else v for v, c in zip(values, current))
    if row["kind"] == "choice":
        return row["choices"][value]
    return value
