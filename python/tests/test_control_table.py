"""Every row of the control table is a workspace property made from the row:
its start, its ranges, its choices and its words, whatever its kind."""

import re

import pytest

import gloamery

ROWS = [row for row in gloamery.CONTROL_SCHEMA if row["python"]]
RANGED = ("number", "whole", "number-text")


def rows(kinds=None):
    return [pytest.param(row, id=row["python"]) for row in ROWS if kinds is None or row["kind"] in kinds]


def start_value(row):
    """The row's start as Python holds it (a choice as its name)."""
    texts = row["start"].split(",")
    if row["kind"] == "choice":
        return row["start"]
    if row["kind"] == "flag":
        return row["start"] == "on"
    if row["kind"] == "text":
        return None if row["start"] == "none" else row["start"]
    numbers = [int(t) if row["kind"] == "whole" else float(t) for t in texts]
    return numbers[0] if row["count"] == 1 else tuple(numbers)


def refused_in_the_rows_words(row):
    return pytest.raises(ValueError, match="^" + re.escape(f"{row['python']} needs {row['needs']}, not "))


def beyond(row, part):
    """A value just outside each end of a part's range (an infinity for a
    number-text row, whose range is every finite number)."""
    lo, hi = row["parts"][part]["lo"], row["parts"][part]["hi"]
    if row["kind"] == "whole":
        return [int(lo) - 1, int(hi) + 1]
    return [lo - max(1.0, abs(lo)) * 0.5, hi + max(1.0, abs(hi)) * 0.5]


@pytest.mark.parametrize("row", rows())
def test_every_row_is_a_property_starting_at_the_rows_start(row):
    name = row["python"]
    assert isinstance(vars(gloamery.Workspace)[name], property)
    ws = gloamery.Workspace(8, 8)
    start = getattr(ws, name)
    # By repr, so a float where an int belongs (or a text for None) shows.
    choice = row["kind"] == "choice"
    assert (str(start) if choice else repr(start)) == (start_value(row) if choice else repr(start_value(row)))
    assert repr(start) in vars(gloamery.Workspace)[name].__doc__
    setattr(ws, name, start)
    assert getattr(ws, name) == start


@pytest.mark.parametrize("row", rows(RANGED))
def test_values_beyond_each_parts_range_are_refused_in_the_rows_words(row):
    ws = gloamery.Workspace(8, 8)
    start = getattr(ws, row["python"])
    for part in range(row["count"]):
        for bad in beyond(row, part):
            value = bad if row["count"] == 1 else tuple(bad if i == part else v for i, v in enumerate(start))
            with refused_in_the_rows_words(row):
                setattr(ws, row["python"], value)
            assert getattr(ws, row["python"]) == start


@pytest.mark.parametrize("row", rows(("choice", "text")))
def test_a_text_no_row_takes_is_refused_in_its_words(row):
    ws = gloamery.Workspace(8, 8)
    with refused_in_the_rows_words(row):
        setattr(ws, row["python"], "" if row["kind"] == "text" else "no such choice")


@pytest.mark.parametrize("row, name", [pytest.param(row, name, id=f"{row['python']}={name}")
                                       for row in ROWS for name in row["choices"]])
def test_every_choice_reads_back_as_set(row, name):
    # Choices that are numbers (the normal map's depths) are ints to Python, and taken as ints or texts.
    held = int(name) if name.isdigit() else name
    for given in {name, held}:
        ws = gloamery.Workspace(8, 8)
        setattr(ws, row["python"], given)
        assert repr(getattr(ws, row["python"])) == repr(held)


@pytest.mark.parametrize("row", rows())
def test_a_value_of_another_type_is_a_type_error_naming_the_control(row):
    ws = gloamery.Workspace(8, 8)
    with pytest.raises(TypeError, match="^" + re.escape(f"{row['python']} needs ")):
        setattr(ws, row["python"], object())


@pytest.mark.parametrize("row", [r for r in rows() if r.values[0]["second_optional"]])
def test_one_number_stands_for_both_where_the_second_may_be_left_out(row):
    ws = gloamery.Workspace(8, 8)
    setattr(ws, row["python"], 3)
    assert getattr(ws, row["python"]) == (3, 3)
