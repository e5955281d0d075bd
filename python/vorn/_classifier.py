"""vorn.Classifier: a run of VORN as a scikit-learn estimator."""

import inspect
import json
import os
import sys
import time
import warnings

import numpy as np

from . import _core
from ._parameters import DEFAULTS, ROW_OF_KEY, ROWS, run_texts, value_of_text

try:  # scikit-learn is optional: its base classes where it is installed
    from sklearn.base import BaseEstimator, ClassifierMixin
    from sklearn.exceptions import NotFittedError
except ImportError:  # pragma: no cover - exercised by a test in a subprocess
    from ._fallback import BaseEstimator, ClassifierMixin, NotFittedError

# The keywords that are not rows of the table.
EXTRA_DEFAULTS = {"random_state": None, "n_jobs": None, "verbose": 0, "callback": None}
HISTORY_COLUMNS = ("generation", "training_fitness", "validation_fitness", "mean_length",
                   "best_length")
# The classes of a program file that does not record them: the runner's
# --predict classes, +1 where the program's value is > 0 and -1 elsewhere.
RUNNER_CLASSES = (-1, 1)


def _points(X, what="X"):
    """X as a C-ordered float64 array of shape (n, 2) with finite values."""
    points = np.asarray(X, dtype=np.float64)
    if points.ndim != 2 or points.shape[1] != 2:
        raise ValueError(f"{what} must have shape (n, 2): one point of the plane a row, "
                         f"not shape {points.shape}")
    if points.shape[0] == 0:
        raise ValueError(f"{what} has no rows")
    bad = ~np.isfinite(points).all(axis=1)
    if bad.any():
        rows = np.flatnonzero(bad)
        raise ValueError(f"{what} holds NaN or infinite values in {rows.size} rows "
                         f"(the first is row {rows[0]})")
    return np.ascontiguousarray(points)


def _seed(random_state):
    if random_state is None:
        return None
    if isinstance(random_state, np.random.RandomState):
        return int(random_state.randint(0, 2**32, dtype=np.uint64))
    if isinstance(random_state, np.random.Generator):
        return int(random_state.integers(0, 2**32))
    seed = int(random_state)
    if seed != random_state or not 0 <= seed < 2**32:
        raise ValueError(f"random_state must be None, a RandomState or a whole number "
                         f"from 0 to 4294967295, not {random_state!r}")
    return seed


def _threads(n_jobs):
    """Scoring threads for the core: None is 1 as in scikit-learn, -1 every
    usable CPU (0 to the core), -2 all but one, and so on."""
    if n_jobs is None:
        return 1
    n_jobs = int(n_jobs)
    if n_jobs == 0:
        raise ValueError("n_jobs == 0 has no meaning; use None, a positive number or -1")
    if n_jobs == -1:
        return 0
    if n_jobs < 0:
        return max(1, len(os.sched_getaffinity(0)) + 1 + n_jobs)
    return n_jobs


def _json_label(label):
    """A class label as a program file can record it."""
    value = label.item() if isinstance(label, np.generic) else label
    return value if isinstance(value, (str, int, float, bool)) else str(value)


