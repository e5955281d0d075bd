"""vorn.Classifier inside scikit-learn's tools."""

import numpy as np
from sklearn.base import clone
from sklearn.model_selection import GridSearchCV, cross_val_score
from sklearn.pipeline import make_pipeline
from sklearn.preprocessing import StandardScaler

import vorn
from conftest import SMALL, ring


def test_clone_copies_the_parameters_not_the_fit(data):
    clf = vorn.Classifier(**SMALL, selection="epsilon-lexicase", random_state=3).fit(*data)
    copy = clone(clf)
    assert copy.get_params() == clf.get_params() and not hasattr(copy, "program_")
    assert copy.set_params(parsimony="lexicographic").parsimony == "lexicographic"
    assert "selection='epsilon-lexicase'" in repr(copy)


def test_pipeline_with_a_scaler(data):
    X, y = data
    # Scaled far away from the unit square, as raw measurements may be.
    far = X * 1000 + 5000
    pipeline = make_pipeline(StandardScaler(), vorn.Classifier(**SMALL, random_state=2))
    pipeline.fit(far, y)
    assert np.array_equal(pipeline.predict(far),
                          pipeline[-1].predict(pipeline[0].transform(far)))
    assert 0 <= pipeline.score(far, y) <= 1


def test_cross_val_score_gives_one_score_a_fold(data):
    scores = cross_val_score(vorn.Classifier(**SMALL, random_state=1), *data, cv=3)
    assert scores.shape == (3,) and ((0 <= scores) & (scores <= 1)).all()


def test_grid_search_in_two_processes():
    X, y = ring(n=120, seed=4, labels=(0, 1))
    grid = {"selection": ["tournament", "lexicase"], "parsimony": ["none", "penalty"]}
    search = GridSearchCV(vorn.Classifier(**SMALL, random_state=7), grid, cv=2, n_jobs=2)
    search.fit(X, y)
    assert len(search.cv_results_["params"]) == 4
    assert search.best_params_ in search.cv_results_["params"]
    # The refitted best is the same run as a fit of its own.
    best = clone(search.best_estimator_).fit(X, y)
    assert best.program_ == search.best_estimator_.program_
