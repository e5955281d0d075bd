"""VORN from Python: evolve a program that tells apart two classes of points
in the plane, as a scikit-learn estimator.

    >>> import vorn
    >>> clf = vorn.Classifier(population_size=200, generations=20, random_state=1)
    >>> clf.fit(X, y).score(X, y)
    >>> clf.formula_

See the documentation page docs/user-guide/python.md.
"""

from ._classifier import Classifier, load, parameter_table
from ._core import version

__version__ = version.split()[1]  # "vorn 1.0.0 (git ...)"
__all__ = ["Classifier", "load", "parameter_table", "version"]
