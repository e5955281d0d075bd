"""The module and the runner agree bit for bit: fit makes the run that
vorn-run makes of the same points written as a CSV file, and
decision_function gives --predict's values."""

import json
import os
import subprocess

import numpy as np
import pytest

import vorn
from conftest import SMALL, ring

RUNNER = os.environ["VORN_RUN"]
ALL_FUNCTIONS = "+,-,*,/,sin,cos,tan,ln,log10,IFLTE"


def runner(*args, cwd):
    return subprocess.run([RUNNER, *map(str, args)], cwd=cwd, capture_output=True, text=True,
                          check=True).stdout


def write_csv(path, X, y):
    with open(path, "w") as file:
        for (a, b), label in zip(X, y):
            file.write(f"{a!r},{b!r},{label}\n")


def same_bits(a, b):
    """Equal doubles, -0 told from 0; any NaN equals any NaN (--predict
    prints them all as "nan")."""
    a, b = np.asarray(a, dtype=np.float64), np.asarray(b, dtype=np.float64)
    nan = np.isnan(a)
    return np.array_equal(nan, np.isnan(b)) and np.array_equal(a[~nan].view(np.uint64),
                                                               b[~nan].view(np.uint64))


@pytest.mark.parametrize("options", [
    {},
    {"selection": "lexicase"},
    {"selection": "epsilon-lexicase", "parsimony": "lexicographic"},
    {"parsimony": "penalty", "size_penalty": 0.01, "elite": False},
    {"holdout": 0.3, "selection": "tournament", "tournament_size": 4},
    {"objectives": "error-and-size"},
    {"functions": ALL_FUNCTIONS, "constant_min": -5, "constant_max": 5, "max_length": 40},
])
def test_fit_makes_the_runners_run(tmp_path, options):
    X, y = ring(n=150, seed=3, labels=("no", "yes"))
    clf = vorn.Classifier(**SMALL, **options, random_state=11).fit(X, y)
    write_csv(tmp_path / "train.csv", X, y)
    settings = ["format = vorn-settings 1"] + [
        f"{key} = {text}" for key, text in vorn._parameters.run_texts(clf)]
    (tmp_path / "run.vornsettings").write_text("\n".join(settings) + "\n")
    out = runner("train.csv", "--settings", "run.vornsettings", "--columns", "1,2,3",
                 "--positive", clf.classes_[1], "--seed", 11, "--save-program", "cli.json",
                 "--csv", "generations.csv", cwd=tmp_path)

    saved = json.loads((tmp_path / "cli.json").read_text())
    ours = json.loads(json.dumps(clf.program_))
    # Only what the data came in differs: a file there, arrays here.
    for program in (saved, ours):
        program["provenance"].pop("data")
    assert ours["provenance"].pop("classes") == ["no", "yes"]
    assert ours == saved

    history = clf.history_
    rows = [dict(zip(history, values)) for values in zip(*history.values())]
    assert (tmp_path / "generations.csv").read_text() == vorn._core.generation_table(rows)
    printed = "best validation z=" if options.get("holdout") else "z="
    assert printed + clf.formula_ in out.splitlines()


def awkward_points(n, seed):
    """Points of every magnitude, with the values where the primitives are
    protected or switch: zeros of both signs, equal coordinates, the ends of
    the 32-bit range that ln and log10 truncate to, the largest and the
    smallest doubles."""
    rng = np.random.default_rng(seed)
    special = [0.0, -0.0, 1.0, -1.0, 0.5, 2.0**31, 2.0**31 - 1, -(2.0**31), 2.0**31 - 0.5,
               -(2.0**31) - 0.5, 1e308, -1e308, 5e-324, np.pi / 2, 1e-300]
    grid = np.array([(a, b) for a in special for b in special])
    magnitudes = 10.0 ** rng.uniform(-300, 300, size=(n - 2 * len(grid), 2))
    random = magnitudes * rng.choice([-1.0, 1.0], size=magnitudes.shape)
    points = np.vstack([grid, grid[:, [0, 0]], random])
    assert points.shape == (n, 2)
    return points


# Every primitive, with divisions by zero and logarithms of nothing.
PROTECTED = {
    "format": "vorn-program", "version": 1, "semantics": 1,
    "gene": ["+", "IFLTE", "ln", "input1", "log10", "input2", "/", "input1", "-", "input2",
             "input2", "/", "tan", "input1", "sin", "input2", "cos", "*", "input1", "input2"],
    "inputs": ["x", "y"], "output": "z", "training_fitness": 0.5, "validation_count": None,
    "provenance": {},
}


def test_decision_function_gives_the_runners_predictions(tmp_path):
    points = awkward_points(10_000, seed=5)
    with open(tmp_path / "points.txt", "w") as file:
        file.writelines(f"{a!r} {b!r}\n" for a, b in points)
    (tmp_path / "protected.json").write_text(json.dumps(PROTECTED))
    X, y = ring(n=150, seed=8, labels=("a", "b"))
    fitted = vorn.Classifier(**SMALL, functions=ALL_FUNCTIONS, constant_min=-3, constant_max=3,
                             random_state=2).fit(X, y)
    fitted.save(tmp_path / "fitted.json")

    for name, clf in (("protected.json", vorn.load(tmp_path / "protected.json")),
                      ("fitted.json", fitted)):
        lines = runner("--predict", name, "points.txt", cwd=tmp_path).split("\n")[:-1]
        printed = [line.split(" ") for line in lines]
        assert len(printed) == len(points)
        values = clf.decision_function(points)
        assert same_bits(values, [float(fields[2]) for fields in printed]), name
        expected = [clf.classes_[1] if fields[3] == "+1" else clf.classes_[0]
                    for fields in printed]
        assert list(clf.predict(points)) == expected, name
    # A program file without classes predicts the runner's +1 and -1.
    assert list(vorn.load(tmp_path / "protected.json").classes_) == [-1, 1]
