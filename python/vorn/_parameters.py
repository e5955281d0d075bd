"""The parameter table as keywords.

Every row of the core's parameter table that has a settings key is a keyword
of Classifier under that key, its default the table's default text read as a
Python value. A new row in the table is a new keyword, with nothing to add
here.
"""

import numbers

import numpy as np

from . import _core

ROWS = tuple(_core.parameters())
ROW_OF_KEY = {row["key"]: row for row in ROWS}


def value_of_text(row, text):
    """The Python value of a parameter text; the text itself when it is no
    value of the row's kind (the run then refuses it with its message)."""
    kind = row["kind"]
    try:
        if kind == "whole_number":
            return int(text)
        if kind == "real":
            return float(text)
    except ValueError:
        return text
    if kind == "flag" and text in ("true", "false"):
        return text == "true"
    return text


DEFAULTS = {row["key"]: value_of_text(row, row["default"]) for row in ROWS}


def text_of_value(row, value):
    """The text a run is given for a value, as the runner would take it.

    The default value keeps the table's own text ("0.70", not "0.7"), so a
    program file records the same parameters as the runner's.
    """
    key = row["key"]
    if isinstance(value, (bool, np.bool_)):
        return "true" if value else "false"
    if isinstance(value, str):
        return value
    if isinstance(value, numbers.Integral):
        text = str(int(value))
    elif isinstance(value, numbers.Real):
        text = repr(float(value))
    elif isinstance(value, (list, tuple)) and all(isinstance(item, str) for item in value):
        return ",".join(value)
    else:
        raise TypeError(f"{key} takes a {row['kind'].replace('_', ' ')}, "
                        f"not {type(value).__name__} {value!r}")
    if row["kind"] in ("whole_number", "real") and value == DEFAULTS[key]:
        return row["default"]
    return text


def run_texts(estimator):
    """(settings key, text) of every parameter of the estimator."""
    return [(row["key"], text_of_value(row, getattr(estimator, row["key"]))) for row in ROWS]
