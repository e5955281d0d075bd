"""vorn.Classifier on its own: keywords from the table, refusals, labels,
program files, pickling, stopping and the GIL."""

import inspect
import json
import os
import pickle
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import vorn
from vorn import _parameters
from conftest import SMALL, ring

EXTRAS = {"random_state", "n_jobs", "verbose", "callback"}


def test_every_keyed_row_is_a_keyword_with_the_tables_default():
    signature = inspect.signature(vorn.Classifier)
    rows = {row["key"]: row for row in vorn.parameter_table()}
    assert set(signature.parameters) == set(rows) | EXTRAS
    for key, row in rows.items():
        default = signature.parameters[key].default
        assert type(default) is {"whole_number": int, "real": float, "flag": bool}.get(
            row["kind"], str), key
        # The default goes back to the runner as the table's own text.
        assert _parameters.text_of_value(row, default) == row["default"], key
    # The search options are rows of the table too.
    assert {"selection", "parsimony", "size_penalty", "holdout", "objectives"} <= set(rows)
    assert "epsilon-lexicase" in rows["selection"]["choices"]


def test_program_records_the_texts_the_runner_would_record(data):
    clf = vorn.Classifier(**SMALL, crossover=0.5, functions=["+", "*"], elite=False,
                          random_state=4).fit(*data)
    recorded = clf.program_["provenance"]["parameters"]
    assert recorded["crossover"] == "0.5" and recorded["mutation"] == "0.20"
    assert recorded["functions"] == "+,*" and recorded["elite"] == "false"
    assert recorded["population_size"] == "60" and clf.program_["provenance"]["seed"] == 4


@pytest.mark.parametrize("X, y, message", [
    (np.zeros((4, 3)), [0, 1, 0, 1], r"shape \(n, 2\)"),
    (np.zeros(4), [0, 1, 0, 1], r"shape \(n, 2\)"),
    (np.zeros((0, 2)), [], "no rows"),
    ([[0, 0], [1, np.nan], [2, 2]], [0, 1, 0], "NaN or infinite values in 1 rows .*row 1"),
    ([[0, 0], [1, np.inf]], [0, 1], "NaN or infinite"),
    ([[0, 0], [1, 1]], [1, 1], "exactly two classes, not 1"),
    ([[0, 0], [1, 1], [2, 2]], ["a", "b", "c"], "exactly two classes, not 3"),
    ([[0, 0], [1, 1]], [0, 1, 1], "one label per row"),
    ([[0, 0], [1e39, 1]], [0, 1], "32-bit float range"),
])
def test_unusable_data_is_refused_with_a_value_error(X, y, message):
    with pytest.raises(ValueError, match=message):
        vorn.Classifier(**SMALL).fit(X, y)


@pytest.mark.parametrize("params, message", [
    ({"population_size": 0}, "Population Size"),
    ({"selection": "roulette"}, "Selection"),
    ({"holdout": 1.0}, "Hold-out"),
    ({"functions": "+,sqrt"}, "sqrt|Functions"),
    ({"random_state": -1}, "random_state"),
    ({"random_state": 2**32}, "random_state"),
    ({"n_jobs": 0}, "n_jobs"),
])
def test_unusable_parameters_are_refused_at_fit(data, params, message):
    clf = vorn.Classifier(**{**SMALL, **params})  # never at construction
    with pytest.raises(ValueError, match=message):
        clf.fit(*data)


def test_unknown_keyword_is_a_type_error():
    with pytest.raises(TypeError, match="populationsize"):
        vorn.Classifier(populationsize=10)


@pytest.mark.parametrize("labels", [("b", "a"), (0, 1), (5, -3), (False, True), (1.0, 2.0)])
def test_any_two_labels_the_sorted_second_positive(labels):
    X, text_y = ring(seed=1)
    y = np.where(text_y == "inside", labels[0], labels[1])
    clf = vorn.Classifier(**SMALL, random_state=2).fit(X, y)
    assert list(clf.classes_) == sorted(labels)
    assert clf.program_["provenance"]["positive"] == str(clf.classes_[1])
    values = clf.decision_function(X)
    assert np.array_equal(clf.predict(X), np.where(values > 0, clf.classes_[1], clf.classes_[0]))
    assert clf.score(X, y) == np.mean(clf.predict(X) == y)


def test_same_seed_same_run_on_any_number_of_threads(data):
    one = vorn.Classifier(**SMALL, random_state=9, n_jobs=1).fit(*data)
    two = vorn.Classifier(**SMALL, random_state=9, n_jobs=2).fit(*data)
    other = vorn.Classifier(**SMALL, random_state=10).fit(*data)
    assert one.program_ == two.program_ and one.history_ == two.history_
    assert one.program_["gene"] != other.program_["gene"]
    assert len(one.history_["generation"]) == SMALL["generations"] and one.seed_ == 9


