"""Shared data and settings for the tests of the Python module: runs small
enough that the whole suite takes seconds."""

import numpy as np
import pytest

# Few programs and generations: enough for programs to differ between seeds.
SMALL = {"population_size": 60, "generations": 6}


def ring(n=160, seed=0, labels=("inside", "outside")):
    """Points of the plane labelled by whether they lie in the unit circle."""
    rng = np.random.default_rng(seed)
    X = rng.uniform(-2, 2, size=(n, 2))
    y = np.where((X**2).sum(axis=1) < 1.5, labels[0], labels[1])
    return X, y


@pytest.fixture
def data():
    return ring()
