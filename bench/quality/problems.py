"""The problems of the quality benchmark: two-class data in the plane, each
split 70/30 into training and test points (stratified, fixed seed) and
standardized on its training points.

Every problem is the same on every run: the generated ones draw from numpy
generators with fixed seeds, the real ones come from the data sets bundled
with scikit-learn. Coordinates are rounded to six significant digits, the
form VORN's cell texts hold, so VORN and scikit-learn see the same numbers.
"""

from dataclasses import dataclass
from pathlib import Path

import numpy as np
from sklearn import datasets
from sklearn.decomposition import PCA
from sklearn.model_selection import train_test_split
from sklearn.pipeline import make_pipeline
from sklearn.preprocessing import StandardScaler

TEST_SHARE = 0.3
SPLIT_SEED = 0


@dataclass
class Problem:
    name: str
    origin: str
    x_train: np.ndarray
    y_train: np.ndarray
    x_test: np.ndarray
    y_test: np.ndarray
    train_csv: Path = None
    test_csv: Path = None


def six_digits(values):
    return np.vectorize(lambda v: float(f"{v:.6g}"))(values)


def bundled(data_dir, file_name):
    # A data file holds a positive and a negative point per line.
    rows = np.loadtxt(Path(data_dir) / file_name, ndmin=2)
    points = np.vstack([rows[:, 0:2], rows[:, 2:4]])
    labels = np.concatenate([np.ones(len(rows), int), np.zeros(len(rows), int)])
    return points, labels


def spirals(rng, n_per_class=200, noise=0.35):
    t = np.sqrt(rng.uniform(0.0, 1.0, n_per_class)) * 3.0 * np.pi
    arm = np.column_stack([t * np.cos(t), t * np.sin(t)])
    points = np.vstack([arm, -arm]) + rng.normal(0.0, noise, (2 * n_per_class, 2))
    return points, np.repeat([1, 0], n_per_class)


def checkerboard(rng, n=400, cells=4):
    # Cells of side 1 centred on the origin.
    points = rng.uniform(-cells / 2, cells / 2, (n, 2))
    labels = (np.floor(points[:, 0]) + np.floor(points[:, 1])).astype(int) % 2
    return points, 1 - labels


def nested_gaussians(rng, n_per_class=200):
    inner = rng.normal(0.0, 1.0, (n_per_class, 2))
    outer = rng.normal(0.0, 2.5, (n_per_class, 2))
    return np.vstack([inner, outer]), np.repeat([1, 0], n_per_class)


def xor_blobs(rng, n_per_blob=100, spread=0.5):
    centres = np.array([[1, 1], [-1, -1], [1, -1], [-1, 1]], float)
    points = np.vstack([c + rng.normal(0.0, spread, (n_per_blob, 2)) for c in centres])
    return points, np.repeat([1, 1, 0, 0], n_per_blob)


def one_against_rest(loader, positive_class):
    data = loader()
    return data.data, (data.target == positive_class).astype(int)


# Name, origin text and a maker returning (points, labels). Real data sets
# have many features; they are reduced to their first two principal
# components, fitted on the training split only (see split()).
def problem_makers(data_dir):
    return [
        ("two_spirals", "bundled data/two_spirals.txt", lambda: bundled(data_dir, "two_spirals.txt")),
        ("circle", "bundled data/circle.txt", lambda: bundled(data_dir, "circle.txt")),
        ("two_clouds", "bundled data/two_clouds.txt", lambda: bundled(data_dir, "two_clouds.txt")),
        ("moons", "make_moons, 400 points, noise 0.25", lambda: datasets.make_moons(400, noise=0.25, random_state=1)),
        (
            "circles",
            "make_circles, 400 points, noise 0.1, factor 0.5",
            lambda: datasets.make_circles(400, noise=0.1, factor=0.5, random_state=2),
        ),
        ("spirals", "two noisy spiral arms, 1.5 turns, 400 points", lambda: spirals(np.random.default_rng(3))),
        ("checkerboard", "4 x 4 unit cells, 400 uniform points", lambda: checkerboard(np.random.default_rng(4))),
        (
            "nested_gauss",
            "N(0, 1) inside N(0, 2.5^2), 200 points each",
            lambda: nested_gaussians(np.random.default_rng(5)),
        ),
        ("xor", "four blobs at (+-1, +-1), sd 0.5, 400 points", lambda: xor_blobs(np.random.default_rng(6))),
        (
            "breast_cancer",
            "scikit-learn breast cancer, malignant vs benign, PCA 2 of 30",
            lambda: one_against_rest(datasets.load_breast_cancer, 0),
        ),
        (
            "iris_versicolor",
            "scikit-learn iris, versicolor vs rest, PCA 2 of 4",
            lambda: one_against_rest(datasets.load_iris, 1),
        ),
        (
            "wine_class1",
            "scikit-learn wine, class 1 vs rest, PCA 2 of 13",
            lambda: one_against_rest(datasets.load_wine, 1),
        ),
    ]


def split(name, origin, points, labels):
    x_train, x_test, y_train, y_test = train_test_split(
        points, labels, test_size=TEST_SHARE, stratify=labels, random_state=SPLIT_SEED
    )
    steps = [StandardScaler()]
    if points.shape[1] > 2:
        steps += [PCA(n_components=2), StandardScaler()]
    scale = make_pipeline(*steps).fit(x_train)
    return Problem(
        name,
        origin,
        six_digits(scale.transform(x_train)),
        y_train,
        six_digits(scale.transform(x_test)),
        y_test,
    )


def write_csv(path, points, labels):
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("x,y,label\n")
        for (x, y), label in zip(points, labels):
            out.write(f"{x:.6g},{y:.6g},{int(label)}\n")


def make_problems(data_dir, out_dir, names=None):
    """The problems (all, or those named), their CSV files written to out_dir."""
    out_dir = Path(out_dir)
    out_dir.mkdir(parents=True, exist_ok=True)
    problems = []
    for name, origin, maker in problem_makers(data_dir):
        if names and name not in names:
            continue
        points, labels = maker()
        problem = split(name, origin, np.asarray(points, float), np.asarray(labels, int))
        problem.train_csv = out_dir / f"{name}-train.csv"
        problem.test_csv = out_dir / f"{name}-test.csv"
        write_csv(problem.train_csv, problem.x_train, problem.y_train)
        write_csv(problem.test_csv, problem.x_test, problem.y_test)
        problems.append(problem)
    return problems


def problem_names(data_dir="."):
    return [name for name, _, _ in problem_makers(data_dir)]