def test_save_load_and_pickle_keep_the_model(data, tmp_path):
    X, y = data
    clf = vorn.Classifier(**SMALL, selection="tournament", holdout=0.25, random_state=5).fit(X, y)
    clf.save(tmp_path / "model.json")
    loaded = vorn.load(tmp_path / "model.json")
    revived = pickle.loads(pickle.dumps(clf))
    for model in (loaded, revived):
        assert np.array_equal(model.predict(X), clf.predict(X))
        assert list(model.classes_) == list(clf.classes_) and model.formula_ == clf.formula_
    # The file's settings and seed are the loaded model's parameters: a new
    # fit repeats the run.
    assert loaded.get_params() == {**clf.get_params()}
    assert loaded.fit(X, y).program_ == clf.program_
    with pytest.raises(FileNotFoundError):
        vorn.load(tmp_path / "missing.json")
    (tmp_path / "bad.json").write_text('{"format": "vorn-program", "gene": ["sqrt"]}')
    with pytest.raises(OSError, match="bad.json"):
        vorn.load(tmp_path / "bad.json")


def test_unfitted_model_says_so():
    from sklearn.exceptions import NotFittedError
    with pytest.raises(NotFittedError):
        vorn.Classifier().predict([[0, 0]])


def test_callback_sees_every_generation_and_false_stops(data):
    rows = []
    clf = vorn.Classifier(**SMALL, random_state=1, callback=rows.append).fit(*data)
    assert rows == [dict(zip(clf.history_, values)) for values in zip(*clf.history_.values())]
    assert not clf.stopped_
    stopped = vorn.Classifier(**SMALL, random_state=1,
                              callback=lambda row: row["generation"] < 3).fit(*data)
    assert stopped.stopped_ and stopped.history_["generation"] == [1, 2, 3]


def test_callback_errors_end_the_fit(data):
    def fail(row):
        raise ArithmeticError(f"at {row['generation']}")
    with pytest.raises(ArithmeticError, match="at 1"):
        vorn.Classifier(**SMALL, callback=fail).fit(*data)


def test_verbose_draws_the_progress_line(data, capsys):
    vorn.Classifier(**SMALL, verbose=1).fit(*data)
    assert "\rgeneration 6 / 6 [" + "#" * 30 + "]" in capsys.readouterr().err


def test_interrupt_stops_the_run_with_keyboard_interrupt(data):
    # SIGINT arrives while the core runs, as Ctrl+C would. The callback is
    # a builtin, so no Python code of the fit's thread could notice the
    # signal: the run's own check between generations must.
    seen = []

    def interrupt():
        while not seen:
            time.sleep(0.001)
        os.kill(os.getpid(), signal.SIGINT)

    sender = threading.Thread(target=interrupt)
    sender.start()
    generations = 3000
    with pytest.raises(KeyboardInterrupt):
        vorn.Classifier(population_size=40, generations=generations,
                        callback=seen.append).fit(*data)
    sender.join()
    assert len(seen) < generations


def test_other_threads_run_python_while_a_fit_runs(data):
    # With no forced switches, a thread holding the GIL keeps it until it
    # lets go: the counter moves during the fit only if the run lets go.
    counter = [0]
    seen = []
    done = threading.Event()

    def count():
        while not done.is_set():
            counter[0] += 1
            time.sleep(0)  # lets go of the GIL, so the fit's callback gets it back

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1000)
    counting = threading.Thread(target=count)
    counting.start()
    try:
        vorn.Classifier(population_size=300, generations=30,
                        callback=lambda row: seen.append(counter[0])).fit(*data)
    finally:
        done.set()
        sys.setswitchinterval(interval)
        counting.join()
    assert seen[-1] > seen[0]


def test_without_scikit_learn_the_estimator_still_works(data):
    script = """
import sys
sys.modules["sklearn"] = None
import numpy as np, vorn
X, y = np.array(%r), np.array(%r)
clf = vorn.Classifier(population_size=60, generations=3, random_state=1)
assert clf.set_params(generations=4) is clf and clf.get_params()["generations"] == 4
try:
    clf.set_params(generation=4)
except ValueError:
    pass
else:
    raise AssertionError("unknown parameter accepted")
print(repr(clf), clf.fit(X, y).score(X, y) == np.mean(clf.predict(X) == y))
""" % (data[0].tolist(), data[1].tolist())
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                         check=True).stdout
    assert out == "Classifier(generations=4, population_size=60, random_state=1) True\n"