class _Progress:
    """The runner's progress line on stderr, redrawn in place (a notebook
    shows it as one line too)."""

    cells = 30

    def __init__(self, generations):
        self.generations = max(int(generations), 1)
        self.started = time.monotonic()

    def update(self, row):
        done = row["generation"]
        filled = min(self.cells, done * self.cells // self.generations)
        line = (f"generation {done} / {self.generations} [{'#' * filled}"
                f"{'-' * (self.cells - filled)}] {time.monotonic() - self.started:.1f} s")
        sys.stderr.write("\r" + line)
        sys.stderr.flush()

    @staticmethod
    def end():
        sys.stderr.write("\n")
        sys.stderr.flush()


class Classifier(ClassifierMixin, BaseEstimator):
    """Evolves a program that tells apart two classes of points in the plane.

    Every parameter of VORN's parameter table is a keyword under its key in
    settings files, with the same default (see ``vorn.parameter_table()``).
    Besides them: ``random_state`` (the run's seed: None for the clock's, a
    whole number, or a RandomState), ``n_jobs`` (scoring threads: None is 1,
    -1 every CPU), ``verbose`` (a progress line on stderr) and ``callback``
    (called with each generation's row as a dict; returning False stops the
    run there).

    The classes are ``classes_`` in sorted order, and ``classes_[1]`` is the
    positive class: ``decision_function`` is the program's value and
    ``predict`` says ``classes_[1]`` where it is > 0 and ``classes_[0]``
    elsewhere (0 and NaN included).
    """

    _estimator_type = "classifier"

    def __init__(self, **params):
        unknown = sorted(set(params) - set(_SIGNATURE_DEFAULTS))
        if unknown:
            raise TypeError(f"Classifier() got unexpected keyword arguments {unknown}")
        for name, default in _SIGNATURE_DEFAULTS.items():
            setattr(self, name, params.get(name, default))

    def _more_tags(self):
        return {"binary_only": True}

    def fit(self, X, y):
        """Runs the evolution on the points X (shape (n, 2)) with labels y
        of exactly two classes; the run's best program is kept."""
        points = _points(X)
        labels = np.asarray(y)
        if labels.ndim == 2 and labels.shape[1] == 1:
            labels = labels.ravel()
        if labels.ndim != 1 or labels.shape[0] != points.shape[0]:
            raise ValueError(f"y must hold one label per row of X ({points.shape[0]}), "
                             f"not shape {labels.shape}")
        if labels.dtype.kind == "f" and np.isnan(labels).any():
            raise ValueError("y holds NaN labels")
        classes, index = np.unique(labels, return_inverse=True)
        if classes.size != 2:
            raise ValueError(f"y must hold exactly two classes, not {classes.size}: "
                             f"{classes[:5].tolist()}")
        texts = run_texts(self)
        seed = _seed(self.random_state)
        threads = _threads(self.n_jobs)
        progress = _Progress(_whole(self, "generations")) if self.verbose else None
        callback = self.callback
        # The core stops the run when the callback returns False.
        on_generation = callback
        if progress is not None:
            def on_generation(row):
                progress.update(row)
                return callback is None or callback(row) is not False

        try:
            result = _core.run(texts, points[:, 0].copy(), points[:, 1].copy(),
                               (index == 1).astype(np.uint8), seed, threads,
                               str(classes[1]), on_generation)
        finally:
            if progress is not None:
                progress.end()
        for notice in result["notices"]:
            warnings.warn(notice, stacklevel=2)
        if not result["program"]:
            raise RuntimeError("the run stopped before its first generation was done")
        program = json.loads(result["program"])
        program["provenance"]["classes"] = [_json_label(label) for label in classes]
        self.classes_ = classes
        self.n_features_in_ = 2
        self.program_ = program
        self.formula_ = result["formula"]
        self.history_ = {column: [row[column] for row in result["history"]]
                         for column in HISTORY_COLUMNS}
        self.seed_ = result["seed"]
        self.stopped_ = result["stopped"]
        return self

    def _program_text(self):
        if not hasattr(self, "program_"):
            raise NotFittedError("This Classifier is not fitted yet; call fit or vorn.load first")
        return json.dumps(self.program_)

    def decision_function(self, X):
        """The program's value at each point: > 0 for classes_[1]."""
        text = self._program_text()
        points = _points(X)
        return _core.values(text, points[:, 0].copy(), points[:, 1].copy())

    def predict(self, X):
        """classes_[1] where the program's value is > 0, classes_[0] elsewhere."""
        positive = self.decision_function(X) > 0
        return self.classes_[positive.astype(np.intp)]

    def save(self, path):
        """Writes the program file, which ``vorn-run --predict``, ``--score``
        and ``--export`` read and ``vorn.load`` reads back."""
        _core.write_program(os.fspath(path), self._program_text())


def _whole(estimator, key):
    """A whole-number parameter's value, or its default when it is none."""
    value = getattr(estimator, key)
    try:
        return int(value)
    except (TypeError, ValueError):
        return DEFAULTS[key]


_SIGNATURE_DEFAULTS = {**DEFAULTS, **EXTRA_DEFAULTS}
# scikit-learn reads an estimator's parameters from the signature of its
# __init__: this one lists the table's keywords, made from the table.
Classifier.__init__.__signature__ = inspect.Signature(
    [inspect.Parameter("self", inspect.Parameter.POSITIONAL_OR_KEYWORD)] +
    [inspect.Parameter(name, inspect.Parameter.KEYWORD_ONLY, default=default)
     for name, default in _SIGNATURE_DEFAULTS.items()])


def load(path):
    """A fitted Classifier from a program file: the program, and as
    parameters the run's settings and seed as the file records them."""
    path = os.fspath(path)
    if not os.path.exists(path):
        raise FileNotFoundError(f"no program file {path!r}")
    text = _core.read_program(path)
    program = json.loads(text)
    provenance = program.get("provenance", {})
    params = {key: value_of_text(ROW_OF_KEY[key], recorded)
              for key, recorded in provenance.get("parameters", {}).items()
              if key in ROW_OF_KEY and isinstance(recorded, str)}
    estimator = Classifier(**params, random_state=provenance.get("seed"))
    estimator.program_ = program
    estimator.formula_ = _core.formula(text)
    estimator.classes_ = np.array(provenance.get("classes", RUNNER_CLASSES))
    estimator.n_features_in_ = 2
    estimator.history_ = {column: [] for column in HISTORY_COLUMNS}
    estimator.seed_ = provenance.get("seed")
    estimator.stopped_ = False
    return estimator


def parameter_table():
    """The rows of the parameter table the keywords come from, as dicts:
    key, caption, kind, default (the text), choices and description."""
    return [dict(row) for row in ROWS]
